/// @file
/// Pixels, lines and colour scans on locked surface memory, in 8 and 16 bits per
/// pixel: line clipping against the clip rectangle by outcodes, Bresenham lines,
/// a scan for colours inside a rectangle and an overlap test for two boxes.
/// Owns no globals; reads the clip rectangle and screen size of gfx/display.h.
/// All rectangles and line ends are inclusive; pitches are in bytes.
/// @ingroup lines_polygons
#pragma once

#include <cstdint>

/// @addtogroup lines_polygons
/// @{

/// Outcode bits of a point against the clip rectangle.
constexpr int OUT_LEFT = 1;    ///< x < clip_left
constexpr int OUT_RIGHT = 2;   ///< x > clip_right
constexpr int OUT_BOTTOM = 4;  ///< y > clip_bottom
constexpr int OUT_TOP = 8;     ///< y < clip_top

/// the outcode of (x, y): OUT_TOP or OUT_BOTTOM, plus OUT_LEFT or OUT_RIGHT; 0 inside
int outcode(int x, int y);

/// writes one pixel, no clipping; 1, or 0 (nothing written) for null memory, a pitch
/// below 1 or a point outside the screen 0..display_width-1 x 0..display_height-1
int plot8(int x, int y, std::uint8_t color, std::uint8_t* pixels, int pitch);
/// the same in 16 bits; the pitch is in bytes
int plot16(int x, int y, std::uint16_t color, std::uint16_t* pixels, int pitch);

/// clips the line to the clip rectangle; 1 with the four values replaced by the
/// clipped ends when some of it lies inside, else 0 with the values unchanged
int clip_line(int& x1, int& y1, int& x2, int& y2);

/// Bresenham line from (x1, y1) to (x2, y2), both ends drawn, no clipping; 1, or 0
/// (nothing drawn) for null memory, a pitch below 1 or an end outside the screen
int draw_line8(int x1, int y1, int x2, int y2, std::uint8_t color, std::uint8_t* pixels, int pitch);
/// the same in 16 bits; the pitch is in bytes
int draw_line16(int x1, int y1, int x2, int y2, std::uint16_t color, std::uint16_t* pixels,
                int pitch);
/// the part of the line inside the clip rectangle, if any (none where a clipped end
/// lies off the screen); 1, or 0 for null memory or a pitch below 1
int draw_clip_line8(int x1, int y1, int x2, int y2, std::uint8_t color, std::uint8_t* pixels,
                    int pitch);
/// the same in 16 bits; the pitch is in bytes
int draw_clip_line16(int x1, int y1, int x2, int y2, std::uint16_t color, std::uint16_t* pixels,
                     int pitch);

/// 1 when some pixel of the rectangle (clamped to the screen, ends not exchanged)
/// holds a value from lowest to highest inclusive; 0 otherwise and for null memory
int scan_color8(int x1, int y1, int x2, int y2, std::uint8_t lowest, std::uint8_t highest,
                const std::uint8_t* pixels, int pitch);
/// 1 when some pixel of the rectangle (clamped likewise) equals a or b; 0 otherwise
int scan_color16(int x1, int y1, int x2, int y2, std::uint16_t a, std::uint16_t b,
                 const std::uint16_t* pixels, int pitch);

/// 1 when the two boxes overlap after each is reduced to half-sizes a = w/2 - w/8
/// and b = h/2 - h/8 about the point (x + a, y + b); 0 otherwise
int box_overlap(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);

/// @}
