// The contact sheet and the level previews. Pictures are placed on a grey
// checkerboard (so that index 0 shows) and labelled with captions; the level
// previews stamp the sprites where the levels put them at their start.
// No globals. Needs the headless PNG writer, captions.h, canvas.h and palette.h.
#include "contact_sheet.h"

#include <cstdio>

#include "captions.h"
#include "platform/formats/png_file.h"

namespace {

const Canvas* find(const std::vector<NamedCanvas>& pictures, const char* name) {
    for (const NamedCanvas& p : pictures)
        if (p.name == name) return &p.canvas;
    return nullptr;
}

void checker(Canvas& c, int x, int y, int w, int h) {
    for (int row = y; row < y + h; ++row)
        for (int col = x; col < x + w; ++col)
            canvas_put(c, col, row,
                       ((row >> 3) + (col >> 3)) & 1 ? RAMP_GREY.at(6) : RAMP_GREY.at(7));
}

// puts a picture on the checkerboard with its label above; returns its right edge
int place(Canvas& sheet, const Canvas& pic, int x, int y, const char* label) {
    CaptionStyle s;
    s.size = 14;
    s.outline = 1;
    caption_draw(sheet, label, x, y - 20, ALIGN_LEFT, s);
    checker(sheet, x, y, pic.width, pic.height);
    canvas_blit(sheet, pic, x, y, true);
    return x + pic.width;
}

void stamp(Canvas& dst, const Canvas* src, int x, int y, int w = 0, int h = 0) {
    if (!src) return;
    if (w > 0) {
        canvas_blit(dst, canvas_scaled(*src, w, h), x, y, true);
    } else {
        canvas_blit(dst, *src, x, y, true);
    }
}

struct Strip {
    const char* sprite;
    int count, x, y, dx, dy;
};

void stamp_strips(Canvas& c, const std::vector<NamedCanvas>& pics, const Strip* s, int n) {
    for (int k = 0; k < n; ++k) {
        Canvas small = canvas_scaled(*find(pics, s[k].sprite), 30, 30);
        for (int i = 0; i < s[k].count; ++i)
            canvas_blit(c, small, s[k].x + s[k].dx * i, s[k].y + s[k].dy * i, true);
    }
}

}  // namespace

int write_canvas_png(const char* path, const Canvas& c) {
    if (c.width < 1) return 0;
    std::uint8_t rgb[256 * 3];
    for (int i = 0; i < 256; ++i) {
        rgb[i * 3] = asset_palette[i].r;
        rgb[i * 3 + 1] = asset_palette[i].g;
        rgb[i * 3 + 2] = asset_palette[i].b;
    }
    return write_png8(path, c.pixels.data(), c.width, c.width, c.height, rgb);
}

int write_contact_sheet(const char* path, const std::vector<NamedCanvas>& pictures,
                        const std::vector<Canvas>& player_frames) {
    Canvas sheet = make_canvas(1720, 2580, RAMP_GREY.at(2));
    int x = 20;
    for (const NamedCanvas& p : pictures)
        if (p.canvas.width == 1280)
            x = place(sheet, canvas_scaled(p.canvas, 320, 256), x, 40, p.name.c_str()) + 20;
    for (std::size_t i = 0; i < player_frames.size(); ++i) {
        std::string label = std::to_string(i);
        place(sheet, player_frames[i], 20 + static_cast<int>(i % 8) * 84,
              340 + static_cast<int>(i / 8) * 100, label.c_str());
    }
    const char* small[] = {"PAINT.BMP", "Platform.BMP", "trapdoor.BMP", "Door.BMP", "Wall.BMP"};
    x = 720;
    for (const char* name : small)
        if (const Canvas* c = find(pictures, name)) x = place(sheet, *c, x, 340, name) + 24;
    const char* spikes[] = {"spikeup.BMP", "spikeright.BMP", "SpikeDown.BMP", "spikeleft.BMP"};
    x = 720;
    for (const char* name : spikes)
        if (const Canvas* c = find(pictures, name)) {
            place(sheet, canvas_scaled(*c, 200, 200), x, 580, name);
            Canvas s30 = canvas_scaled(*c, 30, 30);
            place(sheet, s30, x, 810, "30x30");
            place(sheet, canvas_scaled(s30, 120, 120), x + 60, 810, "zoomed");
            x += 230;
        }
    if (const Canvas* wall = find(pictures, "Wall.BMP"))
        place(sheet, canvas_scaled(*wall, 300, 600), 20, 1140, "Wall 300x600");
    for (int level = 1; level <= 3; ++level) {
        Canvas preview = level_preview(level, pictures, player_frames);
        if (preview.width == 0) continue;
        char label[32];
        std::snprintf(label, sizeof label, "level %d", level);
        place(sheet, canvas_scaled(preview, 426, 341), 350 + (level - 1) * 450, 1140, label);
        // details at twice the size: the spikes and the player where they meet the scenery
        if (level == 1)
            place(sheet, canvas_scaled(canvas_crop(preview, 540, 270, 400, 280), 800, 560), 350,
                  1780, "level 1 detail x2");
        if (level == 3)
            place(sheet, canvas_scaled(canvas_crop(preview, 0, 740, 280, 284), 560, 568), 1170,
                  1780, "level 3 detail x2");
    }
    // a walk, a leap and a tumble at twice the size
    const int zoomed[11] = {0, 1, 2, 3, 4, 5, 6, 7, 16, 19, 24};
    for (int i = 0; i < 11 && player_frames.size() == 32; ++i)
        place(sheet, canvas_scaled(player_frames[zoomed[i]], 144, 148), 20 + i * 154, 2410,
              std::to_string(zoomed[i]).c_str());
    return write_canvas_png(path, sheet);
}

