/// @file
/// An 8-bit frame's colours and place on an output: palette indices expanded
/// into 32-bit pixels through a 256-entry table (0xAARRGGBB for a screen
/// texture, r, g, b, a bytes for a canvas), and the rectangle a frame fits into
/// with its aspect kept. Owns no globals; needs nothing but memory.
/// @ingroup backends
#pragma once

#include <cstdint>

/// @addtogroup backends
/// @{

/// fills table[0..255] with the opaque 0xFFRRGGBB colour of each palette entry
/// given as 256 r, g, b byte triples; nothing for null arguments
void make_expand_table(const std::uint8_t* palette_rgb, std::uint32_t* table);
/// fills table[0..255] with each entry as the bytes r, g, b, 255 in memory order,
/// the order of a browser canvas's pixels, whatever the machine's byte order
void make_expand_table_rgba(const std::uint8_t* palette_rgb, std::uint32_t* table);
/// writes width x height 32-bit pixels (out_pitch bytes per row) from the indices
/// (pitch bytes per row) through the table; 1, 0 for null arguments, a size
/// below 1 or a pitch shorter than a row
int expand_indices32(const std::uint8_t* pixels, int pitch, int width, int height,
                     const std::uint32_t* table, std::uint32_t* out, int out_pitch);

/// A rectangle of an output, in pixels from its top left corner.
struct FrameRect {
    int x = 0, y = 0, w = 0, h = 0;  ///< left, top, width and height
};
/// where a frame of frame_w x frame_h shows in an output of out_w x out_h: scaled
/// whole, its aspect kept, centred, the rest left for black bars (sizes truncate);
/// an empty rectangle when a size is below 1
FrameRect fit_frame(int frame_w, int frame_h, int out_w, int out_h);

/// @}
