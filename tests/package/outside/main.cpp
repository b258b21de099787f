// Draws with the installed library into memory of its own and checks a few
// pixels: exit code 0 when the library behaves, 1 otherwise.
#include <cstdio>
#include <vector>

#include "gfx/display.h"
#include "raster/lines.h"
#include "raster/polygons.h"
#include "raster/spans.h"

int main() {
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
    bool ok = pixels[20 * 64 + 20] == 7 && pixels[9 * 64 + 20] == 0 && pixels[40 * 64 + 0] == 3 &&
              pixels[40 * 64 + 63] == 3 && pixels[12 * 64 + 42] == 9 && fast_distance2d(3, 4) == 6;
    std::printf("outside project: %s\n", ok ? "ok" : "wrong pixels");
    return ok ? 0 : 1;
}
