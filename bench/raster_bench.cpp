// The raster primitives' cost on a 1280 x 1024 8-bit screen: clipped lines,
// float and fixed-point triangles beside a per-pixel edge-function fill (the
// plain way to fill a triangle), the convex polygon fill, wide and clipped
// triangles, and a dissolve of the whole screen. Shapes come from a seeded
// generator, so every run draws the same.
//
//   cmake --build --preset release --target raster_bench
//   build/release/bench/raster_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "gfx/display.h"
#include "raster/lines.h"
#include "raster/polygons.h"
#include "raster/transitions.h"

namespace {

constexpr int W = 1280;
constexpr int H = 1024;

struct Screen {
    std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(W * H);
    Screen() {
        display_width = W;
        display_height = H;
        display_bpp = 8;
        clip_left = clip_top = 0;
        clip_right = W - 1;
        clip_bottom = H - 1;
    }
};

// 1024 triangles of about `size` pixels a side, all on the screen or, with
// `crossing`, reaching past its edges.
std::vector<int> triangles(int size, bool crossing) {
    std::mt19937 random(17);
    int lo = crossing ? -size : 0, hi_x = crossing ? W : W - size, hi_y = crossing ? H : H - size;
    std::uniform_int_distribution<int> x(lo, hi_x), y(lo, hi_y), d(0, size);
    std::vector<int> v;
    for (int i = 0; i < 1024; ++i) {
        int bx = x(random), by = y(random);
        for (int k = 0; k < 3; ++k) v.push_back(bx + d(random)), v.push_back(by + d(random));
    }
    return v;
}

// The plain fill: every pixel of the bounding box tested against the three
// edge functions.
void edge_function_triangle(const int* t, std::uint8_t color, std::uint8_t* pixels) {
    int x0 = std::max(0, std::min({t[0], t[2], t[4]})),
        x1 = std::min(W - 1, std::max({t[0], t[2], t[4]}));
    int y0 = std::max(0, std::min({t[1], t[3], t[5]})),
        y1 = std::min(H - 1, std::max({t[1], t[3], t[5]}));
    long area = long(t[2] - t[0]) * (t[5] - t[1]) - long(t[3] - t[1]) * (t[4] - t[0]);
    if (area == 0) return;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            long e0 = long(t[2] - t[0]) * (y - t[1]) - long(t[3] - t[1]) * (x - t[0]);
            long e1 = long(t[4] - t[2]) * (y - t[3]) - long(t[5] - t[3]) * (x - t[2]);
            long e2 = long(t[0] - t[4]) * (y - t[5]) - long(t[1] - t[5]) * (x - t[4]);
            bool inside =
                area > 0 ? (e0 >= 0 && e1 >= 0 && e2 >= 0) : (e0 <= 0 && e1 <= 0 && e2 <= 0);
            if (inside) pixels[y * W + x] = color;
        }
}

using TriangleFn = int (*)(int, int, int, int, int, int, std::uint8_t, std::uint8_t*, int);

void run_triangles(benchmark::State& state, TriangleFn fn, bool crossing) {
    Screen s;
    auto v = triangles(static_cast<int>(state.range(0)), crossing);
    for (auto _ : state) {
        for (std::size_t i = 0; i < v.size(); i += 6)
            fn(v[i], v[i + 1], v[i + 2], v[i + 3], v[i + 4], v[i + 5], 7, s.pixels.data(), W);
        benchmark::DoNotOptimize(s.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}

void BM_TriangleFloat(benchmark::State& state) {
    run_triangles(state, draw_triangle8, false);
}
void BM_TriangleFixed(benchmark::State& state) {
    run_triangles(state, draw_triangle_fixed8, false);
}
void BM_TriangleFloatCrossingEdges(benchmark::State& state) {
    run_triangles(state, draw_triangle8, true);
}

void BM_TriangleEdgeFunctions(benchmark::State& state) {
    Screen s;
    auto v = triangles(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        for (std::size_t i = 0; i < v.size(); i += 6)
            edge_function_triangle(&v[i], 7, s.pixels.data());
        benchmark::DoNotOptimize(s.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}

void BM_ClippedLines(benchmark::State& state) {
    Screen s;
    std::mt19937 random(5);
    std::uniform_int_distribution<int> x(-400, W + 400), y(-400, H + 400);
    std::vector<int> v(4096);
    for (int& k : v) k = (&k - v.data()) % 2 ? y(random) : x(random);
    for (auto _ : state) {
        for (std::size_t i = 0; i < v.size(); i += 4)
            draw_clip_line8(v[i], v[i + 1], v[i + 2], v[i + 3], 9, s.pixels.data(), W);
        benchmark::DoNotOptimize(s.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}

void BM_ConvexPolygon(benchmark::State& state) {
    Screen s;
    int n = static_cast<int>(state.range(0));
    std::vector<PolygonVertex> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = {300 * std::cos(i * 6.2831853f / n), 300 * std::sin(i * 6.2831853f / n)};
    Polygon p{1, n, 640, 512, 0, 0, 11, v.data()};
    for (auto _ : state) {
        fill_polygon8(&p, s.pixels.data(), W);
        benchmark::DoNotOptimize(s.pixels.data());
    }
}

void BM_Dissolve(benchmark::State& state) {
    Screen s;
    for (auto _ : state) {
        screen_transition(DISSOLVE, s.pixels.data(), W);
        benchmark::DoNotOptimize(s.pixels.data());
    }
}

}  // namespace

BENCHMARK(BM_TriangleFloat)->Arg(16)->Arg(128);
BENCHMARK(BM_TriangleFixed)->Arg(16)->Arg(128);
BENCHMARK(BM_TriangleEdgeFunctions)->Arg(16)->Arg(128);
BENCHMARK(BM_TriangleFloatCrossingEdges)->Arg(128)->Arg(2000);
BENCHMARK(BM_ClippedLines);
BENCHMARK(BM_ConvexPolygon)->Arg(8)->Arg(64);
BENCHMARK(BM_Dissolve)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
