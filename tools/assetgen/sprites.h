// The sprite pictures: the player's 32 frames, the mouse pointer, the platform,
// the trapdoor, the four spikes, the wall and the door, each drawn on index 0
// (transparent), and the sheets that frame them in one-pixel cell borders.
// No globals. Needs canvas.h.
#pragma once

#include "canvas.h"

constexpr int PLAYER_W = 72;          // player cell width
constexpr int PLAYER_H = 74;          // player cell height
constexpr int PLAYER_FEET_ROW = 62;   // the row the player's feet stand on
constexpr int PLAYER_LEFT_COL = 12;   // the figure's leftmost column
constexpr int PLAYER_RIGHT_COL = 44;  // the figure's rightmost column
constexpr int PLATFORM_TOP_ROW = 8;   // first row of the walkable surface of platform and trapdoor

// player frame 0 .. 31 (72 x 74); an empty canvas for another number
Canvas player_frame(int frame);
// the mouse pointer, 31 x 33, aimed at its pixel (16, 16)
Canvas pointer_picture();
// the fixed platform, 100 x 60, its top surface in the ground colour
Canvas platform_picture();
// the hinged trapdoor, 100 x 60
Canvas trapdoor_picture();
// a spike picture, 400 x 400, pointing up (0), right (1), down (2) or left (3)
Canvas spike_picture(int direction);
// the stone wall, 180 x 180, fully opaque
Canvas wall_picture();
// the exit door, 80 x 100, its bottom edge on the last row
Canvas door_picture();

// a sheet of columns x rows cells of the frames' size, each frame inside a
// one-pixel border, padded to a width that is a multiple of 4; frames are
// placed row by row (frames[i] goes to cell (i % columns, i / columns))
Canvas cell_sheet(const Canvas* frames, int count, int columns, int rows);
