// The sprite pictures. The player is a jointed figure (legs, arms, tunic, head,
// scarf) posed per frame and outlined; frames facing left are mirrored about
// the figure's middle column. Scenery is built from filled shapes.
// No globals. Needs canvas.h and palette.h.
#include "sprites.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kOutline = RAMP_GREY.at(0);

double sind(double deg) {
    return turn_sin(static_cast<int>(deg * 4096.0 / 360.0));
}
double cosd(double deg) {
    return turn_cos(static_cast<int>(deg * 4096.0 / 360.0));
}

// the point len pixels from p in the direction deg (0 straight down, 90 forward)
Pt along(Pt p, double deg, double len) {
    return {p.x + len * sind(deg), p.y + len * cosd(deg)};
}

// ---- the player -------------------------------------------------------------

struct Limb {
    double upper, lower;  // degrees from straight down, positive forward
};

struct Pose {
    double hip_x = 28, hip_y = 42;
    double lean = 1;  // shoulders ahead of the hip, pixels
    Limb leg[2];      // far, near
    Limb arm[2];      // far, near
    int wave = 0;     // scarf phase, 1/4096 turns
    double lift = 0;  // how far the scarf ends rise, pixels
};

constexpr double kThigh = 9, kShin = 9, kUpperArm = 8, kForearm = 7;

// the ankle's depth below the hip for a leg
double leg_drop(const Limb& l) {
    return kThigh * cosd(l.upper) + kShin * cosd(l.lower);
}

// puts the hip so that the lowest ankle stands on ankle_row
void stand_on(Pose& p, double ankle_row) {
    p.hip_y = ankle_row - std::max(leg_drop(p.leg[0]), leg_drop(p.leg[1]));
}

void draw_leg(Canvas& c, const Pose& p, int side) {
    int shade = side == 0 ? 2 : 5;
    Pt hip{p.hip_x + (side == 0 ? -1 : 1), p.hip_y};
    Pt knee = along(hip, p.leg[side].upper, kThigh);
    Pt ankle = along(knee, p.leg[side].lower, kShin);
    canvas_thick_line(c, hip, knee, 6, RAMP_CLOTH.at(shade));
    canvas_thick_line(c, knee, ankle, 5, RAMP_CLOTH.at(shade));
    int boot = side == 0 ? RAMP_WOOD.at(2) : RAMP_WOOD.at(4);
    Pt b[5] = {{ankle.x - 3, ankle.y - 4},
               {ankle.x + 3, ankle.y - 4},
               {ankle.x + 7, ankle.y + 1},
               {ankle.x + 7, ankle.y + 3},
               {ankle.x - 3, ankle.y + 3}};
    canvas_polygon(c, b, 5, boot);
    canvas_rect(c, static_cast<int>(ankle.x - 3), static_cast<int>(std::ceil(ankle.y + 1.5)), 10, 1,
                RAMP_GREY.at(1));
}

void draw_arm(Canvas& c, const Pose& p, int side) {
    int shade = side == 0 ? 3 : 7;
    Pt shoulder{p.hip_x + p.lean + (side == 0 ? -1 : 0), p.hip_y - 13};
    Pt elbow = along(shoulder, p.arm[side].upper, kUpperArm);
    Pt hand = along(elbow, p.arm[side].lower, kForearm);
    canvas_thick_line(c, shoulder, elbow, 5, RAMP_CLOTH.at(shade));
    canvas_thick_line(c, elbow, hand, 4, RAMP_CLOTH.at(shade + 1));
    canvas_ellipse(c, hand.x, hand.y, 2.4, 2.4, RAMP_SKIN.at(side == 0 ? 4 : 8));
}

void draw_scarf(Canvas& c, const Pose& p, Pt neck) {
    Pt at{neck.x - 3, neck.y + 1};
    for (int i = 0; i < 3; ++i) {
        double dy = 2.0 * turn_sin(p.wave + i * 1100) - p.lift * (i + 1) / 3.0 + 1.0;
        Pt next{at.x - 3.6, at.y + dy};
        canvas_thick_line(c, at, next, 4.0 - i * 0.6, RAMP_SCARF.at(i == 0 ? 7 : 6 - i));
        at = next;
    }
    canvas_thick_line(c, {neck.x - 4, neck.y}, {neck.x + 4, neck.y + 1}, 4, RAMP_SCARF.at(8));
}

