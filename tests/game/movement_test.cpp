#include <cmath>

#include "game_fixture.h"

using Movement = GameWorld;

namespace {

// A launch on the ground with the pointer at (mx, my) and the given power.
void launch_with(float charged, int mx, int my) {
    airborne = 0;
    charging = 1;
    power = charged;
    mouse_state.rgbButtons[0] = 0;
    mouse_x = mx;
    mouse_y = my;
    launch();
}

}  // namespace

TEST_F(Movement, LaunchSpeedIsMeasuredInTheSumOfTheAxes) {
    place_player(500, 500);
    // Reference point (533, 516): a pointer left of and above it throws up-left.
    launch_with(25.0f, 433, 466);
    EXPECT_EQ(1, airborne);
    EXPECT_EQ(0, charging);
    EXPECT_EQ(0.0f, power);
    EXPECT_LT(player.vx, 0.0f);
    EXPECT_LT(player.vy, 0.0f);
    EXPECT_NEAR(40.0, std::fabs(player.vx) + std::fabs(player.vy), 1e-4);
    EXPECT_NEAR(2.0, player.vx / player.vy, 1e-5);  // dx 100, dy 50

    place_player(500, 500);
    launch_with(0.5f, 600, 600);  // a one-frame tap: 15.5, truncated to 15
    EXPECT_GT(player.vx, 0.0f);
    EXPECT_GT(player.vy, 0.0f);
    EXPECT_NEAR(15.0, std::fabs(player.vx) + std::fabs(player.vy), 1e-4);

    place_player(500, 500);
    launch_with(10.0f, 533, 100);  // straight above the reference point
    EXPECT_EQ(0.0f, player.vx);
    EXPECT_EQ(-25.0f, player.vy);
    choose_animation();
    EXPECT_EQ(3, player.curr_animation);  // vx 0 is not "going right"

    place_player(500, 500);
    launch_with(10.0f, 533, 516);  // on the reference point: no direction
    EXPECT_EQ(1, airborne);
    EXPECT_EQ(0.0f, player.vx);
    EXPECT_EQ(0.0f, player.vy);
    EXPECT_FALSE(std::isnan(player.x + player.vx));
}

TEST_F(Movement, ReleaseInTheAirThrowsTheChargeAway) {
    place_player(500, 500);
    player.vx = 3.0f;
    airborne = 1;
    charging = 1;
    power = 20.0f;
    mouse_state.rgbButtons[0] = 0;
    launch();
    EXPECT_EQ(0, charging);
    EXPECT_EQ(0.0f, power);
    EXPECT_EQ(3.0f, player.vx);
}

TEST_F(Movement, ChargingByFramesThenLaunchingFromTheFloor) {
    enter_level(2);  // the player stands on the floor at x 100
    run_frames(3);
    ASSERT_EQ(0, airborne);
    button(true);
    run_frames(60);
    EXPECT_EQ(25.0f, power);
    EXPECT_EQ(1, charging);
    feed_mouse_motion(-2000, -2000);  // the pointer to the top-left corner
    run_frames(1);                    // motion fetched, button still down
    button(false);
    run_frames(1);
    EXPECT_EQ(1, airborne);
    EXPECT_EQ(0.0f, power);
    EXPECT_LT(player.vx, 0.0f);
    EXPECT_LT(player.vy, 0.0f);
}

TEST_F(Movement, HudColourFollowsThePowerNotTheNumber) {
    struct Case {
        float power;
        int colour;
    } cases[] = {{0.0f, 2}, {7.5f, 2}, {8.0f, 3}, {15.5f, 3}, {16.0f, 4}, {24.5f, 4}, {25.0f, 5}};
    for (const Case& c : cases) {
        fill_surface(back_surface, 0, nullptr);
        power = c.power;
        deaths = 12;
        draw_hud();
        std::int32_t pitch = 0;
        std::uint8_t* px = lock_surface(back_surface, &pitch);
        std::vector<int> power_colours(256), death_colours(256);
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 200; ++x) power_colours[px[y * pitch + x]] = 1;
            for (int x = 1090; x < 1280; ++x) death_colours[px[y * pitch + x]] = 1;
        }
        unlock_surface(back_surface);
        EXPECT_EQ(1, power_colours[c.colour]) << c.power;
        for (int other : {2, 3, 4, 5}) {
            if (other != c.colour) {
                EXPECT_EQ(0, power_colours[other]) << c.power;
            }
        }
        EXPECT_EQ(1, death_colours[2]);
        EXPECT_STREQ("Deaths=12", hud_text);
    }
}

