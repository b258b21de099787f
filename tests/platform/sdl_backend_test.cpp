// The SDL backend on SDL's dummy video driver: a real window on the real clock.
#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>

#include "platform/input_feed.h"
#include "platform/win32.h"
#include "support/clock.h"
#include "test_util.h"

namespace {

int polls = 0;
void count_poll() {
    ++polls;
}

LRESULT plain_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    return def_window_proc(hwnd, msg, wparam, lparam);
}

}  // namespace

// A frame's wait sleeps through most of its 30 ms instead of polling the tick
// counter all the time, and frames still start 30 ms apart.
TEST(SdlBackend, TheFrameWaitSleepsAndKeepsThePace) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    reset_window_system();
    SdlBackendOptions options;
    options.windowed = true;
    set_backend(make_sdl_backend(std::move(options)));
    WNDCLASSEX wc{};
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = "SDLTEST";
    ASSERT_NE(0, register_class_ex(&wc));
    ASSERT_NE(nullptr, create_window_ex(0, "SDLTEST", "t", WS_POPUP | WS_VISIBLE, 0, 0, 320, 200,
                                        nullptr, nullptr, nullptr, nullptr));
    ASSERT_EQ(0, virtual_clock_in_use());
    set_present_hook(count_poll);
    constexpr int kFrames = 20;
    std::vector<std::uint32_t> starts;
    for (int i = 0; i < kFrames; ++i) {
        starts.push_back(start_clock());
        wait_clock(30);
    }
    set_present_hook(nullptr);
    set_backend(nullptr);
    reset_window_system();

    int on_time = 0;
    for (std::size_t i = 1; i < starts.size(); ++i) {
        std::uint32_t gap = starts[i] - starts[i - 1];
        EXPECT_GE(gap, 30u);
        on_time += gap <= 32;
    }
    // A busy machine may make a frame late now and then; the pace holds.
    EXPECT_GE(on_time, (kFrames - 1) * 9 / 10);
    EXPECT_LT(polls, kFrames * 30 / 4) << "polls in " << kFrames * 30 << " ms of waiting";
}

// Losing the focus lets go of the keys and buttons held; the window's close
// button still asks to close.
TEST(SdlBackend, FocusLossReleasesWhatIsHeld) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    reset_window_system();
    SdlBackendOptions options;
    options.windowed = true;
    set_backend(make_sdl_backend(std::move(options)));
    WNDCLASSEX wc{};
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = "SDLFOCUS";
    ASSERT_NE(0, register_class_ex(&wc));
    ASSERT_NE(nullptr, create_window_ex(0, "SDLFOCUS", "t", WS_POPUP | WS_VISIBLE, 0, 0, 320, 200,
                                        nullptr, nullptr, nullptr, nullptr));
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
