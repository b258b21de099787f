#include "platform/backends/frame_colours.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

// Expansion against a plain per-pixel loop, on widths that end inside and at
// the edge of an eight-pixel word, with padded rows on both sides; the padding
// of the output is never written.
TEST(FrameColours, ExpansionMatchesThePlainTableLookup) {
    std::mt19937 rng(8);
    std::vector<std::uint8_t> rgb(768);
    for (auto& v : rgb) v = static_cast<std::uint8_t>(rng());
    std::uint32_t table[256];
    make_expand_table(rgb.data(), table);
    EXPECT_EQ(0xFF000000u | rgb[3 * 77] << 16 | rgb[3 * 77 + 1] << 8 | rgb[3 * 77 + 2], table[77]);
    std::uint32_t canvas[256];
    make_expand_table_rgba(rgb.data(), canvas);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&canvas[77]);
    EXPECT_EQ((std::vector<std::uint8_t>{rgb[3 * 77], rgb[3 * 77 + 1], rgb[3 * 77 + 2], 0xFF}),
              std::vector<std::uint8_t>(bytes, bytes + 4));
    for (int round = 0; round < 200; ++round) {
        int w = 1 + static_cast<int>(rng() % 41), h = 1 + static_cast<int>(rng() % 5);
        int pitch = w + static_cast<int>(rng() % 9),
            out_pitch = 4 * (w + static_cast<int>(rng() % 3));
        std::vector<std::uint8_t> in(static_cast<std::size_t>(pitch) * h);
        for (auto& v : in) v = static_cast<std::uint8_t>(rng());
        std::vector<std::uint32_t> out(static_cast<std::size_t>(out_pitch / 4) * h, 0xDEADBEEF);
        ASSERT_EQ(1, expand_indices32(in.data(), pitch, w, h, table, out.data(), out_pitch));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < out_pitch / 4; ++x) {
                std::uint32_t want = x < w ? table[in[y * pitch + x]] : 0xDEADBEEF;
                ASSERT_EQ(want, out[y * (out_pitch / 4) + x]) << w << "x" << h << " at " << x;
            }
    }
}

TEST(FrameColours, BadArgumentsAreRefused) {
    std::uint32_t table[256] = {};
    std::uint8_t in[64] = {};
    std::uint32_t out[64] = {};
    EXPECT_EQ(0, expand_indices32(nullptr, 8, 8, 1, table, out, 32));
    EXPECT_EQ(0, expand_indices32(in, 8, 8, 1, nullptr, out, 32));
    EXPECT_EQ(0, expand_indices32(in, 8, 8, 1, table, nullptr, 32));
    EXPECT_EQ(0, expand_indices32(in, 8, 0, 1, table, out, 32));
    EXPECT_EQ(0, expand_indices32(in, 7, 8, 1, table, out, 32));  // pitch shorter than a row
    EXPECT_EQ(0, expand_indices32(in, 8, 8, 1, table, out, 28));
    make_expand_table(nullptr, table);  // nothing happens
    EXPECT_EQ(0u, table[0]);
}
