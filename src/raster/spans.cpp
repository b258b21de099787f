// Spans. The row spans are defined inline in the header; the lines here check
// their memory, order their ends and cut them to the clip rectangle, and the
// horizontal ones then fill through a row span.
#include "raster/spans.h"

#include <algorithm>
#include <utility>

#include "gfx/display.h"

namespace {

using i64 = std::int64_t;

// Orders a..b and cuts it to lo..hi; false when nothing is left.
bool clip_range(int& a, int& b, int lo, int hi) {
    if (a > b) std::swap(a, b);
    if (a > hi || b < lo) return false;
    a = std::max(a, lo);
    b = std::min(b, hi);
    return true;
}

}  // namespace

void fill16(std::uint16_t* first, std::uint16_t value, int count) {
    if (!first || count < 1) return;
    std::fill_n(first, count, value);
}

int hline8(int x1, int x2, int y, std::uint8_t color, std::uint8_t* pixels, int pitch) {
    if (!pixels || pitch < 1) return 0;
    if (y < clip_top || y > clip_bottom) return 1;
    if (x1 > x2) std::swap(x1, x2);
    return row_span8(pixels + static_cast<i64>(y) * pitch, x1, x2, color);
}

int hline16(int x1, int x2, int y, std::uint16_t color, std::uint16_t* pixels, int pitch) {
    if (!pixels || pitch < 2) return 0;
    if (y < clip_top || y > clip_bottom) return 1;
    if (x1 > x2) std::swap(x1, x2);
    return row_span16(pixels + static_cast<i64>(y) * (pitch / 2), x1, x2, color);
}

int vline8(int y1, int y2, int x, std::uint8_t color, std::uint8_t* pixels, int pitch) {
    if (!pixels || pitch < 1) return 0;
    if (x < clip_left || x > clip_right || !clip_range(y1, y2, clip_top, clip_bottom)) return 1;
    std::uint8_t* p = pixels + static_cast<i64>(y1) * pitch + x;
    for (int y = y1; y <= y2; ++y, p += pitch) *p = color;
    return 1;
}

int vline16(int y1, int y2, int x, std::uint16_t color, std::uint16_t* pixels, int pitch) {
    if (!pixels || pitch < 2) return 0;
    if (x < clip_left || x > clip_right || !clip_range(y1, y2, clip_top, clip_bottom)) return 1;
    int step = pitch / 2;
    std::uint16_t* p = pixels + static_cast<i64>(y1) * step + x;
    for (int y = y1; y <= y2; ++y, p += step) *p = color;
    return 1;
}
