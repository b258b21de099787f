#include "raster/triangles.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <map>

#include "raster/test_canvas.h"

namespace {

using Real = long double;

struct Span {
    int left, right;  // drawn columns of one row, inclusive
};

// The drawn spans row by row; fails the test when a row is not one run.
template <typename Pixel>
std::map<int, Span> spans_of(Canvas<Pixel>& c) {
    std::map<int, Span> rows;
    for (int y = 0; y < c.height; ++y) {
        int left = -1, right = -1, count = 0;
        for (int x = 0; x < c.width; ++x) {
            if (c.at(x, y) == c.background) continue;
            if (left < 0) left = x;
            right = x;
            ++count;
        }
        if (count == 0) continue;
        EXPECT_EQ(right - left + 1, count) << "row " << y << " has a gap";
        rows[y] = {left, right};
    }
    return rows;
}

// The exact cross-section of the triangle on row y: false when the row misses it.
bool true_span(const std::array<long long, 6>& v, Real y, Real* lo, Real* hi) {
    bool any = false;
    *lo = 1e30L, *hi = -1e30L;
    for (int i = 0; i < 3; ++i) {
        Real ax = v[2 * i], ay = v[2 * i + 1];
        Real bx = v[(2 * i + 2) % 6], by = v[(2 * i + 3) % 6];
        if (y < std::min(ay, by) || y > std::max(ay, by)) continue;
        if (ay == by) {
            *lo = std::min({*lo, ax, bx});
            *hi = std::max({*hi, ax, bx});
        } else {
            Real x = ax + (y - ay) * (bx - ax) / (by - ay);
            *lo = std::min(*lo, x);
            *hi = std::max(*hi, x);
        }
        any = true;
    }
    return any;
}

using TriangleFn = int (*)(int, int, int, int, int, int, std::uint8_t, std::uint8_t*, int);

class Triangles : public RasterTest {
protected:
    // Draws the triangle with fn and checks it against the exact shape: nothing
    // outside the clip rectangle, every drawn pixel within one pixel of the true
    // row span, every pixel two inside it drawn. Returns the drawn spans.
    std::map<int, Span> check(TriangleFn fn, const std::array<long long, 6>& v,
                              Canvas<std::uint8_t>& c, long long* exact_area) {
        c.clear();
        EXPECT_EQ(1, fn(int(v[0]), int(v[1]), int(v[2]), int(v[3]), int(v[4]), int(v[5]), 5,
                        c.pixels(), c.pitch()));
        EXPECT_TRUE(c.untouched_outside(clip_left, clip_top, clip_right, clip_bottom));
        auto rows = spans_of(c);
        *exact_area = 0;
        bool flat = (v[1] == v[3] && v[3] == v[5]) || (v[0] == v[2] && v[2] == v[4]);
        for (int y = clip_top; y <= clip_bottom; ++y) {
            Real lo, hi;
            bool hit = !flat && true_span(v, y, &lo, &hi);
            auto it = rows.find(y);
            if (!hit) {
                EXPECT_TRUE(it == rows.end()) << "row " << y << " drawn outside the triangle";
                continue;
            }
            Real clo = std::max<Real>(lo, clip_left), chi = std::min<Real>(hi, clip_right);
            if (clo <= chi) *exact_area += std::llround(chi - clo) + 1;
            if (it == rows.end()) {
                EXPECT_LT(std::min<Real>(hi, clip_right - 2) - std::max<Real>(lo, clip_left + 2), 4)
                    << "row " << y << " missing";
                continue;
            }
            EXPECT_GE(it->second.left, lo - 1 - 1e-6L) << "row " << y;
            EXPECT_LE(it->second.right, hi + 1 + 1e-6L) << "row " << y;
            if (lo + 2 <= hi - 2) {
                EXPECT_LE(it->second.left, std::max<Real>(lo + 2, clip_left)) << "row " << y;
                EXPECT_GE(it->second.right, std::min<Real>(hi - 2, clip_right)) << "row " << y;
            }
        }
        return rows;
    }

    std::array<long long, 6> random_triangle(int lo_x, int hi_x, int lo_y, int hi_y) {
        std::array<long long, 6> v;
        for (int i = 0; i < 3; ++i)
            v[2 * i] = uniform(lo_x, hi_x), v[2 * i + 1] = uniform(lo_y, hi_y);
        int kind = uniform(0, 9);
        if (kind == 0) v[3] = v[1];  // flat top or bottom
        if (kind == 1) v[5] = v[3];
        if (kind == 2) v[2] = v[0] + 1, v[4] = v[0] - 1;  // a sliver
        return v;
    }
};

}  // namespace

