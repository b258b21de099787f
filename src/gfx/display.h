// The display device: screen geometry, the clip rectangle and the memory of
// the locked front and back buffers. Edges of the clip rectangle are inclusive.
#pragma once

#include <cstdint>

extern std::uint8_t* front_pixels;  // memory of the front surface while locked, else null
extern std::int32_t front_pitch;    // bytes per row of front_pixels; 0 while unlocked
extern std::uint8_t* back_pixels;   // memory of the back surface while locked, else null
extern std::int32_t back_pitch;     // bytes per row of back_pixels; 0 while unlocked
extern std::int32_t display_width;  // screen width in pixels, 1280
extern std::int32_t display_height; // screen height in pixels, 1024
extern std::int32_t display_bpp;    // bits per pixel of the display mode
extern std::int32_t display_windowed;  // 0 full screen, non-zero windowed
extern std::int32_t clip_left;      // leftmost column drawn, inclusive
extern std::int32_t clip_top;       // topmost row drawn, inclusive
extern std::int32_t clip_right;     // rightmost column drawn, inclusive
extern std::int32_t clip_bottom;    // bottom row drawn, inclusive
