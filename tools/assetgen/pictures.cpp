// The full-screen pictures, built from shared scenery: a dithered sky, stars,
// a moon, mountain ranges, the tower of Vantorel, hills with pines, and text
// panels. Every shape uses the shared ramps; only the level floor uses the
// ground colour. No globals. Needs canvas.h, sprites.h and captions.h.
#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "captions.h"
#include "sprites.h"

namespace {

// the 4 x 4 ordered-dither thresholds, 0..15
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

void stars(Canvas& c, std::uint32_t seed, int count, int bottom) {
    Rng rng{seed};
    for (int i = 0; i < count; ++i) {
        int x = rng.range(0, SCREEN_W - 1), y = rng.range(0, bottom);
        int bright = rng.range(9, 14);
        canvas_put(c, x, y, RAMP_GREY.at(bright));
        if (rng.range(0, 9) == 0) {
            canvas_put(c, x - 1, y, RAMP_GREY.at(bright - 4));
            canvas_put(c, x + 1, y, RAMP_GREY.at(bright - 4));
            canvas_put(c, x, y - 1, RAMP_GREY.at(bright - 4));
            canvas_put(c, x, y + 1, RAMP_GREY.at(bright - 4));
        }
    }
}

void moon(Canvas& c, int x, int y, int r, const Ramp& sky, int sky_shade) {
    canvas_ellipse(c, x, y, r * 1.7, r * 1.7, sky.at(sky_shade + 1));
    canvas_ellipse(c, x, y, r * 1.3, r * 1.3, sky.at(sky_shade + 2));
    canvas_ellipse(c, x, y, r, r, RAMP_PAPER.at(13));
    canvas_ellipse(c, x + r * 0.18, y + r * 0.1, r * 0.86, r * 0.9, RAMP_PAPER.at(14));
    Rng rng{0x300Du};
    for (int i = 0; i < 7; ++i) {
        double a = rng.range(0, 4095), d = rng.range(10, 60) * r / 100.0;
        double cr = rng.range(6, 16) * r / 100.0;
        canvas_ellipse(c, x + d * turn_cos(static_cast<int>(a)),
                       y + d * turn_sin(static_cast<int>(a)), cr, cr, RAMP_PAPER.at(11));
    }
}

// a ridge of peaks from x 0 to the picture's width, filled down to bottom
void ridge(Canvas& c, std::uint32_t seed, int base, int rise, int step, int bottom, int colour) {
    Rng rng{seed};
    std::vector<Pt> pts;
    pts.push_back({0, static_cast<double>(bottom)});
    for (int x = -step; x <= SCREEN_W + step; x += step) {
        pts.push_back({static_cast<double>(x), static_cast<double>(base - rng.range(0, rise))});
        pts.push_back({x + step / 2.0, static_cast<double>(base - rng.range(0, rise / 3))});
    }
    pts.push_back({static_cast<double>(SCREEN_W), static_cast<double>(bottom)});
    canvas_polygon(c, pts.data(), static_cast<int>(pts.size()), colour);
}

// rolling hills: a smooth curve of the sum of two waves, filled down to bottom
void hills(Canvas& c, int base, int amp, int wave, int bottom, int colour) {
    std::vector<Pt> pts;
    pts.push_back({0, static_cast<double>(bottom)});
    for (int x = 0; x <= SCREEN_W; x += 8)
        pts.push_back(
            {static_cast<double>(x), base + amp * turn_sin(x * 4096 / wave) +
                                         amp * 0.4 * turn_sin(x * 4096 / (wave / 3) + 700)});
    pts.push_back({static_cast<double>(SCREEN_W), static_cast<double>(bottom)});
    canvas_polygon(c, pts.data(), static_cast<int>(pts.size()), colour);
}

void pine(Canvas& c, int x, int base, int h, int dark, int light) {
    canvas_rect(c, x - 2, base - h / 5, 5, h / 5, RAMP_WOOD.at(1));
    for (int k = 0; k < 3; ++k) {
        double top = base - h + k * h * 0.22, bot = base - h / 5.0 - (2 - k) * h * 0.12;
        double half = h * (0.18 + 0.08 * k);
        canvas_triangle(c, {x - half, bot}, {static_cast<double>(x), top}, {x + half, bot}, dark);
        canvas_triangle(c, {static_cast<double>(x), top}, {x + half, bot}, {x + half * 0.3, bot},
                        light);
    }
}

void forest(Canvas& c, std::uint32_t seed, int base, int count, int hmin, int hmax, int dark,
            int light) {
    Rng rng{seed};
    for (int i = 0; i < count; ++i) {
        int x = rng.range(0, SCREEN_W);
        pine(c, x, base + rng.range(0, 30), rng.range(hmin, hmax), dark, light);
    }
}

// a radial glow of the ramp from shade hi at the centre to lo at radius r, dithered
void glow(Canvas& c, int cx, int cy, int r, const Ramp& ramp, int lo, int hi) {
    for (int y = std::max(0, cy - r); y < std::min(c.height, cy + r); ++y)
        for (int x = std::max(0, cx - r); x < std::min(c.width, cx + r); ++x) {
            long long d2 = static_cast<long long>(x - cx) * (x - cx) +
                           static_cast<long long>(y - cy) * (y - cy);
            if (d2 >= static_cast<long long>(r) * r) continue;
            int d = static_cast<int>(std::sqrt(static_cast<double>(d2)));
            int pos = (hi * 16) - (hi - lo) * 16 * d / r;  // shade in 1/16 steps
            int s = pos >> 4;
            if ((pos & 15) > kBayer[y & 3][x & 3]) ++s;
            int cover = 48 * (r - d) / r;  // over 15 in the inner two thirds
            if (cover > kBayer[(y + 1) & 3][(x + 2) & 3]) canvas_put(c, x, y, ramp.at(s));
        }
}

// takes the rows from top down to bottom of src over c, more of them towards the
// bottom, by an ordered dither, and every row below bottom wholly
void blend_rows(Canvas& c, const Canvas& src, int top, int bottom) {
    for (int y = std::max(0, top); y < std::min(c.height, src.height); ++y)
        for (int x = 0; x < std::min(c.width, src.width); ++x) {
            int share = y >= bottom ? 16 : 16 * (y - top) / std::max(1, bottom - top);
            if (share > kBayer[y & 3][x & 3]) canvas_put(c, x, y, canvas_get(src, x, y));
        }
}

// the tower of Vantorel: a tapering stone shaft with windows and the beacon cup
void tower(Canvas& c, int cx, int base, int height, int body, int edge, bool lit) {
    int top = base - height;
    double wb = height * 0.11, wt = height * 0.075;
    Pt shaft[4] = {{cx - wb, static_cast<double>(base)},
                   {cx - wt, static_cast<double>(top)},
                   {cx + wt, static_cast<double>(top)},
                   {cx + wb, static_cast<double>(base)}};
    canvas_polygon(c, shaft, 4, body);
    Pt side[4] = {{cx + wb * 0.45, static_cast<double>(base)},
                  {cx + wt * 0.45, static_cast<double>(top)},
                  {cx + wt, static_cast<double>(top)},
                  {cx + wb, static_cast<double>(base)}};
    canvas_polygon(c, side, 4, edge);
    // floors: seventeen bands with a window each, the upper ones lit
    for (int f = 0; f < 17; ++f) {
        double y = base - (f + 0.6) * height / 17.5;
        double w = wb + (wt - wb) * (base - y) / height;
        canvas_rect(c, static_cast<int>(cx - w), static_cast<int>(y + height / 35.0),
                    static_cast<int>(2 * w), 2, edge);
        int win = f % 3 == 1 ? RAMP_FIRE.at(lit ? 11 : 7) : RAMP_GREY.at(0);
        canvas_rect(c, cx - 3 - static_cast<int>(w * 0.3), static_cast<int>(y - 4), 5, 8, win);
    }
    // battlements and the beacon cup
    int bw = static_cast<int>(wt * 1.5);
    canvas_rect(c, cx - bw, top - 14, 2 * bw, 16, body);
    for (int k = -bw; k < bw; k += 12) canvas_rect(c, cx + k, top - 24, 7, 12, body);
    Pt cup[4] = {{cx - bw * 0.8, top - 24.0},
                 {cx + bw * 0.8, top - 24.0},
                 {cx + bw * 0.4, top - 10.0},
                 {cx - bw * 0.4, top - 10.0}};
    canvas_polygon(c, cup, 4, edge);
    if (lit) {
        glow(c, cx, top - 40, 130, RAMP_FIRE, 0, 6);
        canvas_ellipse(c, cx, top - 38, 16, 24, RAMP_FIRE.at(10));
        canvas_ellipse(c, cx, top - 32, 9, 14, RAMP_FIRE.at(14));
        canvas_polygon(c, cup, 4, edge);
    }
}

// text lines in the largest size up to size that fits width, centred at x
void text_block(Canvas& c, const char* const* lines, int n, int x, int y, int width, int size,
                int gap, const CaptionStyle& base) {
    CaptionStyle s = base;
    for (s.size = size; s.size > 12; --s.size) {
        bool fits = true;
        for (int i = 0; i < n; ++i) fits = fits && caption_width(lines[i], s) <= width;
        if (fits) break;
    }
    for (int i = 0; i < n; ++i)
        caption_draw(c, lines[i], x, y + i * (s.size + gap), ALIGN_CENTRE, s);
}

CaptionStyle style(int face, int size, const Ramp& ink, int top, int outline, int shadow) {
    CaptionStyle s;
    s.face = face;
    s.size = size;
    s.ink = ink;
    s.top_shade = top;
    s.outline = outline;
    s.outline_colour = RAMP_INK.at(0);
    s.shadow = shadow;
    return s;
}

void prompt(Canvas& c, const char* text, int y) {
    caption_draw(c, text, SCREEN_W / 2, y, ALIGN_CENTRE,
                 style(CAPTION_SANS, 40, RAMP_GOLD, 14, 3, 3));
}

void panel(Canvas& c, int x, int y, int w, int h) {
    canvas_rect(c, x - 6, y - 6, w + 12, h + 12, RAMP_INK.at(0));
    canvas_rect(c, x - 3, y - 3, w + 6, h + 6, RAMP_GOLD.at(8));
    canvas_rect(c, x, y, w, h, RAMP_INK.at(1));
}

void stamp_scaled(Canvas& c, const Canvas& src, int x, int y, int factor) {
    canvas_blit(c, canvas_scaled(src, src.width * factor, src.height * factor), x, y, true);
}

// ---- the pictures -----------------------------------------------------------

Canvas title() {
    Canvas c = make_canvas(SCREEN_W, SCREEN_H);
    canvas_vgradient(c, 0, 0, SCREEN_W, 760, RAMP_DUSK, 0, 9);
    stars(c, 0x7171E5u, 260, 520);
    moon(c, 1010, 400, 92, RAMP_DUSK, 4);
    ridge(c, 0xA11u, 640, 170, 90, 900, RAMP_HILL.at(4));
    ridge(c, 0xA12u, 720, 90, 60, 900, RAMP_HILL.at(2));
    tower(c, 300, 850, 420, RAMP_STONE.at(2), RAMP_STONE.at(4), true);
    hills(c, 850, 26, 900, SCREEN_H, RAMP_LEAF.at(1));
    forest(c, 0xF0Eu, 830, 26, 60, 120, RAMP_LEAF.at(0), RAMP_LEAF.at(2));
    hills(c, 930, 16, 1300, SCREEN_H, RAMP_LEAF.at(0));
    stamp_scaled(c, player_frame(0), 560, 946 - 2 * 62, 2);
    caption_draw(c, "Vantorel 17", SCREEN_W / 2, 70, ALIGN_CENTRE,
                 style(CAPTION_SERIF, 168, RAMP_GOLD, 15, 6, 8));
    caption_draw(c, "The Seventeen Halls", SCREEN_W / 2, 290, ALIGN_CENTRE,
                 style(CAPTION_SERIF, 48, RAMP_INK, 15, 3, 3));
    prompt(c, "Press Enter to begin", 950);
    return c;
}

Canvas story_one() {
    Canvas c = make_canvas(SCREEN_W, SCREEN_H, RAMP_INK.at(0));
    Canvas art = make_canvas(1040, 520);
    canvas_vgradient(art, 0, 0, 1040, 520, RAMP_SKY, 0, 5);
    Rng rng{0x5707u};
    for (int i = 0; i < 22; ++i)
        canvas_ellipse(art, rng.range(-50, 1090), rng.range(20, 170), rng.range(60, 150),
                       rng.range(22, 48), RAMP_HILL.at(rng.range(1, 3)));
    ridge(art, 0xB1u, 380, 110, 70, 520, RAMP_HILL.at(3));
    tower(art, 640, 470, 380, RAMP_STONE.at(1), RAMP_STONE.at(3), false);
    hills(art, 460, 14, 700, 520, RAMP_LEAF.at(1));
    for (int i = 0; i < 260; ++i) {
        int x = rng.range(0, 1040), y = rng.range(0, 500);
        canvas_line(art, x, y, x - 6, y + 16, RAMP_SKY.at(9));
    }
    canvas_thick_line(art, {800, 60}, {770, 150}, 4, RAMP_GOLD.at(15));
    canvas_thick_line(art, {770, 150}, {800, 160}, 4, RAMP_GOLD.at(15));
    canvas_thick_line(art, {800, 160}, {760, 260}, 4, RAMP_GOLD.at(15));
    stamp_scaled(art, player_frame(8), 380, 470 - 3 * 62, 3);
    panel(c, 120, 60, 1040, 520);
    canvas_blit(c, art, 120, 60, false);
    const char* lines[] = {"For seventeen winters the beacon of Vantorel",
                           "burned above the valley. Tonight it went dark.",
                           "Mira, the lamplighter's apprentice, knows the old",
                           "way up: through the halls that guard the tower."};
    text_block(c, lines, 4, SCREEN_W / 2, 630, 1160, 44, 16,
               style(CAPTION_SANS, 44, RAMP_INK, 15, 2, 0));
    prompt(c, "Press Enter to continue", 950);
    return c;
}

Canvas story_two() {
    Canvas c = make_canvas(SCREEN_W, SCREEN_H, RAMP_INK.at(0));
    Canvas art = make_canvas(1040, 520);
    Canvas wall = wall_picture();
    for (int y = 0; y < 520; y += 180)
        for (int x = 0; x < 1040; x += 180) canvas_blit(art, wall, x, y, false);
    for (std::uint8_t& p : art.pixels) {
        bool stone = p >= RAMP_STONE.first && p < RAMP_STONE.first + RAMP_STONE.count;
        p = static_cast<std::uint8_t>(stone ? RAMP_STONE.at(std::max(1, p - RAMP_STONE.first - 4))
                                            : RAMP_STONE.at(1));
    }
    canvas_rect(art, 0, 470, 1040, 50, RAMP_SOIL.at(2));
    canvas_rect(art, 0, 470, 1040, 4, RAMP_SOIL.at(3));
    Canvas up = canvas_scaled(spike_picture(0), 40, 40);
    for (int x = 420; x < 760; x += 40) canvas_blit(art, up, x, 430, true);
    Canvas down = canvas_scaled(spike_picture(2), 40, 40);
    for (int x = 520; x < 760; x += 40) canvas_blit(art, down, x, 0, true);
    Canvas ledge = platform_picture();  // only the level picture may hold the ground colour
    canvas_replace(ledge, PAL_GROUND, RAMP_SOIL.at(3));
    stamp_scaled(art, ledge, 70, 280, 2);
    stamp_scaled(art, trapdoor_picture(), 560, 230, 2);
    stamp_scaled(art, door_picture(), 860, 270, 2);
    stamp_scaled(art, player_frame(17), 250, 150, 2);
    for (int k = 1; k < 12; ++k) {
        double t = k / 12.0;
        canvas_ellipse(art, 330 + 332 * t, 200 - 4 * t - 240 * t * (1 - t), 4, 4, RAMP_GOLD.at(14));
    }
    canvas_blit(art, pointer_picture(), 646, 180, true);
    panel(c, 120, 60, 1040, 520);
    canvas_blit(c, art, 120, 60, false);
    const char* lines[] = {"The halls keep climbers out: ledges give way,",
                           "walls push back and spikes line the floors.",
                           "Walk with the arrow keys. Hold the mouse button",
                           "to gather strength, let go to leap at the pointer."};
    text_block(c, lines, 4, SCREEN_W / 2, 630, 1160, 44, 16,
               style(CAPTION_SANS, 44, RAMP_INK, 15, 2, 0));
    prompt(c, "Press Enter to continue", 950);
    return c;
}

Canvas level_background() {
    Canvas c = make_canvas(SCREEN_W, SCREEN_H);
    canvas_vgradient(c, 0, 0, SCREEN_W, 760, RAMP_DUSK, 0, 8);
    stars(c, 0x1E7E1u, 180, 420);
    moon(c, 1040, 200, 56, RAMP_DUSK, 2);
    ridge(c, 0xC11u, 640, 150, 80, 900, RAMP_HILL.at(5));
    tower(c, 860, 720, 400, RAMP_HILL.at(2), RAMP_HILL.at(3), false);
    ridge(c, 0xC12u, 730, 70, 50, 900, RAMP_HILL.at(3));
    hills(c, 800, 22, 1000, SCREEN_H, RAMP_LEAF.at(2));
    forest(c, 0xF1Eu, 790, 30, 50, 100, RAMP_LEAF.at(1), RAMP_LEAF.at(3));
    hills(c, 872, 10, 1400, SCREEN_H, RAMP_LEAF.at(4));
    Rng rng{0x9A55u};
    for (int i = 0; i < 400; ++i)
        canvas_rect(c, rng.range(0, SCREEN_W), rng.range(880, 925), 2, rng.range(2, 5),
                    RAMP_LEAF.at(rng.range(3, 8)));
    for (int i = 0; i < 40; ++i)
        canvas_rect(c, rng.range(0, SCREEN_W), rng.range(885, 920), 2, 2,
                    i % 2 ? RAMP_GOLD.at(13) : RAMP_SCARF.at(11));
    canvas_rect(c, 0, 920, SCREEN_W, FLOOR_TOP_ROW - 920, RAMP_SOIL.at(3));
    for (int x = 0; x < SCREEN_W; x += 4)
        canvas_rect(c, x, 916 + (x * 7 % 5), 3, 6, RAMP_LEAF.at(5));
    // a stone threshold under the exits of levels 1 and 3
    canvas_rect(c, 1150, 923, 130, 7, RAMP_STONE.at(2));
    canvas_rect(c, 1152, 924, 128, 3, RAMP_STONE.at(7));
    canvas_rect(c, 0, FLOOR_TOP_ROW, SCREEN_W, SCREEN_H - FLOOR_TOP_ROW, PAL_GROUND);
    return c;
}

Canvas ending() {
    Canvas c = make_canvas(SCREEN_W, SCREEN_H);
    canvas_vgradient(c, 0, 0, SCREEN_W, 480, RAMP_DUSK, 3, 13);
    Canvas dawn = make_canvas(SCREEN_W, 760);
    canvas_vgradient(dawn, 0, 300, SCREEN_W, 460, RAMP_FIRE, 8, 12);
    blend_rows(c, dawn, 300, 480);
    glow(c, 620, 700, 260, RAMP_FIRE, 9, 15);
    ridge(c, 0xE11u, 660, 150, 90, 900, RAMP_DUSK.at(5));
    ridge(c, 0xE12u, 730, 80, 60, 900, RAMP_DUSK.at(3));
    tower(c, 1110, 820, 380, RAMP_STONE.at(3), RAMP_STONE.at(5), true);
    hills(c, 830, 24, 900, SCREEN_H, RAMP_LEAF.at(3));
    forest(c, 0xF2Eu, 820, 24, 60, 110, RAMP_LEAF.at(1), RAMP_LEAF.at(4));
    hills(c, 920, 14, 1300, SCREEN_H, RAMP_LEAF.at(2));
    stamp_scaled(c, player_frame(24), 560, 905 - 2 * 62, 2);
    const char* head[] = {"The beacon burns again!"};
    text_block(c, head, 1, SCREEN_W / 2, 60, 1220, 96, 0,
               style(CAPTION_SERIF, 96, RAMP_GOLD, 15, 5, 6));
    const char* lines[] = {"Mira crossed the seventeen halls,",
                           "and the valley sees its light once more."};
    text_block(c, lines, 2, SCREEN_W / 2, 210, 1160, 44, 14,
               style(CAPTION_SANS, 44, RAMP_INK, 15, 3, 3));
    caption_draw(c, "You have won the game.", SCREEN_W / 2, 360, ALIGN_CENTRE,
                 style(CAPTION_SANS, 60, RAMP_INK, 15, 4, 4));
    prompt(c, "Press Escape to end the game", 950);
    return c;
}

}  // namespace

Canvas landscape(int n) {
    switch (n) {
        case 0:
            return title();
        case 1:
            return story_one();
        case 2:
            return story_two();
        case 3:
            return level_background();
        case 4:
            return ending();
        default:
            return Canvas{};
    }
}
