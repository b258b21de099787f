// The contact sheet: one PNG that shows every picture scaled down, every sprite
// frame at full size, the spikes also at 30 x 30, the wall at 300 x 600, and
// the level layouts put together, for a person to look at the art.
// No globals. Needs the headless PNG writer, canvas.h and palette.h.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

// one named picture of the asset set
struct NamedCanvas {
    std::string name;
    Canvas canvas;
};

// writes the canvas with asset_palette as an indexed PNG; 1, or 0 when the file
// cannot be written or the canvas is empty
int write_canvas_png(const char* path, const Canvas& c);
// writes the contact sheet of the pictures (LANDSCAPE*, sprites) and of the
// player frames; 1, or 0 when the file cannot be written
int write_contact_sheet(const char* path, const std::vector<NamedCanvas>& pictures,
                        const std::vector<Canvas>& player_frames);
// the level (1 .. 3) as the game would show it at its start, drawn from the
// pictures; an empty canvas when a picture is missing
Canvas level_preview(int level, const std::vector<NamedCanvas>& pictures,
                     const std::vector<Canvas>& player_frames);
