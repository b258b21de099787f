#include "raster/bitmap.h"

#include <numeric>

#include "../gfx/display_fixture.h"
#include "support/error_log.h"
#include "test_util.h"

namespace {

// A bitmap file built in memory, with the choices paint programs make.
struct BmpLayout {
    int width = 3, height = 2;  // negative height: top-down rows
    int bits = 8;
    std::uint32_t header = 40;
    std::uint32_t colors_used = 0;  // 0: 256 entries in the table
    std::uint32_t compression = 0;
    std::uint32_t size_image = 0;
    std::uint32_t gap = 0;  // bytes between the colour table and the pixels
    bool zero_offset = false;
    std::vector<std::uint8_t> rows;  // stored rows, padding included; empty: made up
};

void put16(std::string& s, int v) {
    s += static_cast<char>(v & 255);
    s += static_cast<char>(v >> 8 & 255);
}

void put32(std::string& s, std::uint32_t v) {
    put16(s, static_cast<int>(v & 0xFFFF));
    put16(s, static_cast<int>(v >> 16));
}

int stride(const BmpLayout& b) {
    return (b.width * b.bits + 31) / 32 * 4;
}

// Stored row r (in file order), byte i: a value that names its place.
std::uint8_t stored_byte(int r, int i) {
    return static_cast<std::uint8_t>(r * 16 + i + 1);
}

std::string make_bmp(const BmpLayout& b) {
    int rows = b.height < 0 ? -b.height : b.height;
    std::uint32_t colors = b.bits == 8 ? (b.colors_used ? b.colors_used : 256) : 0;
    std::uint32_t offset = 14 + b.header + 4 * colors + b.gap;
    std::string pixels;
    if (!b.rows.empty()) {
        pixels.assign(b.rows.begin(), b.rows.end());
    } else {
        for (int r = 0; r < rows; ++r) {
            for (int i = 0; i < stride(b); ++i) pixels += static_cast<char>(stored_byte(r, i));
        }
    }
    std::string s = "BM";
    put32(s, offset + static_cast<std::uint32_t>(pixels.size()));
    put32(s, 0);
    put32(s, b.zero_offset ? 0 : offset);
    put32(s, b.header);
    put32(s, static_cast<std::uint32_t>(b.width));
    put32(s, static_cast<std::uint32_t>(b.height));
    put16(s, 1);
    put16(s, b.bits);
    put32(s, b.compression);
    put32(s, b.size_image);
    put32(s, 2835);
    put32(s, 2835);
    put32(s, b.colors_used);
    put32(s, 0);
    s.append(b.header - 40, '\x55');              // the larger headers' masks and colour space
    for (std::uint32_t i = 0; i < colors; ++i) {  // blue, green, red, reserved
        s += static_cast<char>(i);
        s += static_cast<char>(i + 1);
        s += static_cast<char>(i + 2);
        s += '\0';
    }
    s.append(b.gap, '\x77');
    return s + pixels;
}

int load(BitmapFile* f, const std::string& bytes, const char** why = nullptr) {
    return parse_bitmap(f, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), why);
}

class Bitmaps : public ::testing::Test {
protected:
    void TearDown() override { unload_bitmap_file(&file); }
    BitmapFile file{};
};

}  // namespace

TEST_F(Bitmaps, EightBitRowsComeTopFirstUnpaddedWithTheirPalette) {
    BmpLayout layout;  // 3 wide: each stored row carries one fill byte
    ASSERT_EQ(1, load(&file, make_bmp(layout)));
    EXPECT_EQ(3, file.info_header.biWidth);
    EXPECT_EQ(2, file.info_header.biHeight);
    EXPECT_EQ(6u, file.info_header.biSizeImage);
    // Top row first: the last row stored.
    std::vector<std::uint8_t> expect{stored_byte(1, 0), stored_byte(1, 1), stored_byte(1, 2),
                                     stored_byte(0, 0), stored_byte(0, 1), stored_byte(0, 2)};
    EXPECT_EQ(expect, std::vector<std::uint8_t>(file.buffer, file.buffer + 6));
    // Stored blue 10, green 11, red 12 reads red 12, green 11, blue 10, flags 4.
    EXPECT_EQ(12, file.palette[10].peRed);
    EXPECT_EQ(11, file.palette[10].peGreen);
    EXPECT_EQ(10, file.palette[10].peBlue);
    EXPECT_EQ(PC_NOCOLLAPSE, file.palette[10].peFlags);
}

