// Pixels, clipped Bresenham lines, colour scans and the box overlap test. The
// public operations check their arguments once and call inner routines that
// trust them; the line loops use only integer additions per pixel.
// Needs the clip rectangle and screen size of gfx/display.h.
#include "raster/lines.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "gfx/display.h"

namespace {

using i64 = std::int64_t;

bool on_screen(int x, int y) {
    return x >= 0 && y >= 0 && x < display_width && y < display_height;
}

// Bresenham's walk from (x1, y1) to (x2, y2), both ends inside the memory. Pixel
// is the element type; pitch counts elements.
template <typename Pixel>
void line_walk(int x1, int y1, int x2, int y2, Pixel color, Pixel* pixels, int pitch) {
    Pixel* p = pixels + static_cast<i64>(y1) * pitch + x1;
    int dx = x2 - x1;
    int dy = y2 - y1;
    int x_step = 1;
    int y_step = pitch;
    if (dx < 0) {
        x_step = -1;
        dx = -dx;
    }
    if (dy < 0) {
        y_step = -pitch;
        dy = -dy;
    }
    int dx2 = 2 * dx;
    int dy2 = 2 * dy;
    if (dx > dy) {
        int error = dy2 - dx;
        for (int i = 0; i <= dx; ++i) {
            *p = color;
            if (error >= 0) {
                error -= dx2;
                p += y_step;
            }
            error += dy2;
            p += x_step;
        }
    } else {
        int error = dx2 - dy;
        for (int i = 0; i <= dy; ++i) {
            *p = color;
            if (error >= 0) {
                error -= dy2;
                p += x_step;
            }
            error += dx2;
            p += y_step;
        }
    }
}

// The coordinate along the other axis where the line from p to q meets the edge
// at position edge of this axis: p_other + (edge - p) * (q_other - p_other) / (q - p),
// the quotient truncated toward zero. The caller guarantees q != p.
i64 edge_cross(i64 p, i64 p_other, i64 q, i64 q_other, i64 edge) {
    __int128 product = static_cast<__int128>(edge - p) * (q_other - p_other);
    return p_other + static_cast<i64>(product / (q - p));
}

// A crossing rounded by adding a half in floating point and truncating.
i64 rounded(i64 value) {
    return static_cast<i64>(static_cast<double>(value) + 0.5);
}

struct ClipEnd {
    i64 x, y;
};

// Moves the end p (outcode code) along the line towards q onto the clip edge its
// code names. round_single adds the half on a single edge too (the first end);
// corners always round.
ClipEnd move_end(int code, ClipEnd p, ClipEnd q, bool round_single) {
    if (code == 0) return p;
    bool corner = (code & (OUT_TOP | OUT_BOTTOM)) && (code & (OUT_LEFT | OUT_RIGHT));
    bool round = round_single || corner;
    if (code & (OUT_TOP | OUT_BOTTOM)) {
        i64 edge = (code & OUT_TOP) ? clip_top : clip_bottom;
        i64 x = edge_cross(p.y, p.x, q.y, q.x, edge);
        if (round) x = rounded(x);
        if (!corner || (x >= clip_left && x <= clip_right)) return {x, edge};
    }
    i64 edge = (code & OUT_LEFT) ? clip_left : clip_right;
    i64 y = edge_cross(p.x, p.y, q.x, q.y, edge);
    if (round) y = rounded(y);
    return {edge, y};
}

bool inside(ClipEnd p) {
    return p.x >= clip_left && p.x <= clip_right && p.y >= clip_top && p.y <= clip_bottom;
}

// Clamps v to 0 .. size - 1.
int clamp_to(int v, int size) {
    return v < 0 ? 0 : (v >= size ? size - 1 : v);
}

}  // namespace

int outcode(int x, int y) {
    int code = 0;
    if (y < clip_top) {
        code |= OUT_TOP;
    } else if (y > clip_bottom) {
        code |= OUT_BOTTOM;
    }
    if (x < clip_left) {
        code |= OUT_LEFT;
    } else if (x > clip_right) {
        code |= OUT_RIGHT;
    }
    return code;
}

int plot8(int x, int y, std::uint8_t color, std::uint8_t* pixels, int pitch) {
    if (!pixels || pitch < 1 || !on_screen(x, y)) return 0;
    pixels[static_cast<i64>(y) * pitch + x] = color;
    return 1;
}

int plot16(int x, int y, std::uint16_t color, std::uint16_t* pixels, int pitch) {
    if (!pixels || pitch < 2 || !on_screen(x, y)) return 0;
    pixels[static_cast<i64>(y) * (pitch / 2) + x] = color;
    return 1;
}

int clip_line(int& x1, int& y1, int& x2, int& y2) {
    int c1 = outcode(x1, y1);
    int c2 = outcode(x2, y2);
    if (c1 & c2) return 0;
    if (c1 == 0 && c2 == 0) return 1;
    ClipEnd p1{x1, y1};
    ClipEnd p2{x2, y2};
    // Both crossings are taken on the original line, so moving the first end
    // does not change where the second one lands.
    ClipEnd m1 = move_end(c1, p1, p2, true);
    ClipEnd m2 = move_end(c2, p2, p1, false);
    if (!inside(m1) || !inside(m2)) return 0;
    x1 = static_cast<int>(m1.x);
    y1 = static_cast<int>(m1.y);
    x2 = static_cast<int>(m2.x);
    y2 = static_cast<int>(m2.y);
    return 1;
}

