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

// Where piece 0 of a strip stands: x and y are added to the sprite's position
// where rel_x / rel_y is set, and are screen places where it is not.
struct StripStart {
    bool rel_x;
    float x;
    bool rel_y;
    float y;
};

struct StripStep {
    float dx, dy;  // piece i stands at (x + dx * i, y + dy * i)
};

struct Point {
    float x, y;
};

// count pieces of the sprite, drawn 30 x 30; touching one sends the player to
// respawn.
struct StripRule {
    Bob* sprite;
    int count;
    StripStart first;
    StripStep step;
    Point respawn;
};

// Each level's strips in the order its frame draws and tests them.
constexpr StripRule kLevel1Strips[] = {
    {.sprite = &spike_left,
     .count = 20,
     .first = {.rel_x = true, .x = 0, .rel_y = true, .y = 0},
     .step = {.dx = 0, .dy = -30},
     .respawn = {.x = 100, .y = 900}},
    {.sprite = &spike_right,
     .count = 20,
     .first = {.rel_x = true, .x = 0, .rel_y = true, .y = 0},
     .step = {.dx = 0, .dy = -30},
     .respawn = {.x = 100, .y = 900}},
    {.sprite = &spike_up,
     .count = 10,
     .first = {.rel_x = true, .x = 0, .rel_y = true, .y = 0},
     .step = {.dx = 30, .dy = 0},
     .respawn = {.x = 100, .y = 900}},
};

constexpr StripRule kLevel2Strips[] = {
    {.sprite = &spike_left,
     .count = 12,
     .first = {.rel_x = true, .x = 0, .rel_y = true, .y = 0},
     .step = {.dx = 0, .dy = 30},
     .respawn = {.x = 100, .y = 900}},
    {.sprite = &spike_left,
     .count = 12,
     .first = {.rel_x = false, .x = 700, .rel_y = true, .y = -150},
     .step = {.dx = 0, .dy = 30},
     .respawn = {.x = 100, .y = 900}},
    {.sprite = &spike_up,
     .count = 6,
     .first = {.rel_x = true, .x = 0, .rel_y = true, .y = 0},
     .step = {.dx = 30, .dy = 0},
     .respawn = {.x = 100, .y = 900}},
    {.sprite = &spike_up,
     .count = 20,
     .first = {.rel_x = true, .x = 180, .rel_y = false, .y = 896},
     .step = {.dx = 30, .dy = 0},
     .respawn = {.x = 100, .y = 900}},
    {.sprite = &spike_down,
     .count = 6,
     .first = {.rel_x = true, .x = 0, .rel_y = true, .y = 0},
     .step = {.dx = 30, .dy = 0},
     .respawn = {.x = 100, .y = 900}},
};

constexpr StripRule kLevel3Strips[] = {
    {.sprite = &spike_right,
     .count = 25,
     .first = {.rel_x = true, .x = 0, .rel_y = true, .y = 0},
     .step = {.dx = 0, .dy = 30},
     .respawn = {.x = 50, .y = 40}},
    {.sprite = &spike_right,
     .count = 17,
     .first = {.rel_x = false, .x = 1090, .rel_y = false, .y = 400},
     .step = {.dx = 0, .dy = 30},
     .respawn = {.x = 50, .y = 40}},
    {.sprite = &spike_right,
     .count = 19,
     .first = {.rel_x = false, .x = 460, .rel_y = false, .y = 0},
     .step = {.dx = 0, .dy = 30},
     .respawn = {.x = 50, .y = 40}},
    {.sprite = &spike_left,
     .count = 19,
     .first = {.rel_x = true, .x = 0, .rel_y = true, .y = 0},
     .step = {.dx = 0, .dy = 30},
     .respawn = {.x = 40, .y = 40}},
    {.sprite = &spike_left,
     .count = 17,
     .first = {.rel_x = false, .x = 880, .rel_y = false, .y = 400},
     .step = {.dx = 0, .dy = 30},
     .respawn = {.x = 50, .y = 40}},
    {.sprite = &spike_left,
     .count = 30,
     .first = {.rel_x = false, .x = 1250, .rel_y = false, .y = 0},
     .step = {.dx = 0, .dy = 30},
     .respawn = {.x = 50, .y = 40}},
    {.sprite = &spike_up,
     .count = 6,
     .first = {.rel_x = false, .x = 910, .rel_y = false, .y = 370},
     .step = {.dx = 30, .dy = 0},
     .respawn = {.x = 50, .y = 40}},
    {.sprite = &spike_up,
     .count = 30,
     .first = {.rel_x = true, .x = 0, .rel_y = true, .y = 0},
     .step = {.dx = 30, .dy = 0},
     .respawn = {.x = 50, .y = 40}},
    {.sprite = &spike_down,
     .count = 6,
     .first = {.rel_x = true, .x = 0, .rel_y = true, .y = 0},
     .step = {.dx = 30, .dy = 0},
     .respawn = {.x = 50, .y = 40}},
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

// Each level's wall columns in the order its frame draws and tests them.
constexpr ColumnRule kLevel2Columns[] = {
    {.rel_x = true, .x = 0, .y_offset = 0, .dx = 0, .dy = 180, .twin_x = 0},
    {.rel_x = false, .x = 730, .y_offset = 30, .dx = 0, .dy = -180, .twin_x = 0},
    {.rel_x = false, .x = 1030, .y_offset = 75, .dx = 0, .dy = 180, .twin_x = 1210},
};

constexpr ColumnRule kLevel3Columns[] = {
    {.rel_x = true, .x = 0, .y_offset = 0, .dx = 0, .dy = -180, .twin_x = 0},
    {.rel_x = false, .x = 910, .y_offset = 0, .dx = 0, .dy = 180, .twin_x = 0},
};

struct FixedPlatform {
    float x, y;
};
constexpr FixedPlatform kLevel2Fixed[] = {{1030, 260}, {1130, 260}};
constexpr FixedPlatform kLevel3Fixed[] = {{20, 100}};

template <std::size_t N>
void run_strips(const StripRule (&strips)[N]) {
    for (const StripRule& s : strips) {
        const StripStart& first = s.first;
        float x0 = first.rel_x ? static_cast<float>(s.sprite->x + first.x) : first.x;
        float y0 = first.rel_y ? static_cast<float>(s.sprite->y + first.y) : first.y;
        spike_strip(*s.sprite, s.count, x0, y0, s.step.dx, s.step.dy, s.respawn.x, s.respawn.y);
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

// Reaching the door enters the next screen: its state, the entry point, its
// set-up.
bool door_check(int next_state) {
    if (!bob_overlap(&player, &door)) return false;
    enter_level(next_state);
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
                      const FixedPlatform (&fixed)[NF], float left_bound, float right_bound) {
    music_keep_alive();
    apply_gravity();
    pointer_motion();
    riding = 0;
    if (door_check(level + 1)) return 1;
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
    if (door_check(STATE_LEVEL2)) return 1;
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
    return upper_level_frame(STATE_LEVEL2, kLevel2Strips, kLevel2Columns, kLevel2Fixed, 100.0f,
                             500.0f);
}

int level3_frame(void*, int) {
    return upper_level_frame(STATE_LEVEL3, kLevel3Strips, kLevel3Columns, kLevel3Fixed, 700.0f,
                             1000.0f);
}
