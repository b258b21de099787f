// Opening and closing SDL game controllers as they come and go, and reading
// them all, through the controller table, into one set of keys, one button
// and one pointer motion.
#include "platform/backends/sdl/sdl_gamepad.h"

#include <iterator>

namespace {

// Where each named button and axis is among SDL's.
constexpr SDL_GameControllerButton kButtons[] = {
    SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,         SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_BACK,      SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_DPAD_UP,   SDL_CONTROLLER_BUTTON_DPAD_DOWN,
    SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_DPAD_RIGHT};
constexpr SDL_GameControllerAxis kAxes[] = {
    SDL_CONTROLLER_AXIS_LEFTX,  SDL_CONTROLLER_AXIS_LEFTY,       SDL_CONTROLLER_AXIS_RIGHTX,
    SDL_CONTROLLER_AXIS_RIGHTY, SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT};
static_assert(std::size(kButtons) == static_cast<std::size_t>(PadButton::count));
static_assert(std::size(kAxes) == static_cast<std::size_t>(PadAxis::count));

PadState state_of(SDL_GameController* c) {
    PadState pad;
    for (std::size_t i = 0; i < std::size(kButtons); ++i)
        pad.buttons[i] = SDL_GameControllerGetButton(c, kButtons[i]) != 0;
    for (std::size_t i = 0; i < std::size(kAxes); ++i)
        pad.axes[i] = SDL_GameControllerGetAxis(c, kAxes[i]);
    return pad;
}

}  // namespace

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
    pads.carry = PadCarry{};
    return 1;
}

int gamepad_read(Gamepads& pads, std::uint32_t elapsed_ms, PadReading* reading, std::int32_t* dx,
                 std::int32_t* dy) {
    *reading = PadReading{};
    for (SDL_GameController* c : pads.open) pad_read(state_of(c), reading);
    pad_motion(*reading, elapsed_ms, &pads.carry, dx, dy);
    return static_cast<int>(pads.open.size());
}