Canvas level_preview(int level, const std::vector<NamedCanvas>& pics,
                     const std::vector<Canvas>& frames) {
    const char* needed[] = {"LANDSCAPE3.BMP", "Platform.BMP", "trapdoor.BMP",
                            "Wall.BMP",       "Door.BMP",     "spikeleft.BMP",
                            "spikeright.BMP", "spikeup.BMP",  "SpikeDown.BMP"};
    for (const char* n : needed)
        if (!find(pics, n)) return Canvas{};
    if (frames.size() < 32 || level < 1 || level > 3) return Canvas{};
    Canvas c = *find(pics, "LANDSCAPE3.BMP");
    const Canvas* plat = find(pics, "Platform.BMP");
    const Canvas* trap = find(pics, "trapdoor.BMP");
    const Canvas* wall = find(pics, "Wall.BMP");
    const Canvas* door = find(pics, "Door.BMP");
    if (level == 1) {
        const int px[11] = {400, 200, 0, 200, 0, 400, 600, 800, 1000, 1180, 1000};
        const int py[11] = {604, 484, 334, 184, 84, 184, 84, 84, 184, 334, 484};
        for (int i = 0; i < 11; ++i) stamp(c, plat, px[i], py[i]);
        stamp(c, &frames[0], 16, 867);
        stamp(c, door, 1200, 824);
        const Strip s[] = {{"spikeleft.BMP", 20, 570, 904, 0, -30},
                           {"spikeright.BMP", 20, 900, 904, 0, -30},
                           {"spikeup.BMP", 10, 600, 304, 30, 0}};
        stamp_strips(c, pics, s, 3);
        stamp(c, wall, 600, 334, 300, 600);
        stamp(c, &frames[16], 250, 500);
    } else if (level == 2) {
        stamp(c, door, 1100, 200);
        const Strip s[] = {{"spikeleft.BMP", 12, 250, 220, 0, 30},
                           {"spikeleft.BMP", 12, 700, 70, 0, 30},
                           {"spikeup.BMP", 6, 280, 190, 30, 0},
                           {"spikeup.BMP", 20, 460, 896, 30, 0},
                           {"SpikeDown.BMP", 6, 730, 430, 30, 0}};
        stamp_strips(c, pics, s, 5);
        for (int x : {100, 600, 900}) stamp(c, trap, x, 600);
        for (int i = 0; i < 4; ++i) {
            stamp(c, wall, 280, 220 + 180 * i);
            stamp(c, wall, 730, 250 - 180 * i);
            stamp(c, wall, 1030, 295 + 180 * i);
            stamp(c, wall, 1210, 295 + 180 * i);
        }
        for (int x : {100, 1030, 1130}) stamp(c, plat, x, x == 100 ? 150 : 260);
        stamp(c, &frames[1], 100, 867);
    } else {
        stamp(c, door, 1160, 830);
        const Strip s[] = {
            {"spikeright.BMP", 25, 0, 170, 0, 30},  {"spikeright.BMP", 17, 1090, 400, 0, 30},
            {"spikeright.BMP", 19, 460, 0, 0, 30},  {"spikeleft.BMP", 19, 250, 0, 0, 30},
            {"spikeleft.BMP", 17, 880, 400, 0, 30}, {"spikeleft.BMP", 30, 1250, 0, 0, 30},
            {"spikeup.BMP", 6, 910, 370, 30, 0},    {"spikeup.BMP", 30, 0, 900, 30, 0},
            {"SpikeDown.BMP", 6, 280, 580, 30, 0}};
        stamp_strips(c, pics, s, 9);
        const int tx[5] = {40, 170, 400, 700, 550}, ty[5] = {800, 400, 700, 800, 350};
        for (int i = 0; i < 5; ++i) stamp(c, trap, tx[i], ty[i]);
        for (int i = 0; i < 4; ++i) {
            stamp(c, wall, 280, 400 - 180 * i);
            stamp(c, wall, 910, 400 + 180 * i);
        }
        stamp(c, plat, 700, 150);
        stamp(c, plat, 20, 100);
        stamp(c, &frames[24], 50, 40);
    }
    return c;
}
