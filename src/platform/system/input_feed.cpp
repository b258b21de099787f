// The fed-in input state. Motion is kept twice: once for the mouse device,
// which hands it out at each read, and once for the recorder, which writes it
// down pass by pass. What the devices feed is dropped while they are ignored.
#include "platform/system/input_feed.h"

#include <cstring>

namespace {

std::uint8_t keys[256];
bool buttons[4] = {};
std::int32_t motion_x = 0, motion_y = 0;            // since the device's last read
std::int32_t pass_motion_x = 0, pass_motion_y = 0;  // since the recorder's last pass
bool paint_requested = false;
bool devices_ignored = false;
int close_requests = 0;

// Adds without overflowing: a motion that piles up for ever stops at the ends.
std::int32_t saturating_add(std::int32_t a, std::int32_t b) {
    std::int64_t sum = static_cast<std::int64_t>(a) + b;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(sum);
}

bool dropped(FeedSource from) {
    return from == FeedSource::device && devices_ignored;
}

}  // namespace

void feed_key(int vk, bool down, FeedSource from) {
    if (vk >= 0 && vk < 256 && !dropped(from)) keys[vk] = down ? 1 : 0;
}

void feed_release_all_keys(FeedSource from) {
    if (!dropped(from)) std::memset(keys, 0, sizeof keys);
}

void feed_mouse_motion(std::int32_t dx, std::int32_t dy, FeedSource from) {
    if (dropped(from)) return;
    motion_x = saturating_add(motion_x, dx);
    motion_y = saturating_add(motion_y, dy);
    pass_motion_x = saturating_add(pass_motion_x, dx);
    pass_motion_y = saturating_add(pass_motion_y, dy);
}

void feed_mouse_button(int button, bool down, FeedSource from) {
    if (button >= 0 && button < 4 && !dropped(from)) buttons[button] = down;
}

void ignore_device_input(bool ignore) {
    devices_ignored = ignore;
}

int device_input_ignored() {
    return devices_ignored ? 1 : 0;
}

void feed_paint_request() {
    paint_requested = true;
}

void feed_close_request() {
    ++close_requests;
}

int key_is_down(int vk) {
    return vk >= 0 && vk < 256 && keys[vk] ? 1 : 0;
}

int mouse_button_down(int button) {
    return button >= 0 && button < 4 && buttons[button] ? 1 : 0;
}

void take_device_motion(std::int32_t* dx, std::int32_t* dy) {
    if (dx) *dx = motion_x;
    if (dy) *dy = motion_y;
    motion_x = motion_y = 0;
}

void drop_device_motion() {
    motion_x = motion_y = 0;
}

void take_pass_motion(std::int32_t* dx, std::int32_t* dy) {
    if (dx) *dx = pass_motion_x;
    if (dy) *dy = pass_motion_y;
    pass_motion_x = pass_motion_y = 0;
}

int take_paint_request() {
    bool was = paint_requested;
    paint_requested = false;
    return was ? 1 : 0;
}

int take_close_requests() {
    int n = close_requests;
    close_requests = 0;
    return n;
}

void reset_keys_and_requests() {
    devices_ignored = false;
    feed_release_all_keys();
    paint_requested = false;
    close_requests = 0;
}

void reset_mouse_feed() {
    for (bool& b : buttons) b = false;
    motion_x = motion_y = pass_motion_x = pass_motion_y = 0;
}
