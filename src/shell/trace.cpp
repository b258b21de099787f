// Trace writer. `frame` is the pass number, `tick` the frame clock's start;
// floats are printed exactly. The hashes cover the 8-bit picture last shown
// (its visible bytes, row by row) and the palette it was shown with.
// Hashing a 1280 x 1024 picture takes milliseconds, too long for the game
// thread between one frame's wait and the next frame's start; so the frame's
// fields, picture and palette are copied into a queue and a writer thread
// hashes and writes the lines in order. The queue holds a few frames at most:
// a game thread further ahead waits for the writer. Where threads are not
// available (the browser build), each line is written as its frame ends.
#include "shell/trace.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "game/world.h"
#include "gfx/display.h"
#include "gfx/palette.h"
#include "platform/formats/file_io.h"
#include "shell/winmain.h"
#include "support/clock.h"

#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
#define V17_TRACE_THREAD 0
#else
#define V17_TRACE_THREAD 1
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#endif

namespace {

// The fields of one line, as they were when the frame ended.
struct TraceFields {
    unsigned long long frame;
    std::uint32_t tick;
    int state, page;
    float x, y, vx, vy;
    int airborne;
    float power;
    int charging, deaths, mouse_x, mouse_y, anim, cur_frame;
};

TraceFields current_fields() {
    return {pass_count() > 0 ? pass_count() - 1 : 0,
            frame_start_ticks,
            game_state,
            story_page,
            player.x,
            player.y,
            player.vx,
            player.vy,
            airborne,
            power,
            charging,
            deaths,
            mouse_x,
            mouse_y,
            player.curr_animation,
            player.curr_frame};
}

constexpr std::uint32_t kFnvBasis = 2166136261u;

std::uint32_t fnv1a(std::uint32_t h, const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) h = (h ^ bytes[i]) * 16777619u;
    return h;
}

// The hash of height rows of width bytes, pitch bytes apart; 0 for no picture.
std::uint32_t picture_hash(const std::uint8_t* pixels, int pitch, int width, int height) {
    if (!pixels) return 0;
    std::uint32_t h = kFnvBasis;
    for (int y = 0; y < height; ++y)
        h = fnv1a(h, pixels + static_cast<std::size_t>(y) * pitch, static_cast<std::size_t>(width));
    return h;
}

std::uint32_t palette_hash(const PALETTEENTRY* entries) {
    return fnv1a(kFnvBasis, reinterpret_cast<const std::uint8_t*>(entries),
                 sizeof(PALETTEENTRY) * 256);
}

void write_line(OutputFile* out, const TraceFields& f, std::uint32_t frame_hash,
                std::uint32_t colors_hash) {
    char line[512];
    int n = std::snprintf(
        line, sizeof line,
        "{\"frame\":%llu,\"tick\":%u,\"state\":%d,\"page\":%d,\"x\":%.9g,\"y\":%.9g,"
        "\"vx\":%.9g,\"vy\":%.9g,\"airborne\":%d,\"power\":%.9g,\"charging\":%d,"
        "\"deaths\":%d,\"mouse_x\":%d,\"mouse_y\":%d,\"anim\":%d,\"cur_frame\":%d,"
        "\"frame_hash\":\"%08x\",\"palette_hash\":\"%08x\"}\n",
        f.frame, f.tick, f.state, f.page, f.x, f.y, f.vx, f.vy, f.airborne, f.power, f.charging,
        f.deaths, f.mouse_x, f.mouse_y, f.anim, f.cur_frame, frame_hash, colors_hash);
    if (n > 0) out->write(line, std::min(static_cast<std::size_t>(n), sizeof line - 1));
}

// Reads the picture without a lock: a lock and unlock would count as a change
// of the screen and have it shown again.
const std::uint8_t* shown_pixels() {
    return front_surface ? front_surface->pixels() : nullptr;
}

OutputFile trace_out;

#if V17_TRACE_THREAD
constexpr std::size_t kMaxQueued = 8;  // frames the writer may be behind the game

