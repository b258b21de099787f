/// @file
/// Spans: runs of one colour along a row or a column of locked surface memory, in
/// 8 and 16 bits per pixel, cut to the clip rectangle, and the 16-bit fill they
/// are built on. The triangles and polygons fill their rows with row_span8/16,
/// the wipes of the transitions draw with the lines. Owns no globals; reads only
/// the clip rectangle of gfx/display.h (not the screen size): the caller keeps
/// the clip rectangle inside the memory. Pitches are in bytes.
/// @ingroup lines_polygons
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "gfx/display.h"

/// @addtogroup lines_polygons
/// @{

/// fills x1..x2 (either order, inclusive) of row y, clipped to the clip rectangle;
/// 1, or 0 for null memory or a pitch below 1
int hline8(int x1, int x2, int y, std::uint8_t color, std::uint8_t* pixels, int pitch);
/// the same in 16 bits; 0 also for a pitch below 2
int hline16(int x1, int x2, int y, std::uint16_t color, std::uint16_t* pixels, int pitch);
/// fills y1..y2 (either order, inclusive) of column x, clipped to the clip
/// rectangle; 1, or 0 for null memory or a pitch below 1
int vline8(int y1, int y2, int x, std::uint8_t color, std::uint8_t* pixels, int pitch);
/// the same in 16 bits; 0 also for a pitch below 2
int vline16(int y1, int y2, int x, std::uint16_t color, std::uint16_t* pixels, int pitch);

/// fills columns left..right (inclusive, any 64-bit values; nothing when left >
/// right) of the row whose column 0 is at row, cut to the clip columns; the row is
/// taken to lie inside the clip rows; 1, or 0 for a null row
inline int row_span8(std::uint8_t* row, std::int64_t left, std::int64_t right, std::uint8_t color);
/// the same in 16 bits
inline int row_span16(std::uint16_t* row, std::int64_t left, std::int64_t right,
                      std::uint16_t color);

/// writes value into count consecutive 16-bit pixels; nothing for a count below 1
/// or null memory
void fill16(std::uint16_t* first, std::uint16_t value, int count);

// The row spans are defined here so that the triangle and polygon fills, which
// call them once a row, have them inline.

inline int row_span8(std::uint8_t* row, std::int64_t left, std::int64_t right, std::uint8_t color) {
    if (!row) return 0;
    left = std::max<std::int64_t>(left, clip_left);
    right = std::min<std::int64_t>(right, clip_right);
    if (left <= right) std::memset(row + left, color, static_cast<std::size_t>(right - left + 1));
    return 1;
}

inline int row_span16(std::uint16_t* row, std::int64_t left, std::int64_t right,
                      std::uint16_t color) {
    if (!row) return 0;
    left = std::max<std::int64_t>(left, clip_left);
    right = std::min<std::int64_t>(right, clip_right);
    if (left <= right) fill16(row + left, color, static_cast<int>(right - left + 1));
    return 1;
}

/// @}
