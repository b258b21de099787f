#include "gfx/bob.h"

#include "display_fixture.h"

namespace {

// An 8-bit bitmap held in memory, pixel (x, y) = (x + 2 * y) mod 251 + 1.
struct Sheet {
    BitmapFile file{};
    std::vector<std::uint8_t> pixels;
    Sheet(int w, int h) : pixels(static_cast<std::size_t>(w) * h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) pixels[y * w + x] = static_cast<std::uint8_t>(at(x, y));
        file.info_header.biWidth = w;
        file.info_header.biHeight = h;
        file.info_header.biBitCount = 8;
        file.buffer = pixels.data();
    }
    static int at(int x, int y) { return (x + 2 * y) % 251 + 1; }
};

class Bobs : public DisplayTest {
protected:
    void TearDown() override {
        bob_destroy(&bob);
        DisplayTest::TearDown();
    }
    Bob bob{};
};

}  // namespace

TEST_F(Bobs, CellFramesAreCutFromTheirGrid) {
    Sheet sheet(400, 160);
    ASSERT_EQ(1, bob_create(&bob, 0, 0, 72, 74, 3, 0, DDSCAPS_SYSTEMMEMORY, 0, 8));
    EXPECT_EQ(96, bob.frames[0]->pitch());
    ASSERT_EQ(1, bob_load_frame8(&bob, &sheet.file, 1, 2, 0, 0));
    EXPECT_EQ(Sheet::at(147, 1), pixel8(bob.frames[1], 0, 0)) << "cell (2, 0) starts at (147, 1)";
    EXPECT_EQ(Sheet::at(147 + 71, 1 + 73), pixel8(bob.frames[1], 71, 73));
    EXPECT_EQ(BOB_LOADED, bob.attr & BOB_LOADED);
    ASSERT_EQ(1, bob_load_frame8(&bob, &sheet.file, 2, 5, 6, 1));
    EXPECT_EQ(Sheet::at(5, 6), pixel8(bob.frames[2], 0, 0));

    EXPECT_EQ(0, bob_load_frame8(&bob, &sheet.file, 3, 0, 0, 0)) << "no frame 3";
    EXPECT_EQ(0, bob_load_frame8(&bob, &sheet.file, -1, 0, 0, 0));
    EXPECT_EQ(0, bob_load_frame8(&bob, &sheet.file, 64, 0, 0, 0));
    EXPECT_EQ(0, bob_load_frame8(&bob, nullptr, 0, 0, 0, 0));
    EXPECT_EQ(0, bob_load_frame8(&bob, &sheet.file, 0, 5, 0, 0)) << "partly outside";
    EXPECT_EQ(0, bob_load_frame8(&bob, &sheet.file, 0, 0, 2, 0));
    EXPECT_EQ(0, bob_load_frame8(&bob, &sheet.file, 0, 329, 0, 1));
    EXPECT_EQ(0, bob_load_frame16(&bob, &sheet.file, 0, 0, 0, 0)) << "depths differ";
    EXPECT_EQ(0, bob_load_frame8(nullptr, &sheet.file, 0, 0, 0, 0));
}

TEST_F(Bobs, CreationRefusesWhatItCannotHold) {
    EXPECT_EQ(0, bob_create(&bob, 0, 0, 8, 8, 65, 20, 0, 0, 8));
    EXPECT_EQ(0, bob_create(&bob, 0, 0, 8, 8, 0, 20, 0, 0, 8));
    EXPECT_EQ(0, bob_create(&bob, 0, 0, 0, 8, 1, 20, 0, 0, 8));
    EXPECT_EQ(0, bob_create(nullptr, 0, 0, 8, 8, 1, 20, 0, 0, 8));
    bob.extra_width = 4;
    ASSERT_EQ(1, bob_create(&bob, 3, 4, 8, 8, 64, 20, 0, 0, 8));
    EXPECT_EQ(12, bob.frames[63]->width());
    EXPECT_EQ(3.0f, bob.x);
    EXPECT_EQ(64, bob.num_frames);
    std::int32_t list[2] = {1, 2};
    EXPECT_EQ(0, bob_set_sequence(&bob, 16, 2, list));
    EXPECT_EQ(0, bob_set_sequence(&bob, -1, 2, list));
    EXPECT_EQ(0, bob_set_sequence(&bob, 0, 0, list)) << "a sequence with no entries";
    std::int32_t bad[2] = {1, 64};
    EXPECT_EQ(0, bob_set_sequence(&bob, 0, 2, bad));
    EXPECT_EQ(0, bob_set_animation(&bob, 16));
    bob.attr = BOB_SEQUENCED;
    EXPECT_EQ(0, bob_animate(&bob)) << "no sequence 0 was set";
    bob.attr = 20;
}

