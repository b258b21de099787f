#include "raster/polygons.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "raster/lines.h"
#include "raster/test_canvas.h"

namespace {

using Pixels = std::set<std::pair<long long, long long>>;

// The convex fill written out step by step, as slowly and plainly as it reads:
// two walkers from the top vertex, a flat one writing each pixel it passes but
// the last of a row, the span between them filled pixel by pixel, a level edge
// drawn along the row it lies on, a walker starting a fresh edge only when its
// own one ends. Every pixel goes to plot, unclipped.
// The span loop visits only columns lo..hi, so that huge polygons stay quick.
void reference_fill(const Polygon& p, const std::function<void(long long, long long)>& plot,
                    long long lo = LLONG_MIN, long long hi = LLONG_MAX) {
    int n = p.vertex_count;
    auto sx = [&](int i) { return (long long)((double)p.x + (double)p.vertices[i].x); };
    auto sy = [&](int i) { return (long long)((double)p.y + (double)p.vertices[i].y); };
    int top = 0;
    for (int i = 1; i < n; ++i)
        if (p.vertices[i].y < (double)(long long)p.vertices[top].y) top = i;
    long long y = sy(top);
    struct Edge {
        int end;
        long long x, u, dx, dy, c, e;
    };
    Edge w[2] = {{top == 0 ? n - 1 : top - 1, sx(top), 0, 0, 0, 0, 0},
                 {top == n - 1 ? 0 : top + 1, sx(top), 0, 0, 0, 0, 0}};
    auto start = [&](Edge& a) {
        a.dx = sx(a.end) - a.x;
        a.dy = std::llabs(sy(a.end) - y);
        a.u = a.dx < 0 ? -1 : 1;
        a.dx = std::llabs(a.dx);
        a.c = a.dx > a.dy ? a.dx : a.dy;
        a.e = 0;
    };
    start(w[0]);
    start(w[1]);
    for (int edges = n - 1; edges > 0;) {
        for (Edge& a : w) {  // a level edge is drawn along its row and uses no row
            if (a.dy != 0 || a.c == 0) continue;
            for (long long k = 0; k <= a.dx; ++k)
                if (a.x + a.u * k >= lo && a.x + a.u * k <= hi) plot(a.x + a.u * k, y);
            a.x += a.u * a.dx;
            a.c = 0;
        }
        while (w[0].c && w[1].c) {
            for (Edge& a : w) {
                if (a.dx > a.dy) {
                    while (a.e < a.dx && a.c > 0) {
                        --a.c;
                        a.x += a.u;
                        a.e += a.dy;
                        if (a.e < a.dx) plot(a.x, y);
                    }
                    a.e -= a.dx;
                } else {
                    a.e += a.dx;
                    if (a.e >= a.dy) a.e -= a.dy, a.x += a.u;
                    --a.c;
                }
            }
            long long from = std::max(lo, std::min(w[0].x, w[1].x));
            long long to = std::min(hi, std::max(w[0].x, w[1].x));
            for (long long x = from; x <= to; ++x) plot(x, y);
            ++y;
        }
        if (!w[0].c) --edges, w[0].end = w[0].end == 0 ? n - 1 : w[0].end - 1, start(w[0]);
        if (!w[1].c) --edges, w[1].end = w[1].end == n - 1 ? 0 : w[1].end + 1, start(w[1]);
    }
}

// A convex polygon: vertices at sorted random angles round the origin.
std::vector<PolygonVertex> convex_shape(std::mt19937& random, float radius_lo, float radius_hi,
                                        int count, bool clockwise) {
    std::uniform_real_distribution<float> angle(0.0f, 6.2831853f), radius(radius_lo, radius_hi);
    std::vector<float> angles(count);
    for (float& a : angles) a = angle(random);
    std::sort(angles.begin(), angles.end());
    if (!clockwise) std::reverse(angles.begin(), angles.end());
    std::vector<PolygonVertex> v;
    float r = radius(random);
    float squash = std::uniform_real_distribution<float>(0.3f, 1.0f)(random);
    for (float a : angles) v.push_back({r * std::cos(a), r * squash * std::sin(a)});
    return v;
}

Polygon make_polygon(std::vector<PolygonVertex>& v, int x, int y, std::uint32_t color) {
    return Polygon{1, static_cast<int>(v.size()), x, y, 0, 0, color, v.data()};
}

// Distance from (px, py) to the outline of the polygon with screen vertices
// (x + vx, y + vy), truncated as the fill truncates them: negative inside,
// positive outside (truncation may leave the outline slightly concave, so the
// inside is found by counting crossings).
double signed_distance(const Polygon& p, double px, double py) {
    int n = p.vertex_count;
    bool inside = false;
    double best = 1e300;
    for (int i = 0; i < n; ++i) {
        const PolygonVertex& a = p.vertices[i];
        const PolygonVertex& b = p.vertices[(i + 1) % n];
        double ax = std::trunc(p.x + double(a.x)), ay = std::trunc(p.y + double(a.y));
        double bx = std::trunc(p.x + double(b.x)), by = std::trunc(p.y + double(b.y));
        if ((ay > py) != (by > py) && px < ax + (py - ay) * (bx - ax) / (by - ay)) inside = !inside;
        double vx = bx - ax, vy = by - ay, len2 = vx * vx + vy * vy;
        double t = len2 == 0 ? 0 : std::clamp(((px - ax) * vx + (py - ay) * vy) / len2, 0.0, 1.0);
        best = std::min(best, std::hypot(ax + t * vx - px, ay + t * vy - py));
    }
    return inside ? -best : best;
}

// The same distance measured as the larger of the distances across and down
// (outside only; 0 inside): each edge's is a convex function of the position
// along it, found by ternary search.
double chebyshev_distance(const Polygon& p, double px, double py) {
    if (signed_distance(p, px, py) <= 0) return 0;
    double best = 1e300;
    for (int i = 0; i < p.vertex_count; ++i) {
        const PolygonVertex& a = p.vertices[i];
        const PolygonVertex& b = p.vertices[(i + 1) % p.vertex_count];
        double ax = std::trunc(p.x + double(a.x)), ay = std::trunc(p.y + double(a.y));
        double bx = std::trunc(p.x + double(b.x)), by = std::trunc(p.y + double(b.y));
        auto f = [&](double t) {
            return std::max(std::fabs(ax + t * (bx - ax) - px), std::fabs(ay + t * (by - ay) - py));
        };
        double lo = 0, hi = 1;
        for (int k = 0; k < 100; ++k) {
            double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
            if (f(m1) < f(m2)) {
                hi = m2;
            } else {
                lo = m1;
            }
        }
        best = std::min(best, f((lo + hi) / 2));
    }
    return best;
}

double polygon_area(const Polygon& p) {
    double twice = 0;
    for (int i = 0; i < p.vertex_count; ++i) {
        const PolygonVertex& a = p.vertices[i];
        const PolygonVertex& b = p.vertices[(i + 1) % p.vertex_count];
        twice += double(a.x) * b.y - double(b.x) * a.y;
    }
    return std::fabs(twice) / 2;
}

class Polygons : public RasterTest {
protected:
    void SetUp() override {
        RasterTest::SetUp();
        build_sin_cos_tables();
    }
};

}  // namespace

