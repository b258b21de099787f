// The five full-screen pictures, 1280 x 1024: the title (0), two story pages
// (1, 2), the background of the levels (3) with its floor of ground colour in
// rows 930 .. 1023, and the ending (4). No globals. Needs canvas.h, sprites.h
// and captions.h (the fonts must be open for the texts).
#pragma once

#include "canvas.h"

constexpr int SCREEN_W = 1280;      // picture width
constexpr int SCREEN_H = 1024;      // picture height
constexpr int FLOOR_TOP_ROW = 930;  // first row of the level picture's floor

// full-screen picture n (0 .. 4); an empty canvas for another number
Canvas landscape(int n);
