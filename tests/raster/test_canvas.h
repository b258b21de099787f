// Test helpers for the raster suites: a pixel buffer with a guard border that
// shows any write outside the drawing area, a fixture that sets the screen size
// and clip rectangle for a test and puts them back after, and a seeded generator.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/display.h"

// Memory of width x height pixels inside a guard border of `border` pixels on
// every side. The border holds `guard`, the inside `background`. Coordinates are
// those of the inside: (0, 0) is its top-left pixel, the border lies at negative
// coordinates and at width/height and beyond.
template <typename Pixel>
struct Canvas {
    static constexpr Pixel guard = static_cast<Pixel>(0xEE);
    static constexpr Pixel background = 0;

    Canvas(int width, int height, int border = 16)
        : width(width),
          height(height),
          border(border),
          stride(width + 2 * border),
          data(static_cast<std::size_t>(stride) * (height + 2 * border), guard) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) at(x, y) = background;
    }

    Pixel& at(int x, int y) {
        return data[static_cast<std::size_t>(y + border) * stride + (x + border)];
    }
    Pixel* pixels() { return &at(0, 0); }
    int pitch() const { return stride * static_cast<int>(sizeof(Pixel)); }

    // 1 when nothing outside the rectangle (inclusive) differs from its filling
    bool untouched_outside(int left, int top, int right, int bottom) {
        for (int y = -border; y < height + border; ++y) {
            for (int x = -border; x < width + border; ++x) {
                if (x >= left && x <= right && y >= top && y <= bottom) continue;
                bool inner = x >= 0 && y >= 0 && x < width && y < height;
                if (at(x, y) != (inner ? background : guard)) return false;
            }
        }
        return true;
    }

    // the pixels of the inside that are not the background
    std::vector<std::pair<int, int>> drawn() {
        std::vector<std::pair<int, int>> out;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (at(x, y) != background) out.push_back({x, y});
        return out;
    }

    int count_drawn() { return static_cast<int>(drawn().size()); }

    void clear() {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) at(x, y) = background;
    }

    int width, height, border, stride;
    std::vector<Pixel> data;
};

// Sets the screen size and clip rectangle for the test; puts the old ones back.
class RasterTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = {display_width, display_height, clip_left, clip_top, clip_right, clip_bottom};
    }
    void TearDown() override {
        display_width = saved_[0];
        display_height = saved_[1];
        clip_left = saved_[2];
        clip_top = saved_[3];
        clip_right = saved_[4];
        clip_bottom = saved_[5];
    }
    static void set_screen(int width, int height) {
        display_width = width;
        display_height = height;
        set_clip(0, 0, width - 1, height - 1);
    }
    static void set_clip(int left, int top, int right, int bottom) {
        clip_left = left;
        clip_top = top;
        clip_right = right;
        clip_bottom = bottom;
    }

    std::mt19937 random_{20240611};
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }

private:
    std::vector<int> saved_;
};
