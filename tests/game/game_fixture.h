// A started game without asset files, on the virtual clock, whose level
// landscape and palette the test prepares: the floor (ground colour) fills
// rows 930..1023, everything else is colour 1. Input is fed directly.
#pragma once

#include <unistd.h>

#include <sys/stat.h>

#include <cstring>

#include "game/contacts.h"
#include "game/movement.h"
#include "game/screens.h"
#include "game/setup.h"
#include "game/world.h"
#include "gfx/display.h"
#include "gfx/palette.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/system/backend.h"
#include "shell/session.h"
#include "shell/winmain.h"
#include "support/clock.h"
#include "test_util.h"

class GameWorld : public ::testing::Test {
protected:
    static constexpr int kFloorTop = 930;

    void SetUp() override {
        use_virtual_clock(100000);
        std::string empty = std::string(V17_TEST_TMP) + "/no-assets";
        mkdir(empty.c_str(), 0755);
        ::testing::internal::CaptureStderr();  // the missing files are named there
        int opened = game_open(empty.c_str(), make_headless_backend());
        missing_files_ = ::testing::internal::GetCapturedStderr();
        ASSERT_EQ(1, opened) << missing_files_;
        paint_landscape(-1);
        set_test_palette();
    }

    void TearDown() override { game_close(); }

    // The level landscape: colour 1 with the floor of ground colour, plus an
    // optional extra row of ground (extra_ground_row >= 0).
    static void paint_landscape(int extra_ground_row) {
        BitmapImage& l = landscapes[3];
        ASSERT_NE(nullptr, l.buffer);
        for (int y = 0; y < 1024; ++y) {
            bool ground = y >= kFloorTop || y == extra_ground_row;
            std::memset(l.buffer + y * 1280, ground ? GROUND_COLOR : 1, 1280);
        }
        l.attr |= IMAGE_ATTR_LOADED;
    }

    // Distinct colours so that the HUD's colours map to known indices.
    static void set_test_palette() {
        PALETTEENTRY p[256] = {};
        auto set = [&](int i, int r, int g, int b) {
            p[i] = {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), 0};
        };
        set(1, 40, 40, 90);
        set(2, 255, 255, 255);
        set(3, 255, 255, 0);
        set(4, 205, 140, 0);
        set(5, 255, 0, 0);
        set(GROUND_COLOR, 30, 160, 30);
        set_palette(p);
    }

    // Puts the player at rest at (x, y).
    static void place_player(float x, float y) {
        player.x = x;
        player.y = y;
        player.vx = player.vy = 0.0f;
    }

    static void hold(std::initializer_list<int> keys) {
        feed_release_all_keys();
        for (int k : keys) feed_key(k, true);
    }
    static void release_keys() { feed_release_all_keys(); }
    static void button(bool down) { feed_mouse_button(0, down); }

    // Runs n frames of the current state, as the message loop would.
    static void run_frames(int n) {
        for (int i = 0; i < n; ++i) game_frame(nullptr, 0);
    }

    // Colours found in a rectangle of the shown picture (inclusive corners).
    static std::vector<int> colours_shown(int x1, int y1, int x2, int y2) {
        std::int32_t pitch = 0;
        std::uint8_t* pixels = lock_surface(front_surface, &pitch);
        std::vector<int> seen(256, 0);
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x) seen[pixels[y * pitch + x]] = 1;
        unlock_surface(front_surface);
        std::vector<int> list;
        for (int i = 0; i < 256; ++i)
            if (seen[i]) list.push_back(i);
        return list;
    }

    static std::uint32_t front_hash() {
        std::int32_t pitch = 0;
        std::uint8_t* pixels = lock_surface(front_surface, &pitch);
        std::uint32_t h = 2166136261u;
        for (int y = 0; y < 1024; ++y)
            for (int x = 0; x < 1280; ++x) h = (h ^ pixels[y * pitch + x]) * 16777619u;
        unlock_surface(front_surface);
        return h;
    }

    std::string missing_files_;
};
