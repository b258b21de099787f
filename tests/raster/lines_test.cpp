#include "raster/lines.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>
#include <tuple>

#include "raster/test_canvas.h"

namespace {

using Points = std::set<std::pair<int, int>>;

// The pixels of the line from (x1, y1) to (x2, y2) in closed form: along the
// major axis every step, along the minor axis the exact position rounded, a
// half rounding up (away from the start).
Points reference_line(long long x1, long long y1, long long x2, long long y2) {
    Points out;
    long long dx = std::llabs(x2 - x1), dy = std::llabs(y2 - y1);
    long long sx = x2 < x1 ? -1 : 1, sy = y2 < y1 ? -1 : 1;
    if (dx > dy) {
        for (long long k = 0; k <= dx; ++k)
            out.insert({int(x1 + sx * k), int(y1 + sy * ((2 * k * dy + dx) / (2 * dx)))});
    } else if (dy == 0) {
        out.insert({int(x1), int(y1)});
    } else {
        for (long long k = 0; k <= dy; ++k)
            out.insert({int(x1 + sx * ((2 * k * dx + dy) / (2 * dy))), int(y1 + sy * k)});
    }
    return out;
}

// Distance from (px, py) to the segment from (x1, y1) to (x2, y2).
long double segment_distance(long double px, long double py, long double x1, long double y1,
                             long double x2, long double y2) {
    long double vx = x2 - x1, vy = y2 - y1;
    long double len2 = vx * vx + vy * vy;
    long double t = len2 == 0 ? 0 : ((px - x1) * vx + (py - y1) * vy) / len2;
    t = std::max<long double>(0, std::min<long double>(1, t));
    long double ex = x1 + t * vx - px, ey = y1 + t * vy - py;
    return std::sqrt(ex * ex + ey * ey);
}

template <typename Pixel>
Points drawn_set(Canvas<Pixel>& canvas) {
    auto d = canvas.drawn();
    return Points(d.begin(), d.end());
}

class Lines : public RasterTest {};

}  // namespace

TEST_F(Lines, ClipLineExamples) {
    set_screen(1280, 1024);
    int x1 = -10, y1 = 5, x2 = 10, y2 = 5;
    EXPECT_EQ(1, clip_line(x1, y1, x2, y2));
    EXPECT_EQ((std::vector<int>{0, 5, 10, 5}), (std::vector<int>{x1, y1, x2, y2}));

    x1 = -30, y1 = 5, x2 = -1, y2 = 900;  // wholly left
    EXPECT_EQ(0, clip_line(x1, y1, x2, y2));
    EXPECT_EQ((std::vector<int>{-30, 5, -1, 900}), (std::vector<int>{x1, y1, x2, y2}));

    x1 = 3, y1 = 4, x2 = 1279, y2 = 1023;  // wholly inside
    EXPECT_EQ(1, clip_line(x1, y1, x2, y2));
    EXPECT_EQ((std::vector<int>{3, 4, 1279, 1023}), (std::vector<int>{x1, y1, x2, y2}));

    // Left of the top-left corner to above it: no shared outcode bit, no point inside.
    x1 = -10, y1 = 5, x2 = 5, y2 = -10;
    EXPECT_EQ(0, clip_line(x1, y1, x2, y2));
    EXPECT_EQ((std::vector<int>{-10, 5, 5, -10}), (std::vector<int>{x1, y1, x2, y2}));

    // The first end's crossing gets a half added before truncation toward zero,
    // which shows on negative coordinates: -5 + 0.5 becomes -4. The second end of
    // a single-edge crossing keeps the plain quotient.
    set_clip(-20, -20, 20, 20);
    x1 = -30, y1 = 0, x2 = 10, y2 = -20;
    EXPECT_EQ(1, clip_line(x1, y1, x2, y2));
    EXPECT_EQ((std::vector<int>{-20, -4, 10, -20}), (std::vector<int>{x1, y1, x2, y2}));
    x1 = 10, y1 = -20, x2 = -30, y2 = 0;
    EXPECT_EQ(1, clip_line(x1, y1, x2, y2));
    EXPECT_EQ((std::vector<int>{10, -20, -20, -5}), (std::vector<int>{x1, y1, x2, y2}));
}

TEST_F(Lines, OutcodesOfTheCorners) {
    set_screen(100, 80);
    EXPECT_EQ(0, outcode(0, 0));
    EXPECT_EQ(OUT_TOP | OUT_LEFT, outcode(-1, -1));
    EXPECT_EQ(OUT_TOP | OUT_RIGHT, outcode(100, -1));
    EXPECT_EQ(OUT_BOTTOM | OUT_LEFT, outcode(-1, 80));
    EXPECT_EQ(OUT_BOTTOM | OUT_RIGHT, outcode(100, 80));
    EXPECT_EQ(9, outcode(-5, -5));
    EXPECT_EQ(6, outcode(500, 500));
}

