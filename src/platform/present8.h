// Presentation of an 8-bit frame: palette indices expanded into 32-bit pixels
// (0xAARRGGBB, alpha opaque) through a 256-entry table, as a screen texture
// wants them. Owns no globals; needs nothing but memory.
#pragma once

#include <cstdint>

// fills table[0..255] with the opaque 0xFFRRGGBB colour of each palette entry
// given as 256 r, g, b byte triples; nothing for null arguments
void make_expand_table(const std::uint8_t* palette_rgb, std::uint32_t* table);
// writes width x height 32-bit pixels (out_pitch bytes per row) from the indices
// (pitch bytes per row) through the table; 1, 0 for null arguments, a size
// below 1 or a pitch shorter than a row
int expand_indices32(const std::uint8_t* pixels, int pitch, int width, int height,
                     const std::uint32_t* table, std::uint32_t* out, int out_pitch);
