// PNG files of 8-bit frames through libpng: the pixels stay palette indices and
// the palette goes into the file, so a frame is written exactly as it was.
#pragma once

#include <cstdint>

// writes width x height pixels (rows pitch bytes apart) with their 256-entry
// palette (r, g, b bytes) as an indexed PNG; 1, or 0 when the file cannot be
// written or the arguments are bad
int write_png8(const char* path, const std::uint8_t* pixels, int pitch, int width, int height,
               const std::uint8_t* palette_rgb);
