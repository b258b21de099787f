// The canvas: clipped fills, even-odd polygon filling at pixel centres, lines,
// ellipses, dithered gradients, outlines, blits and nearest-sample scaling.
// Lines are the library's clipped lines, drawn with the clip rectangle set to
// the canvas for the call. No globals. Needs raster/lines.h and gfx/display.h.
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx/display.h"
#include "raster/lines.h"

Canvas make_canvas(int width, int height, int colour) {
    Canvas c;
    if (width < 1 || height < 1) return c;
    c.width = width;
    c.height = height;
    c.pixels.assign(static_cast<std::size_t>(width) * height, static_cast<std::uint8_t>(colour));
    return c;
}

int canvas_get(const Canvas& c, int x, int y) {
    if (x < 0 || y < 0 || x >= c.width || y >= c.height) return -1;
    return c.pixels[static_cast<std::size_t>(y) * c.width + x];
}

void canvas_put(Canvas& c, int x, int y, int colour) {
    if (x < 0 || y < 0 || x >= c.width || y >= c.height) return;
    c.pixels[static_cast<std::size_t>(y) * c.width + x] = static_cast<std::uint8_t>(colour);
}

namespace {

// the 4 x 4 ordered-dither thresholds, 0..15
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// fills columns x0 .. x1 - 1 of row y; the caller has clipped them
void span(Canvas& c, int y, int x0, int x1, int colour) {
    if (x1 > x0)
        std::memset(&c.pixels[static_cast<std::size_t>(y) * c.width + x0], colour, x1 - x0);
}

// the first pixel column whose centre lies at or right of x, clipped to the canvas
int column_at(const Canvas& c, double x) {
    double v = std::ceil(x - 0.5);
    if (v < 0) return 0;
    if (v > c.width) return c.width;
    return static_cast<int>(v);
}

}  // namespace

void canvas_rect(Canvas& c, int x, int y, int w, int h, int colour) {
    int x0 = std::max(x, 0), x1 = std::min(x + w, c.width);
    int y0 = std::max(y, 0), y1 = std::min(y + h, c.height);
    for (int row = y0; row < y1; ++row) span(c, row, x0, x1, colour);
}

void canvas_polygon(Canvas& c, const Pt* points, int n, int colour) {
    if (!points || n < 3 || c.width < 1) return;
    double top = points[0].y, bottom = points[0].y;
    for (int i = 1; i < n; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
    }
    int y0 = std::max(0, static_cast<int>(std::ceil(top - 0.5)));
    int y1 = std::min(c.height - 1, static_cast<int>(std::floor(bottom - 0.5)));
    std::vector<double> cross;
    for (int y = y0; y <= y1; ++y) {
        double sy = y + 0.5;
        cross.clear();
        for (int i = 0; i < n; ++i) {
            const Pt& a = points[i];
            const Pt& b = points[(i + 1) % n];
            if ((a.y <= sy && b.y > sy) || (b.y <= sy && a.y > sy))
                cross.push_back(a.x + (sy - a.y) * (b.x - a.x) / (b.y - a.y));
        }
        std::sort(cross.begin(), cross.end());
        for (std::size_t k = 0; k + 1 < cross.size(); k += 2)
            span(c, y, column_at(c, cross[k]), column_at(c, cross[k + 1]), colour);
    }
}

void canvas_triangle(Canvas& c, Pt a, Pt b, Pt d, int colour) {
    Pt p[3] = {a, b, d};
    canvas_polygon(c, p, 3, colour);
}

void canvas_line(Canvas& c, int x1, int y1, int x2, int y2, int colour) {
    if (c.width < 1) return;
    const int saved[6] = {clip_left,   clip_top,      clip_right,
                          clip_bottom, display_width, display_height};
    clip_left = 0, clip_top = 0, clip_right = c.width - 1, clip_bottom = c.height - 1;
    display_width = c.width, display_height = c.height;
    draw_clip_line8(x1, y1, x2, y2, static_cast<std::uint8_t>(colour), c.pixels.data(), c.width);
    clip_left = saved[0], clip_top = saved[1], clip_right = saved[2], clip_bottom = saved[3];
    display_width = saved[4], display_height = saved[5];
}

void canvas_thick_line(Canvas& c, Pt a, Pt b, double width, int colour) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0) {
        canvas_rect(c, static_cast<int>(a.x - width / 2), static_cast<int>(a.y - width / 2),
                    static_cast<int>(width), static_cast<int>(width), colour);
        return;
    }
    double nx = -dy / len * width / 2, ny = dx / len * width / 2;
    double ex = dx / len * width / 2, ey = dy / len * width / 2;
    Pt q[4] = {{a.x + nx - ex, a.y + ny - ey},
               {b.x + nx + ex, b.y + ny + ey},
               {b.x - nx + ex, b.y - ny + ey},
               {a.x - nx - ex, a.y - ny - ey}};
    canvas_polygon(c, q, 4, colour);
}

