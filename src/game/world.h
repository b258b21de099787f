// The game's world: every object on screen, the counters and flags shared by
// the title screen and the three levels, and the level tables. Everything is
// made once by start-up and lives for the whole run.
#pragma once

#include <cstdint>

#include "gfx/bob.h"
#include "platform/dinput.h"
#include "platform/win32.h"
#include "raster/bitmap.h"

// The screens, in the order the game moves through them.
using GameState = int;
constexpr GameState STATE_TITLE = 0;
constexpr GameState STATE_LEVEL1 = 1;
constexpr GameState STATE_LEVEL2 = 2;
constexpr GameState STATE_LEVEL3 = 3;
constexpr GameState STATE_ENDING = 4;

// Countdown of one trapdoor.
struct TrapdoorState {
    std::uint8_t triggered;      // the player landed on it and its countdown runs
    std::uint8_t solid;          // 1: the player can land on it; 0: falls through
    std::uint32_t trigger_time;  // tick count taken when triggered was set
};

constexpr int NUM_PLATFORMS_LEVEL1 = 11;
constexpr int MAX_TRAPDOORS = 5;
constexpr int GROUND_COLOR = 116;  // palette index that marks ground in the landscape

// ---- the window and the devices ---------------------------------------------
extern GameState game_state;      // the current screen, STATE_TITLE .. STATE_ENDING
extern HWND main_window_handle;   // the one window; quit requests are posted to it
extern HINSTANCE main_instance;   // the program instance given to WinMain
extern DirectInput* lpdi;         // the input object, made by start-up, never released
extern MouseDevice* lpdimouse;    // the system mouse, read once per frame
extern DIMOUSESTATE mouse_state;  // the mouse as last read

// ---- objects ------------------------------------------------------------------
extern BitmapImage landscapes[5];     // [0] title, [1] [2] story, [3] levels, [4] ending
extern Bob player;                    // the character, 72 x 74, 32 frames, 4 sequences
extern Bob cursor;                    // the pointer picture, drawn 16 up and left of the pointer
extern Bob platform;                  // level 1's platforms; the moving platform of levels 2, 3
extern Bob trapdoor;                  // template of the trapdoors, never drawn itself
extern Bob trapdoors[MAX_TRAPDOORS];  // plain copies of the template; num_trapdoors in play
extern Bob spike_left, spike_down, spike_right, spike_up;  // 400 x 400, drawn 30 x 30
extern Bob wall;  // 180 x 180 stone; stretched to 300 x 600 in level 1
extern Bob door;  // the exit of each level

// ---- counters and flags -------------------------------------------------------
extern int story_page;             // title page shown, 0..3
extern std::uint8_t enter_latch;   // Enter seen up since the last counted press; 1 at load
extern int mouse_x, mouse_y;       // pointer position, kept within the screen
extern int deaths;                 // deaths over the whole game
extern float power;                // launch power being charged, 0.0 .. 25.0
extern std::uint8_t airborne;      // the player is in the air
extern std::uint8_t charging;      // the left button is held to charge
extern std::uint8_t moving_left;   // a walk to the left is under way
extern std::uint8_t moving_right;  // a walk to the right is under way
extern std::uint8_t stop_walking;  // a walk key was released; the walk stops when grounded
extern int scream_sound;           // sound id of the scream, -1 for none
extern int title_music, story_music, game_music, end_music;  // music ids, -1 for none

// ---- level tables ---------------------------------------------------------------
extern int platX[NUM_PLATFORMS_LEVEL1];               // level-1 platform x positions
extern int platY[NUM_PLATFORMS_LEVEL1];               // level-1 platform y positions
extern int num_trapdoors;                             // entries of trapdoors in play
extern TrapdoorState trapdoor_states[MAX_TRAPDOORS];  // one per trapdoor
extern std::uint8_t platform_dir;  // moving platform: 0 moving right, 1 moving left
