/// @file
/// What the devices of a window backend hold, merged before it reaches the
/// input feed: a key is down while the keyboard (or the page's touch controls)
/// or a controller holds it, the left button while the mouse (or a finger on
/// the picture) or a controller does. Uses input_feed and gamepad_map.
/// @ingroup backends
#pragma once

#include "platform/backends/gamepad_map.h"

/// @addtogroup backends
/// @{

/// The keys and buttons each device holds; every change that moves the merged
/// state is fed on at once.
class HeldInput {
public:
    /// The keyboard pressed or let go of virtual key `vk` (0..255; others are ignored).
    void set_key(int vk, bool down);
    /// The mouse pressed or let go of `button` (0 left, 1 right, 2 middle, 3; others ignored).
    void set_button(int button, bool down);
    /// What the controllers hold now: their arrows, Enter, Escape and left button.
    void set_pad(const PadReading& reading);
    /// Lets go of everything every device holds (focus lost, a controller unplugged).
    void release_all();

private:
    bool keyboard_[256] = {};
    bool pad_keys_[256] = {};
    bool mouse_buttons_[4] = {};
    bool pad_fire_ = false;
};

/// @}
