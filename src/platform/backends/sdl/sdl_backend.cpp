// SDL backend. Events are pumped at each peek of the message queue, never in
// the middle of a frame, so that what a frame polls is what a recording of the
// pass holds. The window is borderless, full screen on the desktop or a
// window of the game's size; Alt+Enter switches between the two. Audio goes to
// one output device whose thread pulls the mixer; where none can be opened, a
// thread of our own pulls it in real time and drops it, so that everything
// keeps the same time and plays silent.
//
// The keyboard, the mouse's buttons and the game controllers each keep their
// own state; what is fed is their union, so a key held on one stays down when
// the other lets go. Losing the focus lets go of everything and gives the
// pointer back to the desktop.
//
// Frames are drawn by a presenter: the GL one where the window's OpenGL works
// (the window is made for OpenGL unless --renderer cpu, and without it where
// the video driver has no OpenGL) and, unless --renderer gl, runs on a GPU;
// else the CPU one. When the GL presenter fails later, the CPU one takes over
// on the same window.
#include "platform/backends/sdl/sdl_backend.h"

#include "platform/backends/sdl/cpu_presenter.h"
#include "platform/backends/sdl/gl_presenter.h"
#include "platform/backends/sdl/screenshot_file.h"
#include "platform/backends/sdl/sdl_gamepad.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "platform/backends/held_input.h"
#include "platform/backends/key_codes.h"
#include "platform/formats/png_file.h"
#include "platform/system/input_feed.h"
#include "platform/system/presentation.h"
#include "platform/system/ticks.h"
#include "platform/system/virtual_keys.h"

namespace {

class SdlBackend final : public Backend {
public:
    explicit SdlBackend(const BackendOptions& options) : options_(options) {}
    ~SdlBackend() override {
        close_audio();
        close_window();
    }

    int open_window(const char* caption, int width, int height) override;
    void close_window() override;
    void pump(bool new_pass) override;
    std::uint64_t real_microseconds() override {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                              std::chrono::steady_clock::now() - opened_)
                                              .count());
    }
    void sleep(std::uint32_t microseconds) override {
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
    }
    void idle() override;
    void set_pointer_visible(bool visible) override;
    int window_rect(std::int32_t* left, std::int32_t* top, std::int32_t* right,
                    std::int32_t* bottom) override;
    void present(const PresentedFrame& frame) override;
    int open_audio(AudioPull pull, void* user, int* rate) override;
    void close_audio() override;

private:
    void handle(const SDL_Event& e);
    void read_pads();
    void toggle_full_screen();
    void cover_the_screen();
    void save_screenshot();
    void show_black();
    bool draw_on_the_cpu();
    bool open_audio_device(int* rate);
    void run_null_output();
    static void audio_callback(void* self, Uint8* stream, int len);

    BackendOptions options_;
    std::chrono::steady_clock::time_point opened_ = std::chrono::steady_clock::now();
    SDL_Window* window_ = nullptr;
    std::unique_ptr<Presenter> presenter_;  // draws into window_
    bool video_started_ = false;
    bool full_screen_ = false;
    int game_w_ = 0, game_h_ = 0;  // the window's size when not full screen
    bool stale_ = true;            // the window may not show the last frame presented:
                                   // opened, exposed, resized, a draw retried

    AudioPull pull_ = nullptr;  // what the output pulls from while open
    void* pull_user_ = nullptr;
    bool audio_started_ = false;
    SDL_AudioDeviceID audio_device_ = 0;
    std::thread null_output_;  // stands in for a device that could not be opened
    std::atomic<bool> null_running_{false};
    bool said_silent_ = false;

    HeldInput held_;       // the keyboard's, the mouse's and the controllers'
    bool focused_ = true;  // the controllers count only while focused
    Gamepads pads_;
    std::uint32_t pad_tick_ = 0;  // tick of the controllers' previous read
    bool pad_read_ = false;       // pad_tick_ holds a read
};

