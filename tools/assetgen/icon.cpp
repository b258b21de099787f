// The icon. Every part is placed in fractions of the size, so that each size is
// drawn afresh rather than shrunk from the largest, and the small sizes keep a
// figure that reads: the hero is cropped to its own columns and outlined.
#include "icon.h"

#include <filesystem>
#include <system_error>

#include "contact_sheet.h"
#include "sprites.h"

Canvas icon_picture(int size) {
    if (size < 16) return Canvas{};
    Canvas c = make_canvas(size, size);
    int ground = size * 4 / 5;
    canvas_vgradient(c, 0, 0, size, ground, RAMP_DUSK, 2, RAMP_DUSK.count - 1);
    canvas_rect(c, 0, ground, size, size - ground, PAL_GROUND);
    canvas_rect(c, 0, ground + (size + 15) / 16, size, size, RAMP_SOIL.at(2));

    // the door at the right, its foot on the ground
    int door_h = size / 2;
    int door_w = door_h * 4 / 5;
    Canvas door = canvas_scaled(door_picture(), door_w, door_h);
    canvas_blit(c, door, size - door_w - size / 12, ground - door_h, true);

    // the hero, from the top of its head to its feet, walking toward the door
    int figure_w = PLAYER_RIGHT_COL - PLAYER_LEFT_COL + 1;
    int figure_h = PLAYER_FEET_ROW + 1;
    Canvas hero = canvas_crop(player_frame(0), PLAYER_LEFT_COL, 0, figure_w, figure_h);
    int hero_h = size * 2 / 3;
    int hero_w = hero_h * figure_w / figure_h;
    // a one-pixel margin round the figure takes its outline
    Canvas small = canvas_crop(canvas_scaled(hero, hero_w, hero_h), -1, -1, hero_w + 2, hero_h + 2);
    canvas_outline(small, RAMP_INK.at(0));
    canvas_blit(c, small, size / 10 - 1, ground - hero_h - 1, true);
    return c;
}

int write_icons(const std::string& folder, std::string* failed) {
    build_palette();
    for (int size : ICON_SIZES) {
        std::string name = std::to_string(size) + "x" + std::to_string(size);
        std::filesystem::path dir = std::filesystem::path(folder) / "hicolor" / name / "apps";
        std::filesystem::path file = dir / "vantorel17.png";
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        if (error || !write_canvas_png(file.string().c_str(), icon_picture(size))) {
            if (failed) *failed = file.string();
            return 0;
        }
    }
    return 1;
}