// One frame's line to be: its fields, picture (rows without padding) and palette.
struct TraceFrame {
    TraceFields fields{};
    bool has_picture = false;
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    PALETTEENTRY palette[256];
};

class TraceQueue {
public:
    ~TraceQueue() { stop(); }

    // starts the writer thread; false when no thread can be made
    bool start() {
        stopping_ = false;
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }

    bool running() const { return thread_.joinable(); }

    // Copies the frame now shown into the queue, after waiting while the queue is full.
    void push() {
        std::unique_ptr<TraceFrame> frame;
        {
            std::unique_lock<std::mutex> hold(mutex_);
            room_.wait(hold, [this] { return queued_.size() < kMaxQueued; });
            if (!spare_.empty()) {
                frame = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        if (!frame) frame = std::make_unique<TraceFrame>();
        capture(frame.get());
        {
            std::lock_guard<std::mutex> hold(mutex_);
            queued_.push_back(std::move(frame));
        }
        work_.notify_one();
    }

    // writes what is queued and ends the thread
    void stop() {
        if (!thread_.joinable()) return;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            stopping_ = true;
        }
        work_.notify_one();
        thread_.join();
        spare_.clear();
    }

private:
    static void capture(TraceFrame* frame) {
        frame->fields = current_fields();
        const std::uint8_t* pixels = shown_pixels();
        frame->has_picture = pixels != nullptr;
        frame->width = std::max(display_width, 0);
        frame->height = std::max(display_height, 0);
        auto width = static_cast<std::size_t>(frame->width);
        frame->pixels.resize(pixels ? width * static_cast<std::size_t>(frame->height) : 0);
        for (int y = 0; pixels && y < frame->height; ++y) {
            std::memcpy(frame->pixels.data() + y * width,
                        pixels + static_cast<std::size_t>(y) * front_surface->pitch(), width);
        }
        std::memcpy(frame->palette, palette_entries, sizeof frame->palette);
    }

    // The writer thread: takes the frames in order until stopped and the queue is empty.
    void run() {
        for (;;) {
            std::unique_ptr<TraceFrame> frame;
            {
                std::unique_lock<std::mutex> hold(mutex_);
                work_.wait(hold, [this] { return stopping_ || !queued_.empty(); });
                if (queued_.empty()) return;
                frame = std::move(queued_.front());
                queued_.pop_front();
            }
            room_.notify_one();
            if (!trace_out.failed()) {
                const std::uint8_t* pixels = frame->has_picture ? frame->pixels.data() : nullptr;
                write_line(&trace_out, frame->fields,
                           picture_hash(pixels, frame->width, frame->width, frame->height),
                           palette_hash(frame->palette));
            }
            std::lock_guard<std::mutex> hold(mutex_);
            spare_.push_back(std::move(frame));
        }
    }

    std::mutex mutex_;
    std::condition_variable work_;  // a frame was queued, or stop was asked
    std::condition_variable room_;  // the writer took a frame
    std::deque<std::unique_ptr<TraceFrame>> queued_;
    std::vector<std::unique_ptr<TraceFrame>> spare_;  // written frames, for reuse
    bool stopping_ = false;
    std::thread thread_;
};

TraceQueue trace_queue;
#endif

}  // namespace

int open_trace(const char* path) {
    close_trace();
    if (!path || !trace_out.open(path)) return 0;
#if V17_TRACE_THREAD
    trace_queue.start();  // without a thread, each line is written as its frame ends
#endif
    frame_observer = write_trace_line;
    return 1;
}

void write_trace_line() {
    if (!trace_out.is_open()) return;
#if V17_TRACE_THREAD
    if (trace_queue.running()) {
        trace_queue.push();
        return;
    }
#endif
    if (trace_out.failed()) return;
    write_line(&trace_out, current_fields(),
               picture_hash(shown_pixels(), front_surface ? front_surface->pitch() : 0,
                            display_width, display_height),
               palette_hash(palette_entries));
}

void close_trace() {
#if V17_TRACE_THREAD
    trace_queue.stop();
#endif
    trace_out.close();
    if (frame_observer == write_trace_line) frame_observer = nullptr;
}
