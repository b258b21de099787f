/// @file
/// The handle and record types that the platform's services share: windows,
/// instances, stock objects and device contexts as opaque handles, the message
/// parameters, points, rectangles, palette entries, colours and result codes.
/// @ingroup window_input
#pragma once

#include <cstdint>

/// @addtogroup window_input
/// @{

struct WindowRecord;
using HWND = WindowRecord*;      ///< a window; null is "none"
using HINSTANCE = void*;         ///< the program instance; opaque
using HICON = void*;             ///< stock icon handle; opaque
using HCURSOR = void*;           ///< stock pointer handle; opaque
using HBRUSH = void*;            ///< stock brush handle; opaque
using HDC = void*;               ///< device context handle; opaque
using WPARAM = std::uintptr_t;   ///< a message's first parameter
using LPARAM = std::intptr_t;    ///< a message's second parameter
using LRESULT = std::intptr_t;   ///< what a window procedure answers
using UINT = std::uint32_t;      ///< message codes and flags
using ATOM = std::uint16_t;      ///< a registered class; 0 is "none"
using HRESULT = std::int32_t;    ///< 0 or positive: success; negative: an error code
using COLORREF = std::uint32_t;  ///< red in the low byte, then green, then blue

/// A point, in pixels.
struct POINT {
    std::int32_t x, y;  ///< column and row
};

/// A rectangle, in pixels: the right and bottom edges are not part of it.
struct RECT {
    std::int32_t left, top, right, bottom;  ///< left and top inside it, right and bottom past it
};

/// One palette entry.
struct PALETTEENTRY {
    std::uint8_t peRed, peGreen, peBlue, peFlags;  ///< red, green, blue (0..255) and PC_ flags
};

/// @}
