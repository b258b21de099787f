#include "game_fixture.h"

using Screens = GameWorld;

TEST_F(Screens, StartUpWithoutFilesLeavesEverythingBlankButRunnable) {
    for (const char* name : {"LANDSCAPE0.BMP", "QUENSP3.BMP", "PAINT.BMP", "Door.BMP", "scream.WAV",
                             "title.mid", "end.mid"})
        EXPECT_NE(std::string::npos, missing_files_.find(name)) << name;
    EXPECT_EQ(STATE_TITLE, game_state);
    EXPECT_EQ(640, mouse_x);
    EXPECT_EQ(512, mouse_y);
    EXPECT_EQ(16.0f, player.x);
    EXPECT_EQ(680.0f, player.y);
    EXPECT_EQ(0, player.curr_animation);
    for (const TrapdoorState& t : trapdoor_states) EXPECT_EQ(1, t.solid);
    // The trapdoor copies share the template's one frame surface.
    for (const Bob& t : trapdoors) EXPECT_EQ(trapdoor.frames[0], t.frames[0]);
    EXPECT_NE(nullptr, trapdoor.frames[0]);
    // Sequence 2 never shows frame 23; frames 0 and 8 belong to no sequence.
    for (int s = 0; s < 4; ++s) {
        for (int i = 0; player.sequences[s] && player.sequences[s][i] != -1; ++i) {
            EXPECT_NE(0, player.sequences[s][i]);
            EXPECT_NE(8, player.sequences[s][i]);
            EXPECT_NE(23, player.sequences[s][i]);
        }
    }
    run_frames(3);  // the title frames run with blank pictures
    EXPECT_EQ(STATE_TITLE, game_state);
}

// Closing forgets the whole world; start-up then begins from the values at load
// whatever was left in the state, so a run always starts as the first one did.
TEST_F(Screens, CloseForgetsTheWorldAndStartUpResetsEveryStateGlobal) {
    game_close();
    const WorldState at_load{};
#define EXPECT_AT_LOAD(type, name, load) \
    EXPECT_EQ(0, std::memcmp(&name, &at_load.name, sizeof name)) << #name;
    WORLD_STATE(EXPECT_AT_LOAD)
#undef EXPECT_AT_LOAD
    EXPECT_EQ(nullptr, lpdimouse);
    EXPECT_EQ(-1, game_music);
    enter_latch = 0;
    story_page = 2;
    platform_dir = 1;
    riding = 1;
    walking = 1;
    trapdoor_states[4] = {1, 0, 77};
    enter_level(STATE_LEVEL3);
    SetUp();
    EXPECT_EQ(STATE_TITLE, game_state);
    EXPECT_EQ(1, enter_latch);
    EXPECT_EQ(0, story_page);
    EXPECT_EQ(0, platform_dir);
    EXPECT_EQ(0, riding);
    EXPECT_EQ(0, walking);
    EXPECT_EQ(0, trapdoor_states[4].triggered);
    EXPECT_EQ(0u, trapdoor_states[4].trigger_time);
    EXPECT_EQ(0, num_trapdoors);
}

TEST_F(Screens, HeldEnterTurnsOnePageAndTheThirdPressStartsLevelOne) {
    hold({VK_RETURN});  // held from the very first frame: counts at once
    run_frames(1);
    EXPECT_EQ(1, story_page);
    run_frames(20);
    EXPECT_EQ(1, story_page);  // however long it is held
    release_keys();
    run_frames(1);
    EXPECT_EQ(1, enter_latch);
    hold({VK_RETURN});
    run_frames(1);
    EXPECT_EQ(2, story_page);
    release_keys();
    run_frames(1);

    std::uint32_t shown = front_hash();
    std::uint32_t tick = get_tick_count();
    hold({VK_RETURN});
    run_frames(1);
    EXPECT_EQ(STATE_LEVEL1, game_state);
    EXPECT_EQ(3, story_page);
    EXPECT_EQ(tick, get_tick_count()) << "the frame that starts level 1 waits for nothing";
    EXPECT_EQ(shown, front_hash()) << "and shows nothing";
    EXPECT_EQ(400, platX[0]);
    EXPECT_EQ(604, platY[0]);
    EXPECT_EQ(1000, platX[10]);
    EXPECT_EQ(484, platY[10]);
    EXPECT_EQ(1200.0f, door.x);
    EXPECT_EQ(824.0f, door.y);
}

TEST_F(Screens, PointerIsClampedAndTheCursorHangsSixteenUpAndLeft) {
    feed_mouse_motion(-5000, -5000);
    run_frames(1);
    EXPECT_EQ(0, mouse_x);
    EXPECT_EQ(0, mouse_y);
    EXPECT_EQ(-16.0f, cursor.x);
    EXPECT_EQ(-16.0f, cursor.y);
    feed_mouse_motion(99999, 1023);
    run_frames(1);
    EXPECT_EQ(1279, mouse_x);
    EXPECT_EQ(1023, mouse_y);
    EXPECT_EQ(1263.0f, cursor.x);
}

TEST_F(Screens, EndingIgnoresEnterAndTheMouseAndEndsOnEscape) {
    game_state = STATE_ENDING;
    hold({VK_RETURN});
    feed_mouse_motion(100, 100);
    std::uint32_t tick = get_tick_count();
    run_frames(2);
    EXPECT_EQ(STATE_ENDING, game_state);
    EXPECT_EQ(tick + 60, get_tick_count());
    EXPECT_EQ(0, story_page);
    EXPECT_EQ(640, mouse_x);
    hold({VK_ESCAPE});
    run_frames(1);
    MSG m{};
    ASSERT_EQ(1, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_DESTROY, m.message);
}
