// Filled triangles. A half (flat top or flat bottom) walks its two edges down
// the rows, in double or in 16.16 fixed point, clips its rows once and each
// span once, and fills the span with one block fill. Coordinates may be anything
// an int holds: differences and fixed-point positions are kept in 64 bits and
// every float becomes an integer only once it is limited or known to lie within
// the 64-bit range (the split offset is at most a corner difference times 2^16).
#include "raster/triangles.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "gfx/display.h"
#include "raster/spans.h"

namespace {

using i64 = std::int64_t;

constexpr i64 kFixedOne = 65536;
constexpr i64 kFixedHalf = 32768;
constexpr double kWideLimit = 1099511627776.0;  // 2^40: far beyond any clip edge

// The column of an edge position: its floor, which is the truncation for every
// column on the screen, while an end left of column 0 stays left of it instead
// of being pulled in. v is first limited to +-2^40 (NaN to the low end), so no
// float outside the integer range is ever converted.
i64 column_of(double v) {
    if (!(v > -kWideLimit)) return static_cast<i64>(-kWideLimit);
    if (v > kWideLimit) return static_cast<i64>(kWideLimit);
    // floor without a library call: truncate, then one down for a negative
    // value with a fraction
    i64 t = static_cast<i64>(v);
    return static_cast<double>(t) > v ? t - 1 : t;
}

// Where to draw: memory, its pitch in pixels and the colour.
template <typename Pixel>
struct Target {
    Pixel* pixels;
    int pitch;
    Pixel color;
};

// Fills left..right of row y (a row inside the clip rectangle), cut to the clip
// columns.
template <typename Pixel>
void clipped_span(const Target<Pixel>& t, i64 y, i64 left, i64 right) {
    Pixel* row = t.pixels + y * t.pitch;
    if constexpr (sizeof(Pixel) == 1) {
        row_span8(row, left, right, t.color);
    } else {
        row_span16(row, left, right, t.color);
    }
}

// The rows of a half, y_top..y_bottom, cut to the clip rectangle; the number of
// rows skipped above it goes to *skipped. False when no row is left.
bool clip_rows(i64* y_top, i64* y_bottom, i64* skipped) {
    *skipped = 0;
    if (*y_top < clip_top) {
        *skipped = clip_top - *y_top;
        *y_top = clip_top;
    }
    *y_bottom = std::min<i64>(*y_bottom, clip_bottom);
    return *y_top <= *y_bottom;
}

// Rows y_top..y_bottom between a left edge starting at xs and a right edge at
// xe, moving by the steps per row; each row spans the columns of xs..xe. The
// rows skipped above the clip rectangle are jumped in one multiplication.
template <typename Pixel>
void float_half(const Target<Pixel>& t, i64 y_top, i64 y_bottom, double xs, double xe,
                double left_step, double right_step) {
    i64 skipped;
    if (!clip_rows(&y_top, &y_bottom, &skipped)) return;
    xs += left_step * static_cast<double>(skipped);
    xe += right_step * static_cast<double>(skipped);
    for (i64 y = y_top; y <= y_bottom; ++y) {
        clipped_span(t, y, column_of(xs), column_of(xe));
        xs += left_step;
        xe += right_step;
    }
}

// The same in 16.16 fixed point, integers only in the row loop: a column is
// (position + 1/2) >> 16. The start row's positions come from the exact edge
// (a 128-bit product) so that a half starting far above loses no precision.
template <typename Pixel>
void fixed_half(const Target<Pixel>& t, i64 y_top, i64 y_bottom, i64 xs, i64 xs_end, i64 xe,
                i64 xe_end) {
    i64 height = y_bottom - y_top;
    i64 left_step = (xs_end - xs) / height;
    i64 right_step = (xe_end - xe) / height;
    i64 skipped;
    if (!clip_rows(&y_top, &y_bottom, &skipped)) return;
    if (skipped > 0) {  // skipped never exceeds height, so the results fit 64 bits
        xs += static_cast<i64>(static_cast<__int128>(xs_end - xs) * skipped / height);
        xe += static_cast<i64>(static_cast<__int128>(xe_end - xe) * skipped / height);
    }
    for (i64 y = y_top; y <= y_bottom; ++y) {
        clipped_span(t, y, (xs + kFixedHalf) >> 16, (xe + kFixedHalf) >> 16);
        xs += left_step;
        xe += right_step;
    }
}

// Flat top: x1 and x2 on row y1, apex x3 on row y3 below. The right edge starts
// half a pixel further so that its truncation rounds.
template <typename Pixel>
void top_float(const Target<Pixel>& t, double x1, i64 y1, double x2, double x3, i64 y3) {
    if (x2 < x1) std::swap(x1, x2);
    if (y3 <= y1) return;
    double h = static_cast<double>(y3 - y1);
    float_half(t, y1, y3, x1, x2 + 0.5, (x3 - x1) / h, (x3 - x2) / h);
}

// Flat bottom: apex x1 on row y1, x2 and x3 on row y3 below.
template <typename Pixel>
void bottom_float(const Target<Pixel>& t, double x1, i64 y1, double x2, double x3, i64 y3) {
    if (x3 < x2) std::swap(x2, x3);
    if (y3 <= y1) return;
    double h = static_cast<double>(y3 - y1);
    float_half(t, y1, y3, x1, x1, (x2 - x1) / h, (x3 - x1) / h);
}

// The fixed-point halves take positions already multiplied by 65536.
template <typename Pixel>
void top_fixed(const Target<Pixel>& t, i64 x1, i64 y1, i64 x2, i64 y2, i64 x3, i64 y3) {
    if (y1 == y3 || y2 == y3 || y3 < y1) return;
    if (x2 < x1) std::swap(x1, x2);
    fixed_half(t, y1, y3, x1, x3, x2, x3);
}

template <typename Pixel>
void bottom_fixed(const Target<Pixel>& t, i64 x1, i64 y1, i64 x2, i64 y2, i64 x3, i64 y3) {
    if (y1 == y2 || y1 == y3 || y3 < y1) return;
    if (x3 < x2) std::swap(x2, x3);
    fixed_half(t, y1, y3, x1, x2, x1, x3);
}

// Sorts the corners by y, drops what cannot show, and draws the one or two
// halves. A split happens on the middle corner's row at the exact point of the
// long edge, kept as a double (float form) or in 16.16 (fixed form), so that
// both halves follow the true edges.
template <typename Pixel>
void general(const Target<Pixel>& t, int x1, int y1, int x2, int y2, int x3, int y3, bool fixed) {
    if ((x1 == x2 && x2 == x3) || (y1 == y2 && y2 == y3)) return;
    if (y2 < y1) std::swap(x1, x2), std::swap(y1, y2);
    if (y3 < y1) std::swap(x1, x3), std::swap(y1, y3);
    if (y3 < y2) std::swap(x2, x3), std::swap(y2, y3);
    if (y3 < clip_top || y1 > clip_bottom) return;
    if ((x1 < clip_left && x2 < clip_left && x3 < clip_left) ||
        (x1 > clip_right && x2 > clip_right && x3 > clip_right))
        return;
    double run = static_cast<double>(static_cast<i64>(x3) - x1);
    double rise = static_cast<double>(static_cast<i64>(y2) - y1);
    double offset = y1 == y3 ? 0.0 : rise * run / static_cast<double>(static_cast<i64>(y3) - y1);
    if (fixed) {
        i64 split = x1 * kFixedOne + static_cast<i64>(std::floor(offset * kFixedOne + 0.5));
        if (y1 != y2) bottom_fixed(t, x1 * kFixedOne, y1, split, y2, x2 * kFixedOne, y2);
        if (y2 != y3) top_fixed(t, x2 * kFixedOne, y2, split, y2, x3 * kFixedOne, y3);
    } else {
        double split = x1 + offset;
        if (y1 != y2) bottom_float(t, x1, y1, split, x2, y2);
        if (y2 != y3) top_float(t, x2, y2, split, x3, y3);
    }
}

template <typename Pixel>
bool make_target(Target<Pixel>* t, Pixel* pixels, int pitch, Pixel color) {
    if (!pixels || pitch < static_cast<int>(sizeof(Pixel))) return false;
    *t = {pixels, pitch / static_cast<int>(sizeof(Pixel)), color};
    return true;
}

}  // namespace

