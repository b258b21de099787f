#include "raster/spans.h"

#include <cstdint>
#include <vector>

#include "gfx/display.h"
#include "raster/test_canvas.h"

namespace {

class Spans : public RasterTest {};

}  // namespace

TEST_F(Spans, ClippedLines) {
    set_screen(1280, 1024);
    Canvas<std::uint8_t> c(1280, 4, 8);
    display_height = 4;
    set_clip(0, 0, 1279, 3);
    EXPECT_EQ(1, hline8(1300, -20, 2, 9, c.pixels(), c.pitch()));
    for (int x = 0; x < 1280; ++x) ASSERT_EQ(9, c.at(x, 2)) << x;
    EXPECT_TRUE(c.untouched_outside(0, 2, 1279, 2));
    EXPECT_EQ(1, hline8(0, 100, 4, 9, c.pixels(), c.pitch()));  // row below the clip rectangle
    EXPECT_EQ(1, hline8(0, 100, -1, 9, c.pixels(), c.pitch()));
    EXPECT_EQ(1, hline8(-50, -1, 1, 9, c.pixels(), c.pitch()));  // wholly left
    EXPECT_TRUE(c.untouched_outside(0, 2, 1279, 2));
    EXPECT_EQ(0, hline8(0, 5, 1, 9, nullptr, 1280));

    set_screen(40, 30);
    set_clip(5, 4, 30, 20);
    Canvas<std::uint16_t> a(40, 30), b(40, 30);
    vline16(25, -9, 7, 0xF00D, a.pixels(), a.pitch());
    vline16(-9, 25, 7, 0xF00D, b.pixels(), b.pitch());
    EXPECT_EQ(a.data, b.data);
    EXPECT_EQ(17, a.count_drawn());  // rows 4..20
    EXPECT_EQ(0xF00D, a.at(7, 4));
    EXPECT_EQ(0xF00D, a.at(7, 20));
    EXPECT_TRUE(a.untouched_outside(7, 4, 7, 20));
    vline16(0, 29, 4, 1, a.pixels(), a.pitch());  // column left of the clip rectangle
    hline16(31, 0, 3, 1, a.pixels(), a.pitch());  // row above it
    EXPECT_TRUE(a.untouched_outside(7, 4, 7, 20));
    hline16(31, 0, 12, 0xBEEF, a.pixels(), a.pitch());
    EXPECT_EQ(0xBEEF, a.at(5, 12));
    EXPECT_EQ(0xBEEF, a.at(30, 12));
    EXPECT_EQ(0, a.at(31, 12));

    Canvas<std::uint8_t> c8(40, 30);
    vline8(100, 0, 30, 3, c8.pixels(), c8.pitch());
    EXPECT_EQ(17, c8.count_drawn());
    EXPECT_TRUE(c8.untouched_outside(30, 4, 30, 20));

    std::uint16_t run[6] = {1, 1, 1, 1, 1, 1};
    fill16(run + 1, 0xABCD, 4);
    EXPECT_EQ((std::vector<std::uint16_t>{1, 0xABCD, 0xABCD, 0xABCD, 0xABCD, 1}),
              std::vector<std::uint16_t>(run, run + 6));
    fill16(run, 7, 0);
    fill16(run, 7, -3);
    EXPECT_EQ(1, run[0]);
}

TEST_F(Spans, RowSpansAreCutToTheClipColumnsAndNeverSwapTheirEnds) {
    set_screen(40, 4);
    set_clip(5, 0, 30, 3);
    Canvas<std::uint8_t> c8(40, 4);
    Canvas<std::uint16_t> c16(40, 4);
    EXPECT_EQ(1, row_span8(&c8.at(0, 1), INT64_MIN / 2, INT64_MAX / 2, 6));
    EXPECT_EQ(1, row_span16(&c16.at(0, 1), -(std::int64_t{1} << 40), 12, 0xBEEF));
    EXPECT_EQ(26, c8.count_drawn());  // columns 5..30
    EXPECT_TRUE(c8.untouched_outside(5, 1, 30, 1));
    EXPECT_EQ(8, c16.count_drawn());  // columns 5..12
    EXPECT_EQ(0xBEEF, c16.at(5, 1));
    EXPECT_TRUE(c16.untouched_outside(5, 1, 12, 1));

    // A span whose ends cross is empty (the edge walkers rely on it), and so is
    // one wholly beside the clip columns.
    c8.clear();
    row_span8(&c8.at(0, 2), 20, 10, 6);
    row_span8(&c8.at(0, 2), 31, 1000, 6);
    row_span8(&c8.at(0, 2), -1000, 4, 6);
    row_span16(&c16.at(0, 2), 20, 19, 1);
    EXPECT_EQ(0, c8.count_drawn());
    EXPECT_EQ(8, c16.count_drawn());
    EXPECT_EQ(0, row_span8(nullptr, 0, 10, 6));
    EXPECT_EQ(0, row_span16(nullptr, 0, 10, 6));
}
