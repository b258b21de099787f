// The mouse device. Motion fed in by the backend piles up until the next read,
// which hands it out and starts again from zero; the buttons are their state now.
#include "platform/system/dinput.h"

#include <cstring>

#include "platform/system/input_feed.h"

const DataFormat c_dfDIMouse = {sizeof(DIMOUSESTATE)};

namespace {

DirectInput* input_object = nullptr;
MouseDevice* mouse_device = nullptr;

}  // namespace

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
    if (!acquired_) drop_device_motion();
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
    take_device_motion(&s.lX, &s.lY);
    for (int i = 0; i < 4; ++i) s.rgbButtons[i] = mouse_button_down(i) ? 0x80 : 0;
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
    reset_mouse_feed();
}
