/// @file
/// The text device context: what a surface's device context offers for text.
/// A context is opened on a surface's memory by the surface itself (get_dc) and
/// closed by release_dc. Text is drawn from the glyph masks of glyphs.h:
/// DejaVu Sans Bold at the size that gives 16-pixel lines, solid glyphs only (no
/// smoothing), the same pixels on every system and no font file to find.
/// @ingroup text_palette
#pragma once

#include <cstdint>

#include "platform/system/types.h"

/// @addtogroup text_palette
/// @{

// ---- constants ---------------------------------------------------------------

constexpr std::uint8_t PC_EXPLICIT = 2;        ///< the entry names a hardware palette index
constexpr std::uint8_t PC_NOCOLLAPSE = 4;      ///< the entry takes a slot of its own
constexpr int TRANSPARENT = 1;                 ///< background mode: only the glyphs are drawn
constexpr int OPAQUE = 2;                      ///< background mode: the text box is filled first
constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;  ///< no colour: what a failed colour call returns

/// the colour of r, g, b (each 0..255)
constexpr COLORREF rgb_color(int r, int g, int b) {
    return static_cast<COLORREF>((r & 255) | (g & 255) << 8 | (b & 255) << 16);
}

// ---- calls on a device context --------------------------------------------------

/// sets the glyph colour; returns the previous one, CLR_INVALID for an unknown context
COLORREF set_text_color(HDC dc, COLORREF color);
/// sets the colour of the text box in OPAQUE mode; returns the previous one or CLR_INVALID
COLORREF set_bk_color(HDC dc, COLORREF color);
/// TRANSPARENT or OPAQUE; returns the previous mode, 0 for an unknown context or mode
int set_bk_mode(HDC dc, int mode);
/// draws length characters (Latin-1, a zero ends them early) with the top-left of
/// the text's box at x, y, cut at the surface's edges; 1, or 0 for an unknown
/// context or a negative length
int text_out(HDC dc, int x, int y, const char* text, int length);
/// height of a text line in pixels: 16
int text_line_height();

// ---- for the surfaces ---------------------------------------------------------

/// opens a context on surface memory of 8 or 16 bits (15 for 5.5.5 pixels); on 8
/// bits colours become the nearest of the 256 entries; returns null for bad input
HDC open_surface_dc(std::uint8_t* pixels, int pitch, int width, int height, int bpp,
                    const PALETTEENTRY* palette);
/// closes a context that open_surface_dc gave; 1, or 0 for an unknown one
int close_surface_dc(HDC dc);

/// @}
