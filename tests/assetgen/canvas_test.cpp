// The generator's canvas: exact pixels of small fills against hand-made
// expectations, clipping at every edge, outlines, sheets that follow the cell
// rule, and the fixed sine.
#include <cmath>
#include <string>

#include "canvas.h"
#include "sprites.h"
#include "test_util.h"

namespace {

// the canvas as text, '.' for 0 and '#' for anything else
std::string art(const Canvas& c) {
    std::string s;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) s += canvas_get(c, x, y) ? '#' : '.';
        s += '\n';
    }
    return s;
}

}  // namespace

TEST(Canvas, PolygonsFillPixelCentresWithTheEvenOddRule) {
    Canvas c = make_canvas(6, 4);
    Pt square[4] = {{1, 1}, {5, 1}, {5, 3}, {1, 3}};
    canvas_polygon(c, square, 4, 9);
    EXPECT_EQ("......\n.####.\n.####.\n......\n", art(c));
    Canvas t = make_canvas(5, 4);
    canvas_triangle(t, {0, 0}, {5, 0}, {0, 5}, 3);
    EXPECT_EQ("####.\n###..\n##...\n#....\n", art(t));
    // a square with a square hole: the hole stays empty
    Canvas h = make_canvas(5, 5);
    Pt ring[10] = {{0, 0}, {5, 0}, {5, 5}, {0, 5}, {0, 0}, {1, 1}, {1, 4}, {4, 4}, {4, 1}, {1, 1}};
    canvas_polygon(h, ring, 10, 1);
    EXPECT_EQ("#####\n#...#\n#...#\n#...#\n#####\n", art(h));
}

TEST(Canvas, ShapesOutsideTheCanvasAreClipped) {
    Canvas c = make_canvas(4, 3, 0);
    Pt far[3] = {{-100, -50}, {300, -40}, {-20, 400}};
    canvas_polygon(c, far, 3, 7);
    for (std::uint8_t p : c.pixels) EXPECT_EQ(7, p);
    Canvas d = make_canvas(4, 3);
    canvas_rect(d, -5, -5, 7, 6, 2);
    canvas_rect(d, 3, 2, 100, 100, 2);
    canvas_ellipse(d, -50, 1, 10, 10, 5);
    canvas_line(d, -10, 0, 20, 0, 4);
    canvas_thick_line(d, {-9, -9}, {-9, 20}, 3, 4);
    canvas_put(d, 4, 0, 1);
    EXPECT_EQ("####\n....\n...#\n", art(d));
    EXPECT_EQ(-1, canvas_get(d, 4, 0));
    EXPECT_EQ(-1, canvas_get(d, 0, -1));
    Canvas empty = make_canvas(0, 5);
    canvas_rect(empty, 0, 0, 5, 5, 1);
    canvas_line(empty, 0, 0, 3, 3, 1);
    EXPECT_TRUE(empty.pixels.empty());
}

TEST(Canvas, LinesIncludeBothEnds) {
    Canvas c = make_canvas(5, 3);
    canvas_line(c, 0, 0, 4, 2, 1);
    EXPECT_EQ("#....\n.##..\n...##\n", art(c));
}

TEST(Canvas, OutlineRingsTheFigureOnly) {
    Canvas c = make_canvas(5, 5);
    canvas_put(c, 2, 2, 6);
    canvas_outline(c, 1);
    EXPECT_EQ(".....\n..#..\n.###.\n..#..\n.....\n", art(c));
    EXPECT_EQ(1, canvas_get(c, 2, 1));
    EXPECT_EQ(6, canvas_get(c, 2, 2));
}

TEST(Canvas, GradientsStayInTheirRamp) {
    Canvas c = make_canvas(16, 40);
    canvas_vgradient(c, 0, 0, 16, 40, RAMP_SKY, 0, 15);
    for (std::uint8_t p : c.pixels) {
        EXPECT_GE(p, RAMP_SKY.first);
        EXPECT_LT(p, RAMP_SKY.first + RAMP_SKY.count);
    }
    EXPECT_EQ(RAMP_SKY.at(0), canvas_get(c, 5, 0));
    EXPECT_EQ(RAMP_SKY.at(15), canvas_get(c, 5, 39));
}

TEST(Canvas, ScaledAndMirroredAndCropped) {
    Canvas c = make_canvas(4, 2);
    canvas_put(c, 0, 0, 1);
    canvas_put(c, 3, 1, 2);
    Canvas big = canvas_scaled(c, 8, 4);
    EXPECT_EQ("##......\n##......\n......##\n......##\n", art(big));
    canvas_mirror(c);
    EXPECT_EQ(1, canvas_get(c, 3, 0));
    EXPECT_EQ(2, canvas_get(c, 0, 1));
    Canvas part = canvas_crop(c, 2, -1, 3, 2);
    EXPECT_EQ("...\n.#.\n", art(part));
}

TEST(Canvas, SheetsFollowTheCellRule) {
    Canvas frames[3];
    for (int i = 0; i < 3; ++i) {
        frames[i] = make_canvas(5, 4);
        canvas_put(frames[i], 0, 0, 10 + i);
    }
    Canvas sheet = cell_sheet(frames, 3, 2, 2);
    EXPECT_EQ(16, sheet.width);  // 2 x 6 + 1 = 13, padded to a multiple of 4
    EXPECT_EQ(11, sheet.height);
    EXPECT_EQ(10, canvas_get(sheet, 1, 1));
    EXPECT_EQ(11, canvas_get(sheet, 1 * 6 + 1, 1));
    EXPECT_EQ(12, canvas_get(sheet, 1, 1 * 5 + 1));
    EXPECT_EQ(0, canvas_get(sheet, 7, 6));   // the empty fourth cell
    EXPECT_NE(0, canvas_get(sheet, 0, 0));   // the border
    EXPECT_EQ(0, canvas_get(sheet, 15, 3));  // the padding
    EXPECT_TRUE(cell_sheet(nullptr, 1, 1, 1).pixels.empty());
}

TEST(Canvas, FixedSineMatchesTheMathsLibrary) {
    for (int a = -4096; a <= 8192; a += 37) {
        double expected = std::sin(a * 2 * 3.14159265358979323846 / 4096);
        EXPECT_NEAR(expected, turn_sin(a), 1e-8) << a;
        EXPECT_NEAR(std::cos(a * 2 * 3.14159265358979323846 / 4096), turn_cos(a), 1e-8) << a;
    }
    Rng a{7}, b{7};
    for (int i = 0; i < 100; ++i) EXPECT_EQ(a.next(), b.next());
    for (int i = 0; i < 1000; ++i) {
        int v = a.range(-3, 5);
        EXPECT_GE(v, -3);
        EXPECT_LE(v, 5);
    }
    EXPECT_EQ(4, a.range(4, 2));
}

TEST(Sprites, OtherNumbersGiveNoPicture) {
    EXPECT_TRUE(player_frame(-1).pixels.empty());
    EXPECT_TRUE(player_frame(32).pixels.empty());
    EXPECT_EQ(400, spike_picture(7).width);  // directions wrap
}
