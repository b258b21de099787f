/// @file
/// The backend contract: the devices, which differ between a real window, a
/// headless run and a browser page, and the one backend in use. The window
/// system, the tick counter, the display and the mixer call the backend; the
/// backend feeds the devices' input in through input_feed.h and reads the last
/// frame presented from presentation.h. Replays, the clock's modes and pacing are
/// the platform's own (replay.h, ticks.h): a backend only drives its window or
/// canvas, its events, its audio output and presentation. No SDL type appears here.
/// @ingroup backends
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/system/input_feed.h"

/// @addtogroup backends
/// @{

/// Fills frames stereo frames (2 floats each) of audio; called by the output.
using AudioPull = void (*)(float* stereo, int frames, void* user);

/// How frames reach a window: through OpenGL (WebGL in the browser) where it
/// works and runs on a GPU, else on the CPU (automatic); through OpenGL where a
/// context opens at all; or on the CPU.
enum class FrameRenderer { automatic, gl, cpu };

/// What the command line asks of a backend; each takes the fields of its devices
/// and leaves the others.
struct BackendOptions {
    bool windowed = false;  ///< a window of the game's size instead of full screen
    FrameRenderer renderer = FrameRenderer::automatic;  ///< how frames reach the window
    std::string shots_dir;  ///< headless: every shot_every-th frame as frame_NNNNNN.png here
    int shot_every = 1;     ///< headless: the frames between shots (below 1: as 1)
    std::string audio_out;  ///< headless: the mixed audio as a 16-bit stereo WAV file
};

/// One 8-bit frame handed to the backend, and what changed since the frame
/// handed over before it: the presentation (presentation.h) finds that, so
/// that no backend compares frames itself.
struct PresentedFrame {
    const std::uint8_t* pixels = nullptr;       ///< width x height palette indices, the rows
                                                ///< pitch bytes apart
    int pitch = 0;                              ///< bytes from one row to the next, >= width
    int width = 0, height = 0;                  ///< in pixels, each at least 1
    const std::uint8_t* palette_rgb = nullptr;  ///< 256 entries of r, g, b bytes
    int changed_top = 0;           ///< first row of [changed_top, changed_bottom), the rows that
                                   ///< hold every index that differs from the frame before (all
                                   ///< rows for the first frame of a display and after a change of
                                   ///< size); an empty range when no index changed
    int changed_bottom = 0;        ///< the row after the last changed one (see changed_top)
    bool palette_changed = false;  ///< the palette differs from the frame before's (true
                                   ///< for the first frame of a display)
};

/// The devices of a run: its window or canvas, input, real clock, presentation
/// and audio output. One is in use at a time (set_backend).
class Backend {
public:
    virtual ~Backend() = default;
    /// opens the window (or nothing, headless); returns 1, or 0 when it cannot
    virtual int open_window(const char* caption, int width, int height) = 0;
    /// closes what open_window opened; safe to call when nothing is open
    virtual void close_window() = 0;
    /// moves pending input into the queue and the key state; new_pass is true on
    /// a removing peek, when the pass counter has just moved on
    virtual void pump(bool new_pass) = 0;
    /// the real clock in microseconds since an arbitrary start
    virtual std::uint64_t real_microseconds() = 0;
    /// the real clock in milliseconds, 32-bit unsigned, wrapping
    std::uint32_t real_ticks() { return static_cast<std::uint32_t>(real_microseconds() / 1000); }
    /// false for a backend with no real clock behind it: time is then virtual
    virtual bool has_real_clock() const { return true; }
    /// sleeps about microseconds of real time, never much longer (a backend whose
    /// timers are coarse sleeps less, or only lets the rest of the machine run)
    virtual void sleep(std::uint32_t microseconds) = 0;
    /// one poll of a busy-wait: time for the backend to keep its window alive
    virtual void idle() = 0;
    /// shows or hides the system pointer over the window
    virtual void set_pointer_visible(bool visible) = 0;
    /// the window's rectangle on the screen; 0 when there is none
    virtual int window_rect(std::int32_t* left, std::int32_t* top, std::int32_t* right,
                            std::int32_t* bottom) = 0;

    /// shows the frame: on a flip, and when the front surface or its palette
    /// changed, at most once per display refresh; also when nothing changed (an
    /// empty range), so that a window that must be drawn whole (just opened,
    /// exposed, resized) is drawn from the frame's pixels. The frame's memory is
    /// valid during the call only; last_presented_frame() (presentation.h) is
    /// still the frame before it until the call returns.
    virtual void present(const PresentedFrame& frame) = 0;

    /// starts audio output that pulls 32-bit float stereo frames from pull; the
    /// output rate goes to *rate; 1, or 0 when there is none (the caller goes on
    /// silent)
    virtual int open_audio(AudioPull pull, void* user, int* rate) = 0;
    /// stops pulling; safe to call when nothing is open
    virtual void close_audio() = 0;
};

/// A backend with nothing behind it: the window opens, no input comes, time is
/// virtual, frames are shown nowhere and there is no audio output.
/// Test and tool backends derive from it and override what they watch.
class NullBackend : public Backend {
public:
    int open_window(const char*, int, int) override { return 1; }
    void close_window() override {}
    void pump(bool) override {}
    std::uint64_t real_microseconds() override { return 0; }
    bool has_real_clock() const override { return false; }
    void sleep(std::uint32_t) override {}
    void idle() override {}
    void set_pointer_visible(bool) override {}
    int window_rect(std::int32_t*, std::int32_t*, std::int32_t*, std::int32_t*) override {
        return 0;
    }
    void present(const PresentedFrame&) override {}
    int open_audio(AudioPull, void*, int*) override { return 0; }
    void close_audio() override {}
};

/// installs the backend that the platform uses from now on (null: none)
void set_backend(std::unique_ptr<Backend> backend);
/// the backend in use, or null
Backend* backend();

/// @}
