// The controller table: the right stick's curve, the buttons and axes each
// backend reads into it, and the browser's standard layout.
#include "platform/backends/gamepad_map.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(GamepadCurve, DeadZoneThenFineAimThenASweep) {
    double vx = 0, vy = 0;
    pointer_velocity(6000, -3000, &vx, &vy);
    EXPECT_EQ(0.0, vx);
    EXPECT_EQ(0.0, vy);
    pointer_velocity(12000, 0, &vx, &vy);
    double slow = vx;
    pointer_velocity(32767, 0, &vx, &vy);
    double fast = vx;
    EXPECT_GT(slow, 0.0);
    EXPECT_LT(slow * 30, 1.0);    // under a pixel per frame just past the dead zone
    EXPECT_GT(fast * 500, 1280);  // across the screen in half a second at full tilt
    pointer_velocity(0, -32768, &vx, &vy);
    EXPECT_NEAR(-fast, vy, 1e-9);
    EXPECT_EQ(0.0, vx);
    EXPECT_EQ(0, stick_direction(12000));
    EXPECT_EQ(1, stick_direction(20000));
    EXPECT_EQ(-1, stick_direction(-32768));
}

// A browser's pad, as navigator.getGamepads() lists it in the standard layout.
struct BrowserPad {
    float buttons[17] = {};
    float axes[4] = {};
    PadReading read() const {
        PadReading r;
        pad_read(pad_state_from_standard(buttons, 17, axes, 4), &r);
        return r;
    }
};

TEST(GamepadMap, StandardLayoutPlaysAsTheKeyboardAndMouse) {
    BrowserPad pad;
    PadReading rest = pad.read();
    EXPECT_FALSE(rest.left || rest.right || rest.up || rest.down || rest.enter || rest.escape ||
                 rest.fire);
    EXPECT_EQ(0.0, rest.vx);

    pad.buttons[14] = 1;  // d-pad left
    pad.buttons[9] = 1;   // Start
    pad.buttons[8] = 1;   // Back
    PadReading r = pad.read();
    EXPECT_TRUE(r.left && r.enter && r.escape);
    EXPECT_FALSE(r.right || r.fire);

    pad = {};
    pad.axes[0] = 0.3f;  // the left stick within the arrows' dead zone
    pad.axes[1] = 0.9f;
    pad.buttons[7] = 0.2f;  // the right trigger touched, not pulled
    r = pad.read();
    EXPECT_FALSE(r.right || r.fire);
    EXPECT_TRUE(r.down);
    pad.axes[0] = 0.5f;
    pad.buttons[7] = 0.3f;
    r = pad.read();
    EXPECT_TRUE(r.right && r.fire);
    pad.buttons[7] = 0;
    pad.buttons[0] = 1;  // the south button charges too
    EXPECT_TRUE(pad.read().fire);
    pad.buttons[6] = 1;  // the left trigger does nothing
    pad.buttons[0] = 0;
    EXPECT_FALSE(pad.read().fire);

    // The right stick moves the pointer as a controller's own stick does.
    pad = {};
    pad.axes[2] = -1;
    pad.axes[3] = 1;
    double vx = 0, vy = 0;
    pointer_velocity(-32768, 32767, &vx, &vy);
    r = pad.read();
    EXPECT_EQ(vx, r.vx);
    EXPECT_EQ(vy, r.vy);
}

TEST(GamepadMap, OddBrowserValuesReadAsRestOrTheirLimit) {
    float wild[17];
    for (float& v : wild) v = NAN;
    float axes[4] = {-7.0f, NAN, 3.0f, 0.0f};
    PadState pad = pad_state_from_standard(wild, 17, axes, 4);
    for (bool held : pad.buttons) EXPECT_FALSE(held);
    EXPECT_EQ(-32768, pad.axes[static_cast<int>(PadAxis::left_x)]);
    EXPECT_EQ(0, pad.axes[static_cast<int>(PadAxis::left_y)]);
    EXPECT_EQ(32767, pad.axes[static_cast<int>(PadAxis::right_x)]);
    EXPECT_EQ(0, pad.axes[static_cast<int>(PadAxis::trigger_right)]);
    // a pad with fewer buttons and axes than the layout, and none at all
    float two[2] = {1, 0};
    pad = pad_state_from_standard(two, 2, axes, 1);
    EXPECT_TRUE(pad.buttons[static_cast<int>(PadButton::south)]);
    EXPECT_EQ(0, pad.axes[static_cast<int>(PadAxis::trigger_right)]);
    EXPECT_EQ(0, pad.axes[static_cast<int>(PadAxis::right_x)]);
    pad = pad_state_from_standard(nullptr, 17, nullptr, 4);
    EXPECT_FALSE(pad.buttons[static_cast<int>(PadButton::south)]);
}

TEST(GamepadMap, MotionKeepsTheFractionUntilTheStickRests) {
    PadReading r;
    r.vx = 0.25;
    r.vy = -0.5;
    PadCarry carry;
    std::int32_t dx = 0, dy = 0;
    pad_motion(r, 2, &carry, &dx, &dy);  // half a pixel right, one up
    EXPECT_EQ(0, dx);
    EXPECT_EQ(-1, dy);
    pad_motion(r, 2, &carry, &dx, &dy);
    EXPECT_EQ(1, dx);
    EXPECT_EQ(-2, dy);
    pad_motion(r, 1000, &carry, &dx, &dy);  // a stalled read counts as a tenth of a second
    EXPECT_EQ(26, dx);
    EXPECT_EQ(-52, dy);
    pad_motion(r, 2, &carry, &dx, &dy);
    pad_motion(PadReading{}, 2, &carry, &dx, &dy);  // at rest: the half pixel is dropped
    EXPECT_EQ(0.0, carry.x);
}