int draw_line8(int x1, int y1, int x2, int y2, std::uint8_t color, std::uint8_t* pixels,
               int pitch) {
    // A line lies within the box of its ends, so checking the ends checks it all.
    if (!pixels || pitch < 1 || !on_screen(x1, y1) || !on_screen(x2, y2)) return 0;
    line_walk(x1, y1, x2, y2, color, pixels, pitch);
    return 1;
}

int draw_line16(int x1, int y1, int x2, int y2, std::uint16_t color, std::uint16_t* pixels,
                int pitch) {
    if (!pixels || pitch < 2 || !on_screen(x1, y1) || !on_screen(x2, y2)) return 0;
    line_walk(x1, y1, x2, y2, color, pixels, pitch / 2);
    return 1;
}

int draw_clip_line8(int x1, int y1, int x2, int y2, std::uint8_t color, std::uint8_t* pixels,
                    int pitch) {
    if (!pixels || pitch < 1) return 0;
    if (clip_line(x1, y1, x2, y2)) draw_line8(x1, y1, x2, y2, color, pixels, pitch);
    return 1;
}

int draw_clip_line16(int x1, int y1, int x2, int y2, std::uint16_t color, std::uint16_t* pixels,
                     int pitch) {
    if (!pixels || pitch < 2) return 0;
    if (clip_line(x1, y1, x2, y2)) draw_line16(x1, y1, x2, y2, color, pixels, pitch);
    return 1;
}

namespace {

// 1 when one of the n bytes lies in lowest .. lowest + span. Rows of 16 bytes
// or more are tested 16 at a time; the last block is the row's last 16 bytes,
// overlapping the one before, so nothing beyond the row is read.
bool row_holds8(const std::uint8_t* row, int n, std::uint8_t lowest, std::uint8_t span) {
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i low = _mm_set1_epi8(static_cast<char>(lowest));
        const __m128i top = _mm_set1_epi8(static_cast<char>(span));
        auto block_holds = [&](const std::uint8_t* at) {
            __m128i v = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), low);
            // v <= span, unsigned: min(v, span) == v
            return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, top), v)) != 0;
        };
        for (int x = 0; x + 16 <= n; x += 16) {
            if (block_holds(row + x)) return true;
        }
        return (n & 15) != 0 && block_holds(row + n - 16);
    }
#endif
    std::uint8_t hits = 0;
    for (int x = 0; x < n; ++x) hits |= static_cast<std::uint8_t>(row[x] - lowest) <= span;
    return hits != 0;
}

}  // namespace

int scan_color8(int x1, int y1, int x2, int y2, std::uint8_t lowest, std::uint8_t highest,
                const std::uint8_t* pixels, int pitch) {
    if (!pixels || pitch < 1 || display_width < 1 || display_height < 1) return 0;
    x1 = clamp_to(x1, display_width);
    x2 = clamp_to(x2, display_width);
    y1 = clamp_to(y1, display_height);
    y2 = clamp_to(y2, display_height);
    if (lowest > highest) return 0;
    const std::uint8_t span = static_cast<std::uint8_t>(highest - lowest);
    for (int y = y1; y <= y2; ++y) {
        if (row_holds8(pixels + static_cast<i64>(y) * pitch + x1, x2 - x1 + 1, lowest, span))
            return 1;
    }
    return 0;
}

int scan_color16(int x1, int y1, int x2, int y2, std::uint16_t a, std::uint16_t b,
                 const std::uint16_t* pixels, int pitch) {
    if (!pixels || pitch < 2 || display_width < 1 || display_height < 1) return 0;
    x1 = clamp_to(x1, display_width);
    x2 = clamp_to(x2, display_width);
    y1 = clamp_to(y1, display_height);
    y2 = clamp_to(y2, display_height);
    for (int y = y1; y <= y2; ++y) {
        const std::uint16_t* row = pixels + static_cast<i64>(y) * (pitch / 2);
        for (int x = x1; x <= x2; ++x) {
            if (row[x] == a || row[x] == b) return 1;
        }
    }
    return 0;
}

int box_overlap(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2) {
    // Sums in 64 bits: positions and sizes may come from anywhere.
    i64 a1 = (w1 >> 1) - (w1 >> 3);
    i64 b1 = (h1 >> 1) - (h1 >> 3);
    i64 a2 = (w2 >> 1) - (w2 >> 3);
    i64 b2 = (h2 >> 1) - (h2 >> 3);
    i64 dx = (static_cast<i64>(x2) + a2) - (static_cast<i64>(x1) + a1);
    i64 dy = (static_cast<i64>(y2) + b2) - (static_cast<i64>(y1) + b1);
    if (dx < 0) dx = -dx;
    if (dy < 0) dy = -dy;
    return (dx < a1 + a2 && dy < b1 + b2) ? 1 : 0;
}