int draw_triangle8(int x1, int y1, int x2, int y2, int x3, int y3, std::uint8_t color,
                   std::uint8_t* pixels, int pitch) {
    Target<std::uint8_t> t;
    if (!make_target(&t, pixels, pitch, color)) return 0;
    general(t, x1, y1, x2, y2, x3, y3, false);
    return 1;
}

int draw_triangle16(int x1, int y1, int x2, int y2, int x3, int y3, std::uint16_t color,
                    std::uint16_t* pixels, int pitch) {
    Target<std::uint16_t> t;
    if (!make_target(&t, pixels, pitch, color)) return 0;
    general(t, x1, y1, x2, y2, x3, y3, false);
    return 1;
}

int draw_triangle_fixed8(int x1, int y1, int x2, int y2, int x3, int y3, std::uint8_t color,
                         std::uint8_t* pixels, int pitch) {
    Target<std::uint8_t> t;
    if (!make_target(&t, pixels, pitch, color)) return 0;
    general(t, x1, y1, x2, y2, x3, y3, true);
    return 1;
}

int draw_top_triangle8(int x1, int y1, int x2, int, int x3, int y3, std::uint8_t color,
                       std::uint8_t* pixels, int pitch) {
    Target<std::uint8_t> t;
    if (!make_target(&t, pixels, pitch, color)) return 0;
    top_float(t, x1, y1, x2, x3, y3);
    return 1;
}

