// A tour of the library's drawing: the nine screen transitions, each run on a
// picture drawn with the library's own lines, triangles and polygons, then
// rotating filled and outlined polygons and triangles crossing the screen
// edges, paced by the frame clock at 30 ms a frame.
//
//   v17_showcase                 in a 1280 x 1024 window (Escape ends it)
//   v17_showcase --shots DIR     headless on the virtual clock, pictures to DIR
//   showcase.html                in a browser page (the browser build)
//
// It uses the library only: the platform's window and message queue, the
// display device, the palette, text, the frame clock and the raster modules.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "gfx/display.h"
#include "gfx/palette.h"
#include "gfx/text.h"
#include "platform/system/backend.h"
#if defined(__EMSCRIPTEN__)
#include "platform/backends/web/web_backend.h"
#else
#include "platform/backends/sdl/sdl_backend.h"
#include "platform/formats/png_file.h"
#endif
#include "platform/system/win32.h"
#include "raster/lines.h"
#include "raster/polygons.h"
#include "raster/spans.h"
#include "raster/transitions.h"
#include "support/clock.h"

namespace {

constexpr int WIDTH = 1280;
constexpr int HEIGHT = 1024;
constexpr int FRAME_MS = 30;
constexpr int POLYGON_FRAMES = 240;

#if !defined(__EMSCRIPTEN__)
// ---- headless pictures -----------------------------------------------------------

// A headless backend that writes what the screen shows as PNG pictures: at most
// one per `every_ms` of virtual time, named after the scene that runs.
class ShotsBackend final : public NullBackend {
public:
    ShotsBackend(std::string dir, int every_ms) : dir_(std::move(dir)), every_ms_(every_ms) {}

    void set_scene(const std::string& scene) {
        scene_ = scene;
        count_ = 0;
        last_ = get_tick_count() - static_cast<std::uint32_t>(every_ms_);
    }
    int pictures() const { return pictures_; }

    void present(const PresentedFrame& frame) override {
        std::uint32_t now = get_tick_count();
        if (scene_.empty() || now - last_ < static_cast<std::uint32_t>(every_ms_)) return;
        last_ = now;
        char name[160];
        std::snprintf(name, sizeof name, "%s/%s_%03d.png", dir_.c_str(), scene_.c_str(), count_++);
        if (write_png8(name, frame.pixels, frame.pitch, frame.width, frame.height,
                       frame.palette_rgb))
            ++pictures_;
    }

private:
    std::string dir_;
    int every_ms_;
    std::string scene_;
    int count_ = 0;
    int pictures_ = 0;
    std::uint32_t last_ = 0;
};

ShotsBackend* shots = nullptr;  // the headless backend, when pictures were asked for
#endif

void scene(const std::string& name) {
    std::printf("%s\n", name.c_str());
    std::fflush(stdout);
#if !defined(__EMSCRIPTEN__)
    if (shots) shots->set_scene(name);
#endif
}

// ---- the window --------------------------------------------------------------------

bool quit = false;

LRESULT window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_DESTROY) {
        post_quit_message(0);
        return 0;
    }
    return def_window_proc(hwnd, msg, wparam, lparam);
}

bool open_window() {
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_proc;
    wc.lpszClassName = "V17SHOWCASE";
    if (!register_class_ex(&wc)) return false;
    return create_window_ex(0, "V17SHOWCASE", "Vantorel 17 showcase", WS_POPUP | WS_VISIBLE, 0, 0,
                            WIDTH, HEIGHT, nullptr, nullptr, nullptr, nullptr) != nullptr;
}

// Takes the pending window message, if any; false once the program should end.
bool pump_messages() {
    MSG msg;
    if (peek_message(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) quit = true;
        dispatch_message(&msg);
    }
    if (async_key_state(VK_ESCAPE) & 0x8000) quit = true;
    return !quit;
}

// ---- the picture ---------------------------------------------------------------------