TEST_F(Polygons, FillMatchesTheStepByStepReferenceUnderEveryClip) {
    set_screen(80, 60);
    Canvas<std::uint8_t> c8(80, 60);
    Canvas<std::uint16_t> c16(80, 60);
    int nonempty = 0;
    for (int i = 0; i < 2000; ++i) {
        int left = uniform(0, 30), top = uniform(0, 20);
        set_clip(left, top, uniform(left, 79), uniform(top, 59));
        auto v = convex_shape(random_, 2.0f, 60.0f, uniform(3, 9), i % 2 == 0);
        Polygon p = make_polygon(v, uniform(-20, 100), uniform(-20, 80), 0x1200 + i % 200 + 1);
        Pixels expected;
        reference_fill(p, [&](long long x, long long y) {
            if (x >= clip_left && x <= clip_right && y >= clip_top && y <= clip_bottom)
                expected.insert({x, y});
        });
        c8.clear();
        c16.clear();
        ASSERT_EQ(1, fill_polygon8(&p, c8.pixels(), c8.pitch()));
        ASSERT_EQ(1, fill_polygon16(&p, c16.pixels(), c16.pitch()));
        auto d8 = c8.drawn();
        ASSERT_EQ(expected, Pixels(d8.begin(), d8.end())) << "case " << i;
        ASSERT_EQ(d8, c16.drawn()) << "case " << i;
        for (auto [x, y] : d8) {
            ASSERT_EQ(std::uint8_t(p.color), c8.at(x, y));
            ASSERT_EQ(std::uint16_t(p.color), c16.at(x, y));
        }
        ASSERT_TRUE(c8.untouched_outside(clip_left, clip_top, clip_right, clip_bottom));
        ASSERT_TRUE(c16.untouched_outside(clip_left, clip_top, clip_right, clip_bottom));
        nonempty += !d8.empty();
    }
    EXPECT_GT(nonempty, 500);
}

