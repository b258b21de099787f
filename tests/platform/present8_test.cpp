#include "platform/backends/present8.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

// Expansion against a plain per-pixel loop, on widths that end inside and at
// the edge of an eight-pixel word, with padded rows on both sides; the padding
// of the output is never written.
TEST(Present8, ExpansionMatchesThePlainTableLookup) {
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

TEST(Present8, BadArgumentsAreRefused) {
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

// A frame is drawn when it, its palette or its size changed, or when the window
// may have lost it; the same frame again is not.
TEST(Present8, ShownFrameTellsWhatMustBeDrawn) {
    std::vector<std::uint8_t> frame(6 * 4, 3), rgb(768, 9);
    ShownFrame shown;
    EXPECT_TRUE(shown.take(frame.data(), 6, 5, 4, rgb.data()));  // rows 6 apart, 5 wide
    EXPECT_EQ(0, shown.changed_top);
    EXPECT_EQ(4, shown.changed_bottom);
    EXPECT_FALSE(shown.take(frame.data(), 6, 5, 4, rgb.data()));
    frame[6 * 3 + 4] = 7;  // the last pixel
    frame[6 * 1] = 2;
    EXPECT_TRUE(shown.take(frame.data(), 6, 5, 4, rgb.data()));
    EXPECT_EQ(7, shown.pixels[5 * 3 + 4]);
    EXPECT_EQ(1, shown.changed_top);
    EXPECT_EQ(4, shown.changed_bottom);
    frame[5] = 1;  // padding beyond the row's width does not count
    EXPECT_FALSE(shown.take(frame.data(), 6, 5, 4, rgb.data()));
    rgb[767] = 0;
    EXPECT_TRUE(shown.take(frame.data(), 6, 5, 4, rgb.data()));
    EXPECT_EQ(0, shown.changed_top);  // a new palette changes every row
    EXPECT_TRUE(shown.take(frame.data(), 6, 5, 3, rgb.data()));
    shown.stale = true;
    EXPECT_TRUE(shown.take(frame.data(), 6, 5, 3, rgb.data()));
    EXPECT_FALSE(shown.take(nullptr, 6, 5, 3, rgb.data()));
    EXPECT_FALSE(shown.take(frame.data(), 4, 5, 3, rgb.data()));  // pitch shorter than a row
    EXPECT_EQ(3, shown.height);
}
