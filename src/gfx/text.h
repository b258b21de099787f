/// @file
/// Rectangle fills and text on a surface. Text goes through the surface's device
/// context: transparent background, the default font (16-pixel lines); on an
/// 8-bit surface its colour becomes the nearest palette entry. Owns no globals;
/// reads palette_entries.
/// @ingroup text_palette
#pragma once

#include <cstdint>

#include "platform/system/ddraw.h"

/// @addtogroup text_palette
/// @{

/// fills left x1, top y1 to right x2, bottom y2 (right and bottom exclusive, cut by
/// the surface's clipper) with colour (a palette index at 8 bits); 1, 0 for a null
/// surface
int fill_rect(int x1, int y1, int x2, int y2, std::int32_t color, DirectDrawSurface* surface);
/// draws the zero-ended text with its top-left at x, y in colour (red low byte,
/// then green, then blue); only glyph pixels change; 1, or 0 for a null text or
/// surface or a surface whose device context cannot be had (a locked one)
int draw_text_rgb(const char* text, int x, int y, COLORREF color, DirectDrawSurface* surface);
/// the same in the colour of palette_entries[index]; 0 also for an index outside 0..255
int draw_text_index(const char* text, int x, int y, int index, DirectDrawSurface* surface);

/// @}
