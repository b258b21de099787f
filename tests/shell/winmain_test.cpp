#include "shell/winmain.h"

#include "game/screens.h"
#include "game/world.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/system/backend.h"
#include "platform/system/replay.h"
#include "shell/session.h"
#include "test_util.h"

namespace {

struct FrameCall {
    std::uint64_t pass;
    int which;
};
std::vector<FrameCall> calls;
void (*on_frame)(std::uint64_t pass) = nullptr;

template <int Which>
int recording_frame(void*, int) {
    calls.push_back({pass_count() - 1, Which});
    if (async_key_state(VK_ESCAPE) & 0x8000) post_message(main_window_handle, WM_DESTROY, 0, 0);
    if (on_frame) on_frame(pass_count() - 1);
    return 1;
}

class Loop : public ::testing::Test {
protected:
    void SetUp() override {
        game_close();  // nothing is left from an earlier case
        calls.clear();
        on_frame = nullptr;
        saved_ = {frame_functions[0], frame_functions[1], frame_functions[2], frame_functions[3],
                  frame_functions[4]};
        frame_functions[0] = recording_frame<0>;
        frame_functions[1] = recording_frame<1>;
        frame_functions[2] = recording_frame<2>;
        frame_functions[3] = recording_frame<3>;
        frame_functions[4] = recording_frame<4>;
    }
    void TearDown() override {
        for (int i = 0; i < 5; ++i) frame_functions[i] = saved_[i];
        game_close();
    }
    // Installs a headless backend playing the script, on the virtual clock.
    void play(const char* text) {
        InputScript s;
        std::string error;
        ASSERT_EQ(1, parse_input_script(text, &s, &error)) << error;
        play_input_script(std::move(s));
        use_virtual_clock(0);
        set_backend(make_headless_backend());
    }
    std::vector<FrameFunction> saved_;
};

class FailingWindowBackend final : public NullBackend {
public:
    int open_window(const char*, int, int) override { return 0; }
};

}  // namespace

