// The handle and record types that the platform's services share: windows,
// instances, stock objects and device contexts as opaque handles, the message
// parameters, points, rectangles, palette entries, colours and result codes.
#pragma once

#include <cstdint>

struct WindowRecord;
using HWND = WindowRecord*;  // a window; null is "none"
using HINSTANCE = void*;     // the program instance; opaque
using HICON = void*;         // stock icon handle; opaque
using HCURSOR = void*;       // stock pointer handle; opaque
using HBRUSH = void*;        // stock brush handle; opaque
using HDC = void*;           // device context handle; opaque
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT = std::uint32_t;
using ATOM = std::uint16_t;
using HRESULT = std::int32_t;    // 0 or positive: success; negative: an error code
using COLORREF = std::uint32_t;  // red in the low byte, then green, then blue

struct POINT {
    std::int32_t x, y;
};

struct RECT {
    std::int32_t left, top, right, bottom;
};

struct PALETTEENTRY {
    std::uint8_t peRed, peGreen, peBlue, peFlags;
};