constexpr int kNullRate = 48000;     // the null output's rate, in Hz
constexpr int kDeviceFrames = 1024;  // frames per device callback (about 21 ms)

int SdlBackend::open_audio(AudioPull pull, void* user, int* rate) {
    if (!pull || pull_) return 0;
    pull_ = pull;
    pull_user_ = user;
    int opened_rate = kNullRate;
    if (!open_audio_device(&opened_rate)) {
        null_running_ = true;
        null_output_ = std::thread([this] { run_null_output(); });
    }
    if (rate) *rate = opened_rate;
    return 1;
}

// Opens the default output at 48 or 44.1 kHz in float stereo, started at once;
// false, with the reason said once on stderr, when there is none.
bool SdlBackend::open_audio_device(int* rate) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        audio_started_ = true;
        SDL_AudioSpec want{};
        want.freq = 48000;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = kDeviceFrames;
        want.callback = audio_callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        audio_device_ =
            SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (audio_device_ && have.freq != 44100 && have.freq != 48000) {
            // Any other device rate: SDL converts from ours.
            SDL_CloseAudioDevice(audio_device_);
            audio_device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        }
        if (audio_device_) {
            *rate = have.freq;
            SDL_PauseAudioDevice(audio_device_, 0);
            return true;
        }
    }
    if (!said_silent_) {
        std::fprintf(stderr, "vantorel17: no audio output (%s); playing silent\n", SDL_GetError());
        said_silent_ = true;
    }
    if (audio_started_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audio_started_ = false;
    return false;
}

void SdlBackend::audio_callback(void* self, Uint8* stream, int len) {
    auto* b = static_cast<SdlBackend*>(self);
    b->pull_(reinterpret_cast<float*>(stream), len / static_cast<int>(2 * sizeof(float)),
             b->pull_user_);
}

// Pulls what a device would have played by now, every 10 ms, and drops it.
void SdlBackend::run_null_output() {
    using Clock = std::chrono::steady_clock;
    std::vector<float> scratch(2 * kDeviceFrames);
    Clock::time_point start = Clock::now();
    std::uint64_t done = 0;
    while (null_running_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
        std::uint64_t due = static_cast<std::uint64_t>(us.count()) * kNullRate / 1000000 - done;
        while (due > 0) {
            int n = static_cast<int>(std::min<std::uint64_t>(due, kDeviceFrames));
            pull_(scratch.data(), n, pull_user_);
            done += static_cast<std::uint64_t>(n);
            due -= static_cast<std::uint64_t>(n);
        }
    }
}

void SdlBackend::close_audio() {
    if (audio_device_) SDL_CloseAudioDevice(audio_device_);  // waits for a callback in progress
    audio_device_ = 0;
    if (audio_started_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audio_started_ = false;
    null_running_ = false;
    if (null_output_.joinable()) null_output_.join();
    pull_ = nullptr;
}

// A poll of a wait: nothing to do; events are pumped at the peeks.
void SdlBackend::idle() {}

int SdlBackend::open_window(const char* caption, int width, int height) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_GAMECONTROLLER) != 0) {
        std::fprintf(stderr, "vantorel17: cannot open a window: %s (try --headless)\n",
                     SDL_GetError());
        return 0;
    }
    video_started_ = true;
    full_screen_ = !options_.windowed;
    game_w_ = width;
    game_h_ = height;
    Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN;
    if (full_screen_) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    // Full screen, the window is made the display's size at its origin, so that
    // it covers the screen also where no window manager does it for us.
    SDL_Rect bounds{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height};
    SDL_Rect display{};
    if (full_screen_ && SDL_GetDisplayBounds(0, &display) == 0 && display.w > 0 && display.h > 0)
        bounds = display;
    bool want_gl = options_.renderer != FrameRenderer::cpu;
    std::string no_gl;  // why the GL presenter is not used
    window_ = SDL_CreateWindow(caption, bounds.x, bounds.y, bounds.w, bounds.h,
                               flags | (want_gl ? SDL_WINDOW_OPENGL : 0));
    if (!window_ && want_gl) {
        no_gl = SDL_GetError();
        window_ = SDL_CreateWindow(caption, bounds.x, bounds.y, bounds.w, bounds.h, flags);
    }
    if (!window_) {
        std::fprintf(stderr, "vantorel17: cannot open a window: %s\n", SDL_GetError());
        close_window();
        return 0;
    }
    // auto leaves an OpenGL that rasterizes on the CPU for the CPU presenter,
    // which costs such a machine less; gl takes whatever OpenGL there is.
    if (want_gl && no_gl.empty())
        presenter_ = make_gl_presenter(window_, GlApi::any, &no_gl,
                                       options_.renderer == FrameRenderer::automatic);
    if (!presenter_ && options_.renderer == FrameRenderer::gl)
        std::fprintf(stderr, "vantorel17: --renderer gl: no OpenGL (%s); drawing on the CPU\n",
                     no_gl.c_str());
    if (!presenter_ && !draw_on_the_cpu()) {
        close_window();
        return 0;
    }
    SDL_SetRelativeMouseMode(SDL_TRUE);
    show_black();
    return 1;
}

