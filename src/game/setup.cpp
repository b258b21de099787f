// Level set-ups: where each level's objects stand when it begins, and the way
// into each level.
#include "game/setup.h"

#include "audio/music.h"
#include "game/world.h"

namespace {

void place(Bob& bob, float x, float y) {
    bob.x = x;
    bob.y = y;
}

}  // namespace

int setup_level1() {
    // Level 1's platforms, as laid out before the whole course was raised by 240.
    static constexpr int tempplatX[NUM_PLATFORMS_LEVEL1] = {400, 200, 0,    200,  0,   400,
                                                            600, 800, 1000, 1180, 1000};
    static constexpr int tempplatY[NUM_PLATFORMS_LEVEL1] = {844, 724, 574, 424, 324, 424,
                                                            324, 324, 424, 574, 724};
    play_music(game_music);
    place(platform, 100.0f, 150.0f);
    bob_set_position(&spike_left, 570, 904);
    bob_set_position(&spike_right, 900, 904);
    bob_set_position(&spike_up, 600, 304);
    bob_set_position(&wall, 600, 334);
    // The door's right edge on the screen's right edge, its bottom 100 above the bottom.
    bob_set_position(&door, 1280 - door.width, 1024 - door.height - 100);
    for (int i = 0; i < NUM_PLATFORMS_LEVEL1; ++i) {
        platX[i] = tempplatX[i];
        platY[i] = tempplatY[i] - 240;
    }
    return 1;
}

int setup_level2() {
    place(platform, 100, 150);
    num_trapdoors = 3;
    place(trapdoors[0], 100, 600);
    place(trapdoors[1], 600, 600);
    place(trapdoors[2], 900, 600);
    place(wall, 280, 220);
    place(door, 1100, 200);
    place(spike_left, 250, 220);
    place(spike_up, 280, 190);
    place(spike_down, 730, 430);
    return 1;
}

int setup_level3() {
    place(platform, 700, 150);
    num_trapdoors = 5;
    place(trapdoors[0], 40, 800);
    place(trapdoors[1], 170, 400);
    place(trapdoors[2], 400, 700);
    place(trapdoors[3], 700, 800);
    place(trapdoors[4], 550, 350);
    place(wall, 280, 400);
    place(door, 1160, 830);
    place(spike_left, 250, 0);
    place(spike_up, 0, 900);
    place(spike_down, 280, 580);
    place(spike_right, 0, 170);
    // Every trapdoor can be landed on again; countdowns begun in level 2 go on.
    for (int i = 0; i < num_trapdoors; ++i) trapdoor_states[i].solid = 1;
    return 1;
}

int setup_ending() {
    play_music(end_music);
    return 1;
}

int enter_level(int state) {
    if (state < STATE_LEVEL1 || state > STATE_ENDING) return 0;
    game_state = state;
    if (state == STATE_LEVEL1) {
        platform_dir = 0;
        return setup_level1();
    }
    const EntryPoint& entry = state == STATE_LEVEL2   ? ENTRY_LEVEL2
                              : state == STATE_LEVEL3 ? ENTRY_LEVEL3
                                                      : ENTRY_ENDING;
    player.x = entry.x;
    player.y = entry.y;
    player.vx = 0.0f;
    player.vy = 0.0f;
    if (state == STATE_LEVEL2) return setup_level2();
    if (state == STATE_LEVEL3) return setup_level3();
    return setup_ending();
}
