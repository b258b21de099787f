// The shared palette: every ramp is a linear blend between a few key colours,
// computed in integers so that the table is the same on every build.
// Owns asset_palette. Needs gdi.h for the entry record.
#include "palette.h"

Rgb asset_palette[256];

namespace {

struct Key {
    int at;  // position along the ramp, 0 .. 1000
    Rgb c;
};

// Fills ramp with shades that blend through the keys (positions 0 to 1000).
void blend_ramp(const Ramp& ramp, const Key* keys, int key_count) {
    for (int s = 0; s < ramp.count; ++s) {
        int t = ramp.count > 1 ? s * 1000 / (ramp.count - 1) : 0;
        int k = 0;
        while (k + 2 < key_count && t > keys[k + 1].at) ++k;
        const Key& a = keys[k];
        const Key& b = keys[k + 1];
        int span = b.at - a.at > 0 ? b.at - a.at : 1;
        int u = t - a.at;
        if (u < 0) u = 0;
        if (u > span) u = span;
        auto mix = [&](int x, int y) { return static_cast<std::uint8_t>(x + (y - x) * u / span); };
        asset_palette[ramp.first + s] = {mix(a.c.r, b.c.r), mix(a.c.g, b.c.g), mix(a.c.b, b.c.b)};
    }
}

template <int N>
void blend(const Ramp& ramp, const Key (&keys)[N]) {
    blend_ramp(ramp, keys, N);
}

}  // namespace

void build_palette() {
    for (Rgb& c : asset_palette) c = {0, 0, 0};
    blend(RAMP_GREY, {Key{0, {18, 18, 22}}, Key{1000, {250, 250, 250}}});
    blend(RAMP_SKY, {Key{0, {10, 14, 40}}, Key{550, {52, 78, 140}}, Key{1000, {196, 214, 236}}});
    blend(RAMP_STONE,
          {Key{0, {30, 30, 38}}, Key{500, {104, 100, 104}}, Key{1000, {214, 204, 184}}});
    blend(RAMP_WOOD, {Key{0, {36, 20, 12}}, Key{500, {120, 74, 38}}, Key{1000, {226, 182, 122}}});
    blend(RAMP_METAL,
          {Key{0, {24, 30, 44}}, Key{600, {128, 140, 160}}, Key{1000, {248, 250, 255}}});
    blend(RAMP_SKIN, {Key{0, {96, 52, 36}}, Key{1000, {252, 208, 170}}});
    blend(RAMP_HAIR, {Key{0, {48, 22, 14}}, Key{1000, {150, 70, 34}}});
    blend(RAMP_LEAF, {Key{0, {10, 30, 18}}, Key{550, {52, 110, 44}}, Key{1000, {176, 206, 92}}});
    blend(RAMP_SOIL, {Key{0, {34, 22, 16}}, Key{1000, {66, 46, 30}}});
    blend(RAMP_CLAY, {Key{0, {70, 34, 26}}, Key{1000, {214, 140, 96}}});
    blend(RAMP_FIRE, {Key{0, {70, 8, 4}}, Key{400, {220, 70, 10}}, Key{750, {255, 190, 40}},
                      Key{1000, {255, 250, 220}}});
    blend(RAMP_CLOTH, {Key{0, {12, 20, 54}}, Key{550, {40, 92, 178}}, Key{1000, {170, 214, 255}}});
    blend(RAMP_SCARF, {Key{0, {52, 6, 14}}, Key{550, {190, 28, 40}}, Key{1000, {255, 164, 150}}});
    blend(RAMP_GOLD, {Key{0, {60, 34, 8}}, Key{500, {200, 140, 30}}, Key{1000, {255, 240, 170}}});
    blend(RAMP_DUSK, {Key{0, {26, 14, 46}}, Key{500, {110, 56, 120}}, Key{1000, {246, 170, 150}}});
    blend(RAMP_INK, {Key{0, {14, 10, 24}}, Key{1000, {255, 246, 220}}});
    blend(RAMP_HILL, {Key{0, {16, 28, 40}}, Key{1000, {120, 150, 160}}});
    blend(RAMP_PAPER, {Key{0, {90, 64, 40}}, Key{1000, {246, 232, 196}}});
    asset_palette[PAL_GROUND] = {88, 62, 40};
    asset_palette[PAL_WHITE] = {255, 255, 255};
}

void palette_entries_of(PALETTEENTRY* entries) {
    for (int i = 0; i < 256; ++i)
        entries[i] = {asset_palette[i].r, asset_palette[i].g, asset_palette[i].b, PC_NOCOLLAPSE};
}
