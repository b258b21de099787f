// Pixel decoders of bitmap files. Every stored row is read inside the span
// the caller checked; run-length streams are read through a bounds-checked
// position and written only inside the picture, so a damaged stream stops or
// is cut at the edge instead of running past either buffer.
#include "raster/bitmap_decode.h"

#include <algorithm>
#include <cstring>

#include "gfx/display.h"

namespace {

// One channel of a masked pixel: where it lies and its largest value.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        while (!(m & 1u)) {
            m >>= 1;
            ++shift;
        }
        max = m;
    }
    // the channel of pixel p scaled to 0..255, truncating
    int scaled(std::uint32_t p) const {
        if (max == 0) return 0;
        std::uint32_t v = (p & mask) >> shift;
        if (max == 255) return static_cast<int>(v);
        return static_cast<int>(std::uint64_t{v} * 255 / max);
    }
};

bool one_run(std::uint32_t m) {
    if (m == 0) return true;
    while (!(m & 1u)) m >>= 1;
    return (m & (m + 1)) == 0;  // only ones below the highest set bit
}

// Stored row r of the picture, counted from the top.
const std::uint8_t* stored_row(const StoredRows& s, int r) {
    int stored = s.top_down ? r : s.rows - 1 - r;
    return s.data + s.stride * static_cast<std::size_t>(stored);
}

}  // namespace

ChannelMasks default_channel_masks(int bits) {
    if (bits == 16) return ChannelMasks{0x7C00, 0x03E0, 0x001F};
    return ChannelMasks{0xFF0000, 0x00FF00, 0x0000FF};
}

int channel_masks_valid(const ChannelMasks& masks, int bits) {
    if (bits != 16 && bits != 24 && bits != 32) return 0;
    std::uint32_t inside = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    std::uint32_t all[3] = {masks.red, masks.green, masks.blue};
    for (std::uint32_t m : all) {
        if ((m & ~inside) != 0 || !one_run(m)) return 0;
    }
    bool shared = (masks.red & masks.green) | (masks.red & masks.blue) | (masks.green & masks.blue);
    return shared ? 0 : 1;
}

std::uint16_t display_color16(int r, int g, int b) {
    return static_cast<std::uint16_t>(pixel_format == 15 ? rgb16_555(r, g, b) : rgb16_565(r, g, b));
}

int unpack_index_rows(const StoredRows& s, std::uint8_t* out) {
    if (s.bits != 1 && s.bits != 2 && s.bits != 4 && s.bits != 8) return 0;
    const std::size_t width = static_cast<std::size_t>(s.width);
    const int per_byte = 8 / s.bits;
    const unsigned mask = (1u << s.bits) - 1;
    for (int r = 0; r < s.rows; ++r) {
        const std::uint8_t* from = stored_row(s, r);
        std::uint8_t* to = out + width * r;
        if (s.bits == 8) {
            std::memcpy(to, from, width);
            continue;
        }
        for (std::size_t x = 0; x < width; ++x) {
            int place = static_cast<int>(x % per_byte);  // 0 is the highest bits
            to[x] =
                static_cast<std::uint8_t>(from[x / per_byte] >> (8 - s.bits * (place + 1)) & mask);
        }
    }
    return 1;
}

int convert_color_rows(const StoredRows& s, const ChannelMasks& masks, std::uint16_t* out) {
    if (!channel_masks_valid(masks, s.bits)) return 0;
    const Channel red(masks.red), green(masks.green), blue(masks.blue);
    const int bytes = s.bits / 8;
    const std::size_t width = static_cast<std::size_t>(s.width);
    for (int r = 0; r < s.rows; ++r) {
        const std::uint8_t* from = stored_row(s, r);
        std::uint16_t* to = out + width * r;
        for (std::size_t x = 0; x < width; ++x, from += bytes) {
            std::uint32_t p = from[0] | from[1] << 8;
            if (bytes > 2) p |= static_cast<std::uint32_t>(from[2]) << 16;
            if (bytes > 3) p |= static_cast<std::uint32_t>(from[3]) << 24;
            to[x] = display_color16(red.scaled(p), green.scaled(p), blue.scaled(p));
        }
    }
    return 1;
}

int decode_rle(const std::uint8_t* stream, std::size_t size, int width, int rows, bool rle4,
               bool top_down, std::uint8_t* out, const char** damage) {
    const char* why = nullptr;
    std::size_t at = 0;
    int x = 0, y = 0;  // y counts stored rows, the first stored one being 0
    auto note = [&why](const char* what) {
        if (!why) why = what;
    };
    auto row = [&](int stored) {
        int r = top_down ? stored : rows - 1 - stored;
        return out + static_cast<std::size_t>(r) * width + x;
    };
    auto put = [&](std::uint8_t* to, int i, std::uint8_t byte) {
        // run pixel i of a byte: two nibbles, high first, or the byte itself
        to[i] = rle4 ? static_cast<std::uint8_t>(i & 1 ? byte & 15 : byte >> 4) : byte;
    };
    for (;;) {
        if (size - at < 2) {
            // A stream that ends after its last row without an end mark is whole.
            if (y < rows && !(y == rows - 1 && x == width)) note("stream cut short");
            break;
        }
        int count = stream[at], code = stream[at + 1];
        at += 2;
        if (count > 0 || code >= 3) {
            if (y >= rows) {
                note("runs past the last row");
                break;
            }
            std::uint8_t* to = row(y);
            int fits = std::min(count > 0 ? count : code, width - x);
            if (count > 0) {  // one value repeated
                for (int i = 0; i < fits; ++i) put(to, i, static_cast<std::uint8_t>(code));
                if (count > fits) note("run past the end of a row");
                x += fits;
                continue;
            }
            // code pixels stored as they are, padded to a whole word
            std::size_t bytes = rle4 ? (static_cast<std::size_t>(code) + 1) / 2 : code;
            std::size_t have = std::min(bytes, size - at);
            int readable = static_cast<int>(rle4 ? have * 2 : have);
            for (int i = 0; i < fits && i < readable; ++i)
                put(to, i, stream[at + (rle4 ? i / 2 : i)]);
            if (have < bytes) {
                note("stream cut short");
                break;
            }
            if (code > fits) note("run past the end of a row");
            x += fits;
            at += std::min(bytes + (bytes & 1), size - at);
            continue;
        }
        if (code == 0) {  // end of the row
            x = 0;
            ++y;
        } else if (code == 1) {  // end of the picture
            break;
        } else {  // a move right and up: pixels skipped stay 0
            if (size - at < 2) {
                note("stream cut short");
                break;
            }
            int dx = stream[at], dy = stream[at + 1];
            at += 2;
            if (x + dx > width || y + dy >= rows) {
                note("delta past the end of the picture");
                break;
            }
            x += dx;
            y += dy;
        }
    }
    if (damage) *damage = why;
    return why ? 0 : 1;
}
