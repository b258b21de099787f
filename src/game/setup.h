// The level set-ups and the way into a level. Each set-up places the objects of
// the level it begins; setup_level1 starts the game music and setup_ending the
// ending music, while levels 2 and 3 keep the game music that plays. They create
// and draw nothing. Each returns 1.
#pragma once

// Where the player is put, at rest, on coming through a door.
struct EntryPoint {
    float x, y;
};
constexpr EntryPoint ENTRY_LEVEL2 = {100.0f, 900.0f};  // through level 1's door
constexpr EntryPoint ENTRY_LEVEL3 = {50.0f, 40.0f};    // through level 2's door
constexpr EntryPoint ENTRY_ENDING = {100.0f, 50.0f};   // through level 3's door

int setup_level1();
int setup_level2();
int setup_level3();
int setup_ending();

// Enters screen state (STATE_LEVEL1 .. STATE_ENDING) as the game does: level 1
// as the title's last Enter does (the moving platform set to move right, the
// set-up; the player stays where it is), the others as the door before them
// does (the player at the entry point at rest, the set-up); game_state becomes
// state. 1, or 0 for any other state, which changes nothing
int enter_level(int state);