// Replaces the presenter with the CPU one; false, said on stderr, when SDL has
// no renderer for the window.
bool SdlBackend::draw_on_the_cpu() {
    presenter_.reset();
    const char* why = "";
    presenter_ = make_cpu_presenter(window_, &why);
    if (!presenter_) std::fprintf(stderr, "vantorel17: cannot draw into the window: %s\n", why);
    return presenter_ != nullptr;
}

void SdlBackend::close_window() {
    presenter_.reset();
    if (window_) SDL_DestroyWindow(window_);
    window_ = nullptr;
    gamepad_close_all(pads_);
    if (video_started_)
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_GAMECONTROLLER);
    video_started_ = false;
}

void SdlBackend::show_black() {
    stale_ = true;
    if (presenter_) presenter_->show_black();
}

// Draws what changed since the last picture (everything when the window may
// have lost it) and shows the picture scaled whole into the window's real
// size, its aspect kept, with black bars around it. A frame the window shows
// already is not drawn again.
void SdlBackend::present(const PresentedFrame& frame) {
    if (!presenter_ || !frame.pixels || !frame.palette_rgb || frame.width <= 0 || frame.height <= 0)
        return;
    bool changed = frame.palette_changed || frame.changed_top < frame.changed_bottom;
    if (!changed && !stale_) return;
    bool whole = stale_;
    stale_ = false;
    switch (presenter_->draw(frame, whole)) {
        case DrawResult::drawn:
            presenter_->swap();
            break;
        case DrawResult::retry:
            stale_ = true;  // the next picture is drawn whole
            break;
        case DrawResult::lost:
            if (std::strcmp(presenter_->name(), "cpu") == 0) break;  // never lost
            std::fprintf(stderr, "vantorel17: OpenGL stopped drawing; drawing on the CPU\n");
            if (!draw_on_the_cpu()) return;
            show_black();
            present(frame);
            break;
    }
}

void SdlBackend::cover_the_screen() {
    SDL_Rect display{};
    int index = SDL_GetWindowDisplayIndex(window_);
    if (SDL_GetDisplayBounds(index < 0 ? 0 : index, &display) != 0 || display.w <= 0) return;
    SDL_SetWindowPosition(window_, display.x, display.y);
    SDL_SetWindowSize(window_, display.w, display.h);
}

