// Draws with the installed core library, with no SDL: into memory of its own,
// then on the headless display (a window, a flip, a line of text), checking a
// few pixels. Exit code 0 when the library behaves, 1 otherwise.
#include <cstdio>
#include <vector>

#include "gfx/display.h"
#include "gfx/palette.h"
#include "gfx/text.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/system/win32.h"
#include "raster/lines.h"
#include "raster/polygons.h"
#include "raster/spans.h"

namespace {

bool draws_into_memory() {
    display_width = 64;
    display_height = 48;
    clip_left = 0;
    clip_top = 0;
    clip_right = 63;
    clip_bottom = 47;
    std::vector<std::uint8_t> pixels(64 * 48, 0);
    draw_triangle8(10, 10, 30, 10, 20, 30, 7, pixels.data(), 64);
    hline8(-5, 100, 40, 3, pixels.data(), 64);
    PolygonVertex square[4] = {{0, 0}, {5, 0}, {5, 5}, {0, 5}};
    Polygon p{1, 4, 40, 10, 0, 0, 9, square};
    fill_polygon8(&p, pixels.data(), 64);
    return pixels[20 * 64 + 20] == 7 && pixels[9 * 64 + 20] == 0 && pixels[40 * 64 + 0] == 3 &&
           pixels[40 * 64 + 63] == 3 && pixels[12 * 64 + 42] == 9 && fast_distance2d(3, 4) == 6;
}

LRESULT window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    return def_window_proc(hwnd, msg, wparam, lparam);
}

// A line of text on the headless display: some of its pixels take the colour.
bool draws_text_headless() {
    set_backend(make_headless_backend());
    WNDCLASSEX wc{};
    wc.lpfnWndProc = window_proc;
    wc.lpszClassName = "OUTSIDE";
    if (!register_class_ex(&wc)) return false;
    if (!create_window_ex(0, "OUTSIDE", "outside", WS_POPUP | WS_VISIBLE, 0, 0, 320, 200, nullptr,
                          nullptr, nullptr, nullptr))
        return false;
    PALETTEENTRY white[256] = {};
    white[200] = {255, 255, 255, 0};
    bool ok = display_init(320, 200, 8, 0) && set_palette(white) &&
              fill_surface(back_surface, 0, nullptr) &&
              draw_text_index("Outside", 4, 4, 200, back_surface) && flip_display();
    int inked = 0;
    if (ok) {
        const std::uint8_t* shown = front_surface->pixels();
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 80; ++x) inked += shown[y * front_surface->pitch() + x] != 0;
    }
    display_shutdown();
    set_backend(nullptr);
    reset_window_system();
    return ok && inked > 40;
}

}  // namespace

int main() {
    bool memory = draws_into_memory();
    bool text = draws_text_headless();
    std::printf("outside project: %s, %s\n", memory ? "ok" : "wrong pixels",
                text ? "text ok" : "no text");
    return memory && text ? 0 : 1;
}
