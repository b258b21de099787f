// Start-up and shutdown: run once before the message loop and once after it.
#pragma once

#include "raster/bitmap.h"

extern BitmapFile work_bitmap;  // loading buffer of every bitmap file in turn

// puts every state global of the world back to its value at load (the window
// and the instance stay as the caller set them), brings up the display, mouse,
// sound and music, loads every asset and starts the title music; 1, or 0 when
// a sprite that the game cannot do without could not be made (the objects after
// it are left unmade)
int game_init(void* parms = nullptr, int num_parms = 0);
// releases images, sprites, sounds, music and the display, in that order; 1
int game_shutdown(void* parms = nullptr, int num_parms = 0);
