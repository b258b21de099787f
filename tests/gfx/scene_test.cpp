// A frame drawn the way the game draws one, asserted on its pixels and written
// as scene.png in the test's working directory (the build tree) for a person to
// look at.
#include <cmath>

#include "display_fixture.h"
#include "gfx/bob.h"
#include "gfx/palette.h"
#include "gfx/text.h"
#include "platform/formats/png_file.h"
#include "raster/bitmap.h"
#include "test_util.h"

namespace {

constexpr int kGround = 116;  // the palette index the game stands on

// Writes an 8-bit bottom-up bitmap file of w x h with pixel (x, y) = f(x, y).
template <typename F>
void write_bmp(const std::string& path, int w, int h, const PALETTEENTRY* pal, F f) {
    int stride = (w + 3) / 4 * 4;
    std::string s = "BM";
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i) & 255);
    };
    auto u16 = [&](int v) {
        s += static_cast<char>(v & 255);
        s += static_cast<char>(v >> 8 & 255);
    };
    u32(1078 + stride * h);
    u32(0);
    u32(1078);
    u32(40);
    u32(w);
    u32(h);
    u16(1);
    u16(8);
    for (int i = 0; i < 6; ++i) u32(0);
    for (int i = 0; i < 256; ++i) {
        s += static_cast<char>(pal[i].peBlue);
        s += static_cast<char>(pal[i].peGreen);
        s += static_cast<char>(pal[i].peRed);
        s += '\0';
    }
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < stride; ++x) s += static_cast<char>(x < w ? f(x, y) : 0);
    }
    write_file(path, s);
}

void make_palette(PALETTEENTRY* pal) {
    for (int i = 0; i < 256; ++i) pal[i] = {0, 0, 0, 0};
    for (int i = 1; i < 100; ++i) {  // sky, dark blue to light
        pal[i] = {static_cast<std::uint8_t>(40 + i), static_cast<std::uint8_t>(80 + i),
                  static_cast<std::uint8_t>(150 + i), 0};
    }
    for (int i = 100; i < 116; ++i)
        pal[i] = {static_cast<std::uint8_t>(60 + 8 * (i - 100)), 40, 20, 0};
    pal[kGround] = {40, 160, 40, 0};
    for (int i = 120; i < 136; ++i)
        pal[i] = {200, static_cast<std::uint8_t>(20 + 10 * (i - 120)), 20, 0};
    pal[140] = {230, 230, 230, 0};
    pal[141] = {120, 120, 130, 0};
    pal[142] = {30, 30, 30, 0};
    pal[250] = {255, 255, 255, 0};
    pal[251] = {255, 255, 0, 0};
    pal[252] = {255, 0, 0, 0};
    pal[253] = {205, 140, 0, 0};
}

// The background: sky bands above a ground line with a brown hill.
int background(int x, int y) {
    int ground = 860 - static_cast<int>(60 * std::sin(x / 150.0));
    if (y > ground) return 100 + (y / 20) % 16;
    if (y >= ground - 4) return kGround;
    return 1 + y * 98 / 1024;
}

// The sprite sheet: cell (0, 0) is a 72 x 74 figure on key 0; the 400 x 400 block
// at (0, 80) is a spike, a grey triangle on key 0.
int sheet(int x, int y) {
    if (y < 76) {
        int cx = x - 1, cy = y - 1;
        if (cx < 0 || cy < 0 || cx >= 72 || cy >= 74) return 0;
        int dx = cx - 36, dy = cy - 22;
        if (dx * dx + dy * dy < 14 * 14) return 140;                           // head
        if (cy >= 36 && cy < 72 && cx >= 20 && cx < 52) return 120 + cy % 16;  // body
        return 0;
    }
    int sy = y - 80;
    if (x >= 400 || sy < 0 || sy >= 400) return 0;
    int half = sy / 2;  // a triangle pointing up
    if (x >= 200 - half && x < 200 + half) return x < 200 ? 141 : 142;
    return 0;
}

}  // namespace