TEST_F(Lines, ClippedEndsLieOnTheEdgesAndOnTheLine) {
    set_screen(200, 150);
    set_clip(20, 10, 150, 120);
    int clipped = 0;
    for (int i = 0; i < 4000; ++i) {
        int x1 = uniform(-100, 300), y1 = uniform(-100, 250);
        int x2 = uniform(-100, 300), y2 = uniform(-100, 250);
        int a = x1, b = y1, c = x2, d = y2;
        if (!clip_line(a, b, c, d)) {
            EXPECT_EQ((std::vector<int>{x1, y1, x2, y2}), (std::vector<int>{a, b, c, d}));
            // A refused line has no pixel well inside the rectangle.
            for (auto [x, y] : reference_line(x1, y1, x2, y2))
                EXPECT_FALSE(x > 22 && x < 148 && y > 12 && y < 118)
                    << x1 << "," << y1 << " " << x2 << "," << y2;
            continue;
        }
        ++clipped;
        for (auto [px, py, ox, oy] : {std::tuple{a, b, x1, y1}, std::tuple{c, d, x2, y2}}) {
            EXPECT_TRUE(px >= 20 && px <= 150 && py >= 10 && py <= 120);
            bool moved = px != ox || py != oy;
            if (moved) {
                EXPECT_TRUE(px == 20 || px == 150 || py == 10 || py == 120);
            }
            EXPECT_LE(segment_distance(px, py, x1, y1, x2, y2), 1.0L)
                << x1 << "," << y1 << " " << x2 << "," << y2;
        }
        // The first end stays the one nearer the first original end.
        EXPECT_LE(std::hypot(a - x1, b - y1), std::hypot(c - x1, d - y1) + 1.5);
    }
    EXPECT_GT(clipped, 1000);
}

TEST_F(Lines, DrawLineExamples) {
    set_screen(16, 16);
    Canvas<std::uint8_t> canvas(16, 16);
    EXPECT_EQ(1, draw_line8(0, 0, 4, 2, 7, canvas.pixels(), canvas.pitch()));
    EXPECT_EQ((Points{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}), drawn_set(canvas));
    EXPECT_EQ(7, canvas.at(3, 2));

    canvas.clear();
    draw_line8(3, 3, 3, 3, 7, canvas.pixels(), canvas.pitch());
    EXPECT_EQ((Points{{3, 3}}), drawn_set(canvas));

    canvas.clear();
    draw_line8(2, 0, 0, 4, 7, canvas.pixels(), canvas.pitch());
    EXPECT_EQ((Points{{2, 0}, {1, 1}, {1, 2}, {0, 3}, {0, 4}}), drawn_set(canvas));
}

TEST_F(Lines, DrawLineMatchesTheClosedFormInBothDepths) {
    set_screen(90, 70);
    Canvas<std::uint8_t> c8(90, 70);
    Canvas<std::uint16_t> c16(90, 70);
    for (int i = 0; i < 3000; ++i) {
        int x1 = uniform(0, 89), y1 = uniform(0, 69), x2 = uniform(0, 89), y2 = uniform(0, 69);
        if (i % 5 == 0) y2 = y1 + (x2 - x1) / 2 * (i % 2 ? 1 : -1);  // many ties
        if (y2 < 0 || y2 > 69) y2 = y1;
        c8.clear();
        c16.clear();
        ASSERT_EQ(1, draw_line8(x1, y1, x2, y2, 3, c8.pixels(), c8.pitch()));
        ASSERT_EQ(1, draw_line16(x1, y1, x2, y2, 0x1234, c16.pixels(), c16.pitch()));
        Points expected = reference_line(x1, y1, x2, y2);
        ASSERT_EQ(expected, drawn_set(c8)) << x1 << "," << y1 << " " << x2 << "," << y2;
        ASSERT_EQ(expected, drawn_set(c16)) << x1 << "," << y1 << " " << x2 << "," << y2;
        ASSERT_EQ(0x1234, c16.at(x1, y1));
    }
    EXPECT_TRUE(c8.untouched_outside(0, 0, 89, 69));
    EXPECT_TRUE(c16.untouched_outside(0, 0, 89, 69));
}