TEST_F(Polygons, FilledPolygonsFollowTheTrueShape) {
    set_screen(160, 120);
    Canvas<std::uint8_t> c(160, 120);
    double drawn_total = 0, area_total = 0, worst = 0;
    for (int i = 0; i < 500; ++i) {
        auto v = convex_shape(random_, 5.0f, 50.0f, uniform(3, 10), i % 2 == 0);
        Polygon p = make_polygon(v, uniform(55, 105), uniform(55, 65), 9);
        c.clear();
        ASSERT_EQ(1, fill_polygon8(&p, c.pixels(), c.pitch()));
        auto drawn = c.drawn();
        // Every drawn pixel has a point of the shape within one pixel across and
        // one down.
        for (auto [x, y] : drawn) {
            double d = signed_distance(p, x, y);
            worst = std::max(worst, d);
            if (d > 1) {
                ASSERT_LE(chebyshev_distance(p, x, y), 1.0 + 1e-9) << i << ": " << x << "," << y;
            }
        }
        // Every pixel more than two pixels inside the outline is drawn.
        Pixels set(drawn.begin(), drawn.end());
        int deep = 0;
        for (int y = int(p.y) - 50; y <= int(p.y) + 50; ++y)
            for (int x = int(p.x) - 50; x <= int(p.x) + 50; ++x)
                if (signed_distance(p, x, y) < -2) {
                    ++deep;
                    ASSERT_TRUE(set.count({x, y})) << i << ": " << x << "," << y << [&] {
                        std::ostringstream out;
                        for (auto& q : v)
                            out << ' ' << p.x + double(q.x) << ',' << p.y + double(q.y);
                        return out.str();
                    }();
                }
        drawn_total += drawn.size();
        area_total += polygon_area(p);
    }
    EXPECT_LE(worst, 1.5);
    // The fill covers the area of the shape plus about half its outline.
    EXPECT_GT(drawn_total, area_total);
    EXPECT_LT(drawn_total, area_total * 1.15);
}

TEST_F(Polygons, LevelEdgesAndManyShortEdgesDoNotPushTheOutline) {
    set_screen(100, 60);
    Canvas<std::uint8_t> c(100, 60);
    // Level edges along the top row, then a long shallow edge facing a side of
    // many short ones: each level edge taking a row of its own, or the long edge
    // restarting from its rounded position whenever the other side turns a
    // corner, would leave notches and bulges of several pixels.
    std::vector<std::vector<PolygonVertex>> shapes = {
        {{10, 10}, {15, 10}, {20, 10}, {25, 10}, {45, 40}, {0, 40}},
        {{60, 5},
         {64, 9},
         {67, 13},
         {69, 17},
         {71, 21},
         {72, 25},
         {73, 29},
         {73, 33},
         {72, 37},
         {70, 41},
         {67, 45},
         {63, 49},
         {10, 50}}};
    for (auto& v : shapes) {
        Polygon p = make_polygon(v, 0, 0, 4);
        c.clear();
        ASSERT_EQ(1, fill_polygon8(&p, c.pixels(), c.pitch()));
        auto drawn = c.drawn();
        Pixels set(drawn.begin(), drawn.end());
        for (auto [x, y] : drawn) EXPECT_LE(signed_distance(p, x, y), 1.5) << x << "," << y;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 100; ++x)
                if (signed_distance(p, x, y) < -1.5) {
                    EXPECT_TRUE(set.count({x, y})) << x << "," << y;
                }
    }
}

