#include "gfx/text.h"
#include <algorithm>

#include "display_fixture.h"
#include "gfx/palette.h"

namespace {

class Text : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        PALETTEENTRY pal[256] = {};
        for (int i = 0; i < 256; ++i) pal[i] = {static_cast<std::uint8_t>(i / 2), 0, 0, 0};
        pal[250] = {255, 255, 255, 0};
        pal[251] = {255, 255, 0, 0};
        pal[252] = {255, 0, 0, 0};
        pal[253] = {205, 140, 0, 0};
        pal[9] = {40, 60, 80, 0};
        set_palette(pal);
    }
};

}  // namespace

TEST_F(Text, OnlyGlyphPixelsChangeInTheNearestPaletteColour) {
    fill_surface(back_surface, 9, nullptr);
    std::vector<std::uint8_t> before = surface_bytes(back_surface);
    struct Hud {
        COLORREF color;
        int index;
    };
    for (Hud h : {Hud{0xFFFFFF, 250}, Hud{0xFFFF, 251}, Hud{0xFF, 252}, Hud{0x8CCD, 253}}) {
        fill_surface(back_surface, 9, nullptr);
        ASSERT_EQ(1, draw_text_rgb("Deaths: 17", 8, 8, h.color, back_surface));
        std::vector<std::uint8_t> after = surface_bytes(back_surface);
        int changed = 0;
        for (int y = 0; y < 1024; ++y) {
            for (int x = 0; x < 1280; ++x) {
                std::size_t i = static_cast<std::size_t>(y) * 1280 + x;
                if (after[i] == before[i]) continue;
                ++changed;
                ASSERT_EQ(h.index, after[i]) << x << "," << y;
                ASSERT_TRUE(x >= 8 && x < 120 && y >= 8 && y < 24) << x << "," << y;
            }
        }
        EXPECT_GT(changed, 100);
        EXPECT_LT(changed, 112 * 16 / 2) << "glyphs, not the box behind them";
    }
}

TEST_F(Text, IndexColoursLockedSurfacesAndFills) {
    fill_surface(back_surface, 0, nullptr);
    ASSERT_EQ(1, draw_text_index("I", 0, 0, 251, back_surface));
    std::vector<std::uint8_t> px = surface_bytes(back_surface);
    EXPECT_NE(px.end(), std::find(px.begin(), px.begin() + 1280 * 16, 251));
    EXPECT_EQ(0, draw_text_index("I", 0, 0, 256, back_surface));
    EXPECT_EQ(0, draw_text_rgb(nullptr, 0, 0, 0, back_surface));
    EXPECT_EQ(0, draw_text_rgb("x", 0, 0, 0, nullptr));
    lock_back();
    EXPECT_EQ(0, draw_text_rgb("x", 0, 0, 0, back_surface)) << "a locked surface has no context";
    unlock_back();
    EXPECT_EQ(1, draw_text_rgb("edge", 1270, 1015, 0xFFFFFF, back_surface)) << "cut at the edge";

    ASSERT_EQ(1, fill_rect(10, 20, 13, 22, 0x1234, back_surface));
    EXPECT_EQ(0x34, pixel8(back_surface, 10, 20));
    EXPECT_EQ(0x34, pixel8(back_surface, 12, 21));
    EXPECT_EQ(0, pixel8(back_surface, 13, 21)) << "right and bottom are exclusive";
    EXPECT_EQ(0, pixel8(back_surface, 12, 22));
    EXPECT_EQ(1, fill_rect(-50, -50, 2, 2, 7, back_surface)) << "cut by the screen clipper";
    EXPECT_EQ(7, pixel8(back_surface, 1, 1));
    EXPECT_EQ(0, fill_rect(0, 0, 1, 1, 1, nullptr));
}
