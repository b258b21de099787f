// The program's spine: the window, its procedure, the message loop that never
// waits, and the dispatcher that runs one frame of the current screen per pass.
#pragma once

#include "platform/system/win32.h"

using FrameFunction = int (*)(void* parms, int num_parms);

// frame function of each state 0..4; game_frame runs entry 0 for any other state
extern FrameFunction frame_functions[5];
// called after every frame (the trace writes its line here); null for none
extern void (*frame_observer)();

// stores the instance in main_instance, registers the class "WINCLASS1" and
// creates the one window, stored in main_window_handle; the window, or null when
// the class or the window cannot be made
HWND open_game_window(HINSTANCE instance);
// opens the window, runs start-up, the loop and shutdown; returns WM_QUIT's
// wParam, or 0 when the class or window cannot be made
int WinMain(HINSTANCE instance, HINSTANCE prev_instance, char* cmd_line, int cmd_show);
// answers WM_CREATE, WM_PAINT and WM_DESTROY; hands everything else on
LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
// runs the frame function of game_state (unsigned, so negative states run the
// title); returns 1
int game_frame(void* parms = nullptr, int num_parms = 0);
