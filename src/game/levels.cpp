// The three level frames. Each runs the shared movement steps and the contacts
// in its own order; spike strips and wall columns are drawn from copies of one
// sprite, placed by the tables below relative to where the set-ups put it.
#include "game/contacts.h"
#include "game/movement.h"
#include "game/screens.h"
#include "game/setup.h"
#include "game/world.h"
#include "gfx/display.h"
#include "support/clock.h"

namespace {

// Piece i of a strip stands at (x + dx * i, y + dy * i), x and y taken from the
// sprite's position when rel_x / rel_y is set and added to it.
struct StripRule {
    Bob* sprite;
    int count;
    bool rel_x;
    float x;
    bool rel_y;
    float y;
    float dx, dy;
    float respawn_x, respawn_y;
};

const StripRule kLevel1Strips[] = {
    {&spike_left, 20, true, 0, true, 0, 0, -30, 100, 900},   // 1a
    {&spike_right, 20, true, 0, true, 0, 0, -30, 100, 900},  // 1b
    {&spike_up, 10, true, 0, true, 0, 30, 0, 100, 900},      // 1c
};

const StripRule kLevel2Strips[] = {
    {&spike_left, 12, true, 0, true, 0, 0, 30, 100, 900},        // 2a
    {&spike_left, 12, false, 700, true, -150, 0, 30, 100, 900},  // 2b
    {&spike_up, 6, true, 0, true, 0, 30, 0, 100, 900},           // 2c
    {&spike_up, 20, true, 180, false, 896, 30, 0, 100, 900},     // 2d
    {&spike_down, 6, true, 0, true, 0, 30, 0, 100, 900},         // 2e
};

const StripRule kLevel3Strips[] = {
    {&spike_right, 25, true, 0, true, 0, 0, 30, 50, 40},         // 3a
    {&spike_right, 17, false, 1090, false, 400, 0, 30, 50, 40},  // 3b
    {&spike_right, 19, false, 460, false, 0, 0, 30, 50, 40},     // 3c
    {&spike_left, 19, true, 0, true, 0, 0, 30, 40, 40},          // 3d
    {&spike_left, 17, false, 880, false, 400, 0, 30, 50, 40},    // 3e
    {&spike_left, 30, false, 1250, false, 0, 0, 30, 50, 40},     // 3f
    {&spike_up, 6, false, 910, false, 370, 30, 0, 50, 40},       // 3g
    {&spike_up, 30, true, 0, true, 0, 30, 0, 50, 40},            // 3h
    {&spike_down, 6, true, 0, true, 0, 30, 0, 50, 40},           // 3i
};

// Wall column: piece i at (x + dx * i, y + dy * i) like the strips; twin_x, when
// not zero, draws an untested second piece at (twin_x, same y).
struct ColumnRule {
    bool rel_x;
    float x;
    float y_offset;  // added to the wall sprite's y
    float dx, dy;
    float twin_x;
};

const ColumnRule kLevel2Columns[] = {
    {true, 0, 0, 0, 180, 0},          // 2F
    {false, 730, 30, 0, -180, 0},     // 2G
    {false, 1030, 75, 0, 180, 1210},  // 2H
};

const ColumnRule kLevel3Columns[] = {
    {true, 0, 0, 0, -180, 0},    // 3W1
    {false, 910, 0, 0, 180, 0},  // 3W2
};

struct FixedPlatform {
    float x, y;
};
const FixedPlatform kLevel2Fixed[] = {{1030, 260}, {1130, 260}};
const FixedPlatform kLevel3Fixed[] = {{20, 100}};

template <std::size_t N>
void run_strips(const StripRule (&strips)[N]) {
    for (const StripRule& s : strips) {
        float x0 = s.rel_x ? static_cast<float>(s.sprite->x + s.x) : s.x;
        float y0 = s.rel_y ? static_cast<float>(s.sprite->y + s.y) : s.y;
        spike_strip(*s.sprite, s.count, x0, y0, s.dx, s.dy, s.respawn_x, s.respawn_y);
    }
}

template <std::size_t N>
void run_columns(const ColumnRule (&columns)[N]) {
    for (const ColumnRule& c : columns) {
        float x0 = c.rel_x ? static_cast<float>(wall.x + c.x) : c.x;
        float y0 = static_cast<float>(wall.y + c.y_offset);
        for (int i = 0; i < 4; ++i) {
            bobptr = wall;
            bobptr.x = static_cast<float>(x0 + static_cast<double>(c.dx) * i);
            bobptr.y = static_cast<float>(y0 + static_cast<double>(c.dy) * i);
            wall_contact(bobptr);
            bob_draw(&bobptr, back_surface);
            if (c.twin_x != 0) {
                bobptr.x = c.twin_x;
                bob_draw(&bobptr, back_surface);
            }
        }
    }
}

template <std::size_t N>
void fixed_platform_contacts(const FixedPlatform (&fixed)[N]) {
    for (const FixedPlatform& f : fixed) {
        bobptr = platform;
        bobptr.x = f.x;
        bobptr.y = f.y;
        platform_contact(bobptr, false);
    }
}

template <std::size_t N>
void draw_platforms(const FixedPlatform (&fixed)[N]) {
    bob_draw(&platform, back_surface);
    for (const FixedPlatform& f : fixed) {
        bobptr = platform;
        bobptr.x = f.x;
        bobptr.y = f.y;
        bob_draw(&bobptr, back_surface);
    }
}

// The player's own steps, from walking = 0 to the animation.
void player_steps() {
    walking = 0;
    launch();
    choose_animation();
    charge();
    walk();
    stop_walk();
    integrate();
    animate_player();
}

// Input and the landscape, between the contacts and the player's steps.
void input_and_background() {
    stop_request();
    teleport();
    pointer_clamp();
    mouse_fetch();
    escape_check();
    draw_background();
}

// Reaching the door: the next state, the entry point, the next set-up.
bool door_check(float entry_x, float entry_y, int (*setup)()) {
    if (!bob_overlap(&player, &door)) return false;
    ++game_state;
    player.x = entry_x;
    player.y = entry_y;
    player.vx = 0.0f;
    player.vy = 0.0f;
    setup();
    return true;
}

void place_level1_platform(int i) {
    platform.x = static_cast<float>(platX[i]);
    platform.y = static_cast<float>(platY[i]);
}

void end_level_frame() {
    finish_frame();
    discard_scratch();
    wait_clock(30);
}

// Levels 2 and 3 share one order of steps.
template <std::size_t NS, std::size_t NC, std::size_t NF>
int upper_level_frame(int level, const StripRule (&strips)[NS], const ColumnRule (&columns)[NC],
                      const FixedPlatform (&fixed)[NF], float left_bound, float right_bound,
                      float entry_x, float entry_y, int (*next_setup)()) {
    music_keep_alive();
    apply_gravity();
    pointer_motion();
    riding = 0;
    if (door_check(entry_x, entry_y, next_setup)) return 1;
    platform_contact(platform, true);
    fixed_platform_contacts(fixed);
    trapdoor_contacts();
    moving_platform_motion(left_bound, right_bound);
    input_and_background();
    player_steps();
    ground_settle();
    bob_draw(&door, back_surface);
    run_strips(strips);
    trapdoor_timing_and_drawing();
    run_columns(columns);
    draw_platforms(fixed);
    draw_hud();
    screen_edges(level);
    bob_draw(&player, back_surface);
    end_level_frame();
    return 1;
}

}  // namespace

