/// @file
/// The virtual key codes: the numbers the key state is indexed by, as published.
/// @ingroup window_input
#pragma once

/// @addtogroup window_input
/// @{

// Letters and digits are their upper-case ASCII codes: 'A' is 0x41, '0' is 0x30.

constexpr int VK_BACK = 0x08;      ///< Backspace
constexpr int VK_TAB = 0x09;       ///< Tab
constexpr int VK_RETURN = 0x0D;    ///< Enter
constexpr int VK_SHIFT = 0x10;     ///< either Shift
constexpr int VK_CONTROL = 0x11;   ///< either Ctrl
constexpr int VK_MENU = 0x12;      ///< either Alt
constexpr int VK_ESCAPE = 0x1B;    ///< Escape
constexpr int VK_SPACE = 0x20;     ///< the space bar
constexpr int VK_LEFT = 0x25;      ///< left arrow
constexpr int VK_UP = 0x26;        ///< up arrow
constexpr int VK_RIGHT = 0x27;     ///< right arrow
constexpr int VK_DOWN = 0x28;      ///< down arrow
constexpr int VK_LSHIFT = 0xA0;    ///< left Shift
constexpr int VK_RSHIFT = 0xA1;    ///< right Shift
constexpr int VK_LCONTROL = 0xA2;  ///< left Ctrl
constexpr int VK_RCONTROL = 0xA3;  ///< right Ctrl
constexpr int VK_LMENU = 0xA4;     ///< left Alt
constexpr int VK_RMENU = 0xA5;     ///< right Alt

/// @}