void draw_body(Canvas& c, const Pose& p) {
    Pt hip{p.hip_x, p.hip_y};
    Pt sh{p.hip_x + p.lean + 1, p.hip_y - 14};
    Pt tunic[4] = {
        {sh.x - 6, sh.y - 1}, {sh.x + 6, sh.y - 1}, {hip.x + 7, hip.y + 4}, {hip.x - 7, hip.y + 4}};
    canvas_polygon(c, tunic, 4, RAMP_CLOTH.at(9));
    Pt shade[4] = {
        {sh.x - 6, sh.y - 1}, {sh.x - 2, sh.y - 1}, {hip.x - 3, hip.y + 4}, {hip.x - 7, hip.y + 4}};
    canvas_polygon(c, shade, 4, RAMP_CLOTH.at(6));
    canvas_thick_line(c, {sh.x + 3, sh.y + 2}, {hip.x + 4, hip.y - 3}, 1.5, RAMP_CLOTH.at(12));
    canvas_thick_line(c, {hip.x - 7, hip.y}, {hip.x + 7, hip.y}, 2.5, RAMP_WOOD.at(4));
    canvas_rect(c, static_cast<int>(hip.x + 2), static_cast<int>(hip.y - 1), 2, 2,
                RAMP_GOLD.at(12));
    // head: hair behind, face in front, ponytail, eye
    Pt head{sh.x + 2, sh.y - 8};
    canvas_rect(c, static_cast<int>(sh.x - 1), static_cast<int>(sh.y - 3), 4, 3, RAMP_SKIN.at(5));
    canvas_thick_line(c, {head.x - 6, head.y - 3},
                      {head.x - 11, head.y + 3 + 1.5 * turn_sin(p.wave + 600)}, 3.5,
                      RAMP_HAIR.at(2));
    canvas_ellipse(c, head.x - 1.5, head.y - 1.5, 7, 6.5, RAMP_HAIR.at(1));
    canvas_ellipse(c, head.x + 1.6, head.y + 1.2, 5.4, 6.2, RAMP_SKIN.at(9));
    canvas_ellipse(c, head.x - 0.5, head.y - 4.5, 6, 2.8, RAMP_HAIR.at(3));
    canvas_rect(c, static_cast<int>(head.x + 3), static_cast<int>(head.y), 2, 2, RAMP_GREY.at(0));
    canvas_put(c, static_cast<int>(head.x + 4), static_cast<int>(head.y + 3), RAMP_SCARF.at(10));
    draw_scarf(c, p, {sh.x, sh.y});
}

Canvas draw_pose(const Pose& p) {
    Canvas c = make_canvas(PLAYER_W, PLAYER_H);
    draw_arm(c, p, 0);
    draw_leg(c, p, 0);
    draw_leg(c, p, 1);
    draw_body(c, p);
    draw_arm(c, p, 1);
    canvas_outline(c, kOutline);
    canvas_rect(c, 0, PLAYER_FEET_ROW + 1, PLAYER_W, PLAYER_H, PAL_TRANSPARENT);
    return c;
}

// moves a figure sideways into columns 12 .. 44 as far as its width allows, then
// clears whatever still lies outside them
Canvas fit_columns(const Canvas& figure) {
    int left = PLAYER_W, right = -1;
    for (int y = 0; y < PLAYER_H; ++y)
        for (int x = 0; x < PLAYER_W; ++x)
            if (canvas_get(figure, x, y) > 0) left = std::min(left, x), right = std::max(right, x);
    int shift = 0;
    if (right > PLAYER_RIGHT_COL)
        shift = std::max(PLAYER_RIGHT_COL - right, PLAYER_LEFT_COL - left);
    if (left < PLAYER_LEFT_COL) shift = std::min(PLAYER_LEFT_COL - left, PLAYER_RIGHT_COL - right);
    Canvas c = make_canvas(PLAYER_W, PLAYER_H);
    canvas_blit(c, figure, shift, 0, false);
    canvas_rect(c, 0, 0, PLAYER_LEFT_COL, PLAYER_H, PAL_TRANSPARENT);
    canvas_rect(c, PLAYER_RIGHT_COL + 1, 0, PLAYER_W, PLAYER_H, PAL_TRANSPARENT);
    return c;
}

