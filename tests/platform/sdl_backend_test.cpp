// The SDL backend on SDL's dummy video driver: a real window on the real clock.
#include "platform/backends/sdl/sdl_backend.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/backends/sdl/screenshot_file.h"
#include "platform/system/input_feed.h"
#include "platform/system/presentation.h"
#include "platform/system/ticks.h"
#include "platform/system/win32.h"
#include "support/clock.h"
#include "test_util.h"

namespace {

LRESULT plain_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    return def_window_proc(hwnd, msg, wparam, lparam);
}

// Opens a 320 x 200 window of class name on the SDL backend, dummy video driver.
void open_window(const char* name, FrameRenderer renderer = FrameRenderer::automatic) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    reset_window_system();
    BackendOptions options;
    options.windowed = true;
    options.renderer = renderer;
    set_backend(make_sdl_backend(options));
    WNDCLASSEX wc{};
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = name;
    ASSERT_NE(0, register_class_ex(&wc));
    ASSERT_NE(nullptr, create_window_ex(0, name, "t", WS_POPUP | WS_VISIBLE, 0, 0, 320, 200,
                                        nullptr, nullptr, nullptr, nullptr));
}

}  // namespace

// The game's clock in a window: virtual, held to real time. Every frame lasts
// 30 ticks, and frame k starts 30 k ms of real time after the first: a sleeper
// that a busy machine wakes late now and then is late for that frame only,
// with no drift after it. The waits sleep rather than spin.
TEST(SdlBackend, PacedFramesKeepTheirScheduleAndSleep) {
    open_window("SDLTEST");
    if (HasFatalFailure()) return;
    set_clock_mode(ClockMode::virtual_paced);
    using Clock = std::chrono::steady_clock;
    constexpr int kFrames = 41;
    std::vector<std::uint32_t> ticks;
    std::vector<Clock::time_point> starts;
    std::clock_t cpu_before = std::clock();
    for (int i = 0; i < kFrames; ++i) {
        ticks.push_back(start_clock());
        starts.push_back(Clock::now());
        wait_clock(30);
    }
    double cpu_s = static_cast<double>(std::clock() - cpu_before) / CLOCKS_PER_SEC;
    set_backend(nullptr);
    reset_window_system();

    // Each start's offset from its place in a 30 ms schedule: the earliest
    // offsets are the frames on time; a drifting pace would spread them.
    std::vector<double> offsets;
    for (int k = 1; k < kFrames; ++k) {
        EXPECT_EQ(30u, ticks[k] - ticks[k - 1]);
        offsets.push_back(std::chrono::duration<double, std::milli>(starts[k] - starts[0]).count() -
                          30.0 * k);
    }
    double on_time = *std::min_element(offsets.begin(), offsets.end());
    auto on_schedule =
        std::count_if(offsets.begin(), offsets.end(), [&](double o) { return o - on_time < 2.0; });
    EXPECT_GE(on_schedule * 100, 95 * (kFrames - 1)) << on_schedule << " of " << kFrames - 1;
    double wall_s = 0.030 * kFrames;
    EXPECT_LT(cpu_s, 0.3 * wall_s) << "processor time while waiting";
}

// Losing the focus lets go of the keys and buttons held; the window's close
// button still asks to close.
TEST(SdlBackend, FocusLossReleasesWhatIsHeld) {
    open_window("SDLFOCUS");
    if (HasFatalFailure()) return;
    auto pump = [] {  // true when the window was asked to close
        MSG msg;
        bool close = false;
        for (int i = 0; i < 4 && peek_message(&msg, nullptr, 0, 0, PM_REMOVE); ++i)
            close |= msg.message == WM_CLOSE;
        return close;
    };
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = SDL_SCANCODE_LEFT;
    SDL_PushEvent(&e);
    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    SDL_PushEvent(&e);
    pump();
    EXPECT_NE(0, async_key_state(VK_LEFT) & 0x8000);
    EXPECT_EQ(1, mouse_button_down(0));

    e = SDL_Event{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&e);
    pump();
    EXPECT_EQ(0, async_key_state(VK_LEFT) & 0x8000);
    EXPECT_EQ(0, mouse_button_down(0));
    EXPECT_EQ(SDL_FALSE, SDL_GetRelativeMouseMode());

    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);
    EXPECT_TRUE(pump());
    set_backend(nullptr);
    reset_window_system();
}

