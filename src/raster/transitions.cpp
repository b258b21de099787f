// Screen transitions. Palette effects read the working palette with get_palette
// and give it back, changed, with set_palette, which sets the display palette
// too; wipes draw colour 0 into the memory they are given with the 8- or 16-bit
// lines and pixels chosen by display_bpp. Each step starts the frame clock and
// waits 12 ms. DISSOLVE takes its pixels from a xorshift generator seeded with
// DISSOLVE_SEED, without waits.
#include "raster/transitions.h"

#include <algorithm>
#include <iterator>

#include "gfx/display.h"
#include "gfx/palette.h"
#include "raster/lines.h"
#include "raster/spans.h"
#include "support/clock.h"

namespace {

using i64 = std::int64_t;

// ---- palette effects -----------------------------------------------------------

// How a palette effect changes each colour component per step: a fade to black
// takes 3 off a component above 4 and zeroes the rest; the others add a signed
// amount and keep the sum within 0..255.
struct PaletteEffect {
    int steps;
    int first_entry;  // entries first_entry..255 change
    bool to_black;
    int red, green, blue;
};

constexpr PaletteEffect kFadeBlack{80, 1, true, 0, 0, 0};
constexpr PaletteEffect kFadeWhite{64, 0, false, 4, 4, 4};
constexpr PaletteEffect kTintBlue{64, 0, false, -4, -4, 6};
constexpr PaletteEffect kTintRed{64, 0, false, 6, -4, -4};
constexpr PaletteEffect kTintGreen{64, 0, false, -4, 6, -4};

std::uint8_t change_component(std::uint8_t value, int amount, bool to_black) {
    if (to_black) return value > 4 ? static_cast<std::uint8_t>(value - 3) : 0;
    return static_cast<std::uint8_t>(std::clamp(value + amount, 0, 255));
}

// Each step reads the display palette, changes it, sets it and waits 12 ms.
void run_palette_effect(const PaletteEffect& e) {
    PALETTEENTRY work_palette[256];
    for (int step = 0; step < e.steps; ++step) {
        get_palette(work_palette);
        for (int i = e.first_entry; i < 256; ++i) {
            PALETTEENTRY& work_color = work_palette[i];
            work_color.peRed = change_component(work_color.peRed, e.red, e.to_black);
            work_color.peGreen = change_component(work_color.peGreen, e.green, e.to_black);
            work_color.peBlue = change_component(work_color.peBlue, e.blue, e.to_black);
        }
        set_palette(work_palette);
        start_clock();
        wait_clock(TRANSITION_STEP_MS);
    }
}

void fade_to_black(void*, int) {
    run_palette_effect(kFadeBlack);
}
void fade_to_white(void*, int) {
    run_palette_effect(kFadeWhite);
}
void tint_blue(void*, int) {
    run_palette_effect(kTintBlue);
}
void tint_red(void*, int) {
    run_palette_effect(kTintRed);
}
void tint_green(void*, int) {
    run_palette_effect(kTintGreen);
}

// ---- wipes --------------------------------------------------------------------

// The drawing of one pixel depth, colour 0 throughout: a full-length row or
// column and one unclipped pixel.
struct WipeDepth {
    int bpp;
    int bytes;  // per pixel
    void (*row)(int y, void* pixels, int pitch);
    void (*column)(int x, void* pixels, int pitch);
    void (*pixel)(int x, int y, void* pixels, int pitch);
};

constexpr WipeDepth kWipeDepths[] = {
    {8, 1,
     [](int y, void* p, int pitch) {
         hline8(0, display_width - 1, y, 0, static_cast<std::uint8_t*>(p), pitch);
     },
     [](int x, void* p, int pitch) {
         vline8(0, display_height - 1, x, 0, static_cast<std::uint8_t*>(p), pitch);
     },
     [](int x, int y, void* p, int pitch) {
         plot8(x, y, 0, static_cast<std::uint8_t*>(p), pitch);
     }},
    {16, 2,
     [](int y, void* p, int pitch) {
         hline16(0, display_width - 1, y, 0, static_cast<std::uint16_t*>(p), pitch);
     },
     [](int x, void* p, int pitch) {
         vline16(0, display_height - 1, x, 0, static_cast<std::uint16_t*>(p), pitch);
     },
     [](int x, int y, void* p, int pitch) {
         plot16(x, y, 0, static_cast<std::uint16_t*>(p), pitch);
     }},
};

// A wipe's target: the depth's drawing, or none when display_bpp has no
// drawing (the steps then wait without drawing). Memory that cannot hold one
// screen row at a drawing depth refuses the wipe.
struct Wipe {
    const WipeDepth* depth;
    void* pixels;
    int pitch;
    bool refused;