TEST_F(Polygons, FarVerticesAreClippedAndSkippedQuickly) {
    set_screen(64, 48);
    set_clip(3, 4, 60, 43);
    Canvas<std::uint8_t> c(64, 48);
    // A triangle reaching 300000 rows above and far to the sides: the visible
    // part matches the reference, which walks every row.
    std::vector<PolygonVertex> v = {{0, -300000}, {250000, 40}, {-150000, 45}};
    Polygon p = make_polygon(v, 30, 0, 3);
    Pixels expected;
    reference_fill(
        p,
        [&](long long x, long long y) {
            if (x >= 3 && x <= 60 && y >= 4 && y <= 43) expected.insert({x, y});
        },
        3, 60);
    ASSERT_EQ(1, fill_polygon8(&p, c.pixels(), c.pitch()));
    auto d = c.drawn();
    EXPECT_EQ(expected, Pixels(d.begin(), d.end()));
    EXPECT_TRUE(c.untouched_outside(3, 4, 60, 43));
    EXPECT_GT(d.size(), 1000u);

    // Beyond the coordinate limit, or not a number, the polygon is refused.
    c.clear();
    std::vector<PolygonVertex> far = {{0, 0}, {2e7f, 5}, {5, 20}};
    Polygon q = make_polygon(far, 10, 10, 3);
    EXPECT_EQ(0, fill_polygon8(&q, c.pixels(), c.pitch()));
    EXPECT_EQ(0, draw_polygon8(&q, c.pixels(), c.pitch()));
    far[1] = {NAN, 5};
    EXPECT_EQ(0, fill_polygon8(&q, c.pixels(), c.pitch()));
    far[1] = {5, INFINITY};
    EXPECT_EQ(0, draw_polygon8(&q, c.pixels(), c.pitch()));
    EXPECT_EQ(0, c.count_drawn());
}

TEST_F(Polygons, InvalidPolygonsAreRefused) {
    set_screen(32, 32);
    Canvas<std::uint8_t> c(32, 32);
    Canvas<std::uint16_t> c16(32, 32);
    std::vector<PolygonVertex> v = {{0, 0}, {10, 0}, {5, 8}};
    float a, b, d, e;
    for (int count : {-1, 0, 1, 2}) {
        Polygon p = make_polygon(v, 5, 5, 1);
        p.vertex_count = count;
        EXPECT_EQ(0, fill_polygon8(&p, c.pixels(), c.pitch())) << count;
        EXPECT_EQ(0, fill_polygon16(&p, c16.pixels(), c16.pitch())) << count;
        EXPECT_EQ(0, draw_polygon8(&p, c.pixels(), c.pitch())) << count;
        EXPECT_EQ(0, polygon_bounds(&p, &a, &b, &d, &e)) << count;
        EXPECT_EQ(0, rotate_polygon(&p, 30)) << count;
        EXPECT_EQ(0, scale_polygon_m(&p, 2, 2)) << count;
    }
    Polygon no_vertices = make_polygon(v, 5, 5, 1);
    no_vertices.vertices = nullptr;
    EXPECT_EQ(0, fill_polygon8(&no_vertices, c.pixels(), c.pitch()));
    EXPECT_EQ(0, draw_polygon16(&no_vertices, c16.pixels(), c16.pitch()));
    EXPECT_EQ(0, scale_polygon(&no_vertices, 2, 2));
    EXPECT_EQ(0, fill_polygon8(nullptr, c.pixels(), c.pitch()));
    EXPECT_EQ(0, translate_polygon(nullptr, 1, 1));
    EXPECT_EQ(0, translate_polygon_m(nullptr, 1, 1));
    EXPECT_EQ(0, rotate_polygon_m(nullptr, 1));
    Polygon ok = make_polygon(v, 5, 5, 1);
    EXPECT_EQ(0, fill_polygon8(&ok, nullptr, 32));
    EXPECT_EQ(0, polygon_bounds(&ok, nullptr, &b, &d, &e));
    ok.state = 0;
    EXPECT_EQ(0, draw_polygon8(&ok, c.pixels(), c.pitch()));
    EXPECT_EQ(1, fill_polygon8(&ok, c.pixels(), c.pitch()));  // the state only stops outlines
    EXPECT_EQ(0, c16.count_drawn());
    EXPECT_TRUE(c.untouched_outside(0, 0, 31, 31));
}

TEST_F(Polygons, OutlineIsTheClosedRunOfClippedLines) {
    set_screen(48, 40);
    Canvas<std::uint8_t> c(48, 40), expected(48, 40);
    Canvas<std::uint16_t> c16(48, 40);
    for (int i = 0; i < 300; ++i) {
        set_clip(uniform(0, 10), uniform(0, 10), uniform(30, 47), uniform(25, 39));
        auto v = convex_shape(random_, 3.0f, 40.0f, uniform(3, 8), true);
        Polygon p = make_polygon(v, uniform(-10, 58), uniform(-10, 50), 0x0177);
        c.clear();
        c16.clear();
        expected.clear();
        ASSERT_EQ(1, draw_polygon8(&p, c.pixels(), c.pitch()));
        ASSERT_EQ(1, draw_polygon16(&p, c16.pixels(), c16.pitch()));
        int n = p.vertex_count;
        for (int k = 0; k < n; ++k) {
            auto& a = v[k];
            auto& b = v[(k + 1) % n];
            draw_clip_line8(int(p.x + double(a.x)), int(p.y + double(a.y)), int(p.x + double(b.x)),
                            int(p.y + double(b.y)), 0x77, expected.pixels(), expected.pitch());
        }
        ASSERT_EQ(expected.data, c.data) << i;
        ASSERT_EQ(c.drawn(), c16.drawn()) << i;
    }
}