// The pictures folder is the user-dirs.dirs entry, else ~/Pictures; a second
// screenshot in the same second gets a name of its own.
TEST(SdlBackend, ScreenshotNamesAndFolder) {
    std::string root = std::string(V17_TEST_TMP) + "/shots";
    std::filesystem::remove_all(root);
    ASSERT_EQ(1, make_folder(root + "/home/.config"));
    std::string dirs = root + "/home/.config/user-dirs.dirs";
    {
        std::FILE* f = std::fopen(dirs.c_str(), "w");
        ASSERT_NE(nullptr, f);
        std::fputs("# XDG_PICTURES_DIR=\"$HOME/Wrong\"\nXDG_PICTURES_DIR=\"$HOME/My Shots\"\n", f);
        std::fclose(f);
    }
    EXPECT_EQ(root + "/home/My Shots", pictures_folder(dirs, root + "/home"));
    EXPECT_EQ("/h/Pictures", pictures_folder(root + "/missing", "/h"));

    // F12 writes the frame last presented into the folder, made where missing.
    setenv("HOME", (root + "/home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    reset_window_system();
    BackendOptions options;
    options.windowed = true;
    set_backend(make_sdl_backend(options));
    ASSERT_EQ(1, backend()->open_window("t", 64, 32));
    std::vector<std::uint8_t> frame(64 * 32, 7);
    std::uint8_t palette[768] = {};
    present_frame(frame.data(), 64, 64, 32, palette);
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = SDL_SCANCODE_F12;
    SDL_PushEvent(&e);
    SDL_PushEvent(&e);
    ::testing::internal::CaptureStderr();
    backend()->pump(false);
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(0, async_key_state(0x7B) & 0x8000);  // F12 is not the game's
    set_backend(nullptr);
    reset_window_system();
    // Two saves, each said on its own line, in two files of the folder.
    std::vector<std::string> paths;
    for (std::size_t at = said.find(root); at != std::string::npos; at = said.find(root, at))
        paths.push_back(said.substr(at, said.find('\n', at) - at)), at += paths.back().size();
    ASSERT_EQ(2u, paths.size()) << said;
    EXPECT_NE(paths[0], paths[1]);
    for (const std::string& path : paths) {
        EXPECT_EQ(0u, path.find(root + "/home/My Shots/vantorel17-")) << path;
        EXPECT_GT(std::filesystem::file_size(path), 0u) << path;
    }
}

// The window shows the last frame presented exactly, also when only some rows
// changed (the software renderer copies only those) and when the palette did.
TEST(SdlBackend, TheWindowShowsEachFrameWhole) {
    setenv("SDL_RENDER_DRIVER", "software", 1);
    open_window("V17PICTURE");
    unsetenv("SDL_RENDER_DRIVER");
    SDL_Window* window = SDL_GetWindowFromID(1);
    ASSERT_NE(nullptr, window);
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(w) * h), rgb(768);
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint8_t>(i * 7 % 251);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 13);
    auto shows_frame = [&] {
        SDL_Surface* s = SDL_GetWindowSurface(window);
        if (!s || s->w != w || s->h != h || s->format->BytesPerPixel != 4) return false;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                Uint32 v = static_cast<const Uint32*>(s->pixels)[y * s->pitch / 4 + x];
                Uint8 r, g, b;
                SDL_GetRGB(v, s->format, &r, &g, &b);
                const std::uint8_t* want = &rgb[3 * frame[static_cast<std::size_t>(y) * w + x]];
                if (r != want[0] || g != want[1] || b != want[2]) return false;
            }
        return true;
    };
    present_frame(frame.data(), w, w, h, rgb.data());
    EXPECT_TRUE(shows_frame());
    for (int y = h / 3; y < h / 2; ++y) frame[static_cast<std::size_t>(y) * w + y % w] ^= 0x5A;
    present_frame(frame.data(), w, w, h, rgb.data());
    EXPECT_TRUE(shows_frame());
    rgb[3 * frame[0]] ^= 0xFF;
    present_frame(frame.data(), w, w, h, rgb.data());
    EXPECT_TRUE(shows_frame());
    set_backend(nullptr);
}

// The dummy driver has no OpenGL: asked for it, the backend says so in one
// line and draws on the CPU; asked for nothing in particular, it says nothing.
TEST(SdlBackend, WithoutOpenGlTheCpuDraws) {
    for (FrameRenderer renderer :
         {FrameRenderer::automatic, FrameRenderer::gl, FrameRenderer::cpu}) {
        ::testing::internal::CaptureStderr();
        open_window("V17NOGL", renderer);
        std::string said = ::testing::internal::GetCapturedStderr();
        if (HasFatalFailure()) return;
        EXPECT_EQ(renderer == FrameRenderer::gl ? 1 : 0, std::count(said.begin(), said.end(), '\n'))
            << said;
        EXPECT_EQ(renderer == FrameRenderer::gl, said.find("vantorel17: --renderer gl: ") == 0);
        std::vector<std::uint8_t> frame(320 * 200, 5), rgb(768);
        rgb[15] = 10, rgb[16] = 20, rgb[17] = 30;
        present_frame(frame.data(), 320, 320, 200, rgb.data());
        SDL_Surface* s = SDL_GetWindowSurface(SDL_GetWindowFromID(1));
        ASSERT_NE(nullptr, s);
        Uint8 r = 0, g = 0, b = 0;
        SDL_GetRGB(static_cast<const Uint32*>(s->pixels)[s->pitch / 4 * 199 + 319], s->format, &r,
                   &g, &b);
        EXPECT_EQ(10 << 16 | 20 << 8 | 30, r << 16 | g << 8 | b);
        set_backend(nullptr);
    }
    reset_window_system();
}
