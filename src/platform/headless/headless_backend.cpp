// Headless backend: plays the input script pass by pass. It never opens
// anything, so it runs where there is no display and no audio device.
#include "platform/headless/headless_backend.h"

#include "platform/win32.h"

namespace {

class HeadlessBackend final : public Backend {
public:
    HeadlessBackend(InputScript script, bool has_script)
        : script_(std::move(script)), has_script_(has_script) {}

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
    // TEMPORARY: frames are not written and audio is not pulled yet.
    void present(const std::uint8_t*, int, int, int, const std::uint8_t*) override {}
    int open_audio(AudioPull, void*, int*) override { return 0; }
    void close_audio() override {}

private:
    InputScript script_;
    bool has_script_;
};

}  // namespace

std::unique_ptr<Backend> make_headless_backend(InputScript script, bool has_script) {
    return std::make_unique<HeadlessBackend>(std::move(script), has_script);
}
