// Presentation of the game's 1280 x 1024 8-bit frame into a window of that
// size, through OpenGL (the GL presenter) and on the CPU (the CPU presenter,
// with the renderer SDL picks), beside one memcpy of the frame's indices: the
// CPU time of the calling thread that a presenter's draw takes, the swap that
// follows it excluded. Each is measured for a frame of which every row changed
// and one of which 8 rows changed; the platform's present_frame, which finds
// those rows for every backend (and keeps the frame), is measured beside them.
// The floor of both is the one memcpy of the whole frame.
//
// It needs a display (scripts/bench runs it under xvfb-run, whose OpenGL is
// Mesa's software rasterizer: its draws run on other threads, at the swap, and
// are not counted here); without one, or without OpenGL, what cannot run is
// reported skipped. --table FILE appends the medians to FILE as rows of the
// peer benchmark's markdown table.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_table.h"
#include "platform/backends/sdl/cpu_presenter.h"
#include "platform/backends/sdl/gl_presenter.h"
#include "platform/system/presentation.h"

namespace {

constexpr int W = 1280;  // the game's screen (shell/startup.cpp)
constexpr int H = 1024;
constexpr int kFewTop = 500, kFewBottom = 508;  // the rows of a small change

using Bytes = std::vector<std::uint8_t>;

Bytes random_bytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    Bytes p(n);
    for (auto& v : p) v = static_cast<std::uint8_t>(random());
    return p;
}

// Two frames to draw by turns, differing in every row or in rows
// [kFewTop, kFewBottom), and a palette.
struct Frames {
    Bytes a, b;
    Bytes rgb = random_bytes(768, 3);
};

Frames frames(bool every_row) {
    Frames f{random_bytes(W * H, 1), {}};
    f.b = every_row ? random_bytes(W * H, 2) : f.a;
    if (!every_row)
        for (int i = kFewTop * W; i < kFewBottom * W; ++i) f.b[i] ^= 0x55;
    return f;
}

bool video_started = false;
std::string no_video;

// A window of the frame's size made for OpenGL (as the SDL backend makes it)
// with its presenter; null presenter, with the reason in *why, when there is none.
struct Window {
    SDL_Window* window = nullptr;
    std::unique_ptr<Presenter> presenter;
    Window(bool gl, std::string* why) {
        if (!video_started) {
            *why = "no display: " + no_video;
            return;
        }
        window = SDL_CreateWindow("present_bench", 0, 0, W, H,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
        if (!window) window = SDL_CreateWindow("present_bench", 0, 0, W, H, SDL_WINDOW_BORDERLESS);
        if (!window) {
            *why = std::string("no window: ") + SDL_GetError();
            return;
        }
        const char* cpu_why = "";
        if (gl) {
            presenter = make_gl_presenter(window, GlApi::any, why);
            if (!presenter) *why = "no OpenGL: " + *why;
        } else {
            presenter = make_cpu_presenter(window, &cpu_why);
            if (!presenter) *why = std::string("no SDL renderer: ") + cpu_why;
        }
    }
    ~Window() {
        presenter.reset();
        if (window) SDL_DestroyWindow(window);
    }
};

// One presenter's draws of the two frames by turns, as the SDL backend makes
// them: given the rows that changed, the draw is timed, the swap follows. Two
// of each first, to settle (shader variants, buffers).
void draw(benchmark::State& st, bool gl, bool every_row) {
    std::string why;
    Window w(gl, &why);
    if (!w.presenter) {
        st.SkipWithError(why.c_str());
        return;
    }
    Frames f = frames(every_row);
    int turn = 0;
    auto next_frame = [&] { return (turn++ % 2 ? f.b : f.a).data(); };
    auto draw_frame = [&](const std::uint8_t* frame) {
        PresentedFrame p{
            frame, W, W, H, f.rgb.data(), every_row ? 0 : kFewTop, every_row ? H : kFewBottom,
            false};
        return w.presenter->draw(p, false);
    };
    for (int i = 0; i < 4; ++i) {
        if (draw_frame(next_frame()) != DrawResult::drawn) {
            st.SkipWithError("the presenter does not draw");
            return;
        }
        w.presenter->swap();
    }
    const std::uint8_t* frame = next_frame();
    for (auto _ : st) {
        draw_frame(frame);
        st.PauseTiming();
        w.presenter->swap();
        frame = next_frame();
        st.ResumeTiming();
    }
}

// The same loop around present_frame to a backend that draws nothing, and
// around one memcpy of the frame (of the same two frames by turns), so that
// each has the same cost of pausing the timer.
void changes(benchmark::State& st, bool every_row) {
    Frames f = frames(every_row);
    set_backend(std::make_unique<NullBackend>());
    int turn = 0;
    for (auto _ : st) {
        const Bytes& frame = turn++ % 2 ? f.b : f.a;
        present_frame(frame.data(), W, W, H, f.rgb.data());
        benchmark::DoNotOptimize(last_presented_frame());
        st.PauseTiming();
        st.ResumeTiming();
    }
    set_backend(nullptr);
}

void copy(benchmark::State& st) {
    Frames f = frames(true);
    Bytes to(W * H);
    int turn = 0;
    for (auto _ : st) {
        std::memcpy(to.data(), (turn++ % 2 ? f.b : f.a).data(), to.size());
        benchmark::DoNotOptimize(to.data());
        st.PauseTiming();
        st.ResumeTiming();
    }
}

// Rows of the peer benchmark's table: operation, variant, median, no peer,
// the ratio to the memcpy (its floor).
std::string table_rows(const std::vector<Median>& medians) {
    double floor = 0;
    for (const auto& m : medians)
        if (m.name.find("/floor") != std::string::npos && m.us > 0) floor = m.us;
    std::string out;
    char line[512];
    for (const auto& m : medians) {
        std::string op = m.name.substr(0, m.name.find('/'));
        std::string variant = m.name.substr(m.name.find('/') + 1);
        if (m.us < 0) {
            std::snprintf(line, sizeof line, "| %s | %s | skipped (%s) | - | - |\n", op.c_str(),
                          variant.c_str(), m.why.c_str());
        } else {
            std::string ratio = floor > 0 ? std::to_string(m.us / floor).substr(0, 4) : "-";
            std::snprintf(line, sizeof line, "| %s | %s | %.1f | - | %s |\n", op.c_str(),
                          variant.c_str(), m.us, ratio.c_str());
        }
        out += line;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string table_file = take_table_option(&argc, argv);
    video_started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!video_started) no_video = SDL_GetError();

    for (bool every_row : {true, false}) {
        std::string op = every_row ? "present_window_all_rows/" : "present_window_8_rows/";
        benchmark::RegisterBenchmark((op + "gl").c_str(), draw, true, every_row)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((op + "cpu").c_str(), draw, false, every_row)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((op + "changes").c_str(), changes, every_row)
            ->Unit(benchmark::kMicrosecond);
        if (every_row)
            benchmark::RegisterBenchmark((op + "floor").c_str(), copy)
                ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (video_started) SDL_QuitSubSystem(SDL_INIT_VIDEO);

    std::string rows = table_rows(reporter.medians);
    std::printf("\n%s", rows.c_str());
    return table_file.empty() || write_table(table_file, rows, true) ? 0 : 1;
}
