// Writes 8-bit palettized bitmap files: 14-byte file header, 40-byte info
// header, a full 256-entry colour table, bottom-up rows without fill bytes
// (the width must be a multiple of 4) and biSizeImage set.
// No globals. Needs palette.h for the colour table.
#pragma once

#include <cstdint>
#include <string>

#include "palette.h"

// the complete file image of a width x height picture whose rows are given top
// first, width bytes each; empty when the width is not a positive multiple of 4
// or the height is not positive
std::string encode_bmp8(int width, int height, const std::uint8_t* rows, const Rgb* colours);
// writes encode_bmp8's result to path; 1, or 0 on a bad size or a failed write
int write_bmp8(const char* path, int width, int height, const std::uint8_t* rows,
               const Rgb* colours);
