// The one table of what a controller's buttons and axes do in the game, and
// the standard browser layout read into named buttons and axes.
#include "platform/backends/gamepad_map.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr int kArrowDeadZone = 13000;          // of 32767: a stick pushed under 40% is no arrow
constexpr double kPointerDeadZone = 7000;      // the right stick's rest, radially
constexpr double kPointerExponent = 3.0;       // fine aim near the dead zone
constexpr double kPointerTopSpeed = 2.6;       // pixels per ms at full deflection
constexpr int kTriggerDown = 8000;             // of 32767: the trigger counts as pulled
constexpr std::uint32_t kLongestStepMs = 100;  // a stalled read moves no further than this
constexpr float kButtonDown = 0.5f;            // a browser's button value that counts as held

// What each key of the keyboard and the mouse comes from: buttons, and a stick
// axis pushed past the arrow keys' dead zone one way (-1) or the other (1).
enum class Action { left, right, up, down, enter, escape, fire };
struct ButtonAction {
    PadButton button;
    Action action;
};
struct AxisAction {
    PadAxis axis;
    int direction;
    Action action;
};
constexpr ButtonAction kButtons[] = {
    {PadButton::dpad_left, Action::left}, {PadButton::dpad_right, Action::right},
    {PadButton::dpad_up, Action::up},     {PadButton::dpad_down, Action::down},
    {PadButton::start, Action::enter},    {PadButton::back, Action::escape},
    {PadButton::south, Action::fire},
};
constexpr AxisAction kSticks[] = {
    {PadAxis::left_x, -1, Action::left},
    {PadAxis::left_x, 1, Action::right},
    {PadAxis::left_y, -1, Action::up},
    {PadAxis::left_y, 1, Action::down},
};
constexpr PadAxis kFireTrigger = PadAxis::trigger_right;
constexpr PadAxis kPointerX = PadAxis::right_x, kPointerY = PadAxis::right_y;

bool& held(PadReading* r, Action a) {
    switch (a) {
        case Action::left:
            return r->left;
        case Action::right:
            return r->right;
        case Action::up:
            return r->up;
        case Action::down:
            return r->down;
        case Action::enter:
            return r->enter;
        case Action::escape:
            return r->escape;
        case Action::fire:
            break;
    }
    return r->fire;
}

int axis(const PadState& pad, PadAxis a) {
    return pad.axes[static_cast<int>(a)];
}

// The browser's standard layout: where each named button and axis sits.
constexpr PadButton kStandardButtons[] = {
    PadButton::south,   PadButton::east,      PadButton::west,      PadButton::north,
    PadButton::count,   PadButton::count,     PadButton::count,     PadButton::count,
    PadButton::back,    PadButton::start,     PadButton::count,     PadButton::count,
    PadButton::dpad_up, PadButton::dpad_down, PadButton::dpad_left, PadButton::dpad_right,
};
constexpr int kStandardLeftTrigger = 6, kStandardRightTrigger = 7;
constexpr PadAxis kStandardAxes[] = {PadAxis::left_x, PadAxis::left_y, PadAxis::right_x,
                                     PadAxis::right_y};

float unit(float value, float low) {
    return std::isnan(value) ? 0.0f : std::clamp(value, low, 1.0f);
}

}  // namespace

void pointer_velocity(int axis_x, int axis_y, double* vx, double* vy) {
    double x = axis_x, y = axis_y;
    double length = std::sqrt(x * x + y * y);
    *vx = *vy = 0.0;
    if (length <= kPointerDeadZone) return;
    double beyond = std::min(1.0, (length - kPointerDeadZone) / (32767.0 - kPointerDeadZone));
    double speed = kPointerTopSpeed * std::pow(beyond, kPointerExponent);
    *vx = speed * x / length;
    *vy = speed * y / length;
}

int stick_direction(int axis) {
    return axis <= -kArrowDeadZone ? -1 : axis >= kArrowDeadZone ? 1 : 0;
}

void pad_read(const PadState& pad, PadReading* reading) {
    if (!reading) return;
    for (const ButtonAction& b : kButtons)
        if (pad.buttons[static_cast<int>(b.button)]) held(reading, b.action) = true;
    for (const AxisAction& s : kSticks)
        if (stick_direction(axis(pad, s.axis)) == s.direction) held(reading, s.action) = true;
    if (axis(pad, kFireTrigger) >= kTriggerDown) reading->fire = true;
    double vx = 0.0, vy = 0.0;
    pointer_velocity(axis(pad, kPointerX), axis(pad, kPointerY), &vx, &vy);
    reading->vx += vx;
    reading->vy += vy;
}

void pad_motion(const PadReading& reading, std::uint32_t elapsed_ms, PadCarry* carry,
                std::int32_t* dx, std::int32_t* dy) {
    if (!carry || !dx || !dy) return;
    double ms = std::min(elapsed_ms, kLongestStepMs);
    if (reading.vx == 0.0 && reading.vy == 0.0) carry->x = carry->y = 0.0;
    carry->x += reading.vx * ms;
    carry->y += reading.vy * ms;
    double whole_x = std::trunc(carry->x), whole_y = std::trunc(carry->y);
    carry->x -= whole_x;
    carry->y -= whole_y;
    *dx += static_cast<std::int32_t>(whole_x);
    *dy += static_cast<std::int32_t>(whole_y);
}

PadState pad_state_from_standard(const float* buttons, int button_count, const float* axes,
                                 int axis_count) {
    PadState pad;
    constexpr int kNamed = static_cast<int>(std::size(kStandardButtons));
    for (int i = 0; buttons && i < std::min(button_count, kNamed); ++i) {
        PadButton b = kStandardButtons[i];
        if (b != PadButton::count)
            pad.buttons[static_cast<int>(b)] = unit(buttons[i], 0) >= kButtonDown;
    }
    auto trigger = [&](int i) {
        return buttons && i < button_count ? static_cast<int>(unit(buttons[i], 0) * 32767.0f) : 0;
    };
    pad.axes[static_cast<int>(PadAxis::trigger_left)] = trigger(kStandardLeftTrigger);
    pad.axes[static_cast<int>(PadAxis::trigger_right)] = trigger(kStandardRightTrigger);
    constexpr int kAxes = static_cast<int>(std::size(kStandardAxes));
    for (int i = 0; axes && i < std::min(axis_count, kAxes); ++i) {
        float v = unit(axes[i], -1.0f);
        // -1 .. 1 onto -32768 .. 32767, as a controller's own axis reads
        pad.axes[static_cast<int>(kStandardAxes[i])] =
            static_cast<int>(v < 0 ? v * 32768.0f : v * 32767.0f);
    }
    return pad;
}
