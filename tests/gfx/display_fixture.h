// A window and a display for the tests that draw: full screen 1280 x 1024 at 8
// bits unless a test asks for another mode. No backend: nothing is shown and the
// clock is virtual.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gfx/display.h"
#include "platform/system/backend.h"
#include "platform/system/win32.h"

inline LRESULT fixture_window_proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    return def_window_proc(hwnd, msg, w, l);
}

inline HWND open_test_window() {
    reset_window_system();
    set_backend(nullptr);
    WNDCLASSEX wc{};
    wc.lpfnWndProc = fixture_window_proc;
    wc.lpszClassName = "TESTCLASS";
    register_class_ex(&wc);
    return create_window_ex(0, "TESTCLASS", "test", WS_POPUP, 0, 0, 1280, 1024, nullptr, nullptr,
                            nullptr, nullptr);
}

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, open_test_window());
        ASSERT_EQ(1, display_init(1280, 1024, 8, 0));
    }
    void TearDown() override {
        display_shutdown();
        reset_window_system();
    }
};

// The bytes of a surface, row by row, width x bytes per pixel each.
inline std::vector<std::uint8_t> surface_bytes(DirectDrawSurface* s) {
    DDSURFACEDESC2 d{};
    std::vector<std::uint8_t> out;
    if (s->lock(nullptr, &d, DDLOCK_WAIT, nullptr) < 0) return out;
    std::size_t row = static_cast<std::size_t>(s->width()) * s->bytes_per_pixel();
    for (int y = 0; y < s->height(); ++y) {
        const auto* p = static_cast<const std::uint8_t*>(d.lpSurface) + y * d.lPitch;
        out.insert(out.end(), p, p + row);
    }
    s->unlock(nullptr);
    return out;
}

// Pixel (x, y) of an 8-bit surface.
inline int pixel8(DirectDrawSurface* s, int x, int y) {
    DDSURFACEDESC2 d{};
    if (s->lock(nullptr, &d, DDLOCK_WAIT, nullptr) < 0) return -1;
    int v = static_cast<const std::uint8_t*>(d.lpSurface)[y * d.lPitch + x];
    s->unlock(nullptr);
    return v;
}