TEST_F(Bitmaps, WhatPaintProgramsWriteIsReadAlike) {
    BmpLayout plain;
    plain.width = 5;
    plain.height = 4;
    ASSERT_EQ(1, load(&file, make_bmp(plain)));
    std::vector<std::uint8_t> reference(file.buffer, file.buffer + 20);

    BmpLayout top_down = plain;
    top_down.height = -4;
    std::vector<std::uint8_t> rows;
    for (int r = 3; r >= 0; --r) {
        for (int i = 0; i < 8; ++i) rows.push_back(stored_byte(r, i));
    }
    top_down.rows = rows;

    BmpLayout v4 = plain, v5 = plain, sized = plain, gap = plain, no_offset = plain;
    v4.header = 108;
    v5.header = 124;
    sized.size_image = 999999;  // a wrong size is not believed
    gap.gap = 10;
    no_offset.zero_offset = true;
    for (const BmpLayout& s : {top_down, v4, v5, sized, gap, no_offset}) {
        BitmapFile other{};
        ASSERT_EQ(1, load(&other, make_bmp(s))) << s.header << " " << s.gap;
        EXPECT_EQ(4, other.info_header.biHeight);
        EXPECT_EQ(reference, std::vector<std::uint8_t>(other.buffer, other.buffer + 20));
        EXPECT_EQ(12, other.palette[10].peRed);
        unload_bitmap_file(&other);
    }
}

TEST_F(Bitmaps, AShortColourTableLeavesTheRestZero) {
    BmpLayout layout;
    layout.colors_used = 16;
    ASSERT_EQ(1, load(&file, make_bmp(layout)));
    EXPECT_EQ(17, file.palette[15].peRed);
    EXPECT_EQ(PC_NOCOLLAPSE, file.palette[15].peFlags);
    EXPECT_EQ(0, file.palette[16].peRed);
    EXPECT_EQ(0, file.palette[16].peFlags);
    EXPECT_EQ(stored_byte(1, 0), file.buffer[0]) << "pixels follow the shorter table";
}

TEST_F(Bitmaps, TwentyFourBitsBecomeTheDisplaysSixteenBitFormat) {
    BmpLayout layout;
    layout.bits = 24;
    layout.width = 2;
    layout.height = 1;
    layout.rows = {255, 255, 255, 0, 0, 255, 0, 0};  // white, red (blue, green, red order), fill
    std::int32_t saved = pixel_format;
    pixel_format = 15;
    ASSERT_EQ(1, load(&file, make_bmp(layout)));
    auto* px = reinterpret_cast<std::uint16_t*>(file.buffer);
    EXPECT_EQ(0x7FFF, px[0]);
    EXPECT_EQ(0x7C00, px[1]);
    EXPECT_EQ(16, file.info_header.biBitCount);
    EXPECT_EQ(0, file.palette[10].peRed) << "a file without a colour table leaves the palette";
    pixel_format = 16;
    ASSERT_EQ(1, load(&file, make_bmp(layout)));
    px = reinterpret_cast<std::uint16_t*>(file.buffer);
    EXPECT_EQ(0xFFFF, px[0]);
    EXPECT_EQ(0xF800, px[1]);
    pixel_format = saved;

    BmpLayout sixteen;
    sixteen.bits = 16;
    sixteen.width = 1;
    sixteen.height = 1;
    sixteen.rows = {0x34, 0x12, 0, 0};
    ASSERT_EQ(1, load(&file, make_bmp(sixteen)));
    EXPECT_EQ(0x1234, reinterpret_cast<std::uint16_t*>(file.buffer)[0]) << "stored unchanged";
}