int draw_top_triangle16(int x1, int y1, int x2, int, int x3, int y3, std::uint16_t color,
                        std::uint16_t* pixels, int pitch) {
    Target<std::uint16_t> t;
    if (!make_target(&t, pixels, pitch, color)) return 0;
    top_float(t, x1, y1, x2, x3, y3);
    return 1;
}

int draw_top_triangle_fixed8(int x1, int y1, int x2, int y2, int x3, int y3, std::uint8_t color,
                             std::uint8_t* pixels, int pitch) {
    Target<std::uint8_t> t;
    if (!make_target(&t, pixels, pitch, color)) return 0;
    top_fixed(t, x1 * kFixedOne, y1, x2 * kFixedOne, y2, x3 * kFixedOne, y3);
    return 1;
}

int draw_bottom_triangle8(int x1, int y1, int x2, int, int x3, int y3, std::uint8_t color,
                          std::uint8_t* pixels, int pitch) {
    Target<std::uint8_t> t;
    if (!make_target(&t, pixels, pitch, color)) return 0;
    bottom_float(t, x1, y1, x2, x3, y3);
    return 1;
}

int draw_bottom_triangle16(int x1, int y1, int x2, int, int x3, int y3, std::uint16_t color,
                           std::uint16_t* pixels, int pitch) {
    Target<std::uint16_t> t;
    if (!make_target(&t, pixels, pitch, color)) return 0;
    bottom_float(t, x1, y1, x2, x3, y3);
    return 1;
}

int draw_bottom_triangle_fixed8(int x1, int y1, int x2, int y2, int x3, int y3, std::uint8_t color,
                                std::uint8_t* pixels, int pitch) {
    Target<std::uint8_t> t;
    if (!make_target(&t, pixels, pitch, color)) return 0;
    bottom_fixed(t, x1 * kFixedOne, y1, x2 * kFixedOne, y2, x3 * kFixedOne, y3);
    return 1;
}
