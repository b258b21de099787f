// World globals that every screen and level shares: the current screen, the
// window that quit requests go to, and the mouse device with its last state.
#pragma once

#include "platform/dinput.h"
#include "platform/win32.h"

// The screens, in the order the game moves through them.
using GameState = int;
constexpr GameState STATE_TITLE = 0;
constexpr GameState STATE_LEVEL1 = 1;
constexpr GameState STATE_LEVEL2 = 2;
constexpr GameState STATE_LEVEL3 = 3;
constexpr GameState STATE_ENDING = 4;

extern GameState game_state;           // the current screen, STATE_TITLE .. STATE_ENDING
extern HWND main_window_handle;        // the one window; quit requests are posted to it
extern HINSTANCE main_instance;        // the program instance given to WinMain
extern DirectInput* lpdi;              // the input object, made by start-up, never released
extern MouseDevice* lpdimouse;         // the system mouse, read once per frame
extern DIMOUSESTATE mouse_state;       // the mouse as read by this frame
