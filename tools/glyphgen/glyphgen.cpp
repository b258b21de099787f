// Writes the text face of the library's device context, src/platform/system/glyph_table.inc:
// the one-bit masks of DejaVu Sans Bold at the largest size whose lines are at
// most 16 pixels apart, each glyph as SDL2_ttf renders it alone, with its
// advance, its horizontal extent and its inked columns relative to the pen. `glyphgen --check FILE`
// renders the masks again and compares them with FILE, and lays out every pair of printable
// characters and a few sentences from the masks against SDL2_ttf's own rendering of the string.
#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/system/glyphs.h"

namespace {

constexpr int kLineHeight = 16;
constexpr int kMaxWidth = 32;  // a mask row is one 32-bit word
constexpr const char* kFontFile = "DejaVuSans-Bold.ttf";

struct Mask {
    int advance = 0, left = 0, width = 0, min_x = 0, max_x = 0;
    std::uint32_t rows[kLineHeight] = {};
};

TTF_Font* open_font(const std::string& dir, int* point_size) {
    std::string path = dir + "/" + kFontFile;
    for (int size = 24; size >= 6; --size) {
        TTF_Font* f = TTF_OpenFont(path.c_str(), size);
        if (!f) {
            std::fprintf(stderr, "glyphgen: cannot open %s: %s\n", path.c_str(), TTF_GetError());
            return nullptr;
        }
        if (TTF_FontLineSkip(f) <= kLineHeight && TTF_FontHeight(f) <= kLineHeight) {
            *point_size = size;
            return f;
        }
        TTF_CloseFont(f);
    }
    return nullptr;
}

bool pixel_set(const SDL_Surface* s, int x, int y) {
    return static_cast<const std::uint8_t*>(s->pixels)[y * s->pitch + x] != 0;
}

// Character c alone: the rendered surface starts at the pen or, for a glyph
// that reaches left of it, at its left edge. The mask keeps the inked columns.
bool render_mask(TTF_Font* font, int c, Mask* m) {
    int minx = 0, maxx = 0, miny = 0, maxy = 0, advance = 0;
    if (TTF_GlyphMetrics(font, static_cast<Uint16>(c), &minx, &maxx, &miny, &maxy, &advance))
        return false;
    m->advance = advance;
    m->min_x = minx;
    m->max_x = maxx;
    char text[2] = {static_cast<char>(c), 0};
    SDL_Surface* s = TTF_RenderText_Solid(font, text, SDL_Color{255, 255, 255, 255});
    if (!s) return true;  // nothing to ink, as for a space
    int origin = std::min(0, minx);
    int first = s->w, last = -1;
    for (int y = 0; y < s->h && y < kLineHeight; ++y)
        for (int x = 0; x < s->w; ++x)
            if (pixel_set(s, x, y)) first = std::min(first, x), last = std::max(last, x);
    if (last >= 0) {
        m->left = first + origin;
        m->width = last - first + 1;
        if (m->width > kMaxWidth) {
            SDL_FreeSurface(s);
            return false;
        }
        for (int y = 0; y < s->h && y < kLineHeight; ++y)
            for (int x = first; x <= last; ++x)
                if (pixel_set(s, x, y)) m->rows[y] |= 1u << (x - first);
    }
    SDL_FreeSurface(s);
    return true;
}

std::string source_text(const std::vector<Mask>& masks, int point_size) {
    std::ostringstream out;
    out << "// The text face: DejaVu Sans Bold at " << point_size
        << " points, whose lines are 16 pixels apart,\n"
           "// as one-bit masks. Written by tools/glyphgen from the font; do not edit.\n"
           "// DejaVu fonts: Copyright (c) 2003 Bitstream, Inc., DejaVu changes are in\n"
           "// the public domain; see the Bitstream Vera font licence.\n"
           "// Included by glyphs.cpp: advance, extent, inked columns, then the rows top\n"
           "// down (bit 0 is the first inked column).\n"
           "// clang-format off\n";
    char word[16];
    for (std::size_t c = 0; c < masks.size(); ++c) {
        const Mask& m = masks[c];
        out << "    {" << m.advance << ", " << m.min_x << ", " << m.max_x << ", " << m.left << ", "
            << m.width << ", {";
        for (int y = 0; y < kLineHeight; ++y) {
            std::snprintf(word, sizeof word, "0x%x", m.rows[y]);
            out << (y ? ", " : "") << word;
        }
        out << "}},  // " << c << "\n";
    }
    out << "// clang-format on\n";
    return out.str();
}

// The string laid out by the library from its compiled-in table, as 0/1 bytes
// in the box that glyph_text_box gives.
std::vector<std::uint8_t> layout(const std::string& s, int* width) {
    const auto* text = reinterpret_cast<const unsigned char*>(s.data());
    int n = static_cast<int>(s.size()), left = 0;
    *width = glyph_text_box(text, n, &left);
    std::vector<std::uint8_t> box(static_cast<std::size_t>(*width) * kLineHeight, 0);
    int pen = -left;
    for (int i = 0; i < n; ++i) {
        const Glyph& g = glyph_table[text[i]];
        for (int y = 0; y < kLineHeight; ++y)
            for (int x = 0; x < g.width; ++x) {
                int bx = pen + g.left + x;
                if (g.rows[y] >> x & 1 && bx >= 0 && bx < *width) box[y * *width + bx] = 1;
            }
        pen += g.advance;
    }
    return box;
}

// Counts the strings whose layout by the library differs from SDL2_ttf's picture.
int compare_layouts(TTF_Font* font) {
    std::vector<std::string> strings = {"power=25", "Deaths=13", "The quick brown fox jumps",
                                        "over the lazy dog. JJ jj WW", "\xc6\xe6\xd8\xf8\xff"};
    for (int a = 32; a < 127; ++a)
        for (int b = 32; b < 127; ++b)
            strings.push_back({static_cast<char>(a), static_cast<char>(b)});
    int bad = 0;
    for (const std::string& s : strings) {
        SDL_Surface* r = TTF_RenderText_Solid(font, s.c_str(), SDL_Color{255, 255, 255, 255});
        if (!r) continue;
        int width = 0;
        std::vector<std::uint8_t> box = layout(s, &width);
        bool same = r->w == width && r->h == kLineHeight;
        for (int y = 0; same && y < kLineHeight; ++y)
            for (int x = 0; same && x < width; ++x)
                same = pixel_set(r, x, y) == (box[y * width + x] != 0);
        if (!same && ++bad <= 5) std::fprintf(stderr, "glyphgen: \"%s\" differs\n", s.c_str());
        SDL_FreeSurface(r);
    }
    return bad;
}

}  // namespace

