#include "raster/transitions.h"

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "gfx/display.h"
#include "gfx/palette.h"
#include "platform/system/backend.h"
#include "platform/system/win32.h"
#include "raster/test_canvas.h"
#include "support/clock.h"

namespace {

// A backend that only watches: each poll of a busy-wait calls `on_idle`, so a
// test sees the memory and palette as every step left them.
class WatchBackend final : public NullBackend {
public:
    std::function<void()> on_idle;
    std::function<void(const std::uint8_t*, int, int, int)> on_present;
    void idle() override {
        if (on_idle) on_idle();
    }
    void present(const PresentedFrame& f) override {
        if (on_present) on_present(f.pixels, f.pitch, f.width, f.height);
    }
};

class Transitions : public RasterTest {
protected:
    void SetUp() override {
        RasterTest::SetUp();
        reset_window_system();
        use_virtual_clock(1000);
        auto watch = std::make_unique<WatchBackend>();
        watch_ = watch.get();
        set_backend(std::move(watch));
        saved_bpp_ = display_bpp;
        std::memcpy(saved_palette_, palette_entries, sizeof saved_palette_);
        display_bpp = 8;
        set_screen(64, 48);
    }
    void TearDown() override {
        set_backend(nullptr);
        reset_window_system();
        display_bpp = saved_bpp_;
        std::memcpy(palette_entries, saved_palette_, sizeof saved_palette_);
        RasterTest::TearDown();
    }

    // Every entry the same colour, flags 7.
    static void fill_palette(int r, int g, int b) {
        PALETTEENTRY all[256];
        for (auto& e : all) e = {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), 7};
        set_palette(all);
    }

    // Calls fn at the first poll of every step (tick 1 of 12 after its start).
    void each_step(std::function<void(int step)> fn) {
        watch_->on_idle = [this, fn] {
            std::uint32_t elapsed = get_tick_count() - frame_start_ticks;
            if (elapsed == 1) fn(steps_++);
        };
    }

    template <typename Pixel>
    static void paint(Canvas<Pixel>& c, Pixel value) {
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) c.at(x, y) = value;
    }

    WatchBackend* watch_ = nullptr;
    int steps_ = 0;
    int saved_bpp_ = 0;
    PALETTEENTRY saved_palette_[256];
};

}  // namespace

TEST_F(Transitions, FadeToBlackStepByStepKeepsEntryZero) {
    fill_palette(200, 4, 5);
    std::vector<int> red;
    each_step([&](int) { red.push_back(palette_entries[1].peRed); });
    screen_transition(FADE_TO_BLACK, nullptr, 0);
    ASSERT_EQ(80, steps_);
    EXPECT_EQ(1000u + 80 * 12, get_tick_count());
    EXPECT_EQ(197, red[0]);
    EXPECT_EQ(2, red[65]);  // 200 - 66 x 3
    EXPECT_EQ(0, red[66]);
    EXPECT_EQ(0, red[79]);
    EXPECT_EQ(0, palette_entries[255].peGreen);  // 4 and below go straight to 0
    EXPECT_EQ(0, palette_entries[255].peBlue);   // 5, 2, then 0
    EXPECT_EQ(7, palette_entries[9].peFlags);
    EXPECT_EQ(200, palette_entries[0].peRed);  // entry 0 is left alone
    EXPECT_EQ(4, palette_entries[0].peGreen);
}

TEST_F(Transitions, FadeToWhiteAndTintsEndAtTheirColours) {
    fill_palette(253, 0, 130);
    std::vector<int> first;
    each_step([&](int step) {
        if (step == 0) first = {palette_entries[0].peRed, palette_entries[0].peGreen};
    });
    screen_transition(FADE_TO_WHITE, nullptr, 0);
    EXPECT_EQ(64, steps_);
    EXPECT_EQ((std::vector<int>{255, 4}), first);  // 253 + 4 stops at 255
    for (const auto& e : palette_entries) {
        ASSERT_EQ(255, e.peRed);
        ASSERT_EQ(255, e.peGreen);
        ASSERT_EQ(255, e.peBlue);
        ASSERT_EQ(7, e.peFlags);
    }

    struct Case {
        int effect, r, g, b;
    };
    for (Case c :
         {Case{TINT_BLUE, 0, 0, 255}, Case{TINT_RED, 255, 0, 0}, Case{TINT_GREEN, 0, 255, 0}}) {
        fill_palette(128, 128, 128);
        std::uint32_t start = get_tick_count();
        screen_transition(c.effect, nullptr, 0);
        EXPECT_EQ(64u * 12, get_tick_count() - start);
        for (const auto& e : palette_entries) {
            ASSERT_EQ(c.r, e.peRed) << c.effect;
            ASSERT_EQ(c.g, e.peGreen) << c.effect;
            ASSERT_EQ(c.b, e.peBlue) << c.effect;
            ASSERT_EQ(7, e.peFlags);
        }
    }
}

