// Captions: SDL2_ttf renders the text blended into a 32-bit surface; its alpha
// channel is copied out, an outline mask is grown from it by a disc of the
// outline width, and both are written into the canvas as palette indices.
// Owns the font handles. Needs SDL2_ttf and the DejaVu fonts.
#include "captions.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <string>
#include <vector>

namespace {

bool ttf_started = false;
std::string folder;
struct OpenFont {
    int face, size;
    TTF_Font* font;
};
std::vector<OpenFont> fonts;

const char* face_file(int face) {
    return face == CAPTION_SERIF ? "DejaVuSerif-Bold.ttf" : "DejaVuSans-Bold.ttf";
}

TTF_Font* font_for(const CaptionStyle& s) {
    if (!ttf_started || s.size < 8 || s.size > 400) return nullptr;
    for (const OpenFont& f : fonts)
        if (f.face == s.face && f.size == s.size) return f.font;
    std::string path = folder + "/" + face_file(s.face);
    TTF_Font* font = TTF_OpenFont(path.c_str(), s.size);
    if (font) {
        TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
        fonts.push_back({s.face, s.size, font});
    }
    return font;
}

// the glyph coverage of the text, w x h bytes, 0 .. 255
std::vector<std::uint8_t> render_alpha(TTF_Font* font, const char* text, int* w, int* h) {
    SDL_Color white = {255, 255, 255, 255};
    SDL_Surface* s = TTF_RenderUTF8_Blended(font, text, white);
    std::vector<std::uint8_t> alpha;
    if (!s) return alpha;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(s);
    if (!rgba) return alpha;
    *w = rgba->w;
    *h = rgba->h;
    alpha.resize(static_cast<std::size_t>(*w) * *h);
    for (int y = 0; y < *h; ++y) {
        const auto* row = static_cast<const std::uint32_t*>(rgba->pixels) + y * (rgba->pitch / 4);
        for (int x = 0; x < *w; ++x) alpha[static_cast<std::size_t>(y) * *w + x] = row[x] >> 24;
    }
    SDL_FreeSurface(rgba);
    return alpha;
}

// the mask of pixels within radius r of a glyph pixel (coverage of 64 or more)
std::vector<std::uint8_t> grow(const std::vector<std::uint8_t>& a, int w, int h, int r) {
    std::vector<std::uint8_t> m(a.size(), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (a[static_cast<std::size_t>(y) * w + x] < 64) continue;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx) {
                    int px = x + dx, py = y + dy;
                    if (dx * dx + dy * dy > r * r + r || px < 0 || py < 0 || px >= w || py >= h)
                        continue;
                    m[static_cast<std::size_t>(py) * w + px] = 1;
                }
        }
    return m;
}

}  // namespace

int captions_open(const char* font_folder) {
    if (ttf_started) return 1;
    if (!font_folder || TTF_Init() != 0) return 0;
    ttf_started = true;
    folder = font_folder;
    CaptionStyle probe;
    if (!font_for(probe)) {
        captions_close();
        return 0;
    }
    return 1;
}

void captions_close() {
    for (const OpenFont& f : fonts) TTF_CloseFont(f.font);
    fonts.clear();
    if (ttf_started) TTF_Quit();
    ttf_started = false;
}

int caption_width(const char* text, const CaptionStyle& style) {
    TTF_Font* font = font_for(style);
    int w = 0, h = 0;
    if (!font || !text || !*text || TTF_SizeUTF8(font, text, &w, &h) != 0) return 0;
    return w + 2 * style.outline;
}

int caption_draw(Canvas& c, const char* text, int x, int y, int align, const CaptionStyle& s) {
    TTF_Font* font = font_for(s);
    if (!font || !text || !*text || s.outline < 0 || s.outline > 12) return 0;
    int w = 0, h = 0;
    std::vector<std::uint8_t> alpha = render_alpha(font, text, &w, &h);
    if (alpha.empty()) return 0;
    const int pad = s.outline;
    const int mw = w + 2 * pad, mh = h + 2 * pad;
    std::vector<std::uint8_t> a(static_cast<std::size_t>(mw) * mh, 0);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col)
            a[static_cast<std::size_t>(row + pad) * mw + col + pad] =
                alpha[static_cast<std::size_t>(row) * w + col];
    std::vector<std::uint8_t> edge = grow(a, mw, mh, s.outline);
    const int left = align == ALIGN_CENTRE ? x - mw / 2 : x;
    const int dark = s.outline_colour >= 0 ? s.outline_colour : s.ink.at(0);
    if (s.shadow > 0)
        for (int row = 0; row < mh; ++row)
            for (int col = 0; col < mw; ++col)
                if (edge[static_cast<std::size_t>(row) * mw + col] ||
                    a[static_cast<std::size_t>(row) * mw + col] >= 64)
                    canvas_put(c, left + col + s.shadow, y + row + s.shadow, dark);
    for (int row = 0; row < mh; ++row)
        for (int col = 0; col < mw; ++col) {
            int v = a[static_cast<std::size_t>(row) * mw + col];
            bool outlined = s.outline > 0 && edge[static_cast<std::size_t>(row) * mw + col];
            if (v < 32 && !outlined) continue;
            int shade = s.outline > 0 ? v * s.top_shade / 255 : s.top_shade;
            if (v < 32) shade = -1;
            canvas_put(c, left + col, y + row, shade < 0 ? dark : s.ink.at(shade));
        }
    return mw;
}
