/// @file
/// What the backends feed in and the platform's services read: the key state,
/// the mouse's motion and buttons, and the window's paint and close requests.
/// A backend writes here while it pumps; the window system, the mouse device
/// and the recorder read it. Nothing here calls anything.
/// @ingroup window_input
#pragma once

#include <cstdint>

/// @addtogroup window_input
/// @{

// ---- what a backend feeds in -------------------------------------------------

/// Who feeds: a backend from its devices, or the platform itself (a script that
/// plays, the frame limit). While a script plays, what the devices feed is dropped.
enum class FeedSource {
    device,   ///< the backend, from its keyboard, mouse, controllers or window
    platform  ///< the platform itself: a script that plays, the frame limit
};

/// sets the key's down state; codes outside 0..255 are ignored
void feed_key(int vk, bool down, FeedSource from = FeedSource::device);
/// lifts every key
void feed_release_all_keys(FeedSource from = FeedSource::device);
/// adds relative pointer motion, reported at the mouse device's next read
void feed_mouse_motion(std::int32_t dx, std::int32_t dy, FeedSource from = FeedSource::device);
/// sets a mouse button's state, button 0..3
void feed_mouse_button(int button, bool down, FeedSource from = FeedSource::device);
/// asks for a WM_PAINT, as an uncovered window does
void feed_paint_request();
/// asks the window to close (its close button), as WM_CLOSE
void feed_close_request();

/// drops the devices' keys, buttons and motion from now on (true), or takes them
/// again (false); the window's paint and close requests always come through
void ignore_device_input(bool ignore);
/// 1 while the devices' input is dropped
int device_input_ignored();

// ---- what the services read ----------------------------------------------------

/// 1 while the key (0..255) is down, else 0 (also for codes outside the range)
int key_is_down(int vk);
/// 1 while the button (0..3) is down
int mouse_button_down(int button);
/// the motion fed in since the mouse device's previous read; starts again from zero
void take_device_motion(std::int32_t* dx, std::int32_t* dy);
/// drops the motion fed in since the device's previous read
void drop_device_motion();
/// the motion fed in since the previous call (for recording passes)
void take_pass_motion(std::int32_t* dx, std::int32_t* dy);
/// 1 when a paint request was fed in since the previous call, else 0
int take_paint_request();
/// close requests fed in since the previous call; the count starts again
int take_close_requests();

/// every key up and no window request pending (the window system's reset)
void reset_keys_and_requests();
/// every button up and no motion pending (the mouse device's reset)
void reset_mouse_feed();

/// @}
