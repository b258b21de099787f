/// @file
/// Filled triangles on locked surface memory: float edge stepping in 8 and 16
/// bits per pixel, 16.16 fixed-point stepping in 8 bits; a general triangle is
/// split at its middle vertex into a flat-bottom and a flat-top half. Owns no
/// globals; reads only the clip rectangle of gfx/display.h (not the screen size)
/// and never draws outside it, so the caller keeps the clip rectangle inside the
/// memory.
/// @ingroup lines_polygons
#pragma once

#include <cstdint>

/// @addtogroup lines_polygons
/// @{

// ---- triangles ---------------------------------------------------------------
// Each draws into memory of the given pitch in bytes, clipped to the clip
// rectangle; each returns 1, or 0 (nothing drawn) for null memory or a pitch too
// small for one pixel. Triangles with all three corners on one row or on one
// column, and wholly clipped ones, draw nothing; other corners in a line give a
// thin run of pixels along it.

/// filled triangle with float edges, vertices in any order
int draw_triangle8(int x1, int y1, int x2, int y2, int x3, int y3, std::uint8_t color,
                   std::uint8_t* pixels, int pitch);
/// the same in 16 bits
int draw_triangle16(int x1, int y1, int x2, int y2, int x3, int y3, std::uint16_t color,
                    std::uint16_t* pixels, int pitch);
/// the same as draw_triangle8 with 16.16 fixed-point edges (no float per row)
int draw_triangle_fixed8(int x1, int y1, int x2, int y2, int x3, int y3, std::uint8_t color,
                         std::uint8_t* pixels, int pitch);

/// flat-top triangle: (x1, y1) and (x2, y2) the top edge (y2 taken as y1), (x3, y3)
/// the apex below; draws nothing unless y3 > y1
int draw_top_triangle8(int x1, int y1, int x2, int y2, int x3, int y3, std::uint8_t color,
                       std::uint8_t* pixels, int pitch);
/// the same in 16 bits
int draw_top_triangle16(int x1, int y1, int x2, int y2, int x3, int y3, std::uint16_t color,
                        std::uint16_t* pixels, int pitch);
/// fixed-point form; also nothing when y2 = y3
int draw_top_triangle_fixed8(int x1, int y1, int x2, int y2, int x3, int y3, std::uint8_t color,
                             std::uint8_t* pixels, int pitch);

/// flat-bottom triangle: (x1, y1) the apex on top, (x2, y2) and (x3, y3) the bottom
/// edge (y2 taken as y3); draws nothing unless y3 > y1
int draw_bottom_triangle8(int x1, int y1, int x2, int y2, int x3, int y3, std::uint8_t color,
                          std::uint8_t* pixels, int pitch);
/// the same in 16 bits
int draw_bottom_triangle16(int x1, int y1, int x2, int y2, int x3, int y3, std::uint16_t color,
                           std::uint16_t* pixels, int pitch);
/// fixed-point form; also nothing when y1 = y2
int draw_bottom_triangle_fixed8(int x1, int y1, int x2, int y2, int x3, int y3, std::uint8_t color,
                                std::uint8_t* pixels, int pitch);

/// @}