TEST_F(Transitions, WipesBlackenTheWholeScreenInBothDepths) {
    struct Case {
        int effect, steps;
    };
    // 64 x 48: columns and the box take 64/2/2 = 16 steps, rows 48/2/2 = 12.
    for (Case c : {Case{CLOSE_COLUMNS, 16}, Case{CLOSE_ROWS, 12}, Case{CLOSE_BOX, 16}}) {
        for (int bpp : {8, 16}) {
            display_bpp = bpp;
            Canvas<std::uint8_t> c8(64, 48);
            Canvas<std::uint16_t> c16(64, 48);
            paint(c8, std::uint8_t(5));
            paint(c16, std::uint16_t(0x1234));
            std::uint32_t start = get_tick_count();
            if (bpp == 8) {
                screen_transition(c.effect, c8.pixels(), c8.pitch());
                EXPECT_EQ(0, c8.count_drawn()) << c.effect;
                EXPECT_TRUE(c8.untouched_outside(0, 0, 63, 47));
            } else {
                screen_transition(c.effect, c16.pixels(), c16.pitch());
                EXPECT_EQ(0, c16.count_drawn()) << c.effect;
                EXPECT_TRUE(c16.untouched_outside(0, 0, 63, 47));
            }
            EXPECT_EQ(std::uint32_t(c.steps * 12), get_tick_count() - start) << c.effect;
        }
    }
}

TEST_F(Transitions, ColumnsCloseInTwoPerSidePerStep) {
    Canvas<std::uint8_t> c(64, 48);
    paint(c, std::uint8_t(5));
    each_step([&](int step) {
        // Before step s draws, columns 0..2s-1 and 64-2s..63 are black, no others.
        for (int x = 0; x < 64; ++x) {
            bool black = x < 2 * step || x >= 64 - 2 * step;
            for (int y = 0; y < 48; y += 47) ASSERT_EQ(black ? 0 : 5, c.at(x, y)) << step;
        }
    });
    screen_transition(CLOSE_COLUMNS, c.pixels(), c.pitch());
    EXPECT_EQ(16, steps_);
    EXPECT_EQ(0, c.count_drawn());
}

TEST_F(Transitions, DissolveIsReproducibleAndDoesNotWait) {
    Canvas<std::uint8_t> a(64, 48), b(64, 48);
    paint(a, std::uint8_t(5));
    paint(b, std::uint8_t(5));
    std::uint32_t start = get_tick_count();
    screen_transition(DISSOLVE, a.pixels(), a.pitch());
    screen_transition(DISSOLVE, b.pixels(), b.pitch());
    EXPECT_EQ(start, get_tick_count());
    EXPECT_EQ(a.data, b.data);
    EXPECT_TRUE(a.untouched_outside(0, 0, 63, 47));
    // 4 x W x H + 1 random pixels leave about e^-4 (1.8%) of the screen unhit.
    int left = a.count_drawn();
    EXPECT_GT(left, 64 * 48 * 0.01);
    EXPECT_LT(left, 64 * 48 * 0.03);

    display_bpp = 16;
    Canvas<std::uint16_t> c(64, 48);
    paint(c, std::uint16_t(0x7777));
    screen_transition(DISSOLVE, c.pixels(), c.pitch());
    EXPECT_EQ(left, c.count_drawn());  // the same pixels in either depth
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(a.at(x, y) == 0, c.at(x, y) == 0);
}

TEST_F(Transitions, OtherDepthsWaitWithoutDrawingAndBadArgumentsDoNothing) {
    Canvas<std::uint8_t> c(64, 48);
    paint(c, std::uint8_t(5));
    fill_palette(100, 100, 100);
    display_bpp = 24;
    std::uint32_t start = get_tick_count();
    screen_transition(CLOSE_ROWS, c.pixels(), c.pitch());
    EXPECT_EQ(12u * 12, get_tick_count() - start);
    screen_transition(DISSOLVE, c.pixels(), c.pitch());
    EXPECT_EQ(12u * 12, get_tick_count() - start);
    EXPECT_EQ(64 * 48, c.count_drawn());

    display_bpp = 8;
    start = get_tick_count();
    for (int effect : {-1, 9, 1000}) screen_transition(effect, c.pixels(), c.pitch());
    screen_transition(CLOSE_COLUMNS, nullptr, 64);  // no memory
    screen_transition(CLOSE_BOX, c.pixels(), 63);   // a pitch shorter than a row
    screen_transition(DISSOLVE, c.pixels(), 0);
    EXPECT_EQ(start, get_tick_count());
    EXPECT_EQ(64 * 48, c.count_drawn());
    EXPECT_EQ(100, palette_entries[3].peRed);
    EXPECT_TRUE(c.untouched_outside(0, 0, 63, 47));
}

TEST_F(Transitions, AWipeOnTheLockedFrontSurfaceShowsEveryStep) {
    WNDCLASSEX wc{};
    wc.lpfnWndProc = def_window_proc;
    wc.lpszClassName = "WIPECLASS";
    ASSERT_NE(0, register_class_ex(&wc));
    ASSERT_NE(nullptr, create_window_ex(0, "WIPECLASS", "wipe", WS_POPUP, 0, 0, 64, 48, nullptr,
                                        nullptr, nullptr, nullptr));
    ASSERT_EQ(1, display_init(64, 48, 8, 0));
    fill_surface(front_surface, 5, nullptr);
    std::vector<int> black_columns;  // of each picture shown
    watch_->on_present = [&](const std::uint8_t* p, int pitch, int width, int) {
        int black = 0;
        for (int x = 0; x < width; ++x) black += p[static_cast<long>(pitch) * 20 + x] == 0;
        if (black_columns.empty() || black != black_columns.back()) black_columns.push_back(black);
    };
    ASSERT_NE(nullptr, lock_front());
    screen_transition(CLOSE_COLUMNS, front_pixels, front_pitch);
    unlock_front();
    display_shutdown();
    // The screen showed every step of four columns while the lock lasted (the
    // last step draws after its wait, so it shows at the next refresh).
    ASSERT_EQ(16u, black_columns.size());
    for (int k = 0; k < 16; ++k) EXPECT_EQ(4 * k, black_columns[k]);
}
