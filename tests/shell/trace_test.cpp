// The trace reads the screen without changing what the run shows.
#include "shell/trace.h"

#include <filesystem>

#include "game/world.h"
#include "platform/system/backend.h"
#include "platform/system/dinput.h"
#include "platform/system/replay.h"
#include "shell/winmain.h"
#include "test_util.h"

namespace {

int presents = 0;

class CountingBackend final : public NullBackend {
public:
    void present(const PresentedFrame&) override { ++presents; }
};

// Presents of a 20-frame run of the game without assets, in-process.
int presents_of_run(bool traced) {
    reset_window_system();
    reset_direct_input();
    main_window_handle = nullptr;
    presents = 0;
    use_virtual_clock(0);
    set_backend(std::make_unique<CountingBackend>());
    set_frame_limit(20);
    if (traced) {
        EXPECT_EQ(1, open_trace("/dev/null"));
    }
    static char command_line[] = "";
    ::testing::internal::CaptureStderr();  // the missing assets are named there
    WinMain(nullptr, nullptr, command_line, 1);
    ::testing::internal::GetCapturedStderr();
    close_trace();
    set_backend(nullptr);
    reset_window_system();
    reset_direct_input();
    return presents;
}

}  // namespace

TEST(Trace, ReadingTheScreenPresentsNothingMore) {
    std::string empty = temp_path("no-assets-trace");
    std::filesystem::create_directories(empty);
    std::filesystem::path back = std::filesystem::current_path();
    std::filesystem::current_path(empty);
    int plain = presents_of_run(false);
    int traced = presents_of_run(true);
    std::filesystem::current_path(back);
    EXPECT_GT(plain, 20);
    EXPECT_EQ(plain, traced);
}
