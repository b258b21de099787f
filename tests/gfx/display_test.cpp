#include "gfx/display.h"

#include "display_fixture.h"
#include "gfx/palette.h"
#include "support/error_log.h"
#include "test_util.h"

TEST(Display, InitSetsTheScreenClearsBothBuffersAndLogsTheFormat) {
    ASSERT_NE(nullptr, open_test_window());
    std::string log = temp_path("log.txt");
    ASSERT_EQ(1, open_error_file(log.c_str()));
    ASSERT_EQ(1, display_init(1280, 1024, 8, 0));
    close_error_file();
    EXPECT_EQ(1279, clip_right);
    EXPECT_EQ(1023, clip_bottom);
    EXPECT_EQ(0, clip_left);
    EXPECT_EQ(8, display_bpp);
    EXPECT_EQ(8, pixel_format);
    EXPECT_EQ(rgb16_565, pack_rgb16);
    EXPECT_NE(std::string::npos, read_file(log).find("\npixel format = 8\npixel format = 5.6.5\n"
                                                     "palette refused, no such file: PALDATA2.PAL\n"
                                                     "Closing"))
        << "the palette file is not in the working directory";
    ASSERT_NE(nullptr, back_clipper);
    for (DirectDrawSurface* s : {front_surface, back_surface}) {
        EXPECT_EQ(1280, s->width());
        EXPECT_EQ(1024, s->height());
        std::vector<std::uint8_t> bytes = surface_bytes(s);
        EXPECT_EQ(std::vector<std::uint8_t>(1280 * 1024, 0), bytes);
    }
    EXPECT_EQ(0, display_init(640, 480, 8, 0)) << "a second display is refused";
    display_shutdown();
    EXPECT_EQ(nullptr, ddraw);
    EXPECT_EQ(nullptr, back_surface);
    EXPECT_EQ(nullptr, lock_back()) << "nothing is left to lock after shutdown";
    reset_window_system();
}

TEST(Display, FifteenBitModePicksFiveFiveFiveAndNoPalette) {
    ASSERT_NE(nullptr, open_test_window());
    ASSERT_EQ(1, display_init(320, 200, 15, 0));
    EXPECT_EQ(15, pixel_format);
    EXPECT_EQ(rgb16_555, pack_rgb16);
    EXPECT_EQ(nullptr, display_palette);
    EXPECT_EQ(319, clip_right);
    display_shutdown();
    EXPECT_EQ(0, display_init(320, 200, 24, 0)) << "an unknown depth fails and leaves nothing";
    EXPECT_EQ(nullptr, ddraw);
    EXPECT_EQ(nullptr, front_surface);
    reset_window_system();
}

TEST(Display, PackingKeepsEachFieldToItsBits) {
    EXPECT_EQ(65535, rgb16_565(255, 255, 255));
    EXPECT_EQ(32767, rgb16_555(255, 255, 255));
    EXPECT_EQ(63488, rgb16_565(255, 0, 0));
    EXPECT_EQ(992, rgb16_555(0, 255, 0));
    EXPECT_EQ(0x07E0, rgb16_565(0, 255, 0));
    EXPECT_EQ(rgb16_565(255, 0, 0), rgb16_565(511, 0, 0)) << "out-of-range input is masked";
    EXPECT_EQ(0, rgb16_555(7, 7, 7));
}

TEST_F(DisplayTest, LocksDoNotNestAndBlockTheFlip) {
    std::uint8_t* p = lock_back();
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(p, lock_back());
    EXPECT_EQ(1280, back_pitch);
    EXPECT_EQ(0, flip_display());
    EXPECT_EQ(1, unlock_back());
    EXPECT_EQ(0, unlock_back());
    EXPECT_EQ(nullptr, back_pixels);
    EXPECT_EQ(0, back_pitch);
    ASSERT_NE(nullptr, lock_front());
    EXPECT_EQ(0, flip_display());
    EXPECT_EQ(1, unlock_front());
    EXPECT_EQ(0, unlock_front());
}

TEST_F(DisplayTest, FlipShowsTheBackBufferAndSwapsMemory) {
    RECT r{10, 10, 20, 20};
    fill_surface(back_surface, 42, &r);
    ASSERT_EQ(1, flip_display());
    EXPECT_EQ(42, pixel8(front_surface, 15, 15));
    EXPECT_EQ(0, pixel8(front_surface, 9, 15));
    EXPECT_EQ(0, pixel8(back_surface, 15, 15));
}

