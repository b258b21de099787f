// Text on surface memory from the compiled-in glyph masks. Contexts are kept in
// a short list so that a stale or foreign handle is recognised and refused,
// never dereferenced.
#include "platform/system/gdi.h"

#include <algorithm>
#include <vector>

#include "platform/system/glyphs.h"

namespace {

struct DeviceContext {
    std::uint8_t* pixels;
    int pitch, width, height, bpp;
    const PALETTEENTRY* palette;
    COLORREF text_color = 0;
    COLORREF bk_color = rgb_color(255, 255, 255);
    int bk_mode = OPAQUE;
};

std::vector<DeviceContext*> open_contexts;

DeviceContext* find(HDC dc) {
    for (DeviceContext* c : open_contexts) {
        if (c == dc) return c;
    }
    return nullptr;
}

// The palette entry nearest to the colour (squared distance; the first of equals).
std::uint32_t nearest_index(const PALETTEENTRY* palette, COLORREF color) {
    if (!palette) return 0;
    int r = color & 255, g = color >> 8 & 255, b = color >> 16 & 255;
    int best = 0, best_distance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        int dr = palette[i].peRed - r, dg = palette[i].peGreen - g, db = palette[i].peBlue - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < best_distance) best = i, best_distance = d;
    }
    return static_cast<std::uint32_t>(best);
}

std::uint32_t pixel_value(const DeviceContext& c, COLORREF color) {
    int r = color & 255, g = color >> 8 & 255, b = color >> 16 & 255;
    if (c.bpp == 8) return nearest_index(c.palette, color);
    if (c.bpp == 15) return (b >> 3) | (g >> 3) << 5 | (r >> 3) << 10;
    return (b >> 3) | (g >> 2) << 5 | (r >> 3) << 11;
}

void put(const DeviceContext& c, int x, int y, std::uint32_t value) {
    std::uint8_t* row = c.pixels + static_cast<std::ptrdiff_t>(y) * c.pitch;
    if (c.bpp == 8) {
        row[x] = static_cast<std::uint8_t>(value);
    } else {
        reinterpret_cast<std::uint16_t*>(row)[x] = static_cast<std::uint16_t>(value);
    }
}

// Draws the text's box with its top-left at x, y, cut at the context's edges:
// the glyphs' ink in the text colour and, in OPAQUE mode, the rest of the box
// in the background colour.
void paint(const DeviceContext& c, const unsigned char* text, int length, int x, int y) {
    int box_left = 0;
    int box_width = glyph_text_box(text, length, &box_left);
    int y0 = std::max(y, 0), y1 = std::min(y + GLYPH_LINE_HEIGHT, c.height);
    std::uint32_t ink = pixel_value(c, c.text_color);
    if (c.bk_mode == OPAQUE) {
        std::uint32_t paper = pixel_value(c, c.bk_color);
        int x0 = std::max(x, 0), x1 = std::min(x + box_width, c.width);
        for (int py = y0; py < y1; ++py)
            for (int px = x0; px < x1; ++px) put(c, px, py, paper);
    }
    int pen = x - box_left;
    for (int i = 0; i < length; ++i) {
        const Glyph& g = glyph_table[text[i]];
        int gx = pen + g.left;
        pen += g.advance;
        if (gx >= c.width || gx + g.width <= 0) continue;
        for (int py = y0; py < y1; ++py) {
            std::uint32_t row = g.rows[py - y];
            for (int col = 0; row != 0; ++col, row >>= 1) {
                int px = gx + col;
                if ((row & 1) && px >= 0 && px < c.width) put(c, px, py, ink);
            }
        }
    }
}

}  // namespace

COLORREF set_text_color(HDC dc, COLORREF color) {
    DeviceContext* c = find(dc);
    if (!c) return CLR_INVALID;
    COLORREF old = c->text_color;
    c->text_color = color & 0xFFFFFF;
    return old;
}

COLORREF set_bk_color(HDC dc, COLORREF color) {
    DeviceContext* c = find(dc);
    if (!c) return CLR_INVALID;
    COLORREF old = c->bk_color;
    c->bk_color = color & 0xFFFFFF;
    return old;
}

int set_bk_mode(HDC dc, int mode) {
    DeviceContext* c = find(dc);
    if (!c || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int old = c->bk_mode;
    c->bk_mode = mode;
    return old;
}

int text_out(HDC dc, int x, int y, const char* text, int length) {
    DeviceContext* c = find(dc);
    if (!c || length < 0 || (length > 0 && !text)) return 0;
    // A zero ends the text early.
    int n = static_cast<int>(std::find(text, text + length, '\0') - text);
    if (n > 0) paint(*c, reinterpret_cast<const unsigned char*>(text), n, x, y);
    return 1;
}

int text_line_height() {
    return GLYPH_LINE_HEIGHT;
}

HDC open_surface_dc(std::uint8_t* pixels, int pitch, int width, int height, int bpp,
                    const PALETTEENTRY* palette) {
    if (!pixels || width <= 0 || height <= 0) return nullptr;
    if (bpp != 8 && bpp != 15 && bpp != 16) return nullptr;
    if (pitch < width * (bpp == 8 ? 1 : 2)) return nullptr;
    auto* c = new DeviceContext{pixels, pitch, width, height, bpp, palette};
    open_contexts.push_back(c);
    return c;
}

int close_surface_dc(HDC dc) {
    auto it = std::find(open_contexts.begin(), open_contexts.end(), dc);
    if (it == open_contexts.end()) return 0;
    delete *it;
    open_contexts.erase(it);
    return 1;
}