// Index 0 black, 1..239 a rainbow, 240..255 greys.
void make_palette() {
    PALETTEENTRY p[256] = {};
    for (int i = 1; i < 240; ++i) {
        double h = (i - 1) / 239.0 * 6.0;
        auto channel = [h](double offset) {
            double d = std::fabs(std::fmod(h + offset, 6.0) - 3.0);
            return static_cast<std::uint8_t>(std::clamp(d - 1.0, 0.0, 1.0) * 255);
        };
        p[i] = {channel(0), channel(4), channel(2), 0};
    }
    for (int i = 240; i < 256; ++i) {
        auto v = static_cast<std::uint8_t>((i - 240) * 17);
        p[i] = {v, v, v, 0};
    }
    set_palette(p);
}

// A picture of the library's own shapes: bands of colour, a fan of lines, a
// ring of triangles and a few polygons.
void draw_picture(std::uint8_t* pixels, int pitch) {
    for (int y = 0; y < HEIGHT; ++y)
        hline8(0, WIDTH - 1, y, std::uint8_t(1 + (y / 4) % 239), pixels, pitch);
    for (int i = 0; i < 90; ++i) {
        double a = i * 3.14159265 / 45;
        draw_clip_line8(640, 512, 640 + static_cast<int>(900 * std::cos(a)),
                        512 + static_cast<int>(900 * std::sin(a)), 255, pixels, pitch);
    }
    for (int i = 0; i < 12; ++i) {
        double a = i * 3.14159265 / 6;
        int x = 640 + static_cast<int>(380 * std::cos(a)),
            y = 512 + static_cast<int>(380 * std::sin(a));
        draw_triangle8(x, y - 60, x - 55, y + 40, x + 55, y + 40, std::uint8_t(20 * i + 5), pixels,
                       pitch);
    }
    PolygonVertex hexagon[6];
    for (int i = 0; i < 6; ++i)
        hexagon[i] = {static_cast<float>(200 * std::cos(i * 1.0471976)),
                      static_cast<float>(200 * std::sin(i * 1.0471976))};
    Polygon p{1, 6, 640, 512, 0, 0, 248, hexagon};
    fill_polygon8(&p, pixels, pitch);
    p.color = 255;
    draw_polygon8(&p, pixels, pitch);
}

bool show_picture(const char* label) {
    fill_surface(back_surface, 0, nullptr);
    if (!lock_back()) return false;
    draw_picture(back_pixels, back_pitch);
    unlock_back();
    draw_text_rgb(label, 24, 24, 0xFFFFFF, back_surface);
    return flip_display() == 1;
}

// Holds the screen as it is for a number of paced frames.
bool hold(int frames) {
    for (int i = 0; i < frames; ++i) {
        start_clock();
        if (!pump_messages()) return false;
        wait_clock(FRAME_MS);
    }
    return true;
}

// ---- the two parts -------------------------------------------------------------------

const char* const EFFECT_NAMES[9] = {"FADE_TO_BLACK", "FADE_TO_WHITE", "CLOSE_COLUMNS",
                                     "CLOSE_ROWS",    "DISSOLVE",      "CLOSE_BOX",
                                     "TINT_BLUE",     "TINT_RED",      "TINT_GREEN"};

bool run_transitions() {
    for (int effect = 0; effect < 9 && !quit; ++effect) {
        char name[64];
        std::snprintf(name, sizeof name, "%d_%s", effect, EFFECT_NAMES[effect]);
        make_palette();
        if (!show_picture(EFFECT_NAMES[effect]) || !hold(20)) return false;
        scene(name);
        // Wipes draw into the front surface while it is locked, as they would
        // into the visible memory of the real display; it shows step by step.
        if (lock_front()) {
            screen_transition(effect, front_pixels, front_pitch);
            unlock_front();
        }
        if (!hold(20)) return false;
        scene("");
    }
    return !quit;
}

// One frame of shapes: a spinning hexagon and box, filled and outlined, a star
// outline turning the other way, and triangles sweeping across every edge of
// the screen (float edges one way, fixed-point the other).
struct Shapes {
    PolygonVertex hexagon_vertices[6];
    PolygonVertex box_vertices[4] = {{-330, -150}, {330, -150}, {330, 150}, {-330, 150}};
    PolygonVertex star_vertices[10];
    Polygon hexagon{1, 6, 640, 430, 0, 0, 60, hexagon_vertices};
    Polygon box{1, 4, 640, 880, 0, 0, 150, box_vertices};
    Polygon star{1, 10, 640, 430, 0, 0, 255, star_vertices};