TEST_F(Bobs, SequencesStepLoopAndPlayOnce) {
    ASSERT_EQ(1, bob_create(&bob, 0, 0, 4, 4, 8, BOB_SEQUENCED, 0, 0, 8));
    std::int32_t walk[3] = {3, 4, 5};
    std::int32_t still[1] = {6};
    ASSERT_EQ(1, bob_set_sequence(&bob, 0, 3, walk));
    ASSERT_EQ(1, bob_set_sequence(&bob, 1, 1, still));
    bob_set_animation(&bob, 0);
    std::string shown;
    for (int i = 0; i < 7; ++i) {
        bob_animate(&bob);
        shown += static_cast<char>('0' + bob.curr_frame);
    }
    EXPECT_EQ("4534534", shown) << "the first step shows the second entry";
    bob_set_animation(&bob, 1);
    for (int i = 0; i < 3; ++i) bob_animate(&bob);
    EXPECT_EQ(6, bob.curr_frame);

    bob.attr |= BOB_PLAY_ONCE;
    bob_set_animation(&bob, 0);
    shown.clear();
    for (int i = 0; i < 5; ++i) {
        bob_animate(&bob);
        shown += static_cast<char>('0' + bob.curr_frame);
    }
    EXPECT_EQ("45555", shown);
    EXPECT_EQ(1, bob.anim_done);
    bob_set_animation(&bob, 1);
    EXPECT_EQ(1, bob.anim_done) << "nothing clears it";
    bob.attr = 20;
}

TEST_F(Bobs, SpeedCountsCallsPerStep) {
    ASSERT_EQ(1, bob_create(&bob, 0, 0, 4, 4, 3, BOB_FRAME_CYCLE, 0, 0, 8));
    bob_set_anim_speed(&bob, 3);
    std::string shown;
    for (int i = 0; i < 9; ++i) {
        bob_animate(&bob);
        shown += static_cast<char>('0' + bob.curr_frame);
    }
    EXPECT_EQ("001112220", shown);
    bob_set_anim_speed(&bob, 0);
    bob_animate(&bob);
    bob_animate(&bob);
    EXPECT_EQ(2, bob.curr_frame);
    bob.attr = BOB_ONE_FRAME | BOB_FRAME_CYCLE;
    bob_animate(&bob);
    EXPECT_EQ(0, bob.curr_frame);
    bob.attr = 20;
}

TEST_F(Bobs, DrawsAreKeyedTruncatedAndHidden) {
    Sheet sheet(40, 40);
    ASSERT_EQ(1, bob_create(&bob, 0, 0, 10, 4, 1, BOB_VISIBLE | BOB_ONE_FRAME, 0, 3, 8));
    fill_surface(back_surface, 200, nullptr);
    bob.x = 100;
    bob.y = 50;
    sheet.pixels[1 * 40 + 2] = 3;  // the key, at (1, 0) of the frame cut at (1, 1)
    ASSERT_EQ(1, bob_load_frame8(&bob, &sheet.file, 0, 1, 1, 1));
    ASSERT_EQ(1, bob_draw(&bob, back_surface));
    EXPECT_EQ(Sheet::at(1, 1), pixel8(back_surface, 100, 50));
    EXPECT_EQ(200, pixel8(back_surface, 101, 50)) << "the key is not drawn";
    EXPECT_EQ(Sheet::at(10, 4), pixel8(back_surface, 109, 53));
    EXPECT_EQ(200, pixel8(back_surface, 110, 53));

    // x = -0.5 and width 10: the rectangle runs from 0 to 9, not from -1.
    fill_surface(back_surface, 200, nullptr);
    bob.x = -0.5f;
    bob.y = 0;
    ASSERT_EQ(1, bob_draw(&bob, back_surface));
    EXPECT_NE(200, pixel8(back_surface, 0, 0));
    EXPECT_NE(200, pixel8(back_surface, 8, 0));
    EXPECT_EQ(200, pixel8(back_surface, 9, 0));

    fill_surface(back_surface, 200, nullptr);
    bob_hide(&bob);
    EXPECT_EQ(1, bob_draw(&bob, back_surface));
    EXPECT_EQ(200, pixel8(back_surface, 0, 0));
    bob_show(&bob);
    bob.curr_frame = 5;
    EXPECT_EQ(0, bob_draw(&bob, back_surface)) << "a frame without a surface";
    bob.curr_frame = 0;
    lock_back();
    EXPECT_EQ(0, bob_draw(&bob, back_surface)) << "the destination is locked";
    unlock_back();
    EXPECT_EQ(0, bob_draw(&bob, nullptr));
    bob.attr = 20;
}