TEST_F(Polygons, BoundsAlwaysHoldTheOrigin) {
    std::vector<PolygonVertex> v = {{5, 5}, {10, 5}, {7, 9}};
    Polygon p = make_polygon(v, 100, 100, 1);
    float min_x = -1, max_x = -1, min_y = -1, max_y = -1;
    ASSERT_EQ(1, polygon_bounds(&p, &min_x, &max_x, &min_y, &max_y));
    EXPECT_EQ(0.0f, min_x);
    EXPECT_EQ(10.0f, max_x);
    EXPECT_EQ(0.0f, min_y);
    EXPECT_EQ(9.0f, max_y);
    v = {{-3, 2}, {-8, 4}, {-1, 6.5f}};
    ASSERT_EQ(1, polygon_bounds(&p, &min_x, &max_x, &min_y, &max_y));
    EXPECT_EQ((std::vector<float>{-8, 0, 0, 6.5f}),
              (std::vector<float>{min_x, max_x, min_y, max_y}));
}

TEST_F(Polygons, TablesHoldEveryWholeDegree) {
    for (int a = 0; a <= 360; ++a) {
        double theta = a * 3.14159265358979 / 180;
        EXPECT_NEAR(std::cos(theta), cos_table[a], 1e-6) << a;
        EXPECT_NEAR(std::sin(theta), sin_table[a], 1e-6) << a;
    }
    EXPECT_EQ(1.0f, cos_table[0]);
    EXPECT_EQ(1.0f, sin_table[90]);
    EXPECT_EQ(-1.0f, cos_table[180]);
}

TEST_F(Polygons, RotationsByQuarterTurnsAndBeyondTheRange) {
    auto rotated = [](int angle, bool matrix) {
        std::vector<PolygonVertex> v = {{1, 0}, {0, 2}, {-3, -1}};
        Polygon p = make_polygon(v, 0, 0, 1);
        EXPECT_EQ(1, matrix ? rotate_polygon_m(&p, angle) : rotate_polygon(&p, angle));
        return v;
    };
    for (bool matrix : {false, true}) {
        auto v = rotated(90, matrix);
        EXPECT_NEAR(0.0f, v[0].x, 1e-6);
        EXPECT_NEAR(1.0f, v[0].y, 1e-6);
        EXPECT_NEAR(-2.0f, v[1].x, 1e-6);  // (0, 2) turns to (-2, 0)
        v = rotated(-90, matrix);
        EXPECT_NEAR(0.0f, v[0].x, 1e-6);
        EXPECT_NEAR(-1.0f, v[0].y, 1e-6);
        // Angles past a whole turn land where their remainder does.
        for (auto [far, near] :
             {std::pair{450, 90}, {-450, -90}, {720, 0}, {-1000, -280}, {1000000, 280}}) {
            auto a = rotated(far, matrix), b = rotated(near, matrix);
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(b[k].x, a[k].x, 1e-6) << far;
                EXPECT_NEAR(b[k].y, a[k].y, 1e-6) << far;
            }
        }
    }
    // Table and matrix forms agree on every angle, and a full turn of 30-degree
    // steps comes back to the start.
    for (int angle = -360; angle <= 360; angle += 7) {
        auto a = rotated(angle, false), b = rotated(angle, true);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[k].x, b[k].x, 1e-6) << angle;
    }
    std::vector<PolygonVertex> v = {{10, 0}, {0, 20}, {-30, -10}};
    Polygon p = make_polygon(v, 0, 0, 1);
    for (int i = 0; i < 12; ++i) rotate_polygon(&p, 30);
    EXPECT_NEAR(10.0f, v[0].x, 1e-4);
    EXPECT_NEAR(-10.0f, v[2].y, 1e-4);
}

