// The web backend. Page events reach the program only while it waits, and are
// queued then; pump() feeds them in at the next removing peek, never in the
// middle of a frame, as the SDL backend does, and reads the game controllers
// (the Gamepad API) through the controller table there. The page's touch
// controls come in by the same queue: their keys as keyboard events, the
// finger on the picture by v17_web_pointer_button and v17_web_pointer_motion.
// The JavaScript half of what is here is web_platform.js.
#include "platform/backends/web/web_backend.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <vector>

#include "platform/backends/frame_colours.h"
#include "platform/backends/gamepad_map.h"
#include "platform/backends/held_input.h"
#include "platform/backends/key_codes.h"
#include "platform/system/input_feed.h"
#include "platform/system/presentation.h"
#include "platform/system/virtual_keys.h"

extern "C" {
// web_platform.js
int v17_web_open_canvas(const char* caption, int width, int height, int want_gl);
void v17_web_put_indices(const std::uint8_t* indices, int width, int height,
                         const std::uint8_t* palette_rgb);
void v17_web_put_frame(const std::uint32_t* rgba, int width, int height);
void v17_web_set_cursor_visible(int visible);
void v17_web_toggle_full_screen();
int v17_web_audio_open();
void v17_web_audio_close();
}

namespace {

constexpr int kYieldEveryMs = 50;  // a run whose waits never sleep lets the page in this often
constexpr int kTimerSlackMs = 4;   // browsers may hold back a timer by this much
constexpr int kFirstFunctionKey = 0x70;        // F1
constexpr int kMaxPads = 4;                    // controllers read at once
constexpr int kPadButtons = 17, kPadAxes = 4;  // the standard layout's
constexpr int kPadValues = 2 + kPadButtons + kPadAxes;

// Fills out with up to max_pads controllers in the standard layout, each as
// its button count, its axis count, 17 button values and 4 axis values;
// returns how many. Browsers show a page a controller once a button of it is
// pressed (the page hears gamepadconnected then) and drop it when it is
// unplugged, so reading them all each pass is the hot-plugging; until the
// first controller comes, nothing is asked of the browser.
// clang-format off
EM_JS(int, v17_web_read_pads, (float* out, int max_pads), {
    if (!Module.v17Pads) {
        var seen = Module.v17Pads = { any: false };
        addEventListener('gamepadconnected', function () { seen.any = true; });
    }
    if (!Module.v17Pads.any) return 0;
    var pads;
    try {
        pads = navigator.getGamepads ? navigator.getGamepads() : [];
    } catch (e) {
        return 0;
    }
    var n = 0;
    for (var i = 0; i < pads.length && n < max_pads; ++i) {
        var p = pads[i];
        if (!p || p.connected === false || p.mapping !== 'standard') continue;
        var at = (out >> 2) + n * 23, buttons = Math.min(p.buttons.length, 17);
        var axes = Math.min(p.axes.length, 4);
        HEAPF32[at] = buttons;
        HEAPF32[at + 1] = axes;
        for (var b = 0; b < buttons; ++b) {
            var button = p.buttons[b];
            HEAPF32[at + 2 + b] = +button.value || (button.pressed ? 1 : 0);
        }
        for (var a = 0; a < axes; ++a) HEAPF32[at + 19 + a] = +p.axes[a];
        ++n;
    }
    return n;
});
// clang-format on
static_assert(kPadValues == 23);

// Gives the browser its turn and comes back as soon as it has had it: a message
// to ourselves, which no browser delays as it does short timers.
// clang-format off
EM_ASYNC_JS(void, v17_web_yield, (), {
    await new Promise(resolve => {
        const channel = new MessageChannel();
        channel.port1.onmessage = () => resolve();
        channel.port2.postMessage(0);
    });
});
// clang-format on

struct PageEvent {
    enum Kind { KEY, BUTTON, MOTION, RELEASE_ALL, CLOSE } kind;
    int code;  // the virtual key or the button
    bool down;
    std::int32_t dx, dy;
};

class WebBackend final : public Backend {
public:
    explicit WebBackend(const BackendOptions& options) : options_(options) {}
    ~WebBackend() override {
        close_audio();
        close_window();
    }