// mirrors the figure about the middle of columns 12 .. 44
Canvas facing_left(const Canvas& right) {
    Canvas c = make_canvas(PLAYER_W, PLAYER_H);
    for (int y = 0; y < PLAYER_H; ++y)
        for (int x = 0; x < PLAYER_W; ++x) {
            int from = PLAYER_LEFT_COL + PLAYER_RIGHT_COL - x;
            if (from >= 0 && from < PLAYER_W) canvas_put(c, x, y, canvas_get(right, from, y));
        }
    return c;
}

Pose standing() {
    Pose p;
    p.leg[0] = {-4, -4};
    p.leg[1] = {5, 3};
    p.arm[0] = {-8, 8};
    p.arm[1] = {6, 24};
    stand_on(p, 60);
    return p;
}

// step k of 7 of the walk to the right
Pose walking(int k) {
    Pose p;
    int phase = k * 4096 / 7;
    for (int side = 0; side < 2; ++side) {
        int q = phase + side * 2048;
        double thigh = 24 * turn_sin(q);
        double lift = turn_cos(q) > 0 ? turn_cos(q) : 0;
        p.leg[side] = {thigh, thigh - 40 * lift};
        double swing = -18 * turn_sin(q);
        p.arm[side] = {swing, swing + 24};
    }
    p.lean = 2.5;
    p.wave = phase * 2;
    stand_on(p, 60);
    return p;
}

// step k of the leap to the right, legs tucked and one arm reaching ahead
Pose leaping(int k, int steps) {
    Pose p;
    int phase = k * 4096 / steps;
    double s = turn_sin(phase);
    p.leg[1] = {72 + 10 * s, -15 + 10 * s};
    p.leg[0] = {-30 - 8 * s, -75 - 8 * s};
    p.arm[1] = {140 + 18 * s, 165 + 14 * s};
    p.arm[0] = {-70 + 12 * s, -40 + 12 * s};
    p.lean = 3;
    p.wave = phase * 2;
    p.lift = 5;
    stand_on(p, 55);
    return p;
}

// step k of the tumble with both arms thrown up
Pose tumbling(int k, int steps) {
    Pose p;
    int phase = k * 4096 / steps;
    double s = turn_sin(phase), co = turn_cos(phase);
    p.leg[1] = {35 + 25 * s, 5 + 25 * s};
    p.leg[0] = {-20 + 25 * co, -45 + 20 * co};
    p.arm[1] = {150 + 25 * s, 175 + 20 * s};
    p.arm[0] = {-150 - 25 * co, -170 - 20 * co};
    p.lean = 0;
    p.wave = phase * 3;
    p.lift = 7;
    stand_on(p, 56);
    return p;
}

// ---- scenery ----------------------------------------------------------------

// rotates a square canvas a quarter turn clockwise
Canvas quarter_turn(const Canvas& src) {
    Canvas c = make_canvas(src.height, src.width);
    for (int y = 0; y < src.height; ++y)
        for (int x = 0; x < src.width; ++x)
            canvas_put(c, src.height - 1 - y, x, canvas_get(src, x, y));
    return c;
}

Canvas spike_up() {
    // two broad blades on a base plate; the blades are light on both faces and
    // as wide as they are tall, so that they stay triangles when the picture is
    // shrunk to 30 x 30
    Canvas c = make_canvas(400, 400);
    const double base_top = 340, tip = 70;
    const int n = 2;
    for (int i = 0; i < n; ++i) {
        double x0 = 400.0 * i / n, x1 = 400.0 * (i + 1) / n, mid = (x0 + x1) / 2;
        canvas_triangle(c, {x0 + 2, base_top + 4}, {mid, tip}, {x1 - 2, base_top + 4}, kOutline);
        canvas_triangle(c, {x0 + 14, base_top}, {mid, tip + 26}, {mid, base_top},
                        RAMP_METAL.at(14));
        canvas_triangle(c, {mid, tip + 26}, {x1 - 14, base_top}, {mid, base_top},
                        RAMP_METAL.at(10));
        // blood-red tips that still show at 30 x 30
        double ty = tip + 95;
        double half = (ty - tip - 26) * (mid - x0 - 14) / (base_top - tip - 26);
        canvas_triangle(c, {mid - half, ty}, {mid, tip + 26}, {mid, ty}, RAMP_SCARF.at(9));
        canvas_triangle(c, {mid, tip + 26}, {mid + half, ty}, {mid, ty}, RAMP_SCARF.at(6));
    }
    canvas_rect(c, 0, static_cast<int>(base_top), 400, 60, kOutline);
    canvas_rect(c, 8, static_cast<int>(base_top) + 10, 384, 42, RAMP_METAL.at(5));
    canvas_rect(c, 8, static_cast<int>(base_top) + 10, 384, 12, RAMP_METAL.at(9));
    for (int x = 40; x < 400; x += 107)
        canvas_ellipse(c, x, base_top + 34, 9, 9, RAMP_METAL.at(12));
    return c;
}

}  // namespace

