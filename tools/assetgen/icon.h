// The game's icon for desktop menus: the hero standing before the exit door on
// a dusk sky above ground, drawn from the game's own sprites at each size the
// icon theme asks for. No globals. Needs canvas.h, sprites.h and palette.h.
#pragma once

#include <string>

#include "canvas.h"

// the hicolor sizes written; 192 and 512 are also the web page's install icons
constexpr int ICON_SIZES[] = {16, 32, 48, 64, 128, 192, 256, 512};

// the icon, size x size and fully opaque; an empty canvas for a size below 16
Canvas icon_picture(int size);
// writes folder/hicolor/NxN/apps/vantorel17.png for every size of ICON_SIZES,
// making the folders; 1, or 0 with the failing path in *failed
int write_icons(const std::string& folder, std::string* failed);