TEST_F(Lines, UnclippedOperationsRefuseMemoryTheyCannotTrust) {
    set_screen(20, 10);
    Canvas<std::uint8_t> canvas(20, 10);
    Canvas<std::uint16_t> c16(20, 10);
    EXPECT_EQ(0, plot8(20, 0, 1, canvas.pixels(), canvas.pitch()));
    EXPECT_EQ(0, plot8(0, -1, 1, canvas.pixels(), canvas.pitch()));
    EXPECT_EQ(0, plot8(0, 0, 1, nullptr, canvas.pitch()));
    EXPECT_EQ(0, plot16(5, 10, 1, c16.pixels(), c16.pitch()));
    EXPECT_EQ(0, draw_line8(0, 0, 25, 5, 1, canvas.pixels(), canvas.pitch()));
    EXPECT_EQ(0, draw_line16(-1, 0, 5, 5, 1, c16.pixels(), c16.pitch()));
    EXPECT_EQ(0, draw_line8(0, 0, 5, 5, 1, canvas.pixels(), 0));
    EXPECT_EQ(0, draw_clip_line8(0, 0, 5, 5, 1, nullptr, 20));
    EXPECT_EQ(0, canvas.count_drawn());
    EXPECT_EQ(0, c16.count_drawn());
    EXPECT_EQ(1, plot8(19, 9, 4, canvas.pixels(), canvas.pitch()));
    EXPECT_EQ(1, plot16(19, 9, 0xBEEF, c16.pixels(), c16.pitch()));
    EXPECT_EQ(4, canvas.at(19, 9));
    EXPECT_EQ(0xBEEF, c16.at(19, 9));
    EXPECT_TRUE(canvas.untouched_outside(19, 9, 19, 9));
    EXPECT_TRUE(c16.untouched_outside(19, 9, 19, 9));
}

TEST_F(Lines, ClippedLinesStayInsideAndFollowTheTrueLine) {
    set_screen(64, 48);
    Canvas<std::uint8_t> c8(64, 48);
    Canvas<std::uint16_t> c16(64, 48);
    for (int i = 0; i < 3000; ++i) {
        int left = uniform(0, 20), top = uniform(0, 15);
        int right = uniform(left, 63), bottom = uniform(top, 47);
        set_clip(left, top, right, bottom);
        int x1 = uniform(-60, 124), y1 = uniform(-60, 108);
        int x2 = uniform(-60, 124), y2 = uniform(-60, 108);
        c8.clear();
        c16.clear();
        EXPECT_EQ(1, draw_clip_line8(x1, y1, x2, y2, 9, c8.pixels(), c8.pitch()));
        EXPECT_EQ(1, draw_clip_line16(x1, y1, x2, y2, 9, c16.pixels(), c16.pitch()));
        ASSERT_TRUE(c8.untouched_outside(left, top, right, bottom)) << i;
        ASSERT_TRUE(c16.untouched_outside(left, top, right, bottom)) << i;
        Points drawn = drawn_set(c8);
        ASSERT_EQ(drawn, drawn_set(c16));
        for (auto [x, y] : drawn) ASSERT_LE(segment_distance(x, y, x1, y1, x2, y2), 1.5L) << i;
        // Every pixel of the whole line well inside the rectangle has a drawn
        // pixel next to it.
        for (auto [x, y] : reference_line(x1, y1, x2, y2)) {
            if (x < left + 2 || x > right - 2 || y < top + 2 || y > bottom - 2) continue;
            bool near = false;
            for (auto [dx, dy] : drawn) near |= std::abs(dx - x) <= 1 && std::abs(dy - y) <= 1;
            ASSERT_TRUE(near) << i << ": " << x << "," << y;
        }
    }
}

TEST_F(Lines, FarOutsideCoordinatesNeverEscapeTheClipRectangle) {
    set_screen(64, 48);
    set_clip(5, 6, 50, 40);
    Canvas<std::uint8_t> canvas(64, 48);
    const int far[] = {INT_MIN, INT_MIN + 1, -2000000000, -70000,     -1,          0,
                       30,      63,          70000,       2000000000, INT_MAX - 1, INT_MAX};
    int drawn_lines = 0;
    for (int x1 : far)
        for (int y1 : far)
            for (int i = 0; i < 6; ++i) {
                int x2 = uniform(-10, 70), y2 = uniform(-10, 60);
                canvas.clear();
                draw_clip_line8(x1, y1, x2, y2, 1, canvas.pixels(), canvas.pitch());
                ASSERT_TRUE(canvas.untouched_outside(5, 6, 50, 40)) << x1 << "," << y1;
                auto drawn = canvas.drawn();
                drawn_lines += !drawn.empty();
                for (auto [x, y] : drawn)
                    ASSERT_LE(segment_distance(x, y, x1, y1, x2, y2), 1.5L) << x1 << "," << y1;
            }
    EXPECT_GT(drawn_lines, 100);
}