TEST_F(Bobs, ScaledDrawsShrinkAndHalfOffSpritesShowTheirOwnHalf) {
    Sheet sheet(400, 400);
    ASSERT_EQ(1, bob_create(&bob, 0, 0, 400, 400, 1, 20, 0, 0, 8));
    ASSERT_EQ(1, bob_load_frame8(&bob, &sheet.file, 0, 0, 0, 1));
    fill_surface(back_surface, 0, nullptr);
    bob.x = 300;
    bob.y = 200;
    ASSERT_EQ(1, bob_draw_scaled(&bob, 30, 30, back_surface));
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            int sx = (2 * x + 1) * 400 / 60, sy = (2 * y + 1) * 400 / 60;
            ASSERT_EQ(Sheet::at(sx, sy), pixel8(back_surface, 300 + x, 200 + y)) << x << "," << y;
        }
    }
    EXPECT_EQ(0, pixel8(back_surface, 330, 200));

    bob.x = 1280 - 200;  // right half off the screen
    bob.y = -200;        // top half off the screen
    ASSERT_EQ(1, bob_draw(&bob, back_surface));
    EXPECT_EQ(Sheet::at(0, 200), pixel8(back_surface, 1080, 0));
    EXPECT_EQ(Sheet::at(199, 399), pixel8(back_surface, 1279, 199));
    bob.attr = 20;
}

TEST(BobRules, OverlapUsesThreeEighthHalfExtents) {
    Bob a{}, b{};
    a.width = b.width = 80;
    a.height = b.height = 100;
    a.y = b.y = 10;
    b.x = 59.9f;
    EXPECT_EQ(1, bob_overlap(&a, &b));
    b.x = 60;
    EXPECT_EQ(0, bob_overlap(&a, &b));
    b.x = -59;
    EXPECT_EQ(1, bob_overlap(&a, &b));
    b.x = 0;
    b.y = 10 + 70;  // hh = 50 - 12 = 38 each
    EXPECT_EQ(1, bob_overlap(&a, &b));
    b.y = 10 + 76;
    EXPECT_EQ(0, bob_overlap(&a, &b));
    // hw of 7 is 3, of 4 is 2, of 1 is 0: one-pixel objects never overlap.
    a.width = b.width = 1;
    a.height = b.height = 1;
    b.x = a.x = 0;
    b.y = a.y = 0;
    EXPECT_EQ(0, bob_overlap(&a, &b));
    a.width = b.width = 7;
    b.x = 5;
    a.height = b.height = 8;
    EXPECT_EQ(1, bob_overlap(&a, &b));
    b.x = 6;
    EXPECT_EQ(0, bob_overlap(&a, &b));
    a.width = b.width = 4;
    b.x = 3;
    EXPECT_EQ(1, bob_overlap(&a, &b));
    b.x = 4;
    EXPECT_EQ(0, bob_overlap(&a, &b));
    EXPECT_EQ(0, bob_overlap(&a, nullptr));
}

TEST(BobRules, MovesBounceOrWrapAtTheClipRectangle) {
    clip_left = clip_top = 0;
    clip_right = 1279;
    clip_bottom = 1023;
    Bob b{};
    b.width = 10;
    b.height = 10;
    b.attr = BOB_BOUNCE;
    bob_set_position(&b, 1265, 100);
    bob_set_velocity(&b, 10, 0);
    bob_move(&b);
    EXPECT_EQ(1275.0f, b.x) << "the position is not corrected";
    EXPECT_EQ(-10.0f, b.vx);
    bob_move(&b);
    EXPECT_EQ(1265.0f, b.x);
    EXPECT_EQ(-10.0f, b.vx) << "inside again: no reversal";
    b.x = 1300;
    b.vx = 5;
    bob_move(&b);
    bob_move(&b);
    EXPECT_EQ(5.0f, b.vx) << "still beyond: it reverses on every move";

    b.attr = BOB_WRAP | BOB_BOUNCE;
    bob_set_position(&b, 1275, -5);
    bob_set_velocity(&b, 5, -6);
    bob_move(&b);
    EXPECT_EQ(-10.0f, b.x);
    EXPECT_EQ(1023.0f, b.y);
    EXPECT_EQ(5.0f, b.vx);
}

