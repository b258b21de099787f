// Text on surface memory through SDL2_ttf. Contexts are kept in a short list so
// that a stale or foreign handle is recognised and refused, never dereferenced.
// The font is opened on first use and chosen once by size: the largest point
// size whose line skip is at most 16 pixels.
#include "platform/gdi.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr int kLineHeight = 16;

struct DeviceContext {
    std::uint8_t* pixels;
    int pitch, width, height, bpp;
    const PALETTEENTRY* palette;
    COLORREF text_color = 0;
    COLORREF bk_color = rgb_color(255, 255, 255);
    int bk_mode = OPAQUE;
};

std::vector<DeviceContext*> open_contexts;
TTF_Font* font = nullptr;
bool ttf_started = false;

// The masks of the texts drawn last, newest first: a HUD draws the same few
// lines frame after frame, and shaping them anew each time costs more than
// the rest of the text drawing.
constexpr std::size_t kKeptMasks = 16;
std::vector<std::pair<std::string, SDL_Surface*>> kept_masks;

void forget_masks() {
    for (auto& [text, mask] : kept_masks) SDL_FreeSurface(mask);
    kept_masks.clear();
}

// The glyph mask of s, rendered once and kept; null when the font cannot render it.
SDL_Surface* mask_of(TTF_Font* f, const std::string& s) {
    auto it = std::find_if(kept_masks.begin(), kept_masks.end(),
                           [&](const auto& kept) { return kept.first == s; });
    if (it != kept_masks.end()) {
        std::rotate(kept_masks.begin(), it, it + 1);
        return kept_masks.front().second;
    }
    SDL_Surface* mask = TTF_RenderText_Solid(f, s.c_str(), SDL_Color{255, 255, 255, 255});
    if (!mask) return nullptr;
    if (kept_masks.size() == kKeptMasks) {
        SDL_FreeSurface(kept_masks.back().second);
        kept_masks.pop_back();
    }
    kept_masks.insert(kept_masks.begin(), {s, mask});
    return mask;
}

DeviceContext* find(HDC dc) {
    for (DeviceContext* c : open_contexts) {
        if (c == dc) return c;
    }
    return nullptr;
}

TTF_Font* the_font() {
    if (font) return font;
    if (!ttf_started) {
        if (TTF_Init() != 0) return nullptr;
        ttf_started = true;
    }
    for (int size = 24; size >= 6 && !font; --size) {
        TTF_Font* f = TTF_OpenFont(kFontPath, size);
        if (!f) return nullptr;
        if (TTF_FontLineSkip(f) <= kLineHeight) {
            font = f;
        } else {
            TTF_CloseFont(f);
        }
    }
    return font;
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

// Copies the glyph mask (non-zero pixels of an 8-bit surface) to x, y, cut at the
// context's edges; in OPAQUE mode the whole box takes the background first.
void paint(const DeviceContext& c, const SDL_Surface* mask, int x, int y) {
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + mask->w, c.width), y1 = std::min(y + mask->h, c.height);
    std::uint32_t ink = pixel_value(c, c.text_color);
    std::uint32_t paper = pixel_value(c, c.bk_color);
    for (int py = y0; py < y1; ++py) {
        const auto* src = static_cast<const std::uint8_t*>(mask->pixels) +
                          static_cast<std::ptrdiff_t>(py - y) * mask->pitch;
        for (int px = x0; px < x1; ++px) {
            if (src[px - x] != 0) {
                put(c, px, py, ink);
            } else if (c.bk_mode == OPAQUE) {
                put(c, px, py, paper);
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
    TTF_Font* f = the_font();
    if (!f) return 0;
    if (length == 0) return 1;
    std::string s(text, static_cast<std::size_t>(length));
    s.resize(std::char_traits<char>::length(s.c_str()));  // a zero ends the text early
    if (s.empty()) return 1;
    SDL_Surface* mask = mask_of(f, s);
    if (!mask) return 0;
    if (SDL_MUSTLOCK(mask)) SDL_LockSurface(mask);
    paint(*c, mask, x, y);
    if (SDL_MUSTLOCK(mask)) SDL_UnlockSurface(mask);
    return 1;
}

int text_line_height() {
    TTF_Font* f = the_font();
    return f ? TTF_FontLineSkip(f) : 0;
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

void close_text_font() {
    forget_masks();
    if (font) TTF_CloseFont(font);
    font = nullptr;
    if (ttf_started) TTF_Quit();
    ttf_started = false;
}