void SdlBackend::toggle_full_screen() {
    full_screen_ = !full_screen_;
    if (full_screen_) {
        cover_the_screen();
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(window_, 0);
        SDL_SetWindowSize(window_, game_w_, game_h_);
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    show_black();
}

// Writes the last frame presented (the one the platform keeps) into the
// pictures folder and says where, or why it could not; play goes on either way.
void SdlBackend::save_screenshot() {
    const PresentedFrame* shown = last_presented_frame();
    if (!shown) return;
    std::string folder = user_pictures_folder();
    std::string path = make_folder(folder) ? screenshot_path(folder, std::time(nullptr)) : "";
    if (path.empty()) {
        std::fprintf(stderr, "vantorel17: cannot save a screenshot in %s\n", folder.c_str());
        return;
    }
    std::string failure;
    if (write_png8(path.c_str(), shown->pixels, shown->pitch, shown->width, shown->height,
                   shown->palette_rgb, &failure)) {
        std::fprintf(stderr, "vantorel17: screenshot saved to %s\n", path.c_str());
    } else {
        std::fprintf(stderr, "vantorel17: screenshot not saved: %s\n", failure.c_str());
    }
}

void SdlBackend::handle(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:
            feed_close_request();
            break;
        case SDL_WINDOWEVENT:
            stale_ = true;
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) feed_close_request();
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED) feed_paint_request();
            // A new size starts black, and with a swap, at which OpenGL drivers
            // take the window's new size for their buffers.
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) show_black();
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                focused_ = false;
                held_.release_all();
                SDL_SetRelativeMouseMode(SDL_FALSE);
            }
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                focused_ = true;
                SDL_SetRelativeMouseMode(SDL_TRUE);
            }
            break;
        case SDL_CONTROLLERDEVICEADDED:
            gamepad_open(pads_, e.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            gamepad_close(pads_, e.cdevice.which);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            bool down = e.type == SDL_KEYDOWN;
            bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
            if (down && alt && e.key.keysym.scancode == SDL_SCANCODE_RETURN) {
                if (!e.key.repeat) toggle_full_screen();
                break;  // Alt+Enter belongs to the window, not to the game
            }
            if (e.key.keysym.scancode == SDL_SCANCODE_F12) {
                if (down && !e.key.repeat) save_screenshot();
                break;  // so does the screenshot key
            }
            held_.set_key(vk_from_usb_usage(e.key.keysym.scancode), down);
            break;
        }
        case SDL_MOUSEMOTION:
            feed_mouse_motion(e.motion.xrel, e.motion.yrel);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            int button = e.button.button == SDL_BUTTON_LEFT     ? 0
                         : e.button.button == SDL_BUTTON_RIGHT  ? 1
                         : e.button.button == SDL_BUTTON_MIDDLE ? 2
                                                                : 3;
            held_.set_button(button, e.type == SDL_MOUSEBUTTONDOWN);
            break;
        }
        default:
            break;
    }
}

void SdlBackend::pump(bool) {
    if (!video_started_) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) handle(e);
    read_pads();
}

// Feeds what the controllers hold now where it changed, and the right stick's
// motion over the ticks since the previous read, so that the pointer's speed
// does not depend on how often events are pumped.
void SdlBackend::read_pads() {
    std::uint32_t now = get_tick_count();
    std::uint32_t elapsed = pad_read_ ? now - pad_tick_ : 0;
    pad_tick_ = now;
    pad_read_ = true;
    PadReading r;
    std::int32_t dx = 0, dy = 0;
    if (focused_) gamepad_read(pads_, elapsed, &r, &dx, &dy);
    held_.set_pad(r);
    if (dx != 0 || dy != 0) feed_mouse_motion(dx, dy);
}

void SdlBackend::set_pointer_visible(bool visible) {
    if (video_started_) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

int SdlBackend::window_rect(std::int32_t* left, std::int32_t* top, std::int32_t* right,
                            std::int32_t* bottom) {
    if (!window_) return 0;
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    *left = x;
    *top = y;
    *right = x + w;
    *bottom = y + h;
    return 1;
}

}  // namespace

std::unique_ptr<Backend> make_sdl_backend(const BackendOptions& options) {
    return std::make_unique<SdlBackend>(options);
}