    int open_window(const char* caption, int width, int height) override;
    void close_window() override;
    void pump(bool new_pass) override;
    std::uint64_t real_microseconds() override {
        return static_cast<std::uint64_t>(emscripten_get_now() * 1000.0);
    }
    void sleep(std::uint32_t microseconds) override;
    void idle() override;
    void set_pointer_visible(bool visible) override { v17_web_set_cursor_visible(visible); }
    int window_rect(std::int32_t* left, std::int32_t* top, std::int32_t* right,
                    std::int32_t* bottom) override;
    void present(const PresentedFrame& frame) override;
    int open_audio(AudioPull pull, void* user, int* rate) override;
    void close_audio() override;

    // the page's own input (its touch controls) joins the events' queue
    void queue_page_event(PageEvent e) {
        if (open_) queue(e);
    }

    // the page's audio output asks for frames stereo frames
    void pull_audio(float* out, int frames) {
        if (pull_) pull_(out, frames, pull_user_);
    }

private:
    static EM_BOOL on_key(int type, const EmscriptenKeyboardEvent* e, void* self);
    static EM_BOOL on_mouse(int type, const EmscriptenMouseEvent* e, void* self);
    static EM_BOOL on_blur(int type, const EmscriptenFocusEvent* e, void* self);
    static const char* on_unload(int type, const void* reserved, void* self);
    void listen(bool on);
    void queue(PageEvent e) { events_.push_back(e); }
    void sleep_ms(int ms);
    void yield_now();
    void show_pending_frame();
    void read_pads();

