// The one palette that every asset shares: index 0 black (the transparent colour
// of sprites), index 116 the ground colour, and ramps of shades for the art.
// Owns the palette table asset_palette. Needs gdi.h for the entry record.
#pragma once

#include <cstdint>

#include "platform/system/gdi.h"

struct Rgb {
    std::uint8_t r, g, b;
};

// ---- fixed indices ----------------------------------------------------------

constexpr int PAL_TRANSPARENT = 0;  // black; never drawn in sprites
constexpr int PAL_GROUND = 116;     // the colour that marks ground in the level picture

// ---- ramps: first index and count, darkest first ----------------------------

struct Ramp {
    int first;  // palette index of the darkest shade
    int count;  // number of shades
    // the palette index of shade s, clamped to 0 .. count - 1
    constexpr int at(int s) const { return first + (s < 0 ? 0 : s >= count ? count - 1 : s); }
};

constexpr Ramp RAMP_GREY{1, 15};     // near black to white
constexpr Ramp RAMP_SKY{16, 16};     // night blue to pale horizon
constexpr Ramp RAMP_STONE{32, 16};   // dark slate to light sandstone
constexpr Ramp RAMP_WOOD{48, 16};    // dark brown to pale timber
constexpr Ramp RAMP_METAL{64, 16};   // blued steel to white highlight
constexpr Ramp RAMP_SKIN{80, 12};    // shadowed to lit skin
constexpr Ramp RAMP_HAIR{92, 4};     // dark auburn hair
constexpr Ramp RAMP_LEAF{96, 16};    // deep forest to yellow-green
constexpr Ramp RAMP_SOIL{112, 4};    // dark soil, never the ground colour
constexpr Ramp RAMP_CLAY{117, 11};   // clay and brick
constexpr Ramp RAMP_FIRE{128, 16};   // ember red to white-hot
constexpr Ramp RAMP_CLOTH{144, 16};  // the hero's blue tunic
constexpr Ramp RAMP_SCARF{160, 16};  // crimson
constexpr Ramp RAMP_GOLD{176, 16};   // bronze to pale gold
constexpr Ramp RAMP_DUSK{192, 16};   // violet dusk to rose
constexpr Ramp RAMP_INK{208, 16};    // caption ink: outline dark to cream
constexpr Ramp RAMP_HILL{224, 16};   // distant blue-green hills
constexpr Ramp RAMP_PAPER{240, 15};  // parchment, dark edge to light
constexpr int PAL_WHITE = 255;       // pure white

// ---- the table --------------------------------------------------------------

extern Rgb asset_palette[256];  // the shared colours, filled by build_palette

// fills asset_palette; the same colours on every call
void build_palette();
// copies the 256 colours into entries with the flags PC_NOCOLLAPSE, as the
// bitmap loader gives them
void palette_entries_of(PALETTEENTRY* entries);