int level1_frame(void*, int) {
    music_keep_alive();
    apply_gravity();
    pointer_motion();
    for (int i = 0; i < NUM_PLATFORMS_LEVEL1; ++i) {
        place_level1_platform(i);
        platform_contact(platform, false);
    }
    input_and_background();
    player_steps();
    if (door_check(100.0f, 900.0f, setup_level2)) return 1;
    for (int i = 0; i < NUM_PLATFORMS_LEVEL1; ++i) {
        place_level1_platform(i);
        bob_draw(&platform, back_surface);
    }
    ground_settle();
    bob_draw(&player, back_surface);
    bob_draw(&door, back_surface);
    run_strips(kLevel1Strips);
    bob_draw_scaled(&wall, 300, 600, back_surface);
    wall_contact_level1();
    draw_hud();
    screen_edges(1);
    end_level_frame();
    return 1;
}

int level2_frame(void*, int) {
    return upper_level_frame(2, kLevel2Strips, kLevel2Columns, kLevel2Fixed, 100.0f, 500.0f, 50.0f,
                             40.0f, setup_level3);
}

int level3_frame(void*, int) {
    return upper_level_frame(3, kLevel3Strips, kLevel3Columns, kLevel3Fixed, 700.0f, 1000.0f,
                             100.0f, 50.0f, setup_ending);
}
