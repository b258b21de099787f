#include "platform/system/win32.h"
#include "platform/system/replay.h"

#include "platform/system/backend.h"
#include "platform/system/dinput.h"
#include "test_util.h"

namespace {

std::vector<UINT> seen;
LRESULT recording_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    seen.push_back(msg);
    return def_window_proc(hwnd, msg, wp, lp);
}

class Win32 : public ::testing::Test {
protected:
    void SetUp() override {
        reset_window_system();
        reset_direct_input();
        seen.clear();
    }
    void TearDown() override {
        reset_window_system();
        reset_direct_input();
    }
    HWND make_window() {
        WNDCLASSEX wc{};
        wc.lpfnWndProc = recording_proc;
        wc.lpszClassName = "TEST";
        EXPECT_NE(0, register_class_ex(&wc));
        return create_window_ex(0, "TEST", "t", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 1024, nullptr,
                                nullptr, nullptr, nullptr);
    }
};

}  // namespace

TEST_F(Win32, ClassRegistrationRefusesBadAndDuplicateClasses) {
    WNDCLASSEX wc{};
    EXPECT_EQ(0, register_class_ex(nullptr));
    EXPECT_EQ(0, register_class_ex(&wc));  // no procedure, no name
    wc.lpfnWndProc = recording_proc;
    wc.lpszClassName = "A";
    EXPECT_NE(0, register_class_ex(&wc));
    EXPECT_EQ(0, register_class_ex(&wc));
    EXPECT_EQ(nullptr,
              create_window_ex(0, "B", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(Win32, CreatingTheWindowSendsCreateAndAsksForAPaint) {
    HWND w = make_window();
    ASSERT_NE(nullptr, w);
    EXPECT_EQ(std::vector<UINT>{WM_CREATE}, seen);
    RECT r{};
    ASSERT_EQ(1, get_window_rect(w, &r));
    EXPECT_EQ(1280, r.right - r.left);
    EXPECT_EQ(1024, r.bottom - r.top);

    MSG m{};
    ASSERT_EQ(1, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_PAINT, m.message);
    dispatch_message(&m);  // the default procedure validates the window
    EXPECT_EQ(0, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    feed_paint_request();
    ASSERT_EQ(1, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_PAINT, m.message);
    PAINTSTRUCT ps;
    EXPECT_NE(nullptr, begin_paint(w, &ps));
    EXPECT_EQ(1, end_paint(w, &ps));
    EXPECT_EQ(0, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Win32, QueueIsFirstInFirstOutWithQuitInItsPlace) {
    HWND w = make_window();
    MSG m{};
    peek_message(&m, nullptr, 0, 0, PM_REMOVE);
    dispatch_message(&m);  // the first paint
    post_message(w, 0x400, 1, 0);
    post_quit_message(7);
    post_message(w, 0x401, 2, 0);

    ASSERT_EQ(1, peek_message(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(0x400u, m.message);  // looked at, not taken
    ASSERT_EQ(1, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(0x400u, m.message);
    ASSERT_EQ(1, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_QUIT, m.message);
    EXPECT_EQ(7u, m.wParam);
    ASSERT_EQ(1, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(0x401u, m.message);
    EXPECT_EQ(0, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Win32, CloseBecomesDestroyThroughTheDefaultProcedure) {
    HWND w = make_window();
    MSG m{};
    peek_message(&m, nullptr, 0, 0, PM_REMOVE);
    dispatch_message(&m);
    feed_close_request();
    ASSERT_EQ(1, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_CLOSE, m.message);
    dispatch_message(&m);
    ASSERT_EQ(1, peek_message(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_DESTROY, m.message);
    EXPECT_EQ(w, m.hwnd);
}

TEST_F(Win32, FullQueueRefusesPostsButNeverQuit) {
    make_window();
    int posted = 0;
    while (post_message(nullptr, 0x400, 0, 0)) ++posted;
    EXPECT_EQ(10000, posted);
    post_quit_message(0);
    MSG m{};
    while (peek_message(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT) {
    }
    EXPECT_EQ(WM_QUIT, m.message);
}

TEST_F(Win32, KeyStateHasTheHighBitAndSideNeutralCodes) {
    EXPECT_EQ(0, async_key_state(VK_LEFT));
    feed_key(VK_LEFT, true);
    EXPECT_EQ(static_cast<std::int16_t>(0x8000), async_key_state(VK_LEFT));
    feed_key(VK_LSHIFT, true);
    EXPECT_TRUE(async_key_state(VK_SHIFT) & 0x8000);
    EXPECT_FALSE(async_key_state(VK_RSHIFT) & 0x8000);
    EXPECT_EQ(0, async_key_state(-1));
    EXPECT_EQ(0, async_key_state(256));
    feed_key(300, true);  // ignored, not written out of bounds
    feed_release_all_keys();
    EXPECT_EQ(0, async_key_state(VK_LEFT));
}

TEST_F(Win32, VirtualClockMovesOnlyWhileWaiting) {
    use_virtual_clock(0xFFFFFFF0u);
    EXPECT_EQ(0xFFFFFFF0u, get_tick_count());
    EXPECT_EQ(0xFFFFFFF0u, get_tick_count());
    for (int i = 0; i < 32; ++i) yield_processor();
    EXPECT_EQ(0x10u, get_tick_count());  // wrapped
}

TEST_F(Win32, FrameLimitHoldsEscapeAfterThatManyPasses) {
    make_window();
    set_frame_limit(2);
    MSG m{};
    peek_message(&m, nullptr, 0, 0, PM_REMOVE);
    peek_message(&m, nullptr, 0, 0, PM_REMOVE);
    EXPECT_FALSE(async_key_state(VK_ESCAPE) & 0x8000);
    EXPECT_EQ(2u, pass_count());
    peek_message(&m, nullptr, 0, 0, PM_REMOVE);
    EXPECT_TRUE(async_key_state(VK_ESCAPE) & 0x8000);
}

TEST_F(Win32, MouseReportsMotionSinceTheLastReadOnlyOnceAcquired) {
    DirectInput* di = nullptr;
    MouseDevice* mouse = nullptr;
    EXPECT_NE(DI_OK, direct_input8_create(nullptr, 0x0700, &di));
    ASSERT_EQ(DI_OK, direct_input8_create(nullptr, DIRECTINPUT_VERSION, &di));
    EXPECT_NE(DI_OK, di->create_device(0, &mouse));
    ASSERT_EQ(DI_OK, di->create_device(GUID_SysMouse, &mouse));
    DIMOUSESTATE st{};
    EXPECT_EQ(DIERR_NOTACQUIRED, mouse->get_device_state(sizeof st, &st));
    EXPECT_NE(DI_OK, mouse->acquire());  // no data format yet
    EXPECT_EQ(DI_OK, mouse->set_cooperative_level(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND));
    EXPECT_EQ(DI_OK, mouse->set_data_format(&c_dfDIMouse));
    feed_mouse_motion(100, 100);  // before acquiring: dropped
    ASSERT_EQ(DI_OK, mouse->acquire());
    feed_mouse_motion(3, -4);
    feed_mouse_motion(2, 1);
    feed_mouse_button(0, true);
    ASSERT_EQ(DI_OK, mouse->get_device_state(16, &st));
    EXPECT_EQ(5, st.lX);
    EXPECT_EQ(-3, st.lY);
    EXPECT_EQ(0, st.lZ);
    EXPECT_EQ(0x80, st.rgbButtons[0]);
    ASSERT_EQ(DI_OK, mouse->get_device_state(16, &st));
    EXPECT_EQ(0, st.lX);
    EXPECT_EQ(0x80, st.rgbButtons[0]);
    EXPECT_NE(DI_OK, mouse->get_device_state(12, &st));
    EXPECT_NE(DI_OK, mouse->get_device_state(16, nullptr));
    // Motion that piles up saturates instead of wrapping.
    feed_mouse_motion(INT32_MAX, 0);
    feed_mouse_motion(INT32_MAX, 0);
    ASSERT_EQ(DI_OK, mouse->get_device_state(16, &st));
    EXPECT_EQ(INT32_MAX, st.lX);
}
