// The mouse device. Motion fed in by the backend piles up until the next read,
// which hands it out and starts again from zero; the buttons are their state now.
#include "platform/dinput.h"

#include <cstring>

#include "platform/backend.h"

const DataFormat c_dfDIMouse = {sizeof(DIMOUSESTATE)};

namespace {

DirectInput* input_object = nullptr;
MouseDevice* mouse_device = nullptr;
std::int32_t motion_x = 0, motion_y = 0;            // since the device's last read
std::int32_t pass_motion_x = 0, pass_motion_y = 0;  // since the recorder's last pass
bool buttons[4] = {};

// Adds without overflowing: a motion that piles up for ever stops at the ends.
std::int32_t saturating_add(std::int32_t a, std::int32_t b) {
    std::int64_t sum = static_cast<std::int64_t>(a) + b;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(sum);
}

}  // namespace

void feed_mouse_motion(std::int32_t dx, std::int32_t dy) {
    motion_x = saturating_add(motion_x, dx);
    motion_y = saturating_add(motion_y, dy);
    pass_motion_x = saturating_add(pass_motion_x, dx);
    pass_motion_y = saturating_add(pass_motion_y, dy);
}

void feed_mouse_button(int button, bool down) {
    if (button >= 0 && button < 4) buttons[button] = down;
}

void take_pass_motion(std::int32_t* dx, std::int32_t* dy) {
    if (dx) *dx = pass_motion_x;
    if (dy) *dy = pass_motion_y;
    pass_motion_x = pass_motion_y = 0;
}

int mouse_button_down(int button) {
    return button >= 0 && button < 4 && buttons[button] ? 1 : 0;
}

std::int32_t MouseDevice::set_cooperative_level(HWND, std::uint32_t flags) {
    return flags == 0 ? DIERR_INVALIDPARAM : DI_OK;
}

std::int32_t MouseDevice::set_data_format(const DataFormat* format) {
    if (!format || format->size != sizeof(DIMOUSESTATE)) return DIERR_INVALIDPARAM;
    format_set_ = true;
    return DI_OK;
}

std::int32_t MouseDevice::acquire() {
    if (!format_set_) return DIERR_INVALIDPARAM;
    if (!acquired_) motion_x = motion_y = 0;
    acquired_ = true;
    return DI_OK;
}

std::int32_t MouseDevice::unacquire() {
    acquired_ = false;
    return DI_OK;
}

std::int32_t MouseDevice::get_device_state(std::uint32_t size, void* state) {
    if (!state || size != sizeof(DIMOUSESTATE)) return DIERR_INVALIDPARAM;
    if (!acquired_) return DIERR_NOTACQUIRED;
    DIMOUSESTATE s{};
    s.lX = motion_x;
    s.lY = motion_y;
    for (int i = 0; i < 4; ++i) s.rgbButtons[i] = buttons[i] ? 0x80 : 0;
    motion_x = motion_y = 0;
    std::memcpy(state, &s, sizeof s);
    return DI_OK;
}

std::int32_t DirectInput::create_device(int device, MouseDevice** out) {
    if (!out || device != GUID_SysMouse) return DIERR_INVALIDPARAM;
    if (!mouse_device) mouse_device = new MouseDevice;
    *out = mouse_device;
    return DI_OK;
}

std::int32_t direct_input8_create(HINSTANCE, std::uint32_t version, DirectInput** out) {
    if (!out || version != DIRECTINPUT_VERSION) return DIERR_INVALIDPARAM;
    if (!input_object) input_object = new DirectInput;
    *out = input_object;
    return DI_OK;
}

void reset_direct_input() {
    delete mouse_device;
    delete input_object;
    mouse_device = nullptr;
    input_object = nullptr;
    motion_x = motion_y = pass_motion_x = pass_motion_y = 0;
    for (bool& b : buttons) b = false;
}
