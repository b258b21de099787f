// Palette index expansion and the fit of a frame. The inner loop of the
// expansion reads eight indices as one 64-bit word and looks each up in the
// table, so the loads of the source stay one per eight pixels.
#include "platform/backends/frame_colours.h"

#include <cstddef>
#include <cstring>

void make_expand_table(const std::uint8_t* palette_rgb, std::uint32_t* table) {
    if (!palette_rgb || !table) return;
    for (int i = 0; i < 256; ++i) {
        table[i] = 0xFF000000u | std::uint32_t{palette_rgb[3 * i]} << 16 |
                   std::uint32_t{palette_rgb[3 * i + 1]} << 8 | palette_rgb[3 * i + 2];
    }
}

void make_expand_table_rgba(const std::uint8_t* palette_rgb, std::uint32_t* table) {
    if (!palette_rgb || !table) return;
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t bytes[4] = {palette_rgb[3 * i], palette_rgb[3 * i + 1],
                                       palette_rgb[3 * i + 2], 0xFF};
        std::memcpy(&table[i], bytes, sizeof bytes);
    }
}

namespace {

// One row of trusted arguments.
void expand_row(const std::uint8_t* from, int width, const std::uint32_t* table,
                std::uint32_t* to) {
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        std::uint64_t w;
        std::memcpy(&w, from + x, sizeof w);
        // Unrolled, the word's eight lookups are straight-line code, which
        // runs as fast wherever the linker puts the loop (the loop over k
        // runs at half the speed, and slower still at some alignments).
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) to[x + k] = table[(w >> (8 * k)) & 0xFF];
    }
    for (; x < width; ++x) to[x] = table[from[x]];
}

}  // namespace

int expand_indices32(const std::uint8_t* pixels, int pitch, int width, int height,
                     const std::uint32_t* table, std::uint32_t* out, int out_pitch) {
    if (!pixels || !table || !out || width < 1 || height < 1) return 0;
    if (pitch < width || out_pitch < 4 * width) return 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = pixels + static_cast<std::ptrdiff_t>(y) * pitch;
        auto* to = reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(out) +
                                                    static_cast<std::ptrdiff_t>(y) * out_pitch);
        expand_row(from, width, table, to);
    }
    return 1;
}

FrameRect fit_frame(int frame_w, int frame_h, int out_w, int out_h) {
    if (frame_w < 1 || frame_h < 1 || out_w < 1 || out_h < 1) return {};
    FrameRect to{0, 0, out_w, out_h};
    if (static_cast<long long>(out_w) * frame_h > static_cast<long long>(out_h) * frame_w) {
        to.w = static_cast<int>(static_cast<long long>(frame_w) * out_h / frame_h);  // pillarbox
        to.x = (out_w - to.w) / 2;
    } else {
        to.h = static_cast<int>(static_cast<long long>(frame_h) * out_w / frame_w);  // letterbox
        to.y = (out_h - to.h) / 2;
    }
    return to;
}
