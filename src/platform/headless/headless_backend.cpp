// Headless backend: plays the input script pass by pass. It never opens
// anything, so it runs where there is no display and no audio device.
#include "platform/headless/headless_backend.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/headless/png_file.h"
#include "platform/win32.h"

namespace {

class HeadlessBackend final : public Backend {
   public:
    HeadlessBackend(InputScript script, bool has_script, std::string shots_dir, int shot_every)
        : script_(std::move(script)),
          has_script_(has_script),
          shots_dir_(std::move(shots_dir)),
          shot_every_(shot_every < 1 ? 1 : shot_every) {
        std::error_code ignored;  // a folder that cannot be made shows as a write error later
        if (!shots_dir_.empty()) std::filesystem::create_directories(shots_dir_, ignored);
    }

    int open_window(const char*, int, int) override { return 1; }
    void close_window() override {}

    void pump(bool new_pass) override {
        if (new_pass && has_script_) feed_script_pass(script_, pass_count() - 1);
    }

    std::uint32_t real_ticks() override { return 0; }  // unused: headless time is virtual
    void idle() override {}
    void set_pointer_visible(bool) override {}
    int window_rect(std::int32_t*, std::int32_t*, std::int32_t*, std::int32_t*) override {
        return 0;
    }
    // Writes the frame of the pass now running (the start-up's frames count as
    // frame 0) when shots were asked for and its number is a multiple of the step.
    void present(const std::uint8_t* pixels, int pitch, int width, int height,
                 const std::uint8_t* palette_rgb) override {
        if (shots_dir_.empty()) return;
        std::uint64_t frame = pass_count() == 0 ? 0 : pass_count() - 1;
        if (frame % static_cast<std::uint64_t>(shot_every_) != 0) return;
        char name[64];
        std::snprintf(name, sizeof name, "/frame_%06llu.png",
                      static_cast<unsigned long long>(frame));
        std::string path = shots_dir_ + name;
        if (!write_png8(path.c_str(), pixels, pitch, width, height, palette_rgb) && !warned_) {
            std::fprintf(stderr, "vantorel17: cannot write %s\n", path.c_str());
            warned_ = true;
        }
    }
    // TEMPORARY: audio is not pulled yet.
    int open_audio(AudioPull, void*, int*) override { return 0; }
    void close_audio() override {}

   private:
    InputScript script_;
    bool has_script_;
    std::string shots_dir_;  // empty: no shots
    int shot_every_;
    bool warned_ = false;
};

}  // namespace

std::unique_ptr<Backend> make_headless_backend(InputScript script, bool has_script,
                                               std::string shots_dir, int shot_every) {
    return std::make_unique<HeadlessBackend>(std::move(script), has_script, std::move(shots_dir),
                                             shot_every);
}
