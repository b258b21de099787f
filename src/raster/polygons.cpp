// Polygons: validation, outlines through the clipped lines, the convex fill by two
// integer edge walkers, bounds, moves, table and matrix rotations, scaling; the
// sine and cosine tables; 3x3 and 3x2 float matrix products; distance estimates.
// Owns cos_table and sin_table. The fill clips each row once, skips the rows
// above the clip rectangle in closed form (one step per edge) and stops at its
// bottom, so no vertex position makes it slow.
#include "raster/polygons.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx/display.h"
#include "raster/lines.h"
#include "raster/spans.h"

float cos_table[361];
float sin_table[361];

namespace {

using i64 = std::int64_t;

constexpr double kPi = 3.1415927410125732;  // pi rounded to float, as a double

bool tables_built = false;

bool usable(const Polygon* poly) {
    return poly && poly->vertices && poly->vertex_count >= 3;
}

// Screen position of one coordinate: origin + vertex in double, truncated; false
// when it is not a number or lies beyond the coordinate limit.
bool screen_coord(std::int32_t origin, float offset, i64* out) {
    double v = static_cast<double>(origin) + static_cast<double>(offset);
    if (!(std::fabs(v) <= POLYGON_COORD_LIMIT)) return false;
    *out = static_cast<i64>(v);
    return true;
}

bool all_on_plane(const Polygon* poly) {
    i64 unused;
    for (int i = 0; i < poly->vertex_count; ++i) {
        if (!screen_coord(poly->x, poly->vertices[i].x, &unused) ||
            !screen_coord(poly->y, poly->vertices[i].y, &unused))
            return false;
    }
    return true;
}

i64 vertex_x(const Polygon* poly, int i) {
    i64 v = 0;
    screen_coord(poly->x, poly->vertices[i].x, &v);
    return v;
}

i64 vertex_y(const Polygon* poly, int i) {
    i64 v = 0;
    screen_coord(poly->y, poly->vertices[i].y, &v);
    return v;
}

// Converts a float to int32, truncating toward zero and saturating; NaN gives 0.
std::int32_t saturate(double v) {
    if (std::isnan(v)) return 0;
    if (v <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    if (v >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    return static_cast<std::int32_t>(v);
}

// -360..360 as given, a negative angle plus 360; anything else reduced first.
int table_angle(int angle) {
    if (angle < -360 || angle > 360) angle %= 360;
    return angle < 0 ? angle + 360 : angle;
}

// ---- the convex fill ---------------------------------------------------------

// One edge walker. A steep edge (|dx| <= |dy|) counts rows and moves x when its
// error sum reaches |dy|; a flat edge counts pixels and takes, per row, steps
// until its sum reaches |dx|.
struct Walker {
    int end;  // index of the vertex the edge runs to
    i64 x;    // current column
    i64 adx;  // |dx| of the edge from the walker's start
    i64 ady;  // |dy| of the edge
    i64 dir;  // +1 or -1: direction of x
    bool steep;
    i64 count;  // rows (steep) or pixels (flat) left
    i64 sum;    // error sum
    i64 whole;  // flat edges: |dx| / |dy|, the steps every row takes at least
    i64 part;   // flat edges: |dx| % |dy|
};

void start_edge(Walker* w, const Polygon* poly, i64 row) {
    i64 dx = vertex_x(poly, w->end) - w->x;
    i64 dy = vertex_y(poly, w->end) - row;
    w->adx = dx < 0 ? -dx : dx;
    w->ady = dy < 0 ? -dy : dy;
    w->dir = dx < 0 ? -1 : 1;
    w->steep = w->adx <= w->ady;
    w->count = w->steep ? w->ady : w->adx;
    w->sum = 0;
    w->whole = w->ady == 0 ? 0 : w->adx / w->ady;
    w->part = w->ady == 0 ? 0 : w->adx % w->ady;
}

// Rows the walker can go down before its count is used up (it is used up in
// the last of them).
i64 rows_left(const Walker& w) {
    if (w.steep) return w.count;
    if (w.ady == 0) return 1;
    return ((w.count - 1) * w.ady + w.sum) / w.adx + 1;
}

// Moves the walker down k rows (k at most rows_left) in closed form: a steep
// edge gathers k x |dx| into its sum and moves once per |dy| of it; a flat one
// takes the steps that bring its sum to k x |dx|, as far as its count allows.
void advance(Walker* w, i64 k) {
    if (w->steep) {
        i64 total = w->sum + k * w->adx;
        w->x += w->dir * (total / w->ady);
        w->sum = total % w->ady;
        w->count -= k;
        return;
    }
    i64 need = k * w->adx - w->sum;
    i64 steps = w->ady == 0 ? w->count : std::min(w->count, (need + w->ady - 1) / w->ady);
    w->x += w->dir * steps;
    w->sum += steps * w->ady - k * w->adx;
    w->count -= steps;
}

// advance(w, 1) without a division. A steep edge's sum stays below |dy| and
// gains |dx| <= |dy|, so it passes |dy| at most once. A flat edge's sum stays in
// 0 .. |dy| - 1 between rows, so the steps that bring it to |dx| are
// |dx| / |dy|, and one more when the remainder exceeds the sum.
void advance_one(Walker* w) {
    if (w->steep) {
        i64 total = w->sum + w->adx;
        bool step = total >= w->ady;
        w->x += step ? w->dir : 0;
        w->sum = step ? total - w->ady : total;
        w->count -= 1;
        return;
    }
    if (w->ady == 0 || w->sum < 0 || w->sum >= w->ady) {
        advance(w, 1);
        return;
    }
    i64 steps = std::min(w->count, w->whole + (w->part > w->sum ? 1 : 0));
    w->x += w->dir * steps;
    w->sum += steps * w->ady - w->adx;
    w->count -= steps;
}

// Fills lo..hi of one row inside the clip rows, clipped to the clip columns.
template <typename Pixel>
void fill_row(i64 row, i64 lo, i64 hi, Pixel* pixels, int pitch, Pixel color) {
    if constexpr (sizeof(Pixel) == 1) {
        row_span8(pixels + row * pitch, lo, hi, color);
    } else {
        row_span16(pixels + row * pitch, lo, hi, color);
    }
}

// The columns one row covers, gathered as walkers move along it.
struct RowExtent {
    i64 lo = INT64_MAX;
    i64 hi = INT64_MIN;
    void add(i64 x) {
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    }
};

// One row inside the clip rows: both walkers move, then the row is filled
// between them, together with the pixels a flat walker passed on its way (from
// one step past where it was) and any level edge met on this row.
template <typename Pixel>
void walk_row(Walker* l, Walker* r, i64 row, RowExtent extent, Pixel* pixels, int pitch,
              Pixel color) {
    for (Walker* w : {l, r}) {
        if (!w->steep) extent.add(w->x + w->dir);
        advance_one(w);
        extent.add(w->x);
    }
    fill_row(row, extent.lo, extent.hi, pixels, pitch, color);
}

// A level edge (no rows to go down) runs along the current row: the walker
// moves to its end at once and the row's extent takes it in. Returns whether
// the edge was level.
bool take_level_edge(Walker* w, RowExtent* extent) {
    if (w->ady != 0 || w->count == 0) return false;
    extent->add(w->x);
    w->x += w->dir * w->adx;
    extent->add(w->x);
    w->count = 0;
    return true;
}

// The top vertex: vertex 0 unless a later one lies above the current choice's
// y truncated to an integer.
int top_vertex(const Polygon* poly) {
    int top = 0;
    for (int i = 1; i < poly->vertex_count; ++i) {
        double current = std::trunc(static_cast<double>(poly->vertices[top].y));
        if (static_cast<double>(poly->vertices[i].y) < current) top = i;
    }
    return top;
}

// Two walkers go down from the top vertex, the left one backward through the
// vertices and the right one forward, until the edges are used up. A walker
// whose edge ends starts its next one where it stands, with a fresh error sum;
// the other keeps going along its own edge. A level edge is taken along the
// current row without using a row of its own.
template <typename Pixel>
void fill_convex(const Polygon* poly, Pixel* pixels, int pitch, Pixel color) {
    int n = poly->vertex_count;
    int top = top_vertex(poly);
    i64 row = vertex_y(poly, top);
    Walker l{}, r{};
    l.x = r.x = vertex_x(poly, top);
    l.end = top == 0 ? n - 1 : top - 1;
    r.end = top == n - 1 ? 0 : top + 1;
    start_edge(&l, poly, row);
    start_edge(&r, poly, row);
    RowExtent level;  // level edges met on the current row
    for (int edges = n - 1; edges > 0;) {
        take_level_edge(&l, &level);
        take_level_edge(&r, &level);
        while (l.count > 0 && r.count > 0) {
            if (row > clip_bottom) return;  // rows only go down: nothing more shows
            if (row < clip_top) {
                i64 k = std::min({clip_top - row, rows_left(l), rows_left(r)});
                advance(&l, k);
                advance(&r, k);
                row += k;
                level = RowExtent{};
                continue;
            }
            walk_row(&l, &r, row, level, pixels, pitch, color);
            level = RowExtent{};
            ++row;
        }
        if (l.count == 0) {
            --edges;
            l.end = l.end == 0 ? n - 1 : l.end - 1;
            start_edge(&l, poly, row);
        }
        if (r.count == 0) {
            --edges;
            r.end = r.end == n - 1 ? 0 : r.end + 1;
            start_edge(&r, poly, row);
        }
    }
    // A polygon that ends on level edges still shows its last row.
    if (level.lo <= level.hi && row >= clip_top && row <= clip_bottom)
        fill_row(row, level.lo, level.hi, pixels, pitch, color);
}

// ---- shared checks of the drawing operations ---------------------------------

template <typename Pixel>
bool drawable(const Polygon* poly, const Pixel* pixels, int pitch) {
    return usable(poly) && pixels && pitch >= static_cast<int>(sizeof(Pixel)) && all_on_plane(poly);
}

template <typename Pixel, typename Line>
int outline(const Polygon* poly, Pixel* pixels, int pitch, Line line) {
    if (!poly || poly->state == 0 || !drawable(poly, pixels, pitch)) return 0;
    Pixel color = static_cast<Pixel>(poly->color);
    int n = poly->vertex_count;
    for (int i = 0; i < n; ++i) {
        int j = i + 1 == n ? 0 : i + 1;
        line(static_cast<int>(vertex_x(poly, i)), static_cast<int>(vertex_y(poly, i)),
             static_cast<int>(vertex_x(poly, j)), static_cast<int>(vertex_y(poly, j)), color,
             pixels, pitch);
    }
    return 1;
}

// Rotates every vertex with the given cosine and sine: table or matrix form.
void rotate_vertices(Polygon* poly, float c, float s, bool matrix) {
    float m[6];
    mat3x2_init(m, c, s, -s, c, 0.0f, 0.0f);
    for (int i = 0; i < poly->vertex_count; ++i) {
        PolygonVertex& v = poly->vertices[i];
        if (matrix) {
            float row[2] = {v.x, v.y};
            float out[2];
            mat1x2_mul_3x2(row, m, out);
            v.x = out[0];
            v.y = out[1];
        } else {
            float x = v.x * c - v.y * s;
            float y = v.x * s + v.y * c;
            v.x = x;
            v.y = y;
        }
    }
}

}  // namespace

// ---- tables ------------------------------------------------------------------

void build_sin_cos_tables() {
    for (int a = 0; a <= 360; ++a) {
        float theta = static_cast<float>(a * kPi / 180.0);
        cos_table[a] = static_cast<float>(std::cos(static_cast<double>(theta)));
        sin_table[a] = static_cast<float>(std::sin(static_cast<double>(theta)));
    }
    tables_built = true;
}

// ---- drawing -----------------------------------------------------------------

int fill_polygon8(const Polygon* poly, std::uint8_t* pixels, int pitch) {
    if (!drawable(poly, pixels, pitch)) return 0;
    fill_convex(poly, pixels, pitch, static_cast<std::uint8_t>(poly->color));
    return 1;
}

int fill_polygon16(const Polygon* poly, std::uint16_t* pixels, int pitch) {
    if (!drawable(poly, pixels, pitch)) return 0;
    fill_convex(poly, pixels, pitch / 2, static_cast<std::uint16_t>(poly->color));
    return 1;
}

int draw_polygon8(const Polygon* poly, std::uint8_t* pixels, int pitch) {
    return outline(poly, pixels, pitch, draw_clip_line8);
}

int draw_polygon16(const Polygon* poly, std::uint16_t* pixels, int pitch) {
    return outline(poly, pixels, pitch, draw_clip_line16);
}

int polygon_bounds(const Polygon* poly, float* min_x, float* max_x, float* min_y, float* max_y) {
    if (!usable(poly) || !min_x || !max_x || !min_y || !max_y) return 0;
    float x0 = 0.0f, x1 = 0.0f, y0 = 0.0f, y1 = 0.0f;
    for (int i = 0; i < poly->vertex_count; ++i) {
        const PolygonVertex& v = poly->vertices[i];
        x0 = std::min(x0, v.x);
        x1 = std::max(x1, v.x);
        y0 = std::min(y0, v.y);
        y1 = std::max(y1, v.y);
    }
    *min_x = x0;
    *max_x = x1;
    *min_y = y0;
    *max_y = y1;
    return 1;
}

// ---- moves -------------------------------------------------------------------

int translate_polygon(Polygon* poly, int dx, int dy) {
    if (!poly) return 0;
    poly->x = saturate(static_cast<double>(static_cast<i64>(poly->x) + dx));
    poly->y = saturate(static_cast<double>(static_cast<i64>(poly->y) + dy));
    return 1;
}

int rotate_polygon(Polygon* poly, int angle) {
    if (!usable(poly)) return 0;
    if (!tables_built) build_sin_cos_tables();
    int a = table_angle(angle);
    rotate_vertices(poly, cos_table[a], sin_table[a], false);
    return 1;
}

int scale_polygon(Polygon* poly, float sx, float sy) {
    if (!usable(poly)) return 0;
    for (int i = 0; i < poly->vertex_count; ++i) {
        poly->vertices[i].x *= sx;
        poly->vertices[i].y *= sy;
    }
    return 1;
}

int translate_polygon_m(Polygon* poly, int dx, int dy) {
    if (!poly) return 0;
    float m[6];
    mat3x2_init(m, 1.0f, 0.0f, 0.0f, 1.0f, static_cast<float>(dx), static_cast<float>(dy));
    float row[2] = {static_cast<float>(poly->x), static_cast<float>(poly->y)};
    float out[2];
    mat1x2_mul_3x2(row, m, out);
    poly->x = saturate(out[0]);
    poly->y = saturate(out[1]);
    return 1;
}

int rotate_polygon_m(Polygon* poly, int angle) {
    if (!usable(poly)) return 0;
    if (!tables_built) build_sin_cos_tables();
    int a = table_angle(angle);
    rotate_vertices(poly, cos_table[a], sin_table[a], true);
    return 1;
}

int scale_polygon_m(Polygon* poly, float sx, float sy) {
    if (!usable(poly)) return 0;
    float m[6];
    mat3x2_init(m, sx, 0.0f, 0.0f, sy, 0.0f, 0.0f);
    for (int i = 0; i < poly->vertex_count; ++i) {
        PolygonVertex& v = poly->vertices[i];
        float row[2] = {v.x, v.y};
        float out[2];
        mat1x2_mul_3x2(row, m, out);
        v.x = out[0];
        v.y = out[1];
    }
    return 1;
}

// ---- matrices ----------------------------------------------------------------

int mat3x3_mul(const float* a, const float* b, float* out) {
    if (!a || !b || !out) return 0;
    float r[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 3; ++k) sum += a[i * 3 + k] * b[k * 3 + j];
            r[i * 3 + j] = sum;
        }
    std::memcpy(out, r, sizeof r);
    return 1;
}

int mat1x3_mul_3x3(const float* row, const float* m, float* out) {
    if (!row || !m || !out) return 0;
    float r[3];
    for (int j = 0; j < 3; ++j) {
        float sum = 0.0f;
        for (int k = 0; k < 3; ++k) sum += row[k] * m[k * 3 + j];
        r[j] = sum;
    }
    std::memcpy(out, r, sizeof r);
    return 1;
}

int mat1x2_mul_3x2(const float* row, const float* m, float* out) {
    if (!row || !m || !out) return 0;
    float r[2];
    for (int j = 0; j < 2; ++j) {
        float sum = 0.0f;
        for (int k = 0; k < 2; ++k) sum += row[k] * m[k * 2 + j];
        r[j] = sum + m[4 + j];  // the implied 1 of the row times the translation
    }
    std::memcpy(out, r, sizeof r);
    return 1;
}

int mat3x2_init(float* m, float m00, float m01, float m10, float m11, float m20, float m21) {
    if (!m) return 0;
    m[0] = m00;
    m[1] = m01;
    m[2] = m10;
    m[3] = m11;
    m[4] = m20;
    m[5] = m21;
    return 1;
}

// ---- distances ---------------------------------------------------------------

int fast_distance2d(int dx, int dy) {
    i64 x = std::llabs(static_cast<i64>(dx));
    i64 y = std::llabs(static_cast<i64>(dy));
    i64 m = std::min(x, y);
    i64 d = x + y - (m >> 1) - (m >> 2) + (m >> 4);
    return static_cast<int>(std::min<i64>(d, INT32_MAX));
}

float fast_distance3d(float dx, float dy, float dz) {
    double v[3] = {std::fabs(static_cast<double>(dx)), std::fabs(static_cast<double>(dy)),
                   std::fabs(static_cast<double>(dz))};
    if (std::isnan(v[0]) || std::isnan(v[1]) || std::isnan(v[2])) return NAN;
    std::sort(v, v + 3);
    // The scaled components fit 64 bits up to 2^52; past that the same sum is
    // formed in double, where the truncations no longer matter.
    if (v[2] * 1024.0 < 4503599627370496.0) {
        i64 x = static_cast<i64>(v[0] * 1024.0);
        i64 y = static_cast<i64>(v[1] * 1024.0);
        i64 z = static_cast<i64>(v[2] * 1024.0);
        return static_cast<float>((z + 11 * (y >> 5) + (x >> 2)) >> 10);
    }
    return static_cast<float>(std::floor((v[2] + 11.0 * v[1] / 32.0 + v[0] / 4.0)));
}
