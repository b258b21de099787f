// An 8-bit drawing canvas for the asset pictures: palette indices, rows top
// first, no fill bytes. Shapes are clipped to the canvas once, then filled.
// Polygons are filled even-odd at pixel centres, so shapes that share an edge
// neither overlap nor leave a gap. No globals. Needs palette.h for ramps.
#pragma once

#include <cstdint>
#include <vector>

#include "palette.h"

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height indices, rows top first
};

struct Pt {
    double x, y;
};

// a canvas of the size filled with colour; an empty one for a size below 1
Canvas make_canvas(int width, int height, int colour = PAL_TRANSPARENT);
// the index at (x, y), or -1 outside the canvas
int canvas_get(const Canvas& c, int x, int y);
// sets one pixel; nothing outside the canvas
void canvas_put(Canvas& c, int x, int y, int colour);
// fills the rectangle of w x h pixels at (x, y), clipped
void canvas_rect(Canvas& c, int x, int y, int w, int h, int colour);
// fills any simple or self-touching polygon of n points (even-odd rule), clipped
void canvas_polygon(Canvas& c, const Pt* points, int n, int colour);
// fills the triangle, clipped
void canvas_triangle(Canvas& c, Pt a, Pt b, Pt d, int colour);
// a one-pixel line between the two points, both ends drawn, clipped
void canvas_line(Canvas& c, int x1, int y1, int x2, int y2, int colour);
// a line of the given width in pixels with square ends, clipped
void canvas_thick_line(Canvas& c, Pt a, Pt b, double width, int colour);
// fills the ellipse centred at (cx, cy) with radii rx, ry, clipped
void canvas_ellipse(Canvas& c, double cx, double cy, double rx, double ry, int colour);
// fills rows y .. y + h - 1 with the ramp from shade s0 at the top to s1 at the
// bottom, dithered with a 4 x 4 ordered pattern between neighbouring shades
void canvas_vgradient(Canvas& c, int x, int y, int w, int h, const Ramp& ramp, int s0, int s1);
// every pixel of colour 0 that touches a figure pixel on a side gets colour
void canvas_outline(Canvas& c, int colour);
// copies src with its top-left corner at (x, y), skipping index 0 when transparent
void canvas_blit(Canvas& dst, const Canvas& src, int x, int y, bool transparent);
// src resized to w x h by nearest sampling (column x takes source x * sw / w)
Canvas canvas_scaled(const Canvas& src, int w, int h);
// the w x h block of src at (x, y); pixels outside src read as 0
Canvas canvas_crop(const Canvas& src, int x, int y, int w, int h);
// replaces colour from with to everywhere
void canvas_replace(Canvas& c, int from, int to);
// mirrors the canvas left to right in place
void canvas_mirror(Canvas& c);

// ---- deterministic helpers for the art ---------------------------------------

// a small fixed-seed random generator (xorshift32); the same numbers everywhere
struct Rng {
    std::uint32_t state;
    // the next value, 0 .. 2^32 - 1
    std::uint32_t next();
    // a value from lo to hi inclusive (lo when hi < lo)
    int range(int lo, int hi);
};

// sine of the angle given in 1/4096 turns, as a double computed with a fixed
// polynomial, so that the result does not depend on the maths library
double turn_sin(int angle);
// cosine of the angle in 1/4096 turns, like turn_sin
double turn_cos(int angle);