TEST_F(DisplayTest, SceneDrawnAsTheGameDrawsIt) {
    PALETTEENTRY pal[256];
    make_palette(pal);
    std::string bg_path = temp_path("landscape.bmp");
    std::string sheet_path = temp_path("sheet.bmp");
    write_bmp(bg_path, 1280, 1024, pal, background);
    write_bmp(sheet_path, 402, 482, pal, sheet);

    // Start-up: the background becomes an image, the palette comes from its file,
    // the sprites are cut from their sheet.
    BitmapFile file{};
    BitmapImage landscape{};
    ASSERT_EQ(1, load_bitmap_file(&file, bg_path.c_str()));
    ASSERT_EQ(1, create_image(&landscape, 0, 0, 1280, 1024, 8));
    ASSERT_EQ(1, load_image8(&landscape, &file, 0, 0, 1));
    unload_bitmap_file(&file);
    set_palette(file.palette);
    ASSERT_EQ(1, load_bitmap_file(&file, sheet_path.c_str()));
    Bob player{}, spike{};
    ASSERT_EQ(1, bob_create(&player, 600, 700, 72, 74, 1, 20, DDSCAPS_SYSTEMMEMORY, 0, 8));
    ASSERT_EQ(1, bob_load_frame8(&player, &file, 0, 0, 0, 0));
    ASSERT_EQ(1, bob_create(&spike, 0, 0, 400, 400, 1, 20, DDSCAPS_SYSTEMMEMORY, 0, 8));
    ASSERT_EQ(1, bob_load_frame8(&spike, &file, 0, 0, 80, 1));
    unload_bitmap_file(&file);
    RECT screen{0, 0, 1280, 1024};
    back_clipper = attach_clipper(back_surface, 1, &screen);

    // One frame.
    fill_surface(back_surface, 0, nullptr);
    ASSERT_NE(nullptr, lock_back());
    ASSERT_EQ(1, draw_image8(&landscape, back_pixels, back_pitch, 0));
    unlock_back();
    ASSERT_EQ(1, bob_draw(&player, back_surface));
    Bob bobptr{};
    for (int i = 0; i < 20; ++i) {  // a strip of spikes shrunk to 30 x 30
        bob_clone(&spike, &bobptr);
        bobptr.x = static_cast<float>(300 + 30 * i);
        bobptr.y = 830;
        ASSERT_EQ(1, bob_draw_scaled(&bobptr, 30, 30, back_surface));
        bob_destroy(&bobptr);
    }
    struct Place {
        float x, y;
    };
    for (Place p :
         {Place{-36, 400}, Place{1280 - 36, 400}, Place{900, -37}, Place{900, 1024 - 37}}) {
        player.x = p.x;
        player.y = p.y;
        ASSERT_EQ(1, bob_draw(&player, back_surface));
    }
    ASSERT_EQ(1, draw_text_rgb("DEATHS: 3", 8, 8, 0xFFFFFF, back_surface));
    ASSERT_EQ(1, draw_text_rgb("POWER", 200, 8, 0xFFFF, back_surface));
    ASSERT_EQ(1, draw_text_rgb("DANGER", 400, 8, 0xFF, back_surface));
    ASSERT_EQ(1, draw_text_rgb("CHARGING", 600, 8, 0x8CCD, back_surface));
    ASSERT_EQ(1, flip_display());

    ASSERT_NE(nullptr, lock_front());
    auto at = [&](int x, int y) { return int{front_pixels[y * front_pitch + x]}; };
    // The background is drawn opaque; the sprite's key lets it through.
    EXPECT_EQ(background(5, 300), at(5, 300));
    EXPECT_EQ(background(601, 701), at(601, 701)) << "key 0 around the figure";
    EXPECT_EQ(140, at(600 + 36, 700 + 22));
    EXPECT_EQ(120 + 40 % 16, at(600 + 30, 700 + 40));
    // The shrunk spikes sample the 400 x 400 frame at the centres of 30 x 30 cells.
    for (int i = 0; i < 20; i += 7) {
        for (int y = 0; y < 30; y += 3) {
            for (int x = 0; x < 30; ++x) {
                int v = sheet((2 * x + 1) * 400 / 60, 80 + (2 * y + 1) * 400 / 60);
                int expect = v ? v : background(300 + 30 * i + x, 830 + y);
                ASSERT_EQ(expect, at(300 + 30 * i + x, 830 + y)) << i << ":" << x << "," << y;
            }
        }
    }
    // Half off each edge: the visible half is the sprite's own half.
    EXPECT_EQ(140, at(0, 400 + 22)) << "left: column 36 of the figure at x 0";
    EXPECT_EQ(140, at(1279, 400 + 22)) << "right: column 35 at x 1279";
    EXPECT_EQ(120 + 40 % 16, at(900 + 30, 3)) << "top: row 40 at y 3";
    EXPECT_EQ(140, at(900 + 36, 1024 - 37 + 22)) << "bottom: row 22";
    EXPECT_EQ(background(900 + 10, 1023), at(900 + 10, 1023)) << "key beside the body";
    // Text in the four colours, nowhere else in the HUD line.
    int counts[4] = {};
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 1280; ++x) {
            int v = at(x, y);
            if (v >= 250 && v <= 253) ++counts[v - 250];
            if (v >= 250) {
                ASSERT_TRUE(y >= 8 && y < 24) << x << "," << y;
            }
        }
    }
    for (int c : counts) EXPECT_GT(c, 40);

    std::uint8_t rgb[768];
    for (int i = 0; i < 256; ++i) {
        rgb[3 * i] = palette_entries[i].peRed;
        rgb[3 * i + 1] = palette_entries[i].peGreen;
        rgb[3 * i + 2] = palette_entries[i].peBlue;
    }
    EXPECT_EQ(1, write_png8("scene.png", front_pixels, front_pitch, 1280, 1024, rgb));
    unlock_front();
    destroy_image(&landscape);
}
