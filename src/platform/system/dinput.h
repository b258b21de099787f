/// @file
/// The mouse device: relative motion since the previous read and four button
/// bytes, read once per frame whether or not the window has the focus.
/// @ingroup window_input
#pragma once

#include <cstdint>

#include "platform/system/types.h"

/// @addtogroup window_input
/// @{

/// One read of the mouse.
struct DIMOUSESTATE {
    std::int32_t lX, lY, lZ;     ///< motion since the previous read (x, y, wheel)
    std::uint8_t rgbButtons[4];  ///< 0x80 while the button is down
};

constexpr std::uint32_t DIRECTINPUT_VERSION = 0x0800;  ///< the version direct_input8_create takes
// Sharing flags of set_cooperative_level: recorded; any of them will do.
constexpr std::uint32_t DISCL_EXCLUSIVE = 0x1;     ///< sharing: no other program reads it
constexpr std::uint32_t DISCL_NONEXCLUSIVE = 0x2;  ///< sharing: others may read it too
constexpr std::uint32_t DISCL_FOREGROUND = 0x4;    ///< sharing: only while the window is in front
constexpr std::uint32_t DISCL_BACKGROUND = 0x8;    ///< sharing: whether or not it is in front
constexpr std::int32_t DI_OK = 0;                  ///< success

/// a null pointer, a bad size or flags, a format not set, another device or version
constexpr std::int32_t DIERR_INVALIDPARAM = static_cast<std::int32_t>(0x80070057u);
/// a read of a device that is not acquired
constexpr std::int32_t DIERR_NOTACQUIRED = static_cast<std::int32_t>(0x8007000Cu);

/// The layout of a device's state record.
struct DataFormat {
    std::uint32_t size;  ///< bytes of one state record
};
extern const DataFormat c_dfDIMouse;  ///< the published mouse format: 16-byte DIMOUSESTATE

/// The system mouse, the one device there is.
class MouseDevice {
public:
    /// records the window and the sharing flags; DI_OK, or invalid for no flags
    std::int32_t set_cooperative_level(HWND hwnd, std::uint32_t flags);
    /// only the mouse format is known; DI_OK, or invalid for null or another size
    std::int32_t set_data_format(const DataFormat* format);
    /// reading may begin; the motion so far is dropped
    std::int32_t acquire();
    /// reading ends until the next acquire; DI_OK
    std::int32_t unacquire();
    /// fills size bytes of state (16 for DIMOUSESTATE) with the motion since the
    /// previous read and the buttons now; not acquired or a bad size: an error
    std::int32_t get_device_state(std::uint32_t size, void* state);

private:
    bool acquired_ = false;
    bool format_set_ = false;
};

/// The input object: it hands out the mouse device.
class DirectInput {
public:
    /// the system mouse, or null for any other device name
    std::int32_t create_device(int device, MouseDevice** out);
};

constexpr int GUID_SysMouse = 1;  ///< the device name of the system mouse

/// the input object; DI_OK, or invalid for a wrong version or a null target
std::int32_t direct_input8_create(HINSTANCE instance, std::uint32_t version, DirectInput** out);
/// forgets the input object, its device and any motion not yet read
void reset_direct_input();

/// @}
