// Definitions of the world globals, with their values at load.
#include "game/world.h"

GameState game_state = STATE_TITLE;
HWND main_window_handle = nullptr;
HINSTANCE main_instance = nullptr;
DirectInput* lpdi = nullptr;
MouseDevice* lpdimouse = nullptr;
DIMOUSESTATE mouse_state = {};

BitmapImage landscapes[5] = {};
Bob player = {};
Bob cursor = {};
Bob platform = {};
Bob trapdoor = {};
Bob trapdoors[MAX_TRAPDOORS] = {};
Bob spike_left = {}, spike_down = {}, spike_right = {}, spike_up = {};
Bob wall = {};
Bob door = {};

int story_page = 0;
std::uint8_t enter_latch = 1;
int mouse_x = 0, mouse_y = 0;
int deaths = 0;
float power = 0.0f;
std::uint8_t airborne = 0;
std::uint8_t charging = 0;
std::uint8_t moving_left = 0;
std::uint8_t moving_right = 0;
std::uint8_t stop_walking = 0;
int scream_sound = -1;
int title_music = -1, story_music = -1, game_music = -1, end_music = -1;

int platX[NUM_PLATFORMS_LEVEL1] = {};
int platY[NUM_PLATFORMS_LEVEL1] = {};
int num_trapdoors = 0;
TrapdoorState trapdoor_states[MAX_TRAPDOORS] = {};
std::uint8_t platform_dir = 0;
