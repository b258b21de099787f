/// @file
/// The text face of the device context: 256 one-bit glyph masks of DejaVu Sans
/// Bold at the size whose lines are 16 pixels apart, made once from the font by
/// tools/glyphgen and compiled in, so that text looks the same on every system
/// and needs no font file at run time. Characters are Latin-1; code 0 has no glyph.
/// @ingroup text_palette
#pragma once

#include <cstdint>

/// @addtogroup text_palette
/// @{

constexpr int GLYPH_LINE_HEIGHT = 16;  ///< pixels from one text line to the next

/// One character's glyph: how far it moves the pen and its mask.
struct Glyph {
    std::uint8_t advance;  ///< pixels the pen moves on
    std::int8_t min_x;     ///< the glyph's extent, relative to the pen: leftmost column
    std::int8_t max_x;     ///< and the column past its right edge
    std::int8_t left;      ///< the mask's first inked column, relative to the pen
    std::uint8_t width;    ///< inked columns of the mask, 0 for a glyph without ink
    std::uint32_t rows[GLYPH_LINE_HEIGHT];  ///< top down; bit 0 is the mask's first column
};

extern const Glyph glyph_table[256];  ///< the glyph of each Latin-1 code

/// The box a text of length characters fills: its left edge relative to the
/// first pen position (0, or less when a glyph reaches left of it) and its
/// width; the box is GLYPH_LINE_HEIGHT pixels high. Returns the width.
int glyph_text_box(const unsigned char* text, int length, int* left);

/// @}