TEST_F(Bitmaps, DefectiveFilesAreRefusedAndLeaveTheRecordAsItWas) {
    BmpLayout good;
    ASSERT_EQ(1, load(&file, make_bmp(good)));
    std::uint8_t* kept = file.buffer;
    BitmapFile before = file;

    std::vector<std::pair<std::string, std::string>> cases;
    std::string ba = make_bmp(good);
    ba[1] = 'A';
    cases.push_back({ba, "not a bitmap file"});
    auto with = [&](auto change, const char* reason) {
        BmpLayout s = good;
        change(s);
        cases.push_back({make_bmp(s), reason});
    };
    with([](BmpLayout& s) { s.compression = 1; }, "compressed");
    with([](BmpLayout& s) { s.bits = 4; }, "depth not 8, 16 or 24 bits");
    with([](BmpLayout& s) { s.bits = 32; }, "depth not 8, 16 or 24 bits");
    with([](BmpLayout& s) { s.header = 64; }, "info header size not 40, 108 or 124");
    with([](BmpLayout& s) { s.width = 0; }, "width or height zero or negative width");
    with([](BmpLayout& s) { s.height = 0; }, "width or height zero or negative width");
    with([](BmpLayout& s) { s.width = -3; }, "width or height zero or negative width");
    with([](BmpLayout& s) { s.colors_used = 257; }, "more than 256 colours");
    with(
        [](BmpLayout& s) {
            s.width = 16385;
            s.rows = {1};
        },
        "larger than 16384 pixels on a side");
    with(
        [](BmpLayout& s) {
            s.height = -16385;
            s.rows = {1};
        },
        "larger than 16384 pixels on a side");
    // Sides that pass alone but whose pixels the file does not hold.
    with(
        [](BmpLayout& s) {
            s.width = 16384;
            s.height = 16384;
            s.rows = {1};
        },
        "shorter than its pixels");
    for (auto& [bytes, reason] : cases) {
        const char* why = nullptr;
        EXPECT_EQ(0, load(&file, bytes, &why)) << reason;
        EXPECT_STREQ(reason.c_str(), why);
    }
    // Every cut of a good file short of its end.
    std::string whole = make_bmp(good);
    for (std::size_t n = 0; n + 1 < whole.size(); ++n) {
        const char* why = nullptr;
        ASSERT_EQ(0, load(&file, whole.substr(0, n), &why)) << n;
        ASSERT_NE(nullptr, why);
    }
    EXPECT_EQ(kept, file.buffer);
    EXPECT_EQ(0, std::memcmp(before.palette, file.palette, sizeof file.palette));
    EXPECT_EQ(3, file.info_header.biWidth);
    EXPECT_EQ(2, file.info_header.biHeight);
    EXPECT_EQ(8, file.info_header.biBitCount);
    EXPECT_EQ(stored_byte(1, 0), file.buffer[0]);
    EXPECT_EQ(0, load(&file, "", nullptr));
    EXPECT_EQ(0, parse_bitmap(nullptr, nullptr, 0, nullptr));
}

TEST_F(Bitmaps, FilesOnDiskAndTheReasonInTheLog) {
    std::string log = temp_path("log.txt");
    std::string good = temp_path("good.bmp");
    std::string bad = temp_path("bad.bmp");
    write_file(good, make_bmp(BmpLayout{}));
    BmpLayout packed;
    packed.compression = 2;
    write_file(bad, make_bmp(packed));
    ASSERT_EQ(1, open_error_file(log.c_str()));
    EXPECT_EQ(1, load_bitmap_file(&file, good.c_str()));
    EXPECT_EQ(0, load_bitmap_file(&file, bad.c_str()));
    EXPECT_EQ(0, load_bitmap_file(&file, "/nonexistent-dir/x.bmp"));
    close_error_file();
    std::string text = read_file(log);
    EXPECT_NE(std::string::npos, text.find("bitmap refused, compressed: "));
    EXPECT_NE(std::string::npos,
              text.find("bitmap refused, cannot be opened: /nonexistent-dir/x.bmp"));

    EXPECT_EQ(1, unload_bitmap_file(&file));
    EXPECT_EQ(nullptr, file.buffer);
    EXPECT_EQ(1, unload_bitmap_file(&file));
    EXPECT_EQ(12, file.palette[10].peRed) << "headers and palette outlive the pixels";
    EXPECT_EQ(3, file.info_header.biWidth);
}

TEST(BitmapRows, FlipTurnsRowsOver) {
    std::vector<std::uint8_t> px{1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_EQ(1, flip_bitmap(px.data(), 3, 3));
    EXPECT_EQ((std::vector<std::uint8_t>{7, 8, 9, 4, 5, 6, 1, 2, 3}), px);
    EXPECT_EQ(1, flip_bitmap(px.data(), 3, 0));
    EXPECT_EQ(0, flip_bitmap(nullptr, 3, 3));
    EXPECT_EQ(0, flip_bitmap(px.data(), 0, 3));
}

// A 400 x 200 8-bit bitmap whose pixel (x, y) is (x + 3 * y) mod 256.
class Images : public ::testing::Test {
protected:
    void SetUp() override {
        BmpLayout layout;
        layout.width = 400;
        layout.height = -200;
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 400; ++x)
                layout.rows.push_back(static_cast<std::uint8_t>(x + 3 * y));
        }
        ASSERT_EQ(1, load(&file, make_bmp(layout)));
    }
    void TearDown() override {
        unload_bitmap_file(&file);
        destroy_image(&image);
    }
    static int at(int x, int y) { return (x + 3 * y) & 255; }
    BitmapFile file{};
    BitmapImage image{};
};