Canvas player_frame(int frame) {
    if (frame < 0 || frame > 31) return Canvas{};
    if (frame == 0) return fit_columns(draw_pose(standing()));
    if (frame < 8) return fit_columns(draw_pose(walking(frame - 1)));
    if (frame < 16) return facing_left(player_frame(frame - 8));
    if (frame < 23) return fit_columns(draw_pose(leaping(frame - 16, 7)));
    if (frame == 23) return fit_columns(draw_pose(leaping(6, 7)));
    return facing_left(fit_columns(draw_pose(tumbling(frame - 24, 8))));
}

Canvas pointer_picture() {
    Canvas c = make_canvas(31, 33);
    const double cx = 16.5, cy = 16.5;
    canvas_ellipse(c, cx, cy, 12, 12, kOutline);
    canvas_ellipse(c, cx, cy, 10, 10, RAMP_GOLD.at(13));
    canvas_ellipse(c, cx, cy, 8, 8, kOutline);
    canvas_ellipse(c, cx, cy, 7, 7, PAL_TRANSPARENT);
    // four ticks pointing at the centre, with gaps in the ring between them
    for (int q = 0; q < 4; ++q) {
        int dx = q == 0 ? 1 : q == 2 ? -1 : 0, dy = q == 1 ? 1 : q == 3 ? -1 : 0;
        canvas_rect(c,
                    16 + dx * 4 -
                        (dx == 0  ? 1
                         : dx < 0 ? 10
                                  : 0),
                    16 + dy * 4 -
                        (dy == 0  ? 1
                         : dy < 0 ? 10
                                  : 0),
                    dx == 0 ? 3 : 11, dy == 0 ? 3 : 11, kOutline);
        canvas_rect(c, 16 + dx * 5 - (dx < 0 ? 8 : 0), 16 + dy * 5 - (dy < 0 ? 8 : 0),
                    dx == 0 ? 1 : 9, dy == 0 ? 1 : 9, PAL_WHITE);
    }
    canvas_rect(c, 15, 15, 3, 3, kOutline);
    canvas_put(c, 16, 16, RAMP_SCARF.at(10));
    return c;
}

Canvas platform_picture() {
    Canvas c = make_canvas(100, 60);
    Pt rock[8] = {{2, 9}, {98, 9}, {94, 20}, {80, 30}, {66, 44}, {52, 57}, {40, 46}, {16, 28}};
    canvas_polygon(c, rock, 8, kOutline);
    Pt inner[8] = {{4, 10}, {96, 10}, {92, 20}, {78, 29}, {65, 42}, {52, 54}, {41, 44}, {17, 27}};
    canvas_polygon(c, inner, 8, RAMP_STONE.at(6));
    Pt lit[5] = {{4, 10}, {50, 10}, {44, 30}, {42, 43}, {17, 27}};
    canvas_polygon(c, lit, 5, RAMP_STONE.at(9));
    Pt dark[4] = {{70, 14}, {96, 10}, {78, 29}, {58, 48}};
    canvas_polygon(c, dark, 4, RAMP_STONE.at(3));
    canvas_thick_line(c, {30, 18}, {40, 30}, 2, RAMP_STONE.at(3));
    canvas_thick_line(c, {62, 20}, {56, 38}, 2, RAMP_STONE.at(11));
    // hanging roots
    canvas_thick_line(c, {24, 25}, {22, 40}, 2, RAMP_WOOD.at(3));
    canvas_thick_line(c, {70, 30}, {73, 46}, 2, RAMP_WOOD.at(3));
    // the walkable top: ground-coloured soil from row 8, grass tufts above it
    canvas_rect(c, 1, PLATFORM_TOP_ROW, 98, 6, PAL_GROUND);
    canvas_rect(c, 3, PLATFORM_TOP_ROW + 6, 94, 2, RAMP_SOIL.at(1));
    Rng rng{0x5EED1u};
    for (int x = 2; x < 97; x += 3) {
        int h = rng.range(2, 6);
        canvas_rect(c, x, PLATFORM_TOP_ROW - h, 2, h, RAMP_LEAF.at(rng.range(8, 13)));
    }
    return c;
}