int main(int argc, char** argv) {
    bool check = argc > 1 && std::strcmp(argv[1], "--check") == 0;
    int first = check ? 2 : 1;
    if (argc < first + 1) {
        std::fprintf(stderr, "usage: glyphgen [--check] glyph_table.inc [FONT_DIR]\n");
        return 2;
    }
    std::string out_path = argv[first];
    std::string font_dir = argc > first + 1 ? argv[first + 1] : "/usr/share/fonts/truetype/dejavu";
    if (TTF_Init() != 0) return 1;
    int point_size = 0;
    TTF_Font* font = open_font(font_dir, &point_size);
    if (!font) return 1;
    std::vector<Mask> masks(256);
    for (int c = 1; c < 256; ++c) {
        if (!render_mask(font, c, &masks[c])) {
            std::fprintf(stderr, "glyphgen: character %d cannot be rendered\n", c);
            return 1;
        }
    }
    std::string text = source_text(masks, point_size);
    int code = 0;
    if (check) {
        std::ifstream in(out_path, std::ios::binary);
        std::string committed((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
        if (committed != text) {
            std::fprintf(stderr, "glyphgen: %s is not what the font gives now\n", out_path.c_str());
            code = 1;
        }
        if (int bad = compare_layouts(font)) {
            std::fprintf(stderr, "glyphgen: %d strings lay out differently\n", bad);
            code = 1;
        }
    } else {
        std::ofstream out(out_path, std::ios::binary);
        out << text;
        if (!out) {
            std::fprintf(stderr, "glyphgen: cannot write %s\n", out_path.c_str());
            code = 1;
        }
    }
    TTF_CloseFont(font);
    TTF_Quit();
    return code;
}