TEST_F(Bobs, CopiesShareAndDestroyingThemReleasesNothing) {
    Sheet sheet(40, 40);
    ASSERT_EQ(1, bob_create(&bob, 0, 0, 8, 8, 2, 20, 0, 0, 8));
    std::int32_t seq[2] = {0, 1};
    bob_set_sequence(&bob, 0, 2, seq);
    bob_load_frame8(&bob, &sheet.file, 0, 0, 0, 0);
    Bob copy{};
    ASSERT_EQ(1, bob_clone(&bob, &copy));
    EXPECT_EQ(BOB_COPY | BOB_LOADED | 20u, copy.attr);
    EXPECT_EQ(bob.frames[0], copy.frames[0]);
    EXPECT_EQ(0, bob_clone(&bob, &bob));
    EXPECT_EQ(1, bob_destroy(&copy));
    for (DirectDrawSurface* f : copy.frames) EXPECT_EQ(nullptr, f);
    for (std::int32_t* s : copy.sequences) EXPECT_EQ(nullptr, s);
    ASSERT_EQ(1, bob_draw(&bob, back_surface)) << "the original still draws";

    // attr 0 owns its surfaces: destroying it releases them, and twice is safe.
    Bob owner{};
    ASSERT_EQ(1, bob_create(&owner, 0, 0, 8, 8, 2, 0, 0, 0, 8));
    bob_set_sequence(&owner, 3, 2, seq);
    EXPECT_EQ(1, bob_destroy(&owner));
    EXPECT_EQ(nullptr, owner.frames[0]);
    EXPECT_EQ(1, bob_destroy(&owner));
}

TEST(BobWithoutDisplay, CreationFailsAndNullRecordsAreRefused) {
    Bob b{};
    EXPECT_EQ(0, bob_create(&b, 0, 0, 8, 8, 1, 20, 0, 0, 8));
    EXPECT_EQ(nullptr, b.frames[0]);
    EXPECT_EQ(0, bob_animate(nullptr));
    EXPECT_EQ(0, bob_move(nullptr));
    EXPECT_EQ(0, bob_draw(nullptr, nullptr));
    EXPECT_EQ(0, bob_set_position(nullptr, 0, 0));
    EXPECT_EQ(0, bob_destroy(nullptr));
}

TEST(BobSixteen, FramesOfTwoBytesLoadAndDraw) {
    ASSERT_NE(nullptr, open_test_window());
    ASSERT_EQ(1, display_init(320, 200, 16, 0));
    std::vector<std::uint16_t> px(20 * 10);
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = static_cast<std::uint16_t>(0x1000 + i);
    BitmapFile f{};
    f.info_header.biWidth = 20;
    f.info_header.biHeight = 10;
    f.info_header.biBitCount = 16;
    f.buffer = reinterpret_cast<std::uint8_t*>(px.data());
    Bob b{};
    ASSERT_EQ(1, bob_create(&b, 10, 20, 5, 4, 1, 20, 0, 0, 16));
    ASSERT_EQ(1, bob_load_frame16(&b, &f, 0, 1, 1, 0));  // starts at (7, 6)
    ASSERT_EQ(1, bob_draw16(&b, back_surface));
    ASSERT_EQ(1, bob_draw_scaled16(&b, 5, 4, back_surface));
    std::int32_t pitch = 0;
    std::uint8_t* mem = lock_surface(back_surface, &pitch);
    auto at = [&](int x, int y) { return reinterpret_cast<std::uint16_t*>(mem + y * pitch)[x]; };
    EXPECT_EQ(0x1000 + 6 * 20 + 7, at(10, 20));
    EXPECT_EQ(0x1000 + 9 * 20 + 11, at(14, 23));
    unlock_surface(back_surface);
    display_shutdown();
    reset_window_system();
}