TEST_F(DisplayTest, AFlipThatKeepsFailingGivesUp) {
    DDSURFACEDESC2 d{};
    // Locked behind the display's back: the flip can never succeed.
    ASSERT_EQ(DD_OK, front_surface->lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    EXPECT_EQ(0, flip_display());
    front_surface->unlock(nullptr);
    EXPECT_EQ(1, flip_display());
}

TEST_F(DisplayTest, ClippersBoundTheirRectanglesAndCutBlits) {
    RECT one{0, 0, 1280, 1024};
    RECT two[2] = {{0, 0, 10, 10}, {20, 5, 30, 40}};
    DirectDrawSurface* s = create_surface(64, 64, DDSCAPS_SYSTEMMEMORY, 0);
    ASSERT_NE(nullptr, s);
    for (auto [count, list, bound] :
         {std::tuple{1, &one, RECT{0, 0, 1280, 1024}}, std::tuple{2, two, RECT{0, 0, 30, 40}}}) {
        DirectDrawClipper* c = attach_clipper(s, count, list);
        ASSERT_NE(nullptr, c);
        std::uint32_t size = 256;
        std::vector<RECT> record(16);
        ASSERT_EQ(DD_OK,
                  c->get_clip_list(nullptr, reinterpret_cast<RGNDATA*>(record.data()), &size));
        RECT b = reinterpret_cast<RGNDATA*>(record.data())->rdh.rcBound;
        EXPECT_EQ(bound.left, b.left);
        EXPECT_EQ(bound.top, b.top);
        EXPECT_EQ(bound.right, b.right);
        EXPECT_EQ(bound.bottom, b.bottom);
    }
    fill_surface(s, 5, nullptr);  // cut to the two rectangles
    EXPECT_EQ(5, pixel8(s, 9, 9));
    EXPECT_EQ(0, pixel8(s, 15, 9));
    EXPECT_EQ(5, pixel8(s, 29, 39));
    EXPECT_EQ(nullptr, attach_clipper(s, 0, two));
    EXPECT_EQ(nullptr, attach_clipper(nullptr, 1, two));
    EXPECT_EQ(0, fill_surface(nullptr, 1, nullptr));
    EXPECT_EQ(nullptr, lock_surface(nullptr, nullptr));
    EXPECT_EQ(0, unlock_surface(nullptr));
}

TEST_F(DisplayTest, SurfacesCarryTheirKeyAndLockWithTheirPitch) {
    DirectDrawSurface* s = create_surface(72, 74, DDSCAPS_SYSTEMMEMORY, 9);
    ASSERT_NE(nullptr, s);
    DDCOLORKEY key{};
    ASSERT_EQ(DD_OK, s->get_color_key(DDCKEY_SRCBLT, &key));
    EXPECT_EQ(9u, key.dwColorSpaceLowValue);
    std::int32_t pitch = 0;
    EXPECT_NE(nullptr, lock_surface(s, &pitch));
    EXPECT_EQ(96, pitch);
    EXPECT_EQ(nullptr, lock_surface(s, &pitch)) << "a locked surface gives no second pointer";
    EXPECT_EQ(1, unlock_surface(s));
    EXPECT_EQ(nullptr, create_surface(0, 5, 0, 0));
    EXPECT_EQ(1, wait_vblank());
}

TEST(DisplayWindowed, BackBufferIsCopiedIntoTheWindow) {
    ASSERT_NE(nullptr, open_test_window());
    ASSERT_EQ(1, display_init(1280, 1024, 8, 1));
    EXPECT_NE(nullptr, window_clipper);
    EXPECT_EQ(PC_EXPLICIT, palette_entries[0].peFlags);
    EXPECT_EQ(PC_EXPLICIT, palette_entries[255].peFlags);
    EXPECT_EQ(0, palette_entries[10].peFlags);
    RECT r{0, 0, 4, 4};
    fill_surface(back_surface, 17, &r);
    ASSERT_EQ(1, flip_display());
    EXPECT_EQ(17, pixel8(front_surface, 3, 3));
    EXPECT_EQ(17, pixel8(back_surface, 3, 3)) << "a window copy leaves the back buffer as it was";
    display_shutdown();
    reset_window_system();
    EXPECT_EQ(0, display_init(1280, 1024, 8, 1)) << "no window to bind to";
    EXPECT_EQ(nullptr, ddraw);
}
