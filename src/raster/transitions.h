/// @file
/// Full-screen transitions between scenes: palette fades and tints, and wipes that
/// blacken the screen by columns, rows, a closing box or random pixels. Owns no
/// globals; reads the screen size and depth of gfx/display.h, draws the rows and
/// columns with the clipped lines of raster/spans.h, paces each step with the
/// frame clock (12 ms) and changes the palette through gfx/palette.h.
/// @ingroup transitions
#pragma once

#include <cstdint>

/// @addtogroup transitions
/// @{

/// Effect numbers of screen_transition.
enum TransitionEffect {
    FADE_TO_BLACK = 0,  ///< palette: 80 steps of -3 (4 and below to 0), entry 0 kept
    FADE_TO_WHITE = 1,  ///< palette: 64 steps of +4 towards white
    CLOSE_COLUMNS = 2,  ///< wipe: black columns close in from both sides
    CLOSE_ROWS = 3,     ///< wipe: black rows close in from top and bottom
    DISSOLVE = 4,       ///< wipe: 4 x W x H + 1 random black pixels, without waits
    CLOSE_BOX = 5,      ///< wipe: rows and columns close in together
    TINT_BLUE = 6,      ///< palette: 64 steps, red and green -4, blue +6
    TINT_RED = 7,       ///< palette: 64 steps, red +6, green and blue -4
    TINT_GREEN = 8,     ///< palette: 64 steps, red and blue -4, green +6
};

constexpr int TRANSITION_STEP_MS = 12;  ///< the frame clock wait of every step

/// The seed of the generator that places the DISSOLVE pixels; every dissolve
/// starts from it, so the same screen dissolves the same way each time.
constexpr std::uint32_t DISSOLVE_SEED = 0x1D0C5EEDu;

/// runs the effect to its end on the memory (a locked surface of display_width x
/// display_height pixels, pitch in bytes; the wipes only), restarting the frame
/// clock at every step. The row, column and box wipes stay inside the clip
/// rectangle, the dissolve inside the screen. Numbers outside 0..8, and wipes given
/// null memory or a pitch below one row, do nothing; at a display_bpp other than 8
/// or 16 the row, column and box wipes wait out their steps without drawing and
/// the dissolve does nothing
void screen_transition(int effect, void* pixels, int pitch);

/// @}
