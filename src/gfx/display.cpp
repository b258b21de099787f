// Display device globals. TEMPORARY: the operations on the display join these
// with the graphics library.
#include "gfx/display.h"

std::uint8_t* front_pixels = nullptr;
std::int32_t front_pitch = 0;
std::uint8_t* back_pixels = nullptr;
std::int32_t back_pitch = 0;
std::int32_t display_width = 1280;
std::int32_t display_height = 1024;
std::int32_t display_bpp = 16;
std::int32_t display_windowed = 0;
std::int32_t clip_left = 0;
std::int32_t clip_top = 0;
std::int32_t clip_right = 1279;
std::int32_t clip_bottom = 1023;
