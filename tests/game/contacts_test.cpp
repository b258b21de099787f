#include "game_fixture.h"

using Contacts = GameWorld;

namespace {

// Counts the pixels of colour c in a rectangle of the back buffer.
int count_back(int c, int x1, int y1, int x2, int y2) {
    std::int32_t pitch = 0;
    std::uint8_t* px = lock_surface(back_surface, &pitch);
    int n = 0;
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x) n += px[y * pitch + x] == c;
    unlock_surface(back_surface);
    return n;
}

}  // namespace

TEST_F(Contacts, PlatformLandingNeedsToBeMoreThanFiftyAbove) {
    platform.x = 400;
    platform.y = 604;
    place_player(420, 550);
    player.vy = 6.0f;
    player.vx = 3.0f;
    airborne = 1;
    platform_contact(platform, false);
    EXPECT_EQ(544.0f, player.y);  // lifted by |vy|
    EXPECT_EQ(0, airborne);
    EXPECT_EQ(0.0f, player.vx);

    place_player(420, 554);  // exactly 50 above: a touch, not a landing
    player.vy = 6.0f;
    player.vx = 3.0f;
    airborne = 1;
    platform_contact(platform, true);
    EXPECT_EQ(548.0f, player.y);
    EXPECT_EQ(417.0f, player.x);
    EXPECT_EQ(0.0f, player.vy);
    EXPECT_EQ(1, airborne);
    EXPECT_EQ(1, riding);
}

TEST_F(Contacts, StandingStillOnAPlatformKeepsItsHeight) {
    platform.x = 400;
    platform.y = 604;
    place_player(420, 550);  // feet (row 62) 8 rows into the platform picture
    for (int i = 0; i < 5; ++i) {
        apply_gravity();
        platform_contact(platform, false);
        integrate();
    }
    EXPECT_EQ(550.0f, player.y);
}

TEST_F(Contacts, SpikesKillWithinThirtyEightAndNotAtThirtyNine) {
    Bob spike = spike_left;
    spike.y = 500;
    place_player(100, 500 + 12 - 28);  // centres level vertically
    spike.x = static_cast<float>(100 + 27 - 12 + 38);
    EXPECT_EQ(1, bob_overlap_sized(&player, &spike, 72, 74, 30, 30));
    spike.x = static_cast<float>(100 + 27 - 12 + 39);
    EXPECT_EQ(0, bob_overlap_sized(&player, &spike, 72, 74, 30, 30));
    spike.x = 100 + 27 - 12;
    spike.y = static_cast<float>(player.y + 28 - 12 + 39);
    EXPECT_EQ(1, bob_overlap_sized(&player, &spike, 72, 74, 30, 30));
    spike.y = static_cast<float>(player.y + 28 - 12 + 40);
    EXPECT_EQ(0, bob_overlap_sized(&player, &spike, 72, 74, 30, 30));
    EXPECT_EQ(0, bob_overlap_sized(nullptr, &spike, 72, 74, 30, 30));
}

TEST_F(Contacts, TwoDeathsInOneFrameOnlyWhenTheRespawnPointIsAlsoSpiked) {
    deaths = 0;
    place_player(600, 600);
    // Piece 0 on the player, piece 1 on the respawn point (100, 900).
    spike_strip(spike_up, 2, 615, 615, -500, 300, 100, 900);
    EXPECT_EQ(2, deaths);
    EXPECT_EQ(100.0f, player.x);
    place_player(600, 600);
    spike_strip(spike_up, 2, 615, 615, 300, 0, 100, 900);
    EXPECT_EQ(3, deaths);
}

