/// @file
/// Game controllers through SDL's game controller API, read into what the
/// keyboard and mouse give: the d-pad and left stick as the arrow keys, Start
/// as Enter, Back as Escape, the right trigger or the south button as the left
/// mouse button, and the right stick as relative pointer motion.
/// @ingroup backends
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

/// @addtogroup backends
/// @{

/// What the open controllers hold together in one read.
struct PadReading {
    bool left = false, right = false, up = false, down = false;  ///< the arrow keys
    bool enter = false, escape = false;  ///< Enter (Start) and Escape (Back)
    bool fire = false;                   ///< the left mouse button
};

/// The open controllers and the pointer motion's fraction of a pixel.
struct Gamepads {
    std::vector<SDL_GameController*> open;  ///< the controllers open, in the order opened
    double carry_x = 0.0, carry_y = 0.0;    ///< motion not yet fed, in pixels
};

/// Pointer speed for a stick's deflection (each axis -32768..32767): pixels
/// per millisecond on each axis, zero inside the dead zone, then rising as a
/// power of the deflection beyond it up to a sweep across the screen in about
/// half a second at full deflection
void pointer_velocity(int axis_x, int axis_y, double* vx, double* vy);
/// -1, 0 or 1 for an axis value, 0 within the arrow keys' dead zone
int stick_direction(int axis);

/// opens the controller at SDL device index; 1, or 0 when it is not a game
/// controller, cannot be opened or is open already
int gamepad_open(Gamepads& pads, int device_index);
/// closes the controller of that joystick instance; 1, or 0 when none is open
int gamepad_close(Gamepads& pads, SDL_JoystickID instance);
/// closes every controller; returns 1
int gamepad_close_all(Gamepads& pads);
/// what the controllers hold now; motion over elapsed_ms milliseconds is added
/// to *dx, *dy in whole pixels (the fraction is kept for the next read);
/// returns the number of open controllers
int gamepad_read(Gamepads& pads, std::uint32_t elapsed_ms, PadReading* reading, std::int32_t* dx,
                 std::int32_t* dy);

/// @}