void canvas_ellipse(Canvas& c, double cx, double cy, double rx, double ry, int colour) {
    if (rx <= 0 || ry <= 0) return;
    int y0 = std::max(0, static_cast<int>(std::ceil(cy - ry - 0.5)));
    int y1 = std::min(c.height - 1, static_cast<int>(std::floor(cy + ry - 0.5)));
    for (int y = y0; y <= y1; ++y) {
        double t = (y + 0.5 - cy) / ry;
        double h = 1.0 - t * t;
        if (h <= 0) continue;
        double w = rx * std::sqrt(h);
        span(c, y, column_at(c, cx - w), column_at(c, cx + w), colour);
    }
}

void canvas_vgradient(Canvas& c, int x, int y, int w, int h, const Ramp& ramp, int s0, int s1) {
    if (h < 1) return;
    int x0 = std::max(x, 0), x1 = std::min(x + w, c.width);
    for (int row = std::max(y, 0); row < std::min(y + h, c.height); ++row) {
        // shade position in 1/16 steps
        int pos = s0 * 16 + (s1 - s0) * 16 * (row - y) / std::max(h - 1, 1);
        for (int col = x0; col < x1; ++col) {
            int s = pos >> 4;
            if ((pos & 15) > kBayer[row & 3][col & 3]) ++s;
            c.pixels[static_cast<std::size_t>(row) * c.width + col] =
                static_cast<std::uint8_t>(ramp.at(s));
        }
    }
}

void canvas_outline(Canvas& c, int colour) {
    Canvas src = c;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            if (canvas_get(src, x, y) != 0) continue;
            auto figure = [&](int px, int py) {
                int v = canvas_get(src, px, py);
                return v > 0 && v != colour;
            };
            if (figure(x - 1, y) || figure(x + 1, y) || figure(x, y - 1) || figure(x, y + 1))
                canvas_put(c, x, y, colour);
        }
}

void canvas_blit(Canvas& dst, const Canvas& src, int x, int y, bool transparent) {
    for (int sy = 0; sy < src.height; ++sy) {
        int dy = y + sy;
        if (dy < 0 || dy >= dst.height) continue;
        for (int sx = 0; sx < src.width; ++sx) {
            int dx = x + sx;
            if (dx < 0 || dx >= dst.width) continue;
            std::uint8_t v = src.pixels[static_cast<std::size_t>(sy) * src.width + sx];
            if (transparent && v == 0) continue;
            dst.pixels[static_cast<std::size_t>(dy) * dst.width + dx] = v;
        }
    }
}

Canvas canvas_scaled(const Canvas& src, int w, int h) {
    Canvas out = make_canvas(w, h);
    if (out.width == 0 || src.width == 0) return out;
    for (int y = 0; y < h; ++y) {
        int sy = static_cast<int>(static_cast<long long>(y) * src.height / h);
        for (int x = 0; x < w; ++x) {
            int sx = static_cast<int>(static_cast<long long>(x) * src.width / w);
            out.pixels[static_cast<std::size_t>(y) * w + x] =
                src.pixels[static_cast<std::size_t>(sy) * src.width + sx];
        }
    }
    return out;
}

Canvas canvas_crop(const Canvas& src, int x, int y, int w, int h) {
    Canvas out = make_canvas(w, h);
    canvas_blit(out, src, -x, -y, false);
    return out;
}

void canvas_replace(Canvas& c, int from, int to) {
    for (std::uint8_t& p : c.pixels)
        if (p == from) p = static_cast<std::uint8_t>(to);
}

void canvas_mirror(Canvas& c) {
    for (int y = 0; y < c.height; ++y) {
        auto row = c.pixels.begin() + static_cast<std::ptrdiff_t>(y) * c.width;
        std::reverse(row, row + c.width);
    }
}

std::uint32_t Rng::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

int Rng::range(int lo, int hi) {
    if (hi <= lo) return lo;
    return lo + static_cast<int>(next() % static_cast<std::uint32_t>(hi - lo + 1));
}

double turn_sin(int angle) {
    int a = angle & 4095;
    bool negative = a >= 2048;
    if (negative) a -= 2048;
    if (a > 1024) a = 2048 - a;
    double x = a * (3.14159265358979323846 / 2048.0);
    double x2 = x * x;
    // Taylor series to x^13: error below 1e-9 on 0 .. pi / 2
    double s =
        x *
        (1 -
         x2 / 6 * (1 - x2 / 20 * (1 - x2 / 42 * (1 - x2 / 72 * (1 - x2 / 110 * (1 - x2 / 156))))));
    return negative ? -s : s;
}

double turn_cos(int angle) {
    return turn_sin(angle + 1024);
}
