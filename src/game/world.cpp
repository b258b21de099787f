// Definitions of the world globals.
#include "game/world.h"

GameState game_state = STATE_TITLE;
HWND main_window_handle = nullptr;
HINSTANCE main_instance = nullptr;
DirectInput* lpdi = nullptr;
MouseDevice* lpdimouse = nullptr;
DIMOUSESTATE mouse_state = {};