TEST_F(Movement, WalkLatchesAndStopsWhenGrounded) {
    place_player(500, 500);
    airborne = 0;
    hold({VK_LEFT, VK_RIGHT});  // both: right wins
    walk();
    EXPECT_EQ(4.0f, player.vx);
    EXPECT_EQ(1, moving_right);
    EXPECT_EQ(0, moving_left);
    EXPECT_EQ(1, walking);

    release_keys();
    stop_request();
    EXPECT_EQ(1, stop_walking);
    airborne = 1;
    stop_walk();  // in the air the request waits
    EXPECT_EQ(4.0f, player.vx);
    airborne = 0;
    stop_walk();
    EXPECT_EQ(0.0f, player.vx);
    EXPECT_EQ(0, moving_right);
    EXPECT_EQ(0, stop_walking);

    airborne = 1;
    walking = 0;
    hold({VK_LEFT});
    walk();  // no walking in the air
    EXPECT_EQ(0.0f, player.vx);
    EXPECT_EQ(0, walking);
}

TEST_F(Movement, TeleportPutsThePlayerAtThePointerOnly) {
    place_player(10, 20);
    player.vx = 7.0f;
    mouse_x = 300;
    mouse_y = 400;
    hold({VK_LSHIFT});
    teleport();
    EXPECT_EQ(10.0f, player.x);
    hold({VK_LSHIFT, 'J'});
    teleport();
    EXPECT_EQ(300.0f, player.x);
    EXPECT_EQ(400.0f, player.y);
    EXPECT_EQ(7.0f, player.vx);
}

TEST_F(Movement, FallFromRestMovesTwoThreeFourPixels) {
    place_player(500, 100);
    std::vector<float> ys = {player.y};
    for (int i = 0; i < 3; ++i) {
        apply_gravity();
        integrate();
        ys.push_back(player.y);
    }
    EXPECT_EQ(2.0f, ys[1] - ys[0]);
    EXPECT_EQ(3.0f, ys[2] - ys[1]);
    EXPECT_EQ(4.0f, ys[3] - ys[2]);
}

TEST_F(Movement, StandingOnTheFloorIsStable) {
    enter_level(2);
    run_frames(5);
    float settled = player.y;
    EXPECT_EQ(930.0f - 62.0f - 1.0f, settled);  // the box's bottom row just above the floor
    run_frames(20);
    EXPECT_EQ(settled, player.y);
    EXPECT_EQ(0, airborne);
    EXPECT_EQ(0.0f, player.vx);
}

TEST_F(Movement, BelowTheScreenTheBottomRowCatchesThePlayer) {
    // Ground in the bottom row only.
    for (int y = 0; y < 1024; ++y)
        std::memset(landscapes[3].buffer + y * 1280, y == 1023 ? GROUND_COLOR : 1, 1280);
    draw_background();
    place_player(500, 1100);
    ground_settle();
    EXPECT_EQ(0, airborne);
    EXPECT_EQ(1023.0f - 62.0f - 1.0f, player.y);
}

TEST_F(Movement, GroundSettleIsBoundedAboveTheScreen) {
    // Ground in the top row: a player far above the screen sees it through the
    // clamped box for ever; the settle stops after its bound.
    for (int y = 0; y < 1024; ++y)
        std::memset(landscapes[3].buffer + y * 1280, y == 0 ? GROUND_COLOR : 1, 1280);
    draw_background();
    place_player(500, -5000);
    ground_settle();
    EXPECT_EQ(-5000.0f - 1100.0f, player.y);
}

TEST_F(Movement, ScreenEdgesPushBackOrWrapInLevelThree) {
    place_player(1245, 500);
    player.vx = 10.0f;
    player.vy = -10.0f;
    screen_edges(1);
    EXPECT_EQ(1235.0f, player.x);
    EXPECT_FLOAT_EQ(-3.0f, player.vx);
    EXPECT_FLOAT_EQ(-3.0f, player.vy);

    place_player(1244, 500);  // exactly the limit: nothing
    player.vx = 10.0f;
    screen_edges(2);
    EXPECT_EQ(1244.0f, player.x);
    EXPECT_EQ(10.0f, player.vx);

    place_player(1245, 500);
    screen_edges(3);
    EXPECT_EQ(-36.0f, player.x);

    place_player(-37, 500);
    player.vx = -10.0f;
    screen_edges(1);
    EXPECT_EQ(-36.0f, player.x);
    EXPECT_FLOAT_EQ(3.0f, player.vx);
}

TEST_F(Movement, AnimationPairsAndStandingFrames) {
    airborne = 1;
    player.vx = 2.0f;
    choose_animation();
    EXPECT_EQ(2, player.curr_animation);
    EXPECT_EQ(1, player.anim_speed);
    player.vx = -2.0f;
    choose_animation();  // turning in the air keeps the running air sequence
    EXPECT_EQ(2, player.curr_animation);
    airborne = 0;
    choose_animation();
    EXPECT_EQ(0, player.curr_animation);
    EXPECT_EQ(3, player.anim_speed);
    walking = 0;
    bob_set_animation(&player, 1);
    animate_player();
    EXPECT_EQ(8, player.curr_frame);
    bob_set_animation(&player, 2);
    animate_player();
    EXPECT_EQ(0, player.curr_frame);
}
