/// @file
/// Physical keys to virtual key codes, for every backend that reads a keyboard.
/// A key is named by where it sits, not by what it types: by its USB HID usage
/// (which SDL's scancodes are) or by the name browsers give it in a keyboard
/// event's `code` ("KeyA", "ArrowLeft"). One table holds both, so that the same
/// key gives the same code in a window and in a browser. Needs nothing.
/// @ingroup backends
#pragma once

/// @addtogroup backends
/// @{

/// the virtual key of the key with this USB HID usage (keyboard page); -1 for a
/// key the game has no code for
int vk_from_usb_usage(int usage);
/// the virtual key of the key a browser names so (KeyboardEvent.code); -1 for an
/// unknown name or null
int vk_from_key_code(const char* code);

/// @}
