// Headless backend. It never opens anything, so it runs where there is no
// display and no audio device. Audio is pulled at each new pass for the
// milliseconds of the tick counter since the last one, so the mixer moves on
// exactly with the game's time, and can be kept as a WAV file.
// A pass may show its picture more than once (a palette change, then a flip);
// the last picture of each kept frame is written once, from the frame the
// platform keeps (presentation.h), when a later frame is shown or the run ends.
#include "platform/backends/headless/headless_backend.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/formats/png_file.h"
#include "platform/formats/wav_writer.h"
#include "platform/system/presentation.h"
#include "platform/system/ticks.h"

namespace {

constexpr int kPullFrames = 1024;  // frames pulled at a time

class HeadlessBackend final : public NullBackend {
public:
    explicit HeadlessBackend(const BackendOptions& outputs)
        : shots_dir_(outputs.shots_dir),
          shot_every_(outputs.shot_every < 1 ? 1 : outputs.shot_every) {
        std::error_code ignored;  // a folder that cannot be made shows as a write error later
        if (!shots_dir_.empty()) std::filesystem::create_directories(shots_dir_, ignored);
        const std::string& audio_out = outputs.audio_out;
        if (!audio_out.empty() && !wav_.open(audio_out.c_str(), HEADLESS_AUDIO_RATE))
            std::fprintf(stderr, "vantorel17: cannot write %s\n", audio_out.c_str());
    }

    ~HeadlessBackend() override {
        write_pending_shot();
        if (shots_written_ > 0)
            std::fprintf(stderr, "vantorel17: wrote %llu frames to %s\n",
                         static_cast<unsigned long long>(shots_written_), shots_dir_.c_str());
    }

    void close_window() override { write_pending_shot(); }

    void pump(bool new_pass) override {
        if (new_pass) advance_audio();
    }

    // Marks the frame now running (the start-up's pictures count as frame 0,
    // with the first pass) for a shot when shots were asked for and its number
    // is a multiple of the step; a later picture of the same frame replaces its
    // picture. A frame marked before is written first, while the platform still
    // keeps its last picture: the frame given here becomes the kept one only
    // when this returns.
    void present(const PresentedFrame&) override {
        if (shots_dir_.empty()) return;
        std::uint64_t frame = pass_count() == 0 ? 0 : pass_count() - 1;
        if (shot_pending_ && shot_frame_ != frame) write_pending_shot();
        if (frame % static_cast<std::uint64_t>(shot_every_) != 0) return;
        shot_frame_ = frame;
        shot_pending_ = true;
    }

    int open_audio(AudioPull pull, void* user, int* rate) override {
        if (!pull || pull_) return 0;
        pull_ = pull;
        user_ = user;
        last_tick_ = get_tick_count();
        elapsed_ms_ = 0;
        frames_done_ = 0;
        if (rate) *rate = HEADLESS_AUDIO_RATE;
        return 1;
    }

    void close_audio() override {
        pull_ = nullptr;
        wav_.finish();
    }

private:
    // Writes the platform's last frame presented as the shot of the marked frame.
    void write_pending_shot() {
        if (!shot_pending_) return;
        shot_pending_ = false;
        const PresentedFrame* shown = last_presented_frame();
        if (!shown) return;
        char name[64];
        std::snprintf(name, sizeof name, "/frame_%06llu.png",
                      static_cast<unsigned long long>(shot_frame_));
        std::string path = shots_dir_ + name;
        // every failed frame is counted, the first one said
        std::string failure = "cannot write " + path;
        if (write_png8(path.c_str(), shown->pixels, shown->pitch, shown->width, shown->height,
                       shown->palette_rgb, &failure)) {
            ++shots_written_;
        } else if (!warned_) {
            std::fprintf(stderr, "vantorel17: %s\n", failure.c_str());
            warned_ = true;
        }
    }

    // Renders the frames due for the time since the last pass. Counting whole
    // milliseconds since the output opened and frames done keeps the fractions
    // of a frame (44.1 per ms) from being lost or piling up.
    void advance_audio() {
        if (!pull_) return;
        std::uint32_t now = get_tick_count();
        elapsed_ms_ += now - last_tick_;  // unsigned: right across the 32-bit wrap
        last_tick_ = now;
        std::uint64_t due = elapsed_ms_ * HEADLESS_AUDIO_RATE / 1000 - frames_done_;
        while (due > 0) {
            int n = static_cast<int>(std::min<std::uint64_t>(due, kPullFrames));
            pull_(buffer_, n, user_);
            wav_.write(buffer_, n);
            due -= static_cast<std::uint64_t>(n);
            frames_done_ += static_cast<std::uint64_t>(n);
        }
    }

    std::string shots_dir_;  // empty: no shots
    int shot_every_;
    bool warned_ = false;
    bool shot_pending_ = false;        // the last picture of shot_frame_ is to be written
    std::uint64_t shot_frame_ = 0;     // the frame marked for a shot
    std::uint64_t shots_written_ = 0;  // PNG files written
    WavWriter wav_;
    AudioPull pull_ = nullptr;
    void* user_ = nullptr;
    std::uint32_t last_tick_ = 0;
    std::uint64_t elapsed_ms_ = 0;   // virtual ms since the output opened
    std::uint64_t frames_done_ = 0;  // frames pulled since the output opened
    float buffer_[2 * kPullFrames];
};

}  // namespace

std::unique_ptr<Backend> make_headless_backend(const BackendOptions& options) {
    return std::make_unique<HeadlessBackend>(options);
}
