#include "gfx/palette.h"

#include "display_fixture.h"
#include "test_util.h"

namespace {

PALETTEENTRY on_screen(int index) {
    PALETTEENTRY e{};
    display_palette->get_entries(0, static_cast<std::uint32_t>(index), 1, &e);
    return e;
}

bool same(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue &&
           a.peFlags == b.peFlags;
}

}  // namespace

TEST(PaletteFile, SavedFileLoadsBackTheSameEntries) {
    PALETTEENTRY out[256], in[256] = {};
    for (int i = 0; i < 256; ++i) {
        out[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                  static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(i & 4)};
    }
    std::string path = temp_path("pal.txt");
    ASSERT_EQ(1, save_palette_file(path.c_str(), out));
    std::string text = read_file(path);
    EXPECT_EQ("\n0 255 0 0\n1 254 7 0", text.substr(0, 20));
    EXPECT_EQ("255 0 249 4", text.substr(text.size() - 11)) << "no newline after the last";
    ASSERT_EQ(1, load_palette_file(path.c_str(), in));
    for (int i = 0; i < 256; ++i) EXPECT_TRUE(same(out[i], in[i])) << i;
    EXPECT_EQ(0, save_palette_file("/nonexistent-dir/p.pal", out));
    EXPECT_EQ(0, load_palette_file("/nonexistent-dir/p.pal", in));
}

TEST(PaletteFile, ShortFilesAndWideValuesAreReadAsFarAsTheyGo) {
    std::string text;
    for (int i = 0; i < 255; ++i) text += "1 2 3 4\n";
    std::string path = temp_path("short.txt");
    write_file(path, "256 -1 258 0\n" + text.substr(8));  // 255 lines in all
    PALETTEENTRY e[256];
    for (auto& x : e) x = {9, 9, 9, 9};
    ASSERT_EQ(1, load_palette_file(path.c_str(), e));
    EXPECT_TRUE(same(e[0], PALETTEENTRY{0, 255, 2, 0}));
    EXPECT_TRUE(same(e[254], PALETTEENTRY{1, 2, 3, 4}));
    EXPECT_TRUE(same(e[255], PALETTEENTRY{9, 9, 9, 9})) << "the 256th entry keeps its value";

    write_file(path, "10 20 30 40 50 60 junk 70");  // stops at what is not a number
    ASSERT_EQ(1, load_palette_file(path.c_str(), e));
    EXPECT_TRUE(same(e[0], PALETTEENTRY{10, 20, 30, 40}));
    EXPECT_EQ(50, e[1].peRed);
    EXPECT_EQ(60, e[1].peGreen);
    EXPECT_EQ(3, e[1].peBlue);
}

TEST(PaletteFile, TextInMemoryStopsAtItsSizeNotAtANul) {
    PALETTEENTRY e[256];
    for (auto& x : e) x = {9, 9, 9, 9};
    const char text[] = "1 2 3 4 5 6 7 8";
    ASSERT_EQ(1, parse_palette_text(text, 9, e));  // "1 2 3 4 5": the 6 is past the end
    EXPECT_TRUE(same(e[0], PALETTEENTRY{1, 2, 3, 4}));
    EXPECT_EQ(5, e[1].peRed);
    EXPECT_EQ(9, e[1].peGreen);
    const char nul[] = {'7', '\0', '8'};
    ASSERT_EQ(1, parse_palette_text(nul, sizeof nul, e));
    EXPECT_EQ(7, e[0].peRed);
    EXPECT_EQ(2, e[0].peGreen) << "a NUL is not white space: reading stops there";
    EXPECT_EQ(1, parse_palette_text(nullptr, 0, e));
    EXPECT_EQ(0, parse_palette_text(nullptr, 4, e));
    EXPECT_EQ(0, parse_palette_text(text, sizeof text, nullptr));
}

