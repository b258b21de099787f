/// @file
/// Game controllers through SDL's game controller API, opened and closed as
/// they come and go, and read through the controller table (gamepad_map) into
/// what the keyboard and mouse give.
/// @ingroup backends
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "platform/backends/gamepad_map.h"

/// @addtogroup backends
/// @{

/// The open controllers and the pointer motion's fraction of a pixel.
struct Gamepads {
    std::vector<SDL_GameController*> open;  ///< the controllers open, in the order opened
    PadCarry carry;                         ///< motion not yet fed
};

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
