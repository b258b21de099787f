// The game's world: every object on screen, the counters and flags shared by
// the title screen and the three levels, the level tables, and the handles that
// start-up makes once. Each global is named once, in one of the two lists
// below; its declaration, its definition with its value at load, and the
// reset, the snapshot and the restore all come from that list.
#pragma once

#include <cstdint>
#include <type_traits>

#include "gfx/bob.h"
#include "platform/system/dinput.h"
#include "platform/system/win32.h"
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

// The state: everything that a frame may change, and so everything that one
// frame hands to the next. X(type, name, value at load); an array's extent is
// part of its type. Sprite records are plain values: copies share the frames.
#define WORLD_STATE(X)                                                                            \
    X(GameState, game_state, STATE_TITLE) /* the current screen, STATE_TITLE .. STATE_ENDING */   \
    X(DIMOUSESTATE, mouse_state, {})      /* the mouse as last read */                            \
    /* ---- objects */                                                                            \
    X(Bob, player, {})                   /* the character, 72 x 74, 32 frames, 4 sequences */     \
    X(Bob, cursor, {})                   /* the pointer picture, drawn 16 up and left of it */    \
    X(Bob, platform, {})                 /* level 1's platforms; levels 2, 3's moving one */      \
    X(Bob, trapdoor, {})                 /* template of the trapdoors, never drawn itself */      \
    X(Bob[MAX_TRAPDOORS], trapdoors, {}) /* copies of the template; num_trapdoors in play */      \
    X(Bob, spike_left, {})               /* blades pointing left; 400 x 400, drawn 30 x 30 */     \
    X(Bob, spike_down, {})               /* blades pointing down; 400 x 400, drawn 30 x 30 */     \
    X(Bob, spike_right, {})              /* blades pointing right; 400 x 400, drawn 30 x 30 */    \
    X(Bob, spike_up, {})                 /* blades pointing up; 400 x 400, drawn 30 x 30 */       \
    X(Bob, wall, {})                     /* 180 x 180 stone; stretched to 300 x 600 in level 1 */ \
    X(Bob, door, {})                     /* the exit of each level */                             \
    X(Bob, bobptr, {})                   /* the frame's scratch copy of a sprite; owns nothing */ \
    /* ---- counters and flags */                                                                 \
    X(int, story_page, 0)            /* title page shown, 0..3 */                                 \
    X(std::uint8_t, enter_latch, 1)  /* Enter seen up since the last counted press */             \
    X(int, mouse_x, 0)               /* pointer x, kept within the screen */                      \
    X(int, mouse_y, 0)               /* pointer y, kept within the screen */                      \
    X(int, deaths, 0)                /* deaths over the whole game */                             \
    X(float, power, 0.0f)            /* launch power being charged, 0.0 .. 25.0 */                \
    X(std::uint8_t, airborne, 0)     /* the player is in the air */                               \
    X(std::uint8_t, charging, 0)     /* the left button is held to charge */                      \
    X(std::uint8_t, moving_left, 0)  /* a walk to the left is under way */                        \
    X(std::uint8_t, moving_right, 0) /* a walk to the right is under way */                       \
    X(std::uint8_t, stop_walking, 0) /* a walk key was released; stops when grounded */           \
    X(int, walking, 0)               /* a walk key moved the player in this frame */              \
    X(std::uint8_t, riding, 0)       /* the player touched the moving platform this frame */      \
    X(char[80], hud_text, {})        /* the HUD line being drawn */                               \
    /* ---- level tables */                                                                       \
    X(int[NUM_PLATFORMS_LEVEL1], platX, {})              /* level-1 platform x positions */       \
    X(int[NUM_PLATFORMS_LEVEL1], platY, {})              /* level-1 platform y positions */       \
    X(int, num_trapdoors, 0)                             /* entries of trapdoors in play */       \
    X(TrapdoorState[MAX_TRAPDOORS], trapdoor_states, {}) /* one per trapdoor */                   \
    X(std::uint8_t, platform_dir, 0) /* moving platform: 0 moving right, 1 moving left */

// The handles: made once by start-up (or, for the window and the instance, by
// its caller before it runs) and kept for the whole run; no frame changes them.
#define WORLD_HANDLES(X)                                                                        \
    X(HWND, main_window_handle, nullptr) /* the one window; quit requests go to it */           \
    X(HINSTANCE, main_instance, nullptr) /* the program instance given to WinMain */            \
    X(DirectInput*, lpdi, nullptr)       /* the input object, never released */                 \
    X(MouseDevice*, lpdimouse, nullptr)  /* the system mouse, read once per frame */            \
    X(BitmapImage[5], landscapes, {})    /* [0] title, [1] [2] story, [3] levels, [4] ending */ \
    X(int, scream_sound, -1)             /* sound id of the scream, -1 for none */              \
    X(int, title_music, -1)              /* music id of the title, -1 for none */               \
    X(int, story_music, -1)              /* music id of the story pages, -1 for none */         \
    X(int, game_music, -1)               /* music id of the levels, -1 for none */              \
    X(int, end_music, -1)                /* music id of the ending, -1 for none */

#define WORLD_DECLARE(type, name, at_load) extern std::type_identity_t<type> name;
WORLD_STATE(WORLD_DECLARE)
WORLD_HANDLES(WORLD_DECLARE)
#undef WORLD_DECLARE

// A copy of the state, member for member under the globals' own names; a
// default record holds the values at load.
struct WorldState {
#define WORLD_MEMBER(type, name, at_load) std::type_identity_t<type> name = at_load;
    WORLD_STATE(WORLD_MEMBER)
#undef WORLD_MEMBER
};

// puts every state global back to its value at load; returns 1
int world_reset();
// copies every state global into *state; 1, or 0 for a null record
int world_save(WorldState* state);
// puts every state global back as state holds it; returns 1
int world_restore(const WorldState& state);
// forgets the handles (they go back to their values at load) without releasing
// anything; returns 1
int world_forget_handles();
