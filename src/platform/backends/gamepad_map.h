/// @file
/// What a game controller does in the game, for every backend that reads one:
/// the d-pad and the left stick as the arrow keys, Start as Enter, Back as
/// Escape, the south button or the right trigger as the left mouse button, and
/// the right stick as relative pointer motion. One table holds it, so that a
/// controller plays the same in a window (SDL's game controllers) and in a
/// browser (the Gamepad API's standard layout). Needs nothing.
/// @ingroup backends
#pragma once

#include <cstdint>

/// @addtogroup backends
/// @{

/// A controller's buttons, named by where they sit on the common layout.
enum class PadButton {
    south,       ///< the lowest of the four face buttons (A on most pads)
    east,        ///< the right face button
    west,        ///< the left face button
    north,       ///< the top face button
    back,        ///< the small button left of the centre (Back, Select, View)
    start,       ///< the small button right of the centre (Start, Menu)
    dpad_up,     ///< the d-pad's up
    dpad_down,   ///< the d-pad's down
    dpad_left,   ///< the d-pad's left
    dpad_right,  ///< the d-pad's right
    count        ///< how many there are
};

/// A controller's axes: the sticks from -32768 to 32767 (right and down
/// positive), the triggers from 0 (let go) to 32767 (pulled all the way).
enum class PadAxis {
    left_x,         ///< the left stick, across
    left_y,         ///< the left stick, up and down
    right_x,        ///< the right stick, across
    right_y,        ///< the right stick, up and down
    trigger_left,   ///< the left trigger
    trigger_right,  ///< the right trigger
    count           ///< how many there are
};

/// One controller as it is held now.
struct PadState {
    bool buttons[static_cast<int>(PadButton::count)] = {};  ///< held, by PadButton
    int axes[static_cast<int>(PadAxis::count)] = {};        ///< by PadAxis
};

/// What the controllers hold together, as the keyboard and the mouse give it.
struct PadReading {
    bool left = false, right = false, up = false, down = false;  ///< the arrow keys
    bool enter = false, escape = false;  ///< Enter (Start) and Escape (Back)
    bool fire = false;                   ///< the left mouse button
    double vx = 0.0, vy = 0.0;           ///< the pointer's speed, pixels per millisecond
};

/// The pointer motion's fraction of a pixel not yet given.
struct PadCarry {
    double x = 0.0, y = 0.0;  ///< in pixels
};

/// Pointer speed for a stick's deflection (each axis -32768..32767): pixels
/// per millisecond on each axis, zero inside the dead zone, then rising as a
/// power of the deflection beyond it up to a sweep across the screen in about
/// half a second at full deflection
void pointer_velocity(int axis_x, int axis_y, double* vx, double* vy);
/// -1, 0 or 1 for an axis value, 0 within the arrow keys' dead zone
int stick_direction(int axis);

/// adds what one controller holds to *reading (a key held on any controller is
/// held; the pointer speeds add up); nothing for a null reading
void pad_read(const PadState& pad, PadReading* reading);
/// the pointer motion of reading over elapsed_ms milliseconds (at most a tenth
/// of a second, so that a stalled read does not fling the pointer) added to
/// *dx, *dy in whole pixels, the fraction kept in carry (and dropped when the
/// stick is at rest)
void pad_motion(const PadReading& reading, std::uint32_t elapsed_ms, PadCarry* carry,
                std::int32_t* dx, std::int32_t* dy);

/// A controller as a browser gives it in the Gamepad API's "standard" layout:
/// buttons[i] is button i's value (0 let go .. 1 pressed; the triggers are
/// buttons 6 and 7), axes[i] axis i's (-1 .. 1: left stick x and y, right
/// stick x and y). Counts may be short (what is missing is at rest); values
/// outside their range are clamped and NaN counts as rest. Returns the state.
PadState pad_state_from_standard(const float* buttons, int button_count, const float* axes,
                                 int axis_count);

/// @}
