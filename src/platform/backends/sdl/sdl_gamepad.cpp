// Opening and closing SDL game controllers as they come and go, and reading
// them all into one set of keys, one button and one pointer motion.
#include "platform/backends/sdl/sdl_gamepad.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kArrowDeadZone = 13000;          // of 32767: a stick pushed under 40% is no arrow
constexpr double kPointerDeadZone = 7000;      // the right stick's rest, radially
constexpr double kPointerExponent = 3.0;       // fine aim near the dead zone
constexpr double kPointerTopSpeed = 2.6;       // pixels per ms at full deflection
constexpr int kTriggerDown = 8000;             // of 32767: the trigger counts as pulled
constexpr std::uint32_t kLongestStepMs = 100;  // a stalled read moves no further than this

bool button(SDL_GameController* c, SDL_GameControllerButton b) {
    return SDL_GameControllerGetButton(c, b) != 0;
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

int gamepad_open(Gamepads& pads, int device_index) {
    if (!SDL_IsGameController(device_index)) return 0;
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device_index);
    for (SDL_GameController* c : pads.open)
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c)) == id) return 0;
    SDL_GameController* c = SDL_GameControllerOpen(device_index);
    if (!c) return 0;
    pads.open.push_back(c);
    return 1;
}

int gamepad_close(Gamepads& pads, SDL_JoystickID instance) {
    for (std::size_t i = 0; i < pads.open.size(); ++i) {
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pads.open[i])) != instance)
            continue;
        SDL_GameControllerClose(pads.open[i]);
        pads.open.erase(pads.open.begin() + static_cast<std::ptrdiff_t>(i));
        return 1;
    }
    return 0;
}

int gamepad_close_all(Gamepads& pads) {
    for (SDL_GameController* c : pads.open) SDL_GameControllerClose(c);
    pads.open.clear();
    pads.carry_x = pads.carry_y = 0.0;
    return 1;
}

int gamepad_read(Gamepads& pads, std::uint32_t elapsed_ms, PadReading* reading, std::int32_t* dx,
                 std::int32_t* dy) {
    *reading = PadReading{};
    double ms = std::min(elapsed_ms, kLongestStepMs);
    double vx = 0.0, vy = 0.0;
    for (SDL_GameController* c : pads.open) {
        int lx = stick_direction(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX));
        int ly = stick_direction(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY));
        reading->left |= lx < 0 || button(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
        reading->right |= lx > 0 || button(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
        reading->up |= ly < 0 || button(c, SDL_CONTROLLER_BUTTON_DPAD_UP);
        reading->down |= ly > 0 || button(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
        reading->enter |= button(c, SDL_CONTROLLER_BUTTON_START);
        reading->escape |= button(c, SDL_CONTROLLER_BUTTON_BACK);
        reading->fire |=
            button(c, SDL_CONTROLLER_BUTTON_A) ||
            SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) >= kTriggerDown;
        double px = 0.0, py = 0.0;
        pointer_velocity(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTX),
                         SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTY), &px, &py);
        vx += px;
        vy += py;
    }
    if (vx == 0.0 && vy == 0.0) pads.carry_x = pads.carry_y = 0.0;
    pads.carry_x += vx * ms;
    pads.carry_y += vy * ms;
    double whole_x = std::trunc(pads.carry_x), whole_y = std::trunc(pads.carry_y);
    pads.carry_x -= whole_x;
    pads.carry_y -= whole_y;
    *dx += static_cast<std::int32_t>(whole_x);
    *dy += static_cast<std::int32_t>(whole_y);
    return static_cast<int>(pads.open.size());
}