    BackendOptions options_;
    bool open_ = false;
    int width_ = 0, height_ = 0;
    bool pending_ = false;             // the canvas is to show the platform's last frame
    bool gl_ = false;                  // WebGL draws the frames from their indices
    std::vector<std::uint32_t> rgba_;  // the frame as the canvas takes it
    std::vector<PageEvent> events_;    // what came while the program waited
    std::uint32_t last_yield_ = 0;
    HeldInput held_;  // the keyboard's (and touch controls'), the mouse's, the controllers'
    PadCarry pad_carry_;
    std::uint32_t pad_tick_ = 0;  // the real tick of the controllers' previous read
    AudioPull pull_ = nullptr;
    void* pull_user_ = nullptr;
};

const char* const kCanvas = "#canvas";
WebBackend* input_backend = nullptr;  // the backend whose window is open, for the page's input

EM_BOOL WebBackend::on_key(int type, const EmscriptenKeyboardEvent* e, void* self) {
    auto* b = static_cast<WebBackend*>(self);
    bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    int vk = vk_from_key_code(e->code);
    if (down && e->altKey && vk == VK_RETURN) {
        if (!e->repeat) v17_web_toggle_full_screen();
        return EM_TRUE;  // Alt+Enter belongs to the page, not to the game
    }
    if (vk >= 0) b->queue({PageEvent::KEY, vk, down, 0, 0});
    // Arrows and space do not scroll the page; the function keys (reload, full
    // screen, the developer tools) and keys without a code stay the browser's.
    bool browser_key = vk < 0 || (vk >= kFirstFunctionKey && vk < kFirstFunctionKey + 12);
    return browser_key ? EM_FALSE : EM_TRUE;
}

EM_BOOL WebBackend::on_mouse(int type, const EmscriptenMouseEvent* e, void* self) {
    auto* b = static_cast<WebBackend*>(self);
    if (device_input_ignored()) return EM_FALSE;  // the pointer is not taken for nothing
    EmscriptenPointerlockChangeEvent lock{};
    bool locked =
        emscripten_get_pointerlock_status(&lock) == EMSCRIPTEN_RESULT_SUCCESS && lock.isActive;
    if (type == EMSCRIPTEN_EVENT_MOUSEMOVE) {
        if (locked && (e->movementX || e->movementY))
            b->queue({PageEvent::MOTION, 0, false, e->movementX, e->movementY});
        return EM_TRUE;
    }
    bool down = type == EMSCRIPTEN_EVENT_MOUSEDOWN;
    // The first click on the picture captures the pointer, as a window does.
    if (down && !locked) emscripten_request_pointerlock(kCanvas, EM_TRUE);
    int button = e->button == 0 ? 0 : e->button == 2 ? 1 : e->button == 1 ? 2 : 3;
    b->queue({PageEvent::BUTTON, button, down, 0, 0});
    return EM_TRUE;
}

// The page lost the focus: nothing stays held, as when a window loses it.
EM_BOOL WebBackend::on_blur(int, const EmscriptenFocusEvent*, void* self) {
    auto* b = static_cast<WebBackend*>(self);
    b->queue({PageEvent::RELEASE_ALL, 0, false, 0, 0});
    return EM_FALSE;
}

const char* WebBackend::on_unload(int, const void*, void* self) {
    static_cast<WebBackend*>(self)->queue({PageEvent::CLOSE, 0, false, 0, 0});
    return nullptr;
}

// Keys anywhere on the page; the mouse's presses on the picture and its moves
// and lifts anywhere, so that a drag leaving the picture still ends.
void WebBackend::listen(bool on) {
    const char* page = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    void* self = on ? this : nullptr;
    emscripten_set_keydown_callback(page, self, EM_TRUE, on ? on_key : nullptr);
    emscripten_set_keyup_callback(page, self, EM_TRUE, on ? on_key : nullptr);
    emscripten_set_mousedown_callback(kCanvas, self, EM_TRUE, on ? on_mouse : nullptr);
    emscripten_set_mouseup_callback(page, self, EM_TRUE, on ? on_mouse : nullptr);
    emscripten_set_mousemove_callback(page, self, EM_TRUE, on ? on_mouse : nullptr);
    emscripten_set_blur_callback(page, self, EM_TRUE, on ? on_blur : nullptr);
    emscripten_set_beforeunload_callback(self, on ? on_unload : nullptr);
}

int WebBackend::open_window(const char* caption, int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    width_ = width;
    height_ = height;
    bool want_gl = options_.renderer != FrameRenderer::cpu;
    gl_ = v17_web_open_canvas(caption ? caption : "", width, height, want_gl ? 1 : 0) == 1;
    listen(true);
    open_ = true;
    pad_tick_ = real_ticks();
    input_backend = this;
    pending_ = true;  // a new canvas shows the last frame as soon as there is one
    last_yield_ = real_ticks();
    return 1;
}

void WebBackend::close_window() {
    if (!open_) return;
    show_pending_frame();  // the last picture stays on the page
    listen(false);
    emscripten_exit_pointerlock();
    v17_web_set_cursor_visible(1);
    events_.clear();
    if (input_backend == this) input_backend = nullptr;
    open_ = false;
}

void WebBackend::pump(bool) {
    for (const PageEvent& e : events_) {
        switch (e.kind) {
            case PageEvent::KEY:
                held_.set_key(e.code, e.down);
                break;
            case PageEvent::BUTTON:
                held_.set_button(e.code, e.down);
                break;
            case PageEvent::MOTION:
                feed_mouse_motion(e.dx, e.dy);
                break;
            case PageEvent::RELEASE_ALL:
                held_.release_all();
                break;
            case PageEvent::CLOSE:
                feed_close_request();
                break;
        }
    }
    events_.clear();
    read_pads();
}

// Feeds what the controllers hold where it changed, and the right stick's
// motion over the real time since the previous read.
void WebBackend::read_pads() {
    float values[kMaxPads * kPadValues];
    int count = v17_web_read_pads(values, kMaxPads);
    std::uint32_t now = real_ticks();
    std::uint32_t elapsed = now - pad_tick_;
    pad_tick_ = now;
    PadReading r;
    for (int i = 0; i < count; ++i) {
        const float* pad = values + i * kPadValues;
        pad_read(pad_state_from_standard(pad + 2, static_cast<int>(pad[0]), pad + 2 + kPadButtons,
                                         static_cast<int>(pad[1])),
                 &r);
    }
    std::int32_t dx = 0, dy = 0;
    pad_motion(r, elapsed, &pad_carry_, &dx, &dy);
    held_.set_pad(r);
    if (dx != 0 || dy != 0) feed_mouse_motion(dx, dy);
}

// The browser shows the canvas only in its own turns, so a frame goes onto it
// just before the program gives the browser a turn: a run that presents many
// frames between two turns does not convert those that nobody could see.
void WebBackend::sleep_ms(int ms) {
    show_pending_frame();
    emscripten_sleep(static_cast<unsigned>(ms));
    last_yield_ = real_ticks();
}

void WebBackend::yield_now() {
    show_pending_frame();
    v17_web_yield();
    last_yield_ = real_ticks();
}

// Browsers hold timers back by a few milliseconds, so a sleep sets a timer
// only that much shorter than asked, and a shorter one gives the browser a turn.
void WebBackend::sleep(std::uint32_t microseconds) {
    auto ms = static_cast<int>(microseconds / 1000);
    if (ms > kTimerSlackMs) {
        sleep_ms(ms - kTimerSlackMs);
    } else {
        yield_now();
    }
}

// A poll of a wait: a run that has not given the browser a turn for a while
// (one whose waits never sleep, as a timedemo's) lets the page in, so that the
// tab still answers.
void WebBackend::idle() {
    if (real_ticks() - last_yield_ >= static_cast<std::uint32_t>(kYieldEveryMs)) yield_now();
}

int WebBackend::window_rect(std::int32_t* left, std::int32_t* top, std::int32_t* right,
                            std::int32_t* bottom) {
    if (!open_) return 0;
    *left = 0;
    *top = 0;
    *right = width_;
    *bottom = height_;
    return 1;
}

// A frame that changed something is only noted; the platform's last frame
// (presentation.h) is expanded through its palette into the canvas's byte
// order when the browser is about to have its turn. The page scales the canvas
// to its size with the aspect kept.
void WebBackend::present(const PresentedFrame& frame) {
    if (open_ && (frame.palette_changed || frame.changed_top < frame.changed_bottom))
        pending_ = true;
}

void WebBackend::show_pending_frame() {
    if (!pending_ || !open_) return;
    pending_ = false;
    const PresentedFrame* shown = last_presented_frame();  // its rows packed: pitch == width
    if (!shown) return;
    if (gl_) {
        v17_web_put_indices(shown->pixels, shown->width, shown->height, shown->palette_rgb);
        return;
    }
    std::uint32_t table[256];
    make_expand_table_rgba(shown->palette_rgb, table);
    rgba_.resize(static_cast<std::size_t>(shown->width) * static_cast<std::size_t>(shown->height));
    if (expand_indices32(shown->pixels, shown->pitch, shown->width, shown->height, table,
                         rgba_.data(), 4 * shown->width))
        v17_web_put_frame(rgba_.data(), shown->width, shown->height);
}

WebBackend* audio_backend = nullptr;  // the backend whose output the page pulls

int WebBackend::open_audio(AudioPull pull, void* user, int* rate) {
    if (!pull || pull_) return 0;
    pull_ = pull;
    pull_user_ = user;
    audio_backend = this;
    int opened = v17_web_audio_open();
    if (opened <= 0) {
        audio_backend = nullptr;
        pull_ = nullptr;
        return 0;
    }
    if (rate) *rate = opened;
    return 1;
}

void WebBackend::close_audio() {
    if (!pull_) return;
    v17_web_audio_close();
    audio_backend = nullptr;
    pull_ = nullptr;
}

}  // namespace

// Called by the page's audio output for the next frames stereo frames.
extern "C" EMSCRIPTEN_KEEPALIVE void v17_web_audio_pull(float* out, int frames) {
    if (audio_backend && out && frames > 0) audio_backend->pull_audio(out, frames);
}

// The page's finger on the picture, as the mouse's left button and its motion
// in the picture's pixels.
extern "C" EMSCRIPTEN_KEEPALIVE void v17_web_pointer_button(int button, int down) {
    if (input_backend && !device_input_ignored())
        input_backend->queue_page_event({PageEvent::BUTTON, button, down != 0, 0, 0});
}

extern "C" EMSCRIPTEN_KEEPALIVE void v17_web_pointer_motion(int dx, int dy) {
    if (input_backend && !device_input_ignored() && (dx || dy))
        input_backend->queue_page_event({PageEvent::MOTION, 0, false, dx, dy});
}

std::unique_ptr<Backend> make_web_backend(const BackendOptions& options) {
    return std::make_unique<WebBackend>(options);
}

void end_web_program(int code) {
    emscripten_force_exit(code);
}