    void row(int y) const {
        if (depth) depth->row(y, pixels, pitch);
    }
    void column(int x) const {
        if (depth) depth->column(x, pixels, pitch);
    }
};

Wipe wipe_for(void* pixels, int pitch) {
    for (const WipeDepth& d : kWipeDepths) {
        if (d.bpp != display_bpp) continue;
        bool usable =
            pixels && display_width > 0 && pitch >= static_cast<i64>(display_width) * d.bytes;
        return {&d, pixels, pitch, !usable};
    }
    return {nullptr, pixels, pitch, false};
}

void step_wait() {
    start_clock();
    wait_clock(TRANSITION_STEP_MS);
}

void close_columns(void* pixels, int pitch) {
    Wipe w = wipe_for(pixels, pitch);
    if (w.refused) return;
    int width = display_width;
    for (int i = 0; i < width / 2; i += 2) {
        step_wait();
        w.column(width - 1 - i);
        w.column(i);
        w.column(width - 1 - (i + 1));
        w.column(i + 1);
    }
}

void close_rows(void* pixels, int pitch) {
    Wipe w = wipe_for(pixels, pitch);
    if (w.refused) return;
    int height = display_height;
    for (int i = 0; i < height / 2; i += 2) {
        step_wait();
        w.row(height - 1 - i);
        w.row(i);
        w.row(height - 1 - (i + 1));
        w.row(i + 1);
    }
}

// Rows and columns close in together; the rows start again from the edges once
// they have met (the columns take longer on a screen wider than high).
void close_box(void* pixels, int pitch) {
    Wipe w = wipe_for(pixels, pitch);
    if (w.refused) return;
    int width = display_width;
    int height = display_height;
    int half_height = height / 2;
    for (int i = 0; i < width / 2; i += 2) {
        step_wait();
        int r = half_height > 0 ? i % half_height : 0;
        w.row(height - 1 - r);
        w.row(r);
        w.row(height - 1 - (r + 1));
        w.row(r + 1);
        w.column(width - 1 - i);
        w.column(i);
        w.column(width - 1 - (i + 1));
        w.column(i + 1);
    }
}

// xorshift32: the one generator of the dissolve, restarted from DISSOLVE_SEED
// by every dissolve.
std::uint32_t next_random(std::uint32_t* state) {
    std::uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return *state = x;
}

void dissolve(void* pixels, int pitch) {
    Wipe w = wipe_for(pixels, pitch);
    int width = display_width;
    int height = display_height;
    if (w.refused || !w.depth || height < 1) return;
    std::uint32_t state = DISSOLVE_SEED;
    i64 count = 4 * static_cast<i64>(width) * height + 1;
    for (i64 i = 0; i < count; ++i) {
        int y = static_cast<int>(next_random(&state) % static_cast<std::uint32_t>(height));
        int x = static_cast<int>(next_random(&state) % static_cast<std::uint32_t>(width));
        w.depth->pixel(x, y, pixels, pitch);
    }
}

// The effects in the order of their numbers.
using Effect = void (*)(void*, int);
constexpr Effect kEffects[] = {fade_to_black, fade_to_white, close_columns, close_rows, dissolve,
                               close_box,     tint_blue,     tint_red,      tint_green};

}  // namespace

void screen_transition(int effect, void* pixels, int pitch) {
    if (effect < 0 || effect >= static_cast<int>(std::size(kEffects))) return;
    kEffects[effect](pixels, pitch);
}
