// The glyph table and the layout of a line of text on it.
#include "platform/system/glyphs.h"

#include <algorithm>

const Glyph glyph_table[256] = {
#include "platform/system/glyph_table.inc"
};

int glyph_text_box(const unsigned char* text, int length, int* left) {
    int pen = 0, lo = 0, hi = 0;
    for (int i = 0; i < length; ++i) {
        const Glyph& g = glyph_table[text[i]];
        lo = std::min(lo, pen + g.min_x);
        hi = std::max({hi, pen + g.max_x, pen + g.advance});
        pen += g.advance;
    }
    if (left) *left = lo;
    return hi - lo;
}
