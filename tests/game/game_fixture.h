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
#include "platform/backend.h"
#include "platform/headless/headless_backend.h"
#include "shell/startup.h"
#include "shell/winmain.h"
#include "support/clock.h"
#include "test_util.h"

class GameWorld : public ::testing::Test {
protected:
    static constexpr int kFloorTop = 930;

    void SetUp() override {
        reset_window_system();
        reset_direct_input();
        reset_world();
        use_virtual_clock(100000);
        set_backend(make_headless_backend(InputScript{}, false));
        std::string empty = std::string(V17_TEST_TMP) + "/no-assets";
        mkdir(empty.c_str(), 0755);
        ASSERT_EQ(0, chdir(empty.c_str()));
        WNDCLASSEX wc{};
        wc.lpfnWndProc = WindowProc;
        wc.lpszClassName = "WINCLASS1";
        register_class_ex(&wc);
        main_window_handle = create_window_ex(0, "WINCLASS1", "t", WS_POPUP | WS_VISIBLE, 0, 0,
                                              1280, 1024, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, main_window_handle);
        ::testing::internal::CaptureStderr();  // the missing files are named there
        ASSERT_EQ(1, game_init(nullptr, 0));
        missing_files_ = ::testing::internal::GetCapturedStderr();
        paint_landscape(-1);
        set_test_palette();
    }

    void TearDown() override {
        game_shutdown(nullptr, 0);
        reset_world();
        set_backend(nullptr);
        reset_window_system();
        reset_direct_input();
    }

    // Every global of the world back to its value at load.
    static void reset_world() {
        game_state = STATE_TITLE;
        main_window_handle = nullptr;
        lpdi = nullptr;
        lpdimouse = nullptr;
        mouse_state = {};
        for (BitmapImage& l : landscapes) l = {};
        for (Bob* b : {&player, &cursor, &platform, &trapdoor, &spike_left, &spike_down,
                       &spike_right, &spike_up, &wall, &door, &bobptr})
            *b = {};
        for (Bob& t : trapdoors) t = {};
        story_page = 0;
        enter_latch = 1;
        mouse_x = mouse_y = 0;
        deaths = 0;
        power = 0.0f;
        airborne = charging = moving_left = moving_right = stop_walking = 0;
        for (int& p : platX) p = 0;
        for (int& p : platY) p = 0;
        num_trapdoors = 0;
        for (TrapdoorState& t : trapdoor_states) t = {};
        platform_dir = 0;
        riding = 0;
    }

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

    // Enters the level the way the title screen or the doors do.
    static void enter_level(int level) {
        game_state = STATE_LEVEL1;
        platform_dir = 0;
        setup_level1();
        if (level >= 2) {
            game_state = STATE_LEVEL2;
            place_player(100, 900);
            setup_level2();
        }
        if (level >= 3) {
            game_state = STATE_LEVEL3;
            place_player(50, 40);
            setup_level3();
        }
    }

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