TEST_F(DisplayTest, EntriesGoToTheScreenAndTheWorkingCopy) {
    PALETTEENTRY e{10, 20, 30, 0}, got{};
    ASSERT_EQ(1, set_palette_entry(200, &e));
    EXPECT_TRUE(same(e, on_screen(200)));
    ASSERT_EQ(1, get_palette_entry(200, &got));
    EXPECT_TRUE(same(e, got));
    EXPECT_EQ(0, set_palette_entry(256, &e));
    EXPECT_EQ(0, set_palette_entry(-1, &e));
    EXPECT_EQ(0, get_palette_entry(256, &got));
    EXPECT_EQ(0, set_palette_entry(1, nullptr));

    PALETTEENTRY all[256], back[256];
    for (int i = 0; i < 256; ++i) all[i] = {static_cast<std::uint8_t>(i), 0, 0, 0};
    ASSERT_EQ(1, set_palette(all));
    ASSERT_EQ(1, get_palette(back));
    EXPECT_EQ(77, back[77].peRed);
    EXPECT_EQ(77, on_screen(77).peRed);
    EXPECT_EQ(0, set_palette(nullptr));
}

TEST_F(DisplayTest, RotationMovesColoursUpAndWrapsTheLast) {
    PALETTEENTRY p{1, 0, 0, 0}, q{2, 0, 0, 0}, r{3, 0, 0, 0};
    set_palette_entry(10, &p);
    set_palette_entry(11, &q);
    set_palette_entry(12, &r);
    set_palette_entry(5, &q);
    ASSERT_EQ(1, rotate_colors(10, 12));
    EXPECT_EQ(3, on_screen(10).peRed);
    EXPECT_EQ(1, on_screen(11).peRed);
    EXPECT_EQ(2, on_screen(12).peRed);
    EXPECT_EQ(3, palette_entries[10].peRed) << "the working copy follows";
    ASSERT_EQ(1, rotate_colors(5, 5));
    EXPECT_EQ(2, on_screen(5).peRed);
    EXPECT_EQ(1, rotate_colors(0, 255));
    EXPECT_EQ(0, rotate_colors(12, 10));
    EXPECT_EQ(0, rotate_colors(-1, 3));
    EXPECT_EQ(0, rotate_colors(250, 256));
}

TEST_F(DisplayTest, BlinkersTurnOnAndOffOnTheirTimes) {
    ColorBlinker b{};
    b.color_index = 40;
    b.on_color = {255, 0, 0, 0};
    b.off_color = {0, 0, 255, 0};
    b.on_time = 2;
    b.off_time = 3;
    int slot = blink_colors(BLINK_ADD, &b, 0);
    ASSERT_EQ(0, slot);
    EXPECT_EQ(255, on_screen(40).peBlue) << "the off colour shows at once";
    std::string phases;
    for (int run = 1; run <= 8; ++run) {
        blink_colors(BLINK_RUN, nullptr, 0);
        phases += on_screen(40).peRed == 255 ? '1' : '0';
    }
    EXPECT_EQ("00110001", phases) << "on at the third run, off two runs later";
    EXPECT_EQ(0, palette_entries[40].peRed) << "blinkers change the screen only";

    ColorBlinker change = b;
    change.on_color = {0, 255, 0, 0};
    EXPECT_EQ(slot, blink_colors(BLINK_UPDATE, &change, slot));  // while on
    EXPECT_EQ(255, on_screen(40).peGreen);
    EXPECT_EQ(slot, blink_colors(BLINK_DELETE, nullptr, slot));
    blink_colors(BLINK_RUN, nullptr, 0);
    blink_colors(BLINK_RUN, nullptr, 0);
    EXPECT_EQ(255, on_screen(40).peGreen) << "a deleted blinker leaves its colour";
    EXPECT_EQ(-1, blink_colors(BLINK_DELETE, nullptr, slot));
    EXPECT_EQ(-1, blink_colors(BLINK_UPDATE, &change, slot));
    EXPECT_EQ(-1, blink_colors(BLINK_DELETE, nullptr, 256));
    EXPECT_EQ(-1, blink_colors(BLINK_UPDATE, &change, -1));
    EXPECT_EQ(1, blink_colors(-5, nullptr, 0));
    EXPECT_EQ(1, blink_colors(4, nullptr, 0));

    b.color_index = 300;
    EXPECT_EQ(-1, blink_colors(BLINK_ADD, &b, 0));
    b.color_index = 1;
    for (int i = 0; i < MAX_BLINKERS; ++i) ASSERT_EQ(i, blink_colors(BLINK_ADD, &b, 0));
    EXPECT_EQ(-1, blink_colors(BLINK_ADD, &b, 0)) << "a full table";
    for (int i = 0; i < MAX_BLINKERS; ++i) blink_colors(BLINK_DELETE, nullptr, i);
}