TEST_F(Loop, AFrameRunsOnEveryPassAndEscapeEndsTwoPassesLater) {
    play("5 - 0 0 0\n");  // Escape is held from pass 5 on
    EXPECT_EQ(0, WinMain(nullptr, nullptr, nullptr, 1));
    // Pass 5's frame posts WM_DESTROY; pass 6 takes it (WM_QUIT is queued) and
    // still runs a frame; pass 7 takes WM_QUIT and runs none.
    ASSERT_EQ(7u, calls.size());
    for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(i, calls[i].pass);
    EXPECT_EQ(8u, pass_count());
    // Pass 6's frame asked again: its WM_DESTROY is still queued, never taken.
    MSG m{};
    ASSERT_EQ(1, peek_message(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(WM_DESTROY, m.message);
}

TEST_F(Loop, QuitRunsNoFrameAndWinMainReturnsItsCode) {
    play("100 - 0 0 0\n");
    on_frame = [](std::uint64_t pass) {
        if (pass == 3) post_quit_message(42);
    };
    EXPECT_EQ(42, WinMain(nullptr, nullptr, nullptr, 1));
    EXPECT_EQ(4u, calls.size());  // passes 0..3; pass 4 took WM_QUIT
    EXPECT_EQ(5u, pass_count());
}

TEST_F(Loop, APassThatTakesAMessageStillRunsItsFrame) {
    play("100 - 0 0 0\n");
    static std::vector<std::uint64_t> queue_empty_at;
    queue_empty_at.clear();
    on_frame = [](std::uint64_t pass) {
        MSG m{};
        if (!peek_message(&m, nullptr, 0, 0, PM_NOREMOVE)) queue_empty_at.push_back(pass);
        if (pass == 1) {
            post_message(main_window_handle, 0x400, 0, 0);
            post_message(main_window_handle, 0x401, 0, 0);
        }
        if (pass == 3) post_message(main_window_handle, WM_DESTROY, 0, 0);
    };
    EXPECT_EQ(0, WinMain(nullptr, nullptr, nullptr, 1));
    // One message per pass: pass 2 takes 0x400 and leaves 0x401 for pass 3,
    // and both frames run all the same. Pass 4 takes WM_DESTROY, whose answer
    // queues WM_QUIT for pass 5. Pass 0 took the window's first WM_PAINT and
    // answered it, so no paint is pending afterwards.
    EXPECT_EQ(5u, calls.size());
    EXPECT_EQ((std::vector<std::uint64_t>{0, 1, 3}), queue_empty_at);
}

TEST_F(Loop, StatesDispatchToTheirFramesAndStrayStatesToTheTitle) {
    for (int state : {0, 1, 2, 3, 4, 5, -1, 1000, INT32_MIN}) {
        calls.clear();
        game_state = state;
        EXPECT_EQ(1, game_frame(nullptr, 0));
        ASSERT_EQ(1u, calls.size());
        EXPECT_EQ(state >= 0 && state <= 4 ? state : 0, calls[0].which) << state;
    }
}

TEST_F(Loop, StartUpOpensTheMouseAndHidesThePointer) {
    play("1 - 0 0 0\n");
    EXPECT_EQ(0, WinMain(nullptr, nullptr, nullptr, 1));
    EXPECT_NE(nullptr, lpdi);
    ASSERT_NE(nullptr, lpdimouse);
    DIMOUSESTATE st{};
    EXPECT_EQ(DI_OK, lpdimouse->get_device_state(sizeof st, &st));  // acquired
    EXPECT_EQ(-1, show_cursor(0) + 1);                              // hidden once by start-up
}

TEST_F(Loop, NoClassOrNoWindowMeansNoStartUp) {
    WNDCLASSEX wc{};
    wc.lpfnWndProc = WindowProc;
    wc.lpszClassName = "WINCLASS1";
    ASSERT_NE(0, register_class_ex(&wc));
    EXPECT_EQ(0, WinMain(nullptr, nullptr, nullptr, 1));
    EXPECT_EQ(nullptr, lpdi);
    EXPECT_TRUE(calls.empty());

    reset_window_system();
    set_backend(std::make_unique<FailingWindowBackend>());
    EXPECT_EQ(0, WinMain(nullptr, nullptr, nullptr, 1));
    EXPECT_EQ(nullptr, main_window_handle);
    EXPECT_EQ(nullptr, lpdi);
    EXPECT_TRUE(calls.empty());
}

TEST_F(Loop, WindowProcAnswers) {
    play("1 - 0 0 0\n");
    HWND w = open_game_window(nullptr);
    ASSERT_NE(nullptr, w);
    EXPECT_EQ(0, WindowProc(w, WM_CREATE, 0, 0));
    EXPECT_EQ(0, WindowProc(w, WM_PAINT, 0, 0));
    MSG m{};
    EXPECT_EQ(0, peek_message(&m, nullptr, 0, 0, PM_NOREMOVE));  // the paint was answered
    EXPECT_EQ(0, WindowProc(w, WM_DESTROY, 0, 0));
    ASSERT_EQ(1, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_QUIT, m.message);
    EXPECT_EQ(0u, m.wParam);
}

TEST_F(Loop, TheRealFramesArePacedToThirtyMilliseconds) {
    for (int i = 0; i < 5; ++i) frame_functions[i] = saved_[i];
    play("4 - 0 0 0\n");
    static std::vector<std::uint32_t> ticks;
    ticks.clear();
    frame_observer = [] { ticks.push_back(get_tick_count()); };
    EXPECT_EQ(0, WinMain(nullptr, nullptr, nullptr, 1));
    frame_observer = nullptr;
    ASSERT_EQ(6u, ticks.size());
    for (std::size_t i = 0; i < ticks.size(); ++i) EXPECT_EQ(30u * (i + 1), ticks[i]);
}
