#include <algorithm>

#include "game_fixture.h"

using Levels = GameWorld;

TEST_F(Levels, EachDoorLeadsOnWithoutDrawingThatFrame) {
    struct Case {
        int level;
        EntryPoint entry;  // of the screen after it
    } cases[] = {{1, ENTRY_LEVEL2}, {2, ENTRY_LEVEL3}, {3, ENTRY_ENDING}};
    for (const Case& c : cases) {
        enter_level(c.level);
        run_frames(2);
        player.x = door.x;
        player.y = door.y;
        player.vx = 3.0f;
        airborne = 1;
        deaths = 4;
        std::uint32_t shown = front_hash();
        std::uint32_t tick = get_tick_count();
        run_frames(1);
        EXPECT_EQ(c.level + 1, game_state);
        EXPECT_EQ(c.entry.x, player.x);
        EXPECT_EQ(c.entry.y, player.y);
        EXPECT_EQ(0.0f, player.vx);
        EXPECT_EQ(1, airborne);  // carried over
        EXPECT_EQ(4, deaths);
        EXPECT_EQ(tick, get_tick_count());
        EXPECT_EQ(shown, front_hash());
    }
}

TEST_F(Levels, LevelTwoStartsWithThreeTrapdoorsAndLevelThreeWithFiveSolid) {
    enter_level(2);
    EXPECT_EQ(3, num_trapdoors);
    EXPECT_EQ(600.0f, trapdoors[1].x);
    EXPECT_EQ(0.0f, trapdoors[3].x);
    trapdoor_states[0] = {1, 0, 12345};
    platform_dir = 1;
    enter_level(3);
    EXPECT_EQ(5, num_trapdoors);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(1, trapdoor_states[i].solid);
    EXPECT_EQ(1, trapdoor_states[0].triggered);  // the countdown goes on
    EXPECT_EQ(12345u, trapdoor_states[0].trigger_time);
    EXPECT_EQ(1, platform_dir);  // carried from level 2
}

TEST_F(Levels, SpikeDeathsRespawnByLevelAndStrip) {
    struct Case {
        int level;
        float x, y;  // a place on a spike
        float respawn_x, respawn_y;
    } cases[] = {
        {1, 570 - 20, 904 - 30 * 5 - 20, 100, 900},  // strip 1a
        {2, 460 + 30 * 4 - 20, 896 - 30, 100, 900},  // strip 2d
        {3, 250 - 20, 30 * 10 - 20, 40, 40},         // strip 3d
        {3, 880 - 20, 400 + 30 * 3 - 20, 50, 40},    // strip 3e
    };
    for (const Case& c : cases) {
        enter_level(c.level);
        deaths = 0;
        place_player(c.x, c.y);
        run_frames(1);
        EXPECT_EQ(1, deaths) << c.level << " " << c.x;
        // Nothing after the strips moves the player in these frames.
        EXPECT_EQ(c.respawn_x, player.x) << c.level << " " << c.x;
        EXPECT_EQ(c.respawn_y, player.y) << c.level << " " << c.x;
    }
}

TEST_F(Levels, SpikesAreDrawnThirtyByThirtyOnTheFloorStrip) {
    enter_level(3);
    fill_surface(spike_up.frames[0], 9, nullptr);
    fill_surface(spike_left.frames[0], 9, nullptr);
    fill_surface(spike_right.frames[0], 9, nullptr);
    fill_surface(spike_down.frames[0], 9, nullptr);
    place_player(600, 200);
    run_frames(1);
    // Each piece is a solid 30 x 30 square of colour 9 here; strip 3h on the
    // floor (y 900) spans x 0 to 899.
    std::vector<int> seen = colours_shown(0, 900, 899, 929);
    EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), 9));
    std::vector<int> below = colours_shown(0, 930, 899, 930);
    EXPECT_EQ(below.end(), std::find(below.begin(), below.end(), 9));
}

TEST_F(Levels, RidingTheMovingPlatformOfLevelTwo) {
    enter_level(2);
    platform.x = 300;
    platform.y = 150;
    place_player(320, 97);
    run_frames(1);
    float x = player.x;
    float px = platform.x;
    run_frames(5);
    // Standing on it: the landing at the top of each frame holds the height
    // (the ground settle finds no ground and leaves airborne set until then).
    EXPECT_EQ(97.0f, player.y);
    EXPECT_EQ(player.x - x, platform.x - px);
    EXPECT_EQ(10.0f, platform.x - px);
}

TEST_F(Levels, TheScriptedFloorWalkOfLevelOneIsFourPixelsAFrame) {
    enter_level(1);
    run_frames(40);  // falls from (16, 680) to the floor
    ASSERT_EQ(0, airborne);
    ASSERT_EQ(867.0f, player.y);
    float x = player.x;
    hold({VK_RIGHT});
    run_frames(5);
    EXPECT_EQ(x + 20.0f, player.x);
    EXPECT_EQ(0.0f, player.vx);  // the settle of each grounded frame zeroes it
    release_keys();
    run_frames(2);
    EXPECT_EQ(x + 20.0f, player.x);
}