Canvas trapdoor_picture() {
    Canvas c = make_canvas(100, 60);
    // two brackets under the hatch, then the planks with a split down the middle
    for (int x : {16, 74}) {
        Pt br[3] = {{x - 2.0, 20}, {x + 12.0, 20}, {x + 5.0, 40}};
        canvas_polygon(c, br, 3, kOutline);
        Pt in[3] = {{x + 1.0, 21}, {x + 9.0, 21}, {x + 5.0, 35}};
        canvas_polygon(c, in, 3, RAMP_METAL.at(6));
    }
    canvas_rect(c, 2, PLATFORM_TOP_ROW, 96, 14, kOutline);
    for (int i = 0; i < 6; ++i) {
        int x = 3 + i * 16;
        canvas_rect(c, x, PLATFORM_TOP_ROW + 1, 14, 12, RAMP_WOOD.at(i % 2 ? 8 : 9));
        canvas_rect(c, x, PLATFORM_TOP_ROW + 1, 14, 2, RAMP_WOOD.at(12));
        canvas_rect(c, x, PLATFORM_TOP_ROW + 11, 14, 2, RAMP_WOOD.at(5));
        canvas_put(c, x + 4, PLATFORM_TOP_ROW + 6, RAMP_WOOD.at(3));
    }
    canvas_rect(c, 49, PLATFORM_TOP_ROW, 2, 14, kOutline);
    // iron bands, hinges and the yellow-black warning edge
    for (int x : {10, 82}) {
        canvas_rect(c, x, PLATFORM_TOP_ROW + 1, 8, 12, RAMP_METAL.at(5));
        canvas_rect(c, x + 2, PLATFORM_TOP_ROW + 3, 3, 3, RAMP_METAL.at(13));
        canvas_rect(c, x + 2, PLATFORM_TOP_ROW + 8, 3, 3, RAMP_METAL.at(13));
    }
    for (int x = 2; x < 98; x += 8) {
        canvas_rect(c, x, PLATFORM_TOP_ROW + 14, 4, 4, RAMP_GOLD.at(12));
        canvas_rect(c, x + 4, PLATFORM_TOP_ROW + 14, 4, 4, kOutline);
    }
    canvas_rect(c, 2, PLATFORM_TOP_ROW + 18, 96, 1, kOutline);
    return c;
}

Canvas spike_picture(int direction) {
    Canvas c = spike_up();
    for (int i = 0; i < (direction & 3); ++i) c = quarter_turn(c);
    return c;
}

Canvas wall_picture() {
    Canvas c = make_canvas(180, 180, RAMP_STONE.at(1));
    Rng rng{0xB10C5u};
    for (int row = 0; row < 6; ++row) {
        int y = row * 30;
        for (int k = -1; k < 4; ++k) {
            int x = k * 60 + (row % 2 ? 30 : 0);
            int base = rng.range(6, 9);
            canvas_rect(c, x + 2, y + 2, 57, 26, RAMP_STONE.at(base));
            canvas_rect(c, x + 2, y + 2, 57, 4, RAMP_STONE.at(base + 3));
            canvas_rect(c, x + 2, y + 2, 4, 26, RAMP_STONE.at(base + 2));
            canvas_rect(c, x + 2, y + 24, 57, 4, RAMP_STONE.at(base - 3));
            canvas_rect(c, x + 55, y + 2, 4, 26, RAMP_STONE.at(base - 2));
            for (int s = 0; s < 14; ++s)
                canvas_rect(c, x + rng.range(8, 52), y + rng.range(8, 21), 2, 2,
                            RAMP_STONE.at(base + rng.range(-2, 2)));
            if (rng.range(0, 3) == 0) {
                int cx = x + rng.range(14, 40);
                canvas_thick_line(c, {cx + 0.0, y + 6.0}, {cx + 8.0, y + 16.0}, 2,
                                  RAMP_STONE.at(2));
                canvas_thick_line(c, {cx + 8.0, y + 16.0}, {cx + 4.0, y + 24.0}, 2,
                                  RAMP_STONE.at(2));
            }
            if (rng.range(0, 4) == 0)
                canvas_ellipse(c, x + rng.range(10, 50), y + 25, 6, 3,
                               RAMP_LEAF.at(rng.range(4, 7)));
        }
    }
    return c;
}