TEST_F(Images, CellsAreCutFromTheirGrid) {
    ASSERT_EQ(1, create_image(&image, 5, 6, 72, 74, 8));
    EXPECT_EQ(72 * 74, image.num_bytes);
    EXPECT_EQ(0, image.attr);
    ASSERT_EQ(1, load_image8(&image, &file, 2, 1, 0));
    EXPECT_EQ(at(147, 76), image.buffer[0]) << "cell (2, 1) starts at pixel (147, 76)";
    EXPECT_EQ(at(147 + 71, 76 + 73), image.buffer[72 * 74 - 1]);
    EXPECT_EQ(IMAGE_ATTR_LOADED, image.attr);
    ASSERT_EQ(1, load_image8(&image, &file, 10, 20, 1));
    EXPECT_EQ(at(10, 20), image.buffer[0]);
    EXPECT_EQ(at(11, 21), image.buffer[73]);

    EXPECT_EQ(0, load_image8(&image, &file, 5, 0, 0)) << "cell 5 runs past the right edge";
    EXPECT_EQ(0, load_image8(&image, &file, 0, 2, 0));
    EXPECT_EQ(0, load_image8(&image, &file, -1, 0, 1));
    EXPECT_EQ(0, load_image8(&image, &file, 329, 0, 1));
    EXPECT_EQ(1, load_image8(&image, &file, 328, 126, 1));
    EXPECT_EQ(0, load_image8(&image, nullptr, 0, 0, 0));
    EXPECT_EQ(0, load_image8(nullptr, &file, 0, 0, 0));
    EXPECT_EQ(0, load_image16(&image, &file, 0, 0, 0)) << "depths differ";
}

TEST_F(Images, DrawsCopyRowsOrSkipZero) {
    ASSERT_EQ(1, create_image(&image, 3, 2, 4, 2, 8));
    EXPECT_EQ(0, draw_image8(&image, std::vector<std::uint8_t>(100).data(), 10, 0))
        << "an image never loaded is not drawn";
    std::uint8_t px[8] = {0, 1, 2, 0, 3, 0, 4, 5};
    std::memcpy(image.buffer, px, 8);
    image.attr |= IMAGE_ATTR_LOADED;
    std::vector<std::uint8_t> dest(10 * 5, 9);
    ASSERT_EQ(1, draw_image8(&image, dest.data(), 10, 1));
    EXPECT_EQ(9, dest[2 * 10 + 3]);
    EXPECT_EQ(1, dest[2 * 10 + 4]);
    EXPECT_EQ(9, dest[3 * 10 + 4]);
    EXPECT_EQ(5, dest[3 * 10 + 6]);
    ASSERT_EQ(1, draw_image8(&image, dest.data(), 10, 0));
    EXPECT_EQ(0, dest[2 * 10 + 3]);
    EXPECT_EQ(9, dest[2 * 10 + 7]);
    EXPECT_EQ(0, draw_image8(&image, dest.data(), 6, 0)) << "rows longer than the pitch";
    image.x = -1;
    EXPECT_EQ(0, draw_image8(&image, dest.data(), 10, 0));

    BitmapImage wide{};
    ASSERT_EQ(1, create_image(&wide, 1, 1, 2, 1, 16));
    reinterpret_cast<std::uint16_t*>(wide.buffer)[1] = 0xBEEF;
    wide.attr |= IMAGE_ATTR_LOADED;
    std::vector<std::uint16_t> dest16(4 * 3, 7);
    ASSERT_EQ(1, draw_image16(&wide, reinterpret_cast<std::uint8_t*>(dest16.data()), 8, 1));
    EXPECT_EQ(7, dest16[5]);
    EXPECT_EQ(0xBEEF, dest16[6]);
    EXPECT_EQ(0, draw_image8(&wide, dest.data(), 10, 0));
    EXPECT_EQ(1, destroy_image(&wide));
    EXPECT_EQ(0, wide.width);
    EXPECT_EQ(0, destroy_image(&wide));
}

