// The presentation state: the screen's source, whether its picture changed
// since it was shown, the refresh timing, and the frame presented last, which
// is where what changed is found, once, for every backend.
#include "platform/system/presentation.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/system/ticks.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::uint32_t kRefreshMs = 16;  // a 60 Hz display refreshes every 16.7 ms

void (*describe_screen)(ScreenPicture*) = nullptr;
bool screen_dirty = false;  // the picture or its palette changed since it was shown
bool presented_once = false;
std::uint32_t last_present_ms = 0;  // real clock at the last present
bool whole_next = true;             // the next frame counts as changed whole

// The frame presented last: kept.pixels and kept.palette_rgb point here.
std::vector<std::uint8_t> kept_pixels;
std::uint8_t kept_palette[768] = {};
PresentedFrame kept;  // width 0: none yet

// Whether the n bytes at a and at b are the same, 64 a step. The C libraries
// differ here: glibc's memcmp takes vectors, the browser build's a byte at a
// time, which made the search for the rows that changed the largest cost of a
// frame there. The SSE2 kernel is WebAssembly's vectors in the browser build.
bool same_bytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
#if defined(__SSE2__)
    auto differ = [&](std::size_t i) {
        return _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)));
    };
    auto zero = [](__m128i d) {
        return _mm_movemask_epi8(_mm_cmpeq_epi8(d, _mm_setzero_si128())) == 0xFFFF;
    };
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64)
        if (!zero(_mm_or_si128(_mm_or_si128(differ(i), differ(i + 16)),
                               _mm_or_si128(differ(i + 32), differ(i + 48)))))
            return false;
    for (; i + 16 <= n; i += 16)
        if (!zero(differ(i))) return false;
    return std::memcmp(a + i, b + i, n - i) == 0;
#else
    return std::memcmp(a, b, n) == 0;
#endif
}

bool present_due() {
    Backend* b = backend();
    if (!b || virtual_clock_in_use()) return true;
    return !presented_once || b->real_ticks() - last_present_ms >= kRefreshMs;
}

// Expands 16-bit pixels to 3-3-2 indices: the backend shows 8-bit frames only.
void present_16(const ScreenPicture& p) {
    static std::vector<std::uint8_t> indices;
    static std::uint8_t rgb[768];
    for (int i = 0; i < 256; ++i) {
        rgb[3 * i] = static_cast<std::uint8_t>((i >> 5) * 255 / 7);
        rgb[3 * i + 1] = static_cast<std::uint8_t>((i >> 2 & 7) * 255 / 7);
        rgb[3 * i + 2] = static_cast<std::uint8_t>((i & 3) * 255 / 3);
    }
    int w = p.width, h = p.height;
    indices.resize(static_cast<std::size_t>(w) * h);
    bool five55 = p.bits_per_pixel == 15;
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint16_t*>(p.pixels + y * p.pitch);
        for (int x = 0; x < w; ++x) {
            unsigned v = row[x];
            unsigned r = five55 ? v >> 10 & 31 : v >> 11 & 31;
            unsigned g = five55 ? (v >> 5 & 31) << 1 : v >> 5 & 63;
            unsigned b5 = v & 31;
            indices[static_cast<std::size_t>(y) * w + x] =
                static_cast<std::uint8_t>((r >> 2) << 5 | (g >> 3) << 2 | b5 >> 3);
        }
    }
    present_frame(indices.data(), w, w, h, rgb);
}

void present_now(const ScreenPicture& p) {
    Backend* b = backend();
    screen_dirty = false;
    if (!b || !p.pixels) return;
    if (p.bits_per_pixel == 8) {
        std::uint8_t rgb[768] = {};
        if (p.palette) {
            for (int i = 0; i < 256; ++i) {
                rgb[3 * i] = p.palette[i].peRed;
                rgb[3 * i + 1] = p.palette[i].peGreen;
                rgb[3 * i + 2] = p.palette[i].peBlue;
            }
        }
        present_frame(p.pixels, p.pitch, p.width, p.height, rgb);
    } else {
        present_16(p);
    }
    presented_once = true;
    last_present_ms = b->real_ticks();
}

}  // namespace

void set_screen_source(void (*describe)(ScreenPicture* picture)) {
    describe_screen = describe;
    whole_next = true;
    set_present_hook(describe ? present_if_changed : nullptr);
}

void screen_changed() {
    screen_dirty = true;
}

void present_if_changed() {
    if (!describe_screen) return;
    ScreenPicture p;
    describe_screen(&p);
    // Memory of a locked primary may change under the lock, as on the real
    // display, so it is shown whenever a refresh is due.
    bool changing = screen_dirty || (p.pixels && p.locked);
    if (changing && present_due()) present_now(p);
}

void wait_for_refresh() {
    std::uint32_t now = get_tick_count();
    std::uint64_t refresh = static_cast<std::uint64_t>(now) * 60 / 1000 + 1;
    auto target = static_cast<std::uint32_t>((refresh * 1000 + 59) / 60);
    set_poll_deadline(target);
    while (static_cast<std::int32_t>(get_tick_count() - target) < 0) yield_processor();
    clear_poll_deadline();
}

void present_frame(const std::uint8_t* pixels, int pitch, int width, int height,
                   const std::uint8_t* palette_rgb) {
    Backend* b = backend();
    if (!b || !pixels || !palette_rgb || width < 1 || height < 1 || pitch < width) return;
    // The first and the last row that differ from the kept frame, each found by
    // comparing from its end; the rows between them are copied, after the
    // backend has had the frame, without a comparison.
    auto row = [&](int y) { return pixels + static_cast<std::ptrdiff_t>(y) * pitch; };
    auto kept_row = [&](int y) { return kept_pixels.data() + static_cast<std::size_t>(y) * width; };
    auto same_row = [&](int y) {
        return same_bytes(kept_row(y), row(y), static_cast<std::size_t>(width));
    };
    bool whole = whole_next || kept.width != width || kept.height != height;
    int top = 0, bottom = height;
    if (!whole) {
        while (top < height && same_row(top)) ++top;
        while (bottom > top && same_row(bottom - 1)) --bottom;
    }
    bool palette_changed =
        whole_next || kept.width == 0 || !same_bytes(kept_palette, palette_rgb, 768);
    whole_next = false;
    b->present(
        PresentedFrame{pixels, pitch, width, height, palette_rgb, top, bottom, palette_changed});
    kept_pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = top; y < bottom; ++y)
        std::memcpy(kept_row(y), row(y), static_cast<std::size_t>(width));
    std::memcpy(kept_palette, palette_rgb, sizeof kept_palette);
    kept = PresentedFrame{kept_pixels.data(), width, width,  height,
                          kept_palette,       top,   bottom, palette_changed};
}

const PresentedFrame* last_presented_frame() {
    return kept.width > 0 ? &kept : nullptr;
}