Canvas door_picture() {
    Canvas c = make_canvas(80, 100);
    // stone arch around a rounded wooden door, a lit lamp above, a step below
    canvas_ellipse(c, 40, 36, 40, 36, kOutline);
    canvas_rect(c, 0, 36, 80, 64, kOutline);
    canvas_ellipse(c, 40, 36, 38, 34, RAMP_STONE.at(8));
    canvas_rect(c, 2, 36, 76, 62, RAMP_STONE.at(8));
    for (int y = 6; y < 96; y += 12)
        for (int side = 0; side < 2; ++side) {
            int x = side ? 68 : 3;
            canvas_rect(c, x, y + (side ? 6 : 0), 9, 10, RAMP_STONE.at(10));
            canvas_rect(c, x, y + (side ? 6 : 0) + 9, 9, 2, RAMP_STONE.at(4));
        }
    canvas_ellipse(c, 40, 40, 27, 27, kOutline);
    canvas_rect(c, 13, 40, 54, 55, kOutline);
    canvas_ellipse(c, 40, 40, 25, 25, RAMP_WOOD.at(6));
    canvas_rect(c, 15, 40, 50, 55, RAMP_WOOD.at(6));
    for (int x = 21; x < 65; x += 9) canvas_rect(c, x, 16, 2, 79, RAMP_WOOD.at(3));
    for (int y : {34, 70})
        for (int x = 16; x < 65; x += 1)
            canvas_put(c, x, y, RAMP_METAL.at(4)), canvas_put(c, x, y + 1, RAMP_METAL.at(4));
    for (int x : {20, 30, 50, 60}) canvas_rect(c, x, 36, 2, 2, RAMP_METAL.at(12));
    canvas_ellipse(c, 55, 58, 4, 4, RAMP_GOLD.at(6));
    canvas_ellipse(c, 55, 58, 2, 2, RAMP_WOOD.at(6));
    canvas_rect(c, 53, 52, 4, 4, RAMP_GOLD.at(12));
    // the lamp over the door: the level's way out glows
    canvas_ellipse(c, 40, 9, 7, 7, RAMP_FIRE.at(9));
    canvas_ellipse(c, 40, 9, 4, 4, RAMP_FIRE.at(14));
    canvas_rect(c, 0, 95, 80, 5, kOutline);
    canvas_rect(c, 1, 96, 78, 3, RAMP_STONE.at(5));
    return c;
}

Canvas cell_sheet(const Canvas* frames, int count, int columns, int rows) {
    if (!frames || count < 1 || columns < 1 || rows < 1) return Canvas{};
    const int w = frames[0].width, h = frames[0].height;
    int sheet_w = columns * (w + 1) + 1;
    sheet_w = (sheet_w + 3) / 4 * 4;
    Canvas sheet = make_canvas(sheet_w, rows * (h + 1) + 1);
    const int border = RAMP_GREY.at(8);
    for (int r = 0; r <= rows; ++r)
        canvas_rect(sheet, 0, r * (h + 1), columns * (w + 1) + 1, 1, border);
    for (int k = 0; k <= columns; ++k)
        canvas_rect(sheet, k * (w + 1), 0, 1, rows * (h + 1) + 1, border);
    for (int i = 0; i < count && i < columns * rows; ++i)
        canvas_blit(sheet, frames[i], (i % columns) * (w + 1) + 1, (i / columns) * (h + 1) + 1,
                    false);
    return sheet;
}