    Shapes() {
        for (int i = 0; i < 6; ++i)
            hexagon_vertices[i] = {230 * std::cos(i * 1.0471976f), 230 * std::sin(i * 1.0471976f)};
        for (int i = 0; i < 10; ++i) {
            float r = i % 2 ? 150.0f : 380.0f;
            star_vertices[i] = {r * std::cos(i * 0.6283185f), r * std::sin(i * 0.6283185f)};
        }
    }
};

void draw_shapes(int frame, std::uint8_t* pixels, int pitch, Shapes* s) {
    for (int i = 0; i < 6; ++i) {
        int x = (frame * 9 + i * 260) % 1700 - 210;
        int y = (frame * 5 + i * 190) % 1400 - 190;
        draw_triangle8(x, y, x + 260, y + 70, x + 90, y + 300, std::uint8_t(30 + i * 35), pixels,
                       pitch);
        draw_triangle_fixed8(WIDTH - x, y, WIDTH - x - 200, y + 120, WIDTH - x - 40, y - 180,
                             std::uint8_t(200 - i * 20), pixels, pitch);
    }
    rotate_polygon(&s->hexagon, 3);
    rotate_polygon_m(&s->box, -2);
    rotate_polygon(&s->star, -1);
    s->hexagon.x = s->star.x = 640 + static_cast<int>(560 * std::sin(frame * 0.03));
    s->box.x = 640 - static_cast<int>(700 * std::sin(frame * 0.02));
    fill_polygon8(&s->hexagon, pixels, pitch);
    fill_polygon8(&s->box, pixels, pitch);
    s->box.color = 250;
    draw_polygon8(&s->box, pixels, pitch);
    s->box.color = 150;
    draw_polygon8(&s->star, pixels, pitch);
}

bool run_polygons() {
    make_palette();
    scene("9_POLYGONS");
    build_sin_cos_tables();
    Shapes shapes;
    for (int frame = 0; frame < POLYGON_FRAMES; ++frame) {
        start_clock();
        if (!pump_messages()) return false;
        fill_surface(back_surface, 0, nullptr);
        if (lock_back()) {
            draw_shapes(frame, back_pixels, back_pitch, &shapes);
            unlock_back();
        }
        draw_text_rgb("polygons and triangles", 24, 24, 0xFFFFFF, back_surface);
        flip_display();
        wait_clock(FRAME_MS);
    }
    return true;
}

}  // namespace

namespace {

int run_showcase(int argc, char** argv) {
    CLI::App app{"Vantorel 17 showcase: transitions, triangles and polygons"};
    std::string shots_dir;
    int every_ms = 240;
    app.add_option("--shots", shots_dir, "run headless and write pictures to this folder");
    app.add_option("--every", every_ms, "headless: virtual ms between pictures (default 240)")
        ->check(CLI::Range(1, 100000));
    CLI11_PARSE(app, argc, argv);

#if defined(__EMSCRIPTEN__)
    (void)every_ms;
    if (!shots_dir.empty()) {
        std::fprintf(stderr, "v17_showcase: --shots is for the native showcase\n");
        return 2;
    }
    set_backend(make_web_backend({}));
#else
    if (!shots_dir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(shots_dir, error);
        use_virtual_clock(0);
        auto backend = std::make_unique<ShotsBackend>(shots_dir, every_ms);
        shots = backend.get();
        set_backend(std::move(backend));
    } else {
        BackendOptions options;
        options.windowed = true;
        set_backend(make_sdl_backend(options));
    }
#endif
    if (!open_window() || !display_init(WIDTH, HEIGHT, 8, 0)) {
        std::fprintf(stderr, "v17_showcase: no window or display could be opened\n");
        set_backend(nullptr);
        return 1;
    }
    show_cursor(0);
    if (run_transitions()) run_polygons();
    display_shutdown();
#if !defined(__EMSCRIPTEN__)
    if (shots) std::printf("%d pictures in %s\n", shots->pictures(), shots_dir.c_str());
#endif
    set_backend(nullptr);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__EMSCRIPTEN__)
    end_web_program(run_showcase(argc, argv));
#else
    return run_showcase(argc, argv);
#endif
}
