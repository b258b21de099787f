// Large captions drawn into a canvas with SDL2_ttf: the glyphs are rendered at
// the asked pixel size, thickened into a dark outline, and their anti-aliased
// edges are mapped onto a ramp of the shared palette (outline shade up to fill).
// Owns the open fonts (captions_open, captions_close). Needs SDL2_ttf, DejaVu.
#pragma once

#include "canvas.h"

constexpr int CAPTION_SANS = 0;   // DejaVu Sans Bold
constexpr int CAPTION_SERIF = 1;  // DejaVu Serif Bold

constexpr int ALIGN_LEFT = 0;    // x is the left edge of the text
constexpr int ALIGN_CENTRE = 1;  // x is the middle of the text

struct CaptionStyle {
    int face = CAPTION_SANS;  // CAPTION_SANS or CAPTION_SERIF
    int size = 40;            // pixel size of the font, 8 .. 400
    Ramp ink = RAMP_INK;      // glyph edges blend from ink.at(0) up to the top shade
    int top_shade = 15;       // the fill shade of the glyphs, within ink
    int outline = 3;          // outline width in pixels, 0 .. 12
    int outline_colour = -1;  // the outline's index; -1: ink.at(0)
    int shadow = 0;           // drop shadow offset in pixels down and right; 0: none
};

// opens the fonts from the folder; 1, or 0 when SDL2_ttf or a font fails
int captions_open(const char* font_folder);
// closes the fonts and SDL2_ttf; safe to call when nothing is open
void captions_close();
// draws one line of UTF-8 text with its top at y; the text's width in pixels,
// or 0 when nothing was drawn (fonts not open, empty text, bad style)
int caption_draw(Canvas& c, const char* text, int x, int y, int align, const CaptionStyle& style);
// the width in pixels that caption_draw would take, or 0
int caption_width(const char* text, const CaptionStyle& style);
