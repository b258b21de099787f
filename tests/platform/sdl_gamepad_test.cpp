// A virtual game controller playing the game in this process through the SDL
// backend on SDL's dummy video driver, on the virtual clock, unpaced.
#include "platform/backends/sdl/sdl_gamepad.h"

#include <SDL.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "game/movement.h"
#include "game/setup.h"
#include "game/world.h"
#include "platform/backends/sdl/sdl_backend.h"
#include "platform/system/input_feed.h"
#include "platform/system/win32.h"
#include "shell/session.h"
#include "shell/winmain.h"
#include "support/clock.h"
#include "test_util.h"

namespace {

class Gamepad : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        // the dummy driver gives no window the keyboard focus
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        use_virtual_clock(100000);
        std::string empty = std::string(V17_TEST_TMP) + "/no-assets";
        mkdir(empty.c_str(), 0755);
        BackendOptions options;
        options.windowed = true;
        ::testing::internal::CaptureStderr();  // the missing files are named there
        int opened = game_open(empty.c_str(), make_sdl_backend(options));
        std::string said = ::testing::internal::GetCapturedStderr();
        ASSERT_EQ(1, opened) << said;
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "test pad";
        int index = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(index, 0) << SDL_GetError();
        ASSERT_TRUE(SDL_IsGameController(index));
        index_ = index;
        joystick_ = SDL_JoystickOpen(index);
        ASSERT_NE(nullptr, joystick_);
        // A trigger's raw axis runs from -32768 (let go) to 32767 (pulled).
        axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, -32768);
        axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -32768);
    }

    void TearDown() override {
        if (joystick_) SDL_JoystickClose(joystick_);
        if (index_ >= 0) SDL_JoystickDetachVirtual(index_);
        game_close();
    }

    void press(SDL_GameControllerButton b, bool down) {
        SDL_JoystickSetVirtualButton(joystick_, b, down ? 1 : 0);
    }
    void axis(SDL_GameControllerAxis a, int value) {
        SDL_JoystickSetVirtualAxis(joystick_, a, static_cast<Sint16>(value));
    }

    // Runs n frames as the message loop does: a peek (which pumps the
    // events), the message handled, then the frame.
    static void run_frames(int n) {
        for (int i = 0; i < n; ++i) {
            pump();
            game_frame(nullptr, 0);
        }
    }
    static void pump() {
        MSG msg;
        if (peek_message(&msg, nullptr, 0, 0, PM_REMOVE)) {
            translate_message(&msg);
            dispatch_message(&msg);
        }
    }

    int index_ = -1;
    SDL_Joystick* joystick_ = nullptr;
};

}  // namespace

TEST_F(Gamepad, StartTurnsTheTitlePagesIntoLevelOne) {
    ASSERT_EQ(STATE_TITLE, game_state);
    run_frames(2);
    for (int page = 0; page < 3; ++page) {
        press(SDL_CONTROLLER_BUTTON_START, true);
        run_frames(3);
        press(SDL_CONTROLLER_BUTTON_START, false);
        run_frames(2);
    }
    EXPECT_EQ(STATE_LEVEL1, game_state);
    EXPECT_EQ(0, key_is_down(VK_RETURN));
}

TEST_F(Gamepad, WalksAimsChargesAndLaunchesInLevelOne) {
    // No asset files: the level is a floor of ground from row 930 down.
    BitmapImage& land = landscapes[3];
    ASSERT_NE(nullptr, land.buffer);
    for (int y = 0; y < 1024; ++y)
        std::memset(land.buffer + y * 1280, y >= 930 ? GROUND_COLOR : 1, 1280);
    land.attr |= IMAGE_ATTR_LOADED;
    enter_level(STATE_LEVEL1);
    player.x = 100;
    player.y = 850;
    player.vx = player.vy = 0;
    run_frames(20);
    ASSERT_EQ(0, airborne);

    press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    float x0 = player.x;
    run_frames(10);
    EXPECT_GT(player.x, x0 + 20);
    press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false);
    run_frames(10);
    float x1 = player.x;
    axis(SDL_CONTROLLER_AXIS_LEFTX, -30000);  // the left stick walks too
    run_frames(10);
    EXPECT_LT(player.x, x1 - 20);
    axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    run_frames(10);

    // The right stick up and left at full tilt: the pointer ends in the corner.
    axis(SDL_CONTROLLER_AXIS_RIGHTX, -32768);
    axis(SDL_CONTROLLER_AXIS_RIGHTY, -32768);
    run_frames(40);
    EXPECT_EQ(0, mouse_x);
    EXPECT_EQ(0, mouse_y);
    axis(SDL_CONTROLLER_AXIS_RIGHTX, 0);
    axis(SDL_CONTROLLER_AXIS_RIGHTY, 0);
    run_frames(1);
    EXPECT_EQ(0, charging);

    axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    run_frames(60);
    EXPECT_EQ(1, charging);
    EXPECT_EQ(25.0f, power);
    axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -32768);
    run_frames(1);
    EXPECT_EQ(1, airborne);
    EXPECT_EQ(0, charging);
    EXPECT_LT(player.vx, 0.0f);
    EXPECT_LT(player.vy, 0.0f);
}

TEST_F(Gamepad, MergesWithTheKeyboardAndLetsGoWhenUnplugged) {
    feed_key(VK_RETURN, false);
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = SDL_SCANCODE_LEFT;
    SDL_PushEvent(&e);
    press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    press(SDL_CONTROLLER_BUTTON_A, true);
    press(SDL_CONTROLLER_BUTTON_BACK, true);
    pump();
    EXPECT_EQ(1, key_is_down(VK_LEFT));
    EXPECT_EQ(1, key_is_down(VK_ESCAPE));
    EXPECT_EQ(1, mouse_button_down(0));
    press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
    pump();
    EXPECT_EQ(1, key_is_down(VK_LEFT));  // still held on the keyboard

    SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
    SDL_JoystickDetachVirtual(index_);
    index_ = -1;
    pump();
    EXPECT_EQ(0, key_is_down(VK_ESCAPE));
    EXPECT_EQ(0, mouse_button_down(0));
    EXPECT_EQ(1, key_is_down(VK_LEFT));
}
