// Full-screen transitions between scenes: palette fades and tints, and wipes that
// blacken the screen by columns, rows, a closing box or random pixels; with their
// building blocks, clipped horizontal and vertical lines and a 16-bit fill.
// Owns no globals; reads the screen and clip rectangle of gfx/display.h, paces
// each step with the frame clock (12 ms) and changes the palette through
// gfx/palette.h.
#pragma once

#include <cstdint>

// Effect numbers of screen_transition.
enum TransitionEffect {
    FADE_TO_BLACK = 0,  // palette: 80 steps of -3 towards black, entry 0 kept
    FADE_TO_WHITE = 1,  // palette: 64 steps of +4 towards white
    CLOSE_COLUMNS = 2,  // wipe: black columns close in from both sides
    CLOSE_ROWS = 3,     // wipe: black rows close in from top and bottom
    DISSOLVE = 4,       // wipe: 4 x W x H + 1 random black pixels
    CLOSE_BOX = 5,      // wipe: rows and columns close in together
    TINT_BLUE = 6,      // palette: 64 steps, red and green -4, blue +6
    TINT_RED = 7,       // palette: 64 steps, red +6, green and blue -4
    TINT_GREEN = 8,     // palette: 64 steps, red and blue -4, green +6
};

constexpr int TRANSITION_STEP_MS = 12;  // the frame clock wait of every step
// The seed of the generator that places the DISSOLVE pixels; every dissolve
// starts from it, so the same screen dissolves the same way each time.
constexpr std::uint32_t DISSOLVE_SEED = 0x1D0C5EEDu;

// runs the effect to its end on the memory (a locked surface of display_width x
// display_height pixels, pitch in bytes; the wipes only); numbers outside 0..8,
// and wipes given null memory or a pitch below one row, do nothing
void screen_transition(int effect, void* pixels, int pitch);

// fills x1..x2 (either order, inclusive) of row y, clipped to the clip rectangle;
// 1, or 0 for null memory or a pitch below 1
int hline8(int x1, int x2, int y, std::uint8_t color, std::uint8_t* pixels, int pitch);
// the same in 16 bits; the pitch is in bytes
int hline16(int x1, int x2, int y, std::uint16_t color, std::uint16_t* pixels, int pitch);
// fills y1..y2 (either order, inclusive) of column x, clipped to the clip
// rectangle; 1, or 0 for null memory or a pitch below 1
int vline8(int y1, int y2, int x, std::uint8_t color, std::uint8_t* pixels, int pitch);
// the same in 16 bits; the pitch is in bytes
int vline16(int y1, int y2, int x, std::uint16_t color, std::uint16_t* pixels, int pitch);
// writes value into count consecutive 16-bit pixels; nothing for a count below 1
// or null memory
void fill16(std::uint16_t* first, std::uint16_t value, int count);