TEST_F(Polygons, TranslateAndScaleInBothForms) {
    std::vector<PolygonVertex> v = {{1, 2}, {-3, 4}, {5, -6}};
    Polygon p = make_polygon(v, 10, 20, 1);
    p.aux1 = 77;
    p.aux2 = -5;
    EXPECT_EQ(1, translate_polygon(&p, 5, -7));
    EXPECT_EQ(15, p.x);
    EXPECT_EQ(13, p.y);
    EXPECT_EQ(1, translate_polygon_m(&p, -20, 100));
    EXPECT_EQ(-5, p.x);
    EXPECT_EQ(113, p.y);
    p.x = 100;
    p.y = -100;
    EXPECT_EQ(1, translate_polygon(&p, INT32_MAX, INT32_MIN));  // saturates, no wrap
    EXPECT_EQ(INT32_MAX, p.x);
    EXPECT_EQ(INT32_MIN, p.y);
    EXPECT_EQ(1, scale_polygon(&p, 2, -0.5f));
    EXPECT_EQ(2.0f, v[0].x);
    EXPECT_EQ(-1.0f, v[0].y);
    EXPECT_EQ(1, scale_polygon_m(&p, 0.5f, -2));
    EXPECT_EQ(1.0f, v[0].x);
    EXPECT_EQ(2.0f, v[0].y);
    EXPECT_EQ(5.0f, v[2].x);
    EXPECT_EQ(-6.0f, v[2].y);
    EXPECT_EQ(77, p.aux1);
    EXPECT_EQ(-5, p.aux2);
}

TEST_F(Polygons, MatrixProducts) {
    const float a[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const float b[9] = {9, 8, 7, 6, 5, 4, 3, 2, 1};
    float out[9];
    ASSERT_EQ(1, mat3x3_mul(a, b, out));
    EXPECT_EQ((std::vector<float>{30, 24, 18, 84, 69, 54, 138, 114, 90}),
              std::vector<float>(out, out + 9));
    float same[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_EQ(1, mat3x3_mul(same, b, same));  // the output may be an input
    EXPECT_EQ(std::vector<float>(out, out + 9), std::vector<float>(same, same + 9));

    float row3[3] = {1, 0, 2};
    ASSERT_EQ(1, mat1x3_mul_3x3(row3, a, row3));
    EXPECT_EQ((std::vector<float>{15, 18, 21}), std::vector<float>(row3, row3 + 3));

    float m[6];
    ASSERT_EQ(1, mat3x2_init(m, 1, 2, 3, 4, 10, 20));
    float row2[2] = {2, -1};
    float out2[2];
    ASSERT_EQ(1, mat1x2_mul_3x2(row2, m, out2));
    EXPECT_EQ(2 * 1 - 3 + 10, out2[0]);
    EXPECT_EQ(2 * 2 - 4 + 20, out2[1]);
    EXPECT_EQ(0, mat3x3_mul(nullptr, b, out));
    EXPECT_EQ(0, mat1x2_mul_3x2(row2, m, nullptr));
    EXPECT_EQ(0, mat3x2_init(nullptr, 1, 2, 3, 4, 5, 6));
}

TEST_F(Polygons, FastDistances) {
    EXPECT_EQ(6, fast_distance2d(3, 4));
    EXPECT_EQ(10, fast_distance2d(10, 0));
    EXPECT_EQ(10, fast_distance2d(0, -10));
    EXPECT_EQ(6, fast_distance2d(-4, -3));
    EXPECT_EQ(INT32_MAX, fast_distance2d(INT32_MIN, INT32_MIN));
    EXPECT_EQ(1.0f, fast_distance3d(0, 0, 1));
    EXPECT_EQ(1.0f, fast_distance3d(1, 1, 1));
    EXPECT_EQ(1.0f, fast_distance3d(-1, 1, -1));
    EXPECT_TRUE(std::isnan(fast_distance3d(NAN, 1, 1)));
    EXPECT_GT(fast_distance3d(3e38f, 3e38f, 0), 3e38f);
    // Against the true length: within 12% in two and 15% in three dimensions.
    for (int i = 0; i < 2000; ++i) {
        int dx = uniform(-5000, 5000), dy = uniform(-5000, 5000), dz = uniform(-5000, 5000);
        double d2 = std::hypot(dx, dy),
               d3 = std::sqrt(double(dx) * dx + double(dy) * dy + double(dz) * dz);
        if (d2 > 100) {
            EXPECT_NEAR(1.0, fast_distance2d(dx, dy) / d2, 0.12) << dx << "," << dy;
        }
        if (d3 > 100) {
            EXPECT_NEAR(1.0, fast_distance3d(dx, dy, dz) / d3, 0.15) << dx << "," << dy;
        }
    }
}