TEST_F(Images, FullWidthImagesCopyTheSameAsRowByRow) {
    // An image as wide as the pitch at x = 0 is copied in one block; the rows
    // above and below it stay as they were, as with a narrower pitch.
    ASSERT_EQ(1, create_image(&image, 0, 1, 6, 3, 8));
    for (int i = 0; i < 18; ++i) image.buffer[i] = static_cast<std::uint8_t>(i + 1);
    image.attr |= IMAGE_ATTR_LOADED;
    std::vector<std::uint8_t> tight(6 * 5, 99), loose(8 * 5, 99);
    ASSERT_EQ(1, draw_image8(&image, tight.data(), 6, 0));
    ASSERT_EQ(1, draw_image8(&image, loose.data(), 8, 0));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            int want = y >= 1 && y <= 3 ? (y - 1) * 6 + x + 1 : 99;
            EXPECT_EQ(want, tight[y * 6 + x]) << x << "," << y;
            EXPECT_EQ(want, loose[y * 8 + x]) << x << "," << y;
        }
}

TEST_F(Images, ScrollTurnsRowsRoundAndCopyMovesBlocks) {
    ASSERT_EQ(1, create_image(&image, 0, 0, 8, 2, 8));
    auto row = [&] { return std::vector<int>(image.buffer, image.buffer + 8); };
    auto reset = [&] { std::iota(image.buffer, image.buffer + 16, 1); };
    reset();
    ASSERT_EQ(1, scroll_image(&image, 3, 0));
    EXPECT_EQ((std::vector<int>{6, 7, 8, 1, 2, 3, 4, 5}), row());
    EXPECT_EQ(14, image.buffer[8]) << "every row turns";
    reset();
    ASSERT_EQ(1, scroll_image(&image, -3, 0));
    EXPECT_EQ((std::vector<int>{4, 5, 6, 7, 8, 1, 2, 3}), row());
    reset();
    ASSERT_EQ(1, scroll_image(&image, 8, 0));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}), row());
    ASSERT_EQ(1, scroll_image(&image, -19, 0));
    EXPECT_EQ((std::vector<int>{4, 5, 6, 7, 8, 1, 2, 3}), row());
    reset();
    EXPECT_EQ(1, scroll_image(&image, 0, 5));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}), row());
    EXPECT_EQ(0, scroll_image(&image, 0, 0));
    EXPECT_EQ(0, scroll_image(nullptr, 1, 0));

    BitmapImage other{};
    ASSERT_EQ(1, create_image(&other, 0, 0, 4, 4, 8));
    ASSERT_EQ(1, copy_image(&other, 1, 2, &image, 5, 0, 3, 2));
    EXPECT_EQ(6, other.buffer[2 * 4 + 1]);
    EXPECT_EQ(16, other.buffer[3 * 4 + 3]);
    EXPECT_EQ(0, other.buffer[2 * 4 + 0]);
    EXPECT_EQ(0, copy_image(&other, 2, 2, &image, 5, 0, 3, 2)) << "past the destination";
    EXPECT_EQ(0, copy_image(&other, 0, 0, &image, 6, 0, 3, 2)) << "past the source";
    ASSERT_EQ(1, copy_image(&image, 1, 0, &image, 0, 0, 7, 2)) << "within one image";
    EXPECT_EQ((std::vector<int>{1, 1, 2, 3, 4, 5, 6, 7}), row());
    destroy_image(&other);
}

TEST_F(DisplayTest, SurfaceCellsLoadFromTheBitmap) {
    BmpLayout layout;
    layout.width = 40;
    layout.height = -30;
    for (int i = 0; i < 40 * 30; ++i)
        layout.rows.push_back(static_cast<std::uint8_t>(i % 40 + i / 40));
    BitmapFile f{};
    ASSERT_EQ(1, load(&f, make_bmp(layout)));
    DirectDrawSurface* s = create_surface(8, 6, 0, 0);
    ASSERT_EQ(1, load_surface8(&f, s, 1, 2));  // starts at (10, 15)
    EXPECT_EQ(25, pixel8(s, 0, 0));
    EXPECT_EQ(25 + 7 + 5, pixel8(s, 7, 5));
    EXPECT_EQ(0, load_surface8(&f, s, 4, 0)) << "cell 4 ends at 45, past the width";
    EXPECT_EQ(0, load_surface8(nullptr, s, 0, 0));
    unload_bitmap_file(&f);
    EXPECT_EQ(0, load_surface8(&f, s, 0, 0)) << "nothing loaded";
}