TEST_F(Triangles, FlatTopExampleInEveryVertexOrder) {
    set_screen(40, 40);
    Canvas<std::uint8_t> c(40, 40);
    int v[3][2] = {{10, 10}, {30, 10}, {20, 30}};
    int order[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (TriangleFn fn : {draw_triangle8, draw_triangle_fixed8}) {
        for (auto& o : order) {
            c.clear();
            fn(v[o[0]][0], v[o[0]][1], v[o[1]][0], v[o[1]][1], v[o[2]][0], v[o[2]][1], 7,
               c.pixels(), c.pitch());
            auto rows = spans_of(c);
            ASSERT_EQ(21u, rows.size());
            EXPECT_EQ(10, rows.begin()->first);
            EXPECT_EQ(30, rows.rbegin()->first);
            // Row 10 + k spans from 10 + k/2 to 30 - k/2; on the odd rows the float
            // form truncates both ends down, the fixed one rounds both up. The
            // apex row is the single pixel 20.
            bool fixed = fn == draw_triangle_fixed8;
            for (int k = 0; k <= 20; ++k) {
                EXPECT_EQ(10 + (fixed ? (k + 1) / 2 : k / 2), rows[10 + k].left) << k;
                EXPECT_EQ(30 - k / 2, rows[10 + k].right) << k;
            }
            EXPECT_EQ(7, c.at(20, 30));
        }
    }
}

TEST_F(Triangles, DegenerateTrianglesDrawNothing) {
    set_screen(40, 40);
    Canvas<std::uint8_t> c(40, 40);
    draw_triangle8(1, 5, 20, 5, 39, 5, 1, c.pixels(), c.pitch());  // one row
    draw_triangle8(7, 0, 7, 20, 7, 39, 1, c.pixels(), c.pitch());  // one column
    draw_triangle_fixed8(1, 5, 20, 5, 39, 5, 1, c.pixels(), c.pitch());
    draw_top_triangle8(1, 20, 20, 20, 10, 20, 1, c.pixels(), c.pitch());         // no height
    draw_top_triangle8(1, 20, 20, 20, 10, 5, 1, c.pixels(), c.pitch());          // apex above
    draw_bottom_triangle_fixed8(10, 5, 1, 5, 20, 30, 1, c.pixels(), c.pitch());  // y1 = y2
    draw_top_triangle_fixed8(1, 5, 20, 30, 10, 30, 1, c.pixels(), c.pitch());    // y2 = y3
    EXPECT_EQ(0, c.count_drawn());
    EXPECT_EQ(0, draw_triangle8(0, 0, 10, 10, 0, 10, 1, nullptr, 40));
    EXPECT_EQ(0, draw_triangle16(0, 0, 10, 10, 0, 10, 1, nullptr, 80));
    EXPECT_EQ(0, draw_triangle8(0, 0, 10, 10, 0, 10, 1, c.pixels(), 0));
    EXPECT_TRUE(c.untouched_outside(0, 0, 39, 39));
}

TEST_F(Triangles, RandomTrianglesFollowTheExactShapeAndStayClipped) {
    set_screen(96, 80);
    Canvas<std::uint8_t> c(96, 80);
    long long drawn_total = 0, exact_total = 0;
    int compared = 0;
    for (int i = 0; i < 1500; ++i) {
        int left = uniform(0, 30), top = uniform(0, 25);
        set_clip(left, top, uniform(left + 10, 95), uniform(top + 10, 79));
        auto v = random_triangle(-60, 156, -60, 140);
        for (TriangleFn fn : {draw_triangle8, draw_triangle_fixed8}) {
            long long exact;
            check(fn, v, c, &exact);
            if (HasFailure()) {
                FAIL() << "case " << i << ": " << v[0] << "," << v[1] << " " << v[2] << "," << v[3]
                       << " " << v[4] << "," << v[5] << " clip " << clip_left << "," << clip_top
                       << "-" << clip_right << "," << clip_bottom;
            }
            drawn_total += c.count_drawn();
            exact_total += exact;
            ++compared;
        }
    }
    EXPECT_GT(compared, 2000);
    // Summed over every case, the drawn area is within 1% of the exact one.
    EXPECT_NEAR(double(drawn_total) / double(exact_total), 1.0, 0.01)
        << drawn_total << " vs " << exact_total;
}

TEST_F(Triangles, FloatAndFixedAgreeWithinOnePixelAtEveryRowEnd) {
    set_screen(120, 100);
    Canvas<std::uint8_t> a(120, 100), b(120, 100);
    int rows_compared = 0;
    for (int i = 0; i < 1500; ++i) {
        int left = uniform(0, 30), top = uniform(0, 25);
        set_clip(left, top, uniform(left + 10, 119), uniform(top + 10, 99));
        auto v = random_triangle(-50, 170, -50, 150);
        a.clear();
        b.clear();
        draw_triangle8(v[0], v[1], v[2], v[3], v[4], v[5], 1, a.pixels(), a.pitch());
        draw_triangle_fixed8(v[0], v[1], v[2], v[3], v[4], v[5], 1, b.pixels(), b.pitch());
        auto fa = spans_of(a), fb = spans_of(b);
        for (auto [y, s] : fa) {
            auto it = fb.find(y);
            if (it == fb.end()) {
                EXPECT_LE(s.right - s.left, 1) << "case " << i << " row " << y;
                continue;
            }
            EXPECT_LE(std::abs(s.left - it->second.left), 1) << "case " << i << " row " << y;
            EXPECT_LE(std::abs(s.right - it->second.right), 1) << "case " << i << " row " << y;
            ++rows_compared;
        }
        for (auto [y, s] : fb) {
            if (!fa.count(y)) {
                EXPECT_LE(s.right - s.left, 1) << "case " << i << " row " << y;
            }
        }
        ASSERT_FALSE(HasFailure())
            << v[0] << "," << v[1] << " " << v[2] << "," << v[3] << " " << v[4] << "," << v[5];
    }
    EXPECT_GT(rows_compared, 20000);
}

TEST_F(Triangles, SixteenBitFormsDrawTheSamePixels) {
    set_screen(64, 64);
    Canvas<std::uint8_t> c8(64, 64);
    Canvas<std::uint16_t> c16(64, 64);
    for (int i = 0; i < 500; ++i) {
        set_clip(uniform(0, 10), uniform(0, 10), uniform(50, 63), uniform(50, 63));
        int v[6];
        for (int& k : v) k = uniform(-40, 104);
        c8.clear();
        c16.clear();
        if (i % 3 == 1) {
            draw_top_triangle8(v[0], v[1], v[2], v[1], v[4], v[5], 1, c8.pixels(), c8.pitch());
            draw_top_triangle16(v[0], v[1], v[2], v[1], v[4], v[5], 0xABCD, c16.pixels(),
                                c16.pitch());
        } else if (i % 3 == 2) {
            draw_bottom_triangle8(v[0], v[1], v[2], v[5], v[4], v[5], 1, c8.pixels(), c8.pitch());
            draw_bottom_triangle16(v[0], v[1], v[2], v[5], v[4], v[5], 0xABCD, c16.pixels(),
                                   c16.pitch());
        } else {
            draw_triangle8(v[0], v[1], v[2], v[3], v[4], v[5], 1, c8.pixels(), c8.pitch());
            draw_triangle16(v[0], v[1], v[2], v[3], v[4], v[5], 0xABCD, c16.pixels(), c16.pitch());
        }
        ASSERT_EQ(c8.drawn(), c16.drawn()) << i;
        for (auto [x, y] : c16.drawn()) ASSERT_EQ(0xABCD, c16.at(x, y));
        ASSERT_TRUE(c16.untouched_outside(clip_left, clip_top, clip_right, clip_bottom));
    }
}

TEST_F(Triangles, FarOutsideCoordinatesAndSliversStayInsideTheClipRectangle) {
    set_screen(64, 48);
    set_clip(4, 3, 59, 44);
    Canvas<std::uint8_t> c(64, 48);
    const long long far[] = {INT_MIN, -2000000000LL, -1000000, -5000,        -1,     0, 30,
                             63,      5000,          1000000,  2000000000LL, INT_MAX};
    int drawn = 0;
    for (int i = 0; i < 3000; ++i) {
        std::array<long long, 6> v;
        for (auto& k : v) k = (i % 3 == 0) ? far[uniform(0, 11)] : uniform(-100, 150);
        if (i % 3 == 1) v[2 * uniform(0, 2)] = far[uniform(0, 11)];
        if (i % 3 == 2) v[2 * uniform(0, 2) + 1] = far[uniform(0, 11)];
        if (i % 7 == 0 && v[1] < INT_MAX - 2) v[3] = v[1] + 1, v[5] = v[1] + 2;  // a sliver
        for (TriangleFn fn : {draw_triangle8, draw_triangle_fixed8}) {
            c.clear();
            fn(int(v[0]), int(v[1]), int(v[2]), int(v[3]), int(v[4]), int(v[5]), 1, c.pixels(),
               c.pitch());
            ASSERT_TRUE(c.untouched_outside(4, 3, 59, 44)) << i;
            drawn += c.count_drawn() > 0;
            // Every drawn pixel lies within a pixel and a half of the true shape.
            for (auto [x, y] : c.drawn()) {
                Real lo, hi;
                ASSERT_TRUE(true_span(v, y, &lo, &hi))
                    << i << " row " << y << ": " << v[0] << "," << v[1] << " " << v[2] << ","
                    << v[3] << " " << v[4] << "," << v[5];
                Real slack = 1.5L + 1e-7L * std::max(std::fabs(lo), std::fabs(hi));
                ASSERT_GE(x, lo - slack) << i;
                ASSERT_LE(x, hi + slack) << i;
            }
        }
    }
    EXPECT_GT(drawn, 500);
}