TEST_F(Lines, ScanFindsColoursWithinTheClampedRectangle) {
    set_screen(40, 30);
    Canvas<std::uint8_t> canvas(40, 30);
    canvas.at(39, 29) = 116;
    canvas.at(10, 5) = 50;
    const std::uint8_t* p = canvas.pixels();
    int pitch = canvas.pitch();
    EXPECT_EQ(1, scan_color8(30, 20, 5000, 5000, 116, 116, p, pitch));  // clamped, found
    EXPECT_EQ(0, scan_color8(0, 0, 38, 29, 116, 116, p, pitch));
    EXPECT_EQ(1, scan_color8(-100, -100, 10, 5, 40, 60, p, pitch));
    EXPECT_EQ(0, scan_color8(-100, -100, 10, 5, 51, 60, p, pitch));
    EXPECT_EQ(0, scan_color8(11, 0, 10, 29, 0, 255, p, pitch));  // x1 > x2: nothing visited
    EXPECT_EQ(0, scan_color8(0, 6, 39, 5, 0, 255, p, pitch));    // y1 > y2
    // The guard border around the memory is never read, however far out.
    EXPECT_EQ(0, scan_color8(-1000, -1000, 1000, 1000, 0xEE, 0xEE, p, pitch));
    EXPECT_EQ(0, scan_color8(0, 0, 5, 5, 1, 255, nullptr, pitch));

    Canvas<std::uint16_t> c16(40, 30);
    c16.at(0, 29) = 0xF800;
    c16.at(20, 0) = 0x07E0;
    EXPECT_EQ(1, scan_color16(-5, 25, 3, 99, 0x001F, 0xF800, c16.pixels(), c16.pitch()));
    EXPECT_EQ(1, scan_color16(15, 0, 25, 0, 0x07E0, 0x001F, c16.pixels(), c16.pitch()));
    EXPECT_EQ(0, scan_color16(15, 1, 25, 30, 0x07E0, 0xF800, c16.pixels(), c16.pitch()));
    EXPECT_EQ(0, scan_color16(-9, -9, 99, 99, 0xEE, 0xEE, c16.pixels(), c16.pitch()));
}

TEST_F(Lines, BoxOverlapOfPlayerSizedBoxes) {
    EXPECT_EQ(1, box_overlap(100, 100, 72, 74, 100, 100, 72, 74));
    EXPECT_EQ(0, box_overlap(100, 100, 72, 74, 154, 100, 72, 74));
    EXPECT_EQ(1, box_overlap(100, 100, 72, 74, 153, 100, 72, 74));
    EXPECT_EQ(1, box_overlap(153, 100, 72, 74, 100, 100, 72, 74));
    // b = 37 - 9 = 28 for a height of 74: apart by 56 rows they no longer meet.
    EXPECT_EQ(1, box_overlap(0, 0, 72, 74, 0, 55, 72, 74));
    EXPECT_EQ(0, box_overlap(0, 0, 72, 74, 0, 56, 72, 74));
    EXPECT_EQ(0, box_overlap(INT_MIN, INT_MIN, 72, 74, INT_MAX, INT_MAX, 72, 74));
}

// The many-bytes-at-once scan against a pixel-by-pixel reference: random boxes
// (crossing the edges, ends in either order, each end clamped), random colour ranges (empty,
// single, all 256, with 0 and 255 at their ends) over sparse pictures.
TEST_F(Lines, ScanMatchesThePixelByPixelReference) {
    set_screen(70, 50);
    Canvas<std::uint8_t> canvas(70, 50);
    std::mt19937 rng(77);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int found = 0;
    for (int round = 0; round < 3000; ++round) {
        if (round % 50 == 0) {
            canvas.clear();
            for (int n = pick(0, 40); n > 0; --n)
                canvas.at(pick(0, 69), pick(0, 49)) = static_cast<std::uint8_t>(pick(0, 255));
        }
        int x1 = pick(-10, 80), x2 = pick(-10, 80), y1 = pick(-10, 60), y2 = pick(-10, 60);
        int lo = pick(0, 255), hi = pick(0, 3) == 0 ? pick(0, 255) : pick(lo, 255);
        if (pick(0, 9) == 0) lo = 0, hi = 255;
        int expect = 0;
        // each end is clamped to the screen on its own
        auto cx = [](int v) { return std::clamp(v, 0, 69); };
        auto cy = [](int v) { return std::clamp(v, 0, 49); };
        for (int y = cy(y1); y <= cy(y2); ++y)
            for (int x = cx(x1); x <= cx(x2); ++x)
                expect |= canvas.at(x, y) >= lo && canvas.at(x, y) <= hi;
        found += expect;
        ASSERT_EQ(expect, scan_color8(x1, y1, x2, y2, std::uint8_t(lo), std::uint8_t(hi),
                                      canvas.pixels(), canvas.pitch()))
            << round << ": " << x1 << "," << y1 << " " << x2 << "," << y2 << " " << lo << ".."
            << hi;
    }
    EXPECT_GT(found, 150);  // both answers are exercised often
    EXPECT_LT(found, 2500);
}