TEST_F(Contacts, TrapdoorHoldsTwoSecondsOpensFiveAndComesBack) {
    enter_level(2);
    fill_surface(trapdoor.frames[0], 7, nullptr);  // a visible trapdoor picture
    use_virtual_clock(50000);
    place_player(620, 549);  // on trapdoor 1 at (600, 600)
    player.vy = 5.0f;
    airborne = 1;
    trapdoor_contacts();
    ASSERT_EQ(0, airborne);
    EXPECT_EQ(544.0f, player.y);
    EXPECT_EQ(1, trapdoor_states[1].triggered);
    EXPECT_EQ(50000u, trapdoor_states[1].trigger_time);
    use_virtual_clock(51000);
    trapdoor_contacts();  // landing again does not restart the countdown
    EXPECT_EQ(50000u, trapdoor_states[1].trigger_time);

    auto drawn_at = [&](std::uint32_t tick) {
        use_virtual_clock(tick);
        fill_surface(back_surface, 0, nullptr);
        trapdoor_timing_and_drawing();
        return count_back(7, 600, 600, 699, 659) > 0;
    };
    EXPECT_TRUE(drawn_at(51999));
    EXPECT_EQ(1, trapdoor_states[1].solid);
    EXPECT_FALSE(drawn_at(52000));
    EXPECT_EQ(0, trapdoor_states[1].solid);
    EXPECT_FALSE(drawn_at(57000));  // exactly 7000: nothing changes
    EXPECT_EQ(1, trapdoor_states[1].triggered);
    EXPECT_FALSE(drawn_at(57001));  // ready again, drawn from the next frame
    EXPECT_EQ(0, trapdoor_states[1].triggered);
    EXPECT_EQ(1, trapdoor_states[1].solid);
    EXPECT_EQ(0u, trapdoor_states[1].trigger_time);
    EXPECT_TRUE(drawn_at(57002));
}

TEST_F(Contacts, TrapdoorSideTouchKeepsThreeTenthsOfTheSpeed) {
    enter_level(2);
    place_player(560, 560);
    player.vx = 10.0f;
    player.vy = 4.0f;
    trapdoor_contacts();
    EXPECT_EQ(550.0f, player.x);
    EXPECT_EQ(556.0f, player.y);
    EXPECT_FLOAT_EQ(3.0f, player.vx);
    EXPECT_EQ(0.0f, player.vy);
    EXPECT_EQ(0, trapdoor_states[1].triggered);
}

TEST_F(Contacts, MovingPlatformTakesOneStepPastItsBoundAndCarriesItsRider) {
    enter_level(2);
    platform.x = 500;
    platform_dir = 0;
    place_player(300, 300);
    riding = 1;
    moving_platform_motion(100, 500);
    EXPECT_EQ(502.0f, platform.x);  // 500 is not past the bound
    EXPECT_EQ(0, platform_dir);
    moving_platform_motion(100, 500);
    EXPECT_EQ(504.0f, platform.x);  // turns, and still steps right
    EXPECT_EQ(1, platform_dir);
    EXPECT_EQ(304.0f, player.x);
    moving_platform_motion(100, 500);
    EXPECT_EQ(502.0f, platform.x);
    EXPECT_EQ(302.0f, player.x);
    riding = 0;
    moving_platform_motion(100, 500);
    EXPECT_EQ(302.0f, player.x);
}

TEST_F(Contacts, LevelOneWallLandsOnTopOrSendsBackToTheLeftEdge) {
    enter_level(1);  // wall at (600, 334), 300 x 600 as drawn
    place_player(650, 280);
    player.vy = 8.0f;
    wall_contact_level1();
    EXPECT_EQ(272.0f, player.y);
    EXPECT_EQ(0, airborne);

    place_player(560, 600);
    player.vx = 10.0f;
    player.vy = 2.0f;
    wall_contact_level1();
    EXPECT_EQ(0.0f, player.x);
    EXPECT_FLOAT_EQ(-3.0f, player.vx);
    EXPECT_FLOAT_EQ(0.6f, player.vy);
}

TEST_F(Contacts, ColumnWallsStopInTheAirAndPushOnTheGround) {
    Bob piece = wall;
    piece.x = 280;
    piece.y = 400;
    place_player(260, 450);
    player.vx = 6.0f;
    player.vy = 3.0f;
    airborne = 1;
    wall_contact(piece);
    EXPECT_EQ(254.0f, player.x);
    EXPECT_EQ(447.0f, player.y);
    EXPECT_EQ(0.0f, player.vx);

    airborne = 0;
    player.curr_animation = 1;  // facing left: pushed right
    wall_contact(piece);
    EXPECT_EQ(5.0f, player.vx);
    player.vx = 0.0f;
    player.curr_animation = 0;
    wall_contact(piece);
    EXPECT_EQ(-5.0f, player.vx);
}
