/// @file
/// PNG files of 8-bit frames through libpng: the pixels stay palette indices and
/// the palette goes into the file, so a frame is written exactly as it was.
/// @ingroup files
#pragma once

#include <cstdint>
#include <string>

/// @addtogroup files
/// @{

/// writes width x height pixels (rows pitch bytes apart) with their 256-entry
/// palette (r, g, b bytes) as an indexed PNG; 1, or 0 when the arguments are bad
/// or the file cannot be written. A file that cannot be written is counted in
/// output_failures() and said on stderr ("cannot write PATH: REASON"), or put in
/// *failure instead when failure is given
int write_png8(const char* path, const std::uint8_t* pixels, int pitch, int width, int height,
               const std::uint8_t* palette_rgb, std::string* failure = nullptr);

/// @}
