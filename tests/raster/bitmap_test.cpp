#include "raster/bitmap.h"

#include <numeric>

#include "../gfx/display_fixture.h"
#include "raster/bitmap_decode.h"
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
    std::vector<std::uint8_t> rows;    // stored rows, padding included; empty: made up
    std::vector<std::uint32_t> masks;  // behind a 40-byte header, or inside a larger one
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
    std::uint32_t colors = b.bits <= 8 ? (b.colors_used ? b.colors_used : 1u << b.bits) : 0;
    std::uint32_t entry = b.header == 12 ? 3 : 4;  // the older header's table has no reserved byte
    std::uint32_t behind = b.header == 40 ? 4 * static_cast<std::uint32_t>(b.masks.size()) : 0;
    std::uint32_t offset = 14 + b.header + behind + entry * colors + b.gap;
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
    if (b.header == 12) {
        put16(s, b.width);
        put16(s, b.height);
        put16(s, 1);
        put16(s, b.bits);
    }
    if (b.header != 12) put32(s, static_cast<std::uint32_t>(b.width));
    if (b.header != 12) {
        put32(s, static_cast<std::uint32_t>(b.height));
        put16(s, 1);
        put16(s, b.bits);
        put32(s, b.compression);
        put32(s, b.size_image);
        put32(s, 2835);
        put32(s, 2835);
        put32(s, b.colors_used);
        put32(s, 0);
        std::string masks;
        for (std::uint32_t m : b.masks) put32(masks, m);
        if (b.header == 40) s += masks;
        // the larger headers' masks and colour space
        if (b.header > 40) s += (masks + std::string(b.header, '\x55')).substr(0, b.header - 40);
    }
    for (std::uint32_t i = 0; i < colors; ++i) {  // blue, green, red (, reserved)
        s += static_cast<char>(i);
        s += static_cast<char>(i + 1);
        s += static_cast<char>(i + 2);
        if (entry == 4) s += '\0';
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
}

// The 16-bit pixels of a loaded file, or the 8-bit indices widened.
std::vector<int> pixels_of(const BitmapFile& f) {
    std::vector<int> out;
    int n = f.info_header.biWidth * f.info_header.biHeight;
    for (int i = 0; i < n; ++i) {
        if (f.info_header.biBitCount == 16)
            out.push_back(reinterpret_cast<const std::uint16_t*>(f.buffer)[i]);
        else
            out.push_back(f.buffer[i]);
    }
    return out;
}

TEST_F(Bitmaps, SixteenAndTwentyFourBitSavesOfOnePictureGiveTheSameWords) {
    // A 13 x 7 picture of colours that 5.5.5 holds exactly, saved at 24 bits,
    // at 16 bits plain (5.5.5) and at 16 bits with 5.6.5 masks.
    BmpLayout b24, b555, b565;
    b24.bits = 24;
    b555.bits = b565.bits = 16;
    b565.compression = 3;
    b565.masks = {0xF800, 0x07E0, 0x001F};
    for (BmpLayout* b : {&b24, &b555, &b565}) {
        b->width = 13;
        b->height = 7;
    }
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 13; ++x) {
            int r = (x * 5 + y) % 32 * 255 / 31, g = (x * 3 + y * 7) % 32 * 255 / 31,
                bl = (x + y * 11) % 32 * 255 / 31;
            b24.rows.insert(b24.rows.end(), {std::uint8_t(bl), std::uint8_t(g), std::uint8_t(r)});
            int w555 = (r >> 3) << 10 | (g >> 3) << 5 | bl >> 3;
            int w565 = (r >> 3) << 11 | (g >> 2) << 5 | bl >> 3;
            b555.rows.insert(b555.rows.end(), {std::uint8_t(w555), std::uint8_t(w555 >> 8)});
            b565.rows.insert(b565.rows.end(), {std::uint8_t(w565), std::uint8_t(w565 >> 8)});
        }
        b24.rows.insert(b24.rows.end(), 1, 0);  // 39 bytes padded to 40
        b555.rows.insert(b555.rows.end(), 2, 0);
        b565.rows.insert(b565.rows.end(), 2, 0);
    }
    std::int32_t saved = pixel_format;
    for (int format : {16, 15}) {
        pixel_format = format;
        ASSERT_EQ(1, load(&file, make_bmp(b24)));
        std::vector<int> want = pixels_of(file);
        for (const BmpLayout* b : {&b555, &b565}) {
            ASSERT_EQ(1, load(&file, make_bmp(*b))) << b->compression;
            EXPECT_EQ(want, pixels_of(file)) << "format " << format << ", masks " << b->compression;
        }
    }
    // 0x1234 is red 4, green 17, blue 20 of 31: on 5.6.5 green becomes 34 of 63.
    pixel_format = 16;
    b555.width = b555.height = 1;
    b555.rows = {0x34, 0x12, 0, 0};
    ASSERT_EQ(1, load(&file, make_bmp(b555)));
    EXPECT_EQ(0x2454, reinterpret_cast<std::uint16_t*>(file.buffer)[0]);
    pixel_format = saved;
}

TEST_F(Bitmaps, MaskedAndThirtyTwoBitPixelsConvertLikeTwentyFour) {
    std::int32_t saved = pixel_format;
    pixel_format = 16;
    auto one = [&](int bits, std::uint32_t compression, std::uint32_t header,
                   std::vector<std::uint32_t> masks, std::vector<std::uint8_t> bytes) {
        BmpLayout b;
        b.width = b.height = 1;
        b.bits = bits;
        b.compression = compression;
        b.header = header;
        b.masks = masks;
        b.rows = bytes;
        b.rows.resize(4, 0);
        const char* why = nullptr;
        if (!load(&file, make_bmp(b), &why)) return -1;
        EXPECT_EQ(nullptr, why);
        EXPECT_EQ(16, file.info_header.biBitCount);
        return int(reinterpret_cast<std::uint16_t*>(file.buffer)[0]);
    };
    const int teal = rgb16_565(0x30, 0x20, 0x10);
    EXPECT_EQ(teal, one(24, 0, 40, {}, {0x10, 0x20, 0x30}));
    EXPECT_EQ(teal, one(32, 0, 40, {}, {0x10, 0x20, 0x30, 0x99})) << "the fourth byte is unused";
    EXPECT_EQ(teal, one(32, 3, 124, {0xFF, 0xFF00, 0xFF0000}, {0x30, 0x20, 0x10, 0}));
    EXPECT_EQ(teal, one(32, 3, 40, {0, 0, 0}, {0x10, 0x20, 0x30, 0})) << "empty masks: the usual";
    EXPECT_EQ(teal, one(32, 6, 40, {0xFF000000, 0xFF0000, 0xFF00, 0xFF}, {0, 0x10, 0x20, 0x30}));
    EXPECT_EQ(teal, one(24, 3, 56, {0xFF0000, 0xFF00, 0xFF}, {0x10, 0x20, 0x30}));
    // Channels of other widths are scaled to 0..255 first, truncating.
    EXPECT_EQ(rgb16_565(255, 136, 0), one(16, 3, 40, {0x0F00, 0x00F0, 0x000F}, {0x80, 0x0F}));
    EXPECT_EQ(rgb16_565(255, 127, 0),
              one(32, 3, 108, {0x3FF00000, 0xFFC00, 0x3FF}, {0, 0, 0xF8, 0x3F}));
    EXPECT_EQ(0xF800, one(16, 3, 52, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8}));
    EXPECT_EQ(rgb16_565(0, 255, 0), one(16, 3, 40, {0, 0xFFFF, 0}, {0xFF, 0xFF})) << "no red";
    EXPECT_EQ(-1, one(16, 3, 40, {0x1F0000, 0x07E0, 0x001F}, {})) << "red beyond 16 bits";
    pixel_format = saved;
}

TEST_F(Bitmaps, IndicesOfOneTwoAndFourBitsAndTheOlderHeader) {
    // 13 pixels a row at 1 bit, 5 at 2 bits, 3 at 4 bits: rows padded to 4 bytes.
    BmpLayout one_bit, two_bits, four_bits;
    one_bit.bits = 1;
    one_bit.width = 13;
    one_bit.rows = {0b10110011, 0b10001000, 0, 0, 0b01000000, 0b00111000, 0, 0};
    two_bits.bits = 2;
    two_bits.width = 5;
    two_bits.rows = {0b00011011, 0b11000000, 0, 0, 0b11100100, 0b01000000, 0, 0};
    four_bits.bits = 4;
    four_bits.width = 3;
    four_bits.rows = {0x12, 0x30, 0, 0, 0xF0, 0x0E, 0, 0};
    struct Want {
        const BmpLayout* layout;
        std::vector<int> pixels;  // top row first: the second row stored
    };
    for (const Want& w :
         {Want{&one_bit,
               {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1,
                1, 0, 1, 1, 0, 0, 1, 1, 1, 0, 0, 0, 1}},  // the second stored row, then the first
          Want{&two_bits, {3, 2, 1, 0, 1, 0, 1, 2, 3, 3}}, Want{&four_bits, {15, 0, 0, 1, 2, 3}}}) {
        ASSERT_EQ(1, load(&file, make_bmp(*w.layout))) << w.layout->bits;
        EXPECT_EQ(8, file.info_header.biBitCount);
        EXPECT_EQ(w.pixels, pixels_of(file)) << w.layout->bits;
        int colors = 1 << w.layout->bits;
        EXPECT_EQ(colors + 1, file.palette[colors - 1].peRed) << "the whole table is read";
        EXPECT_EQ(0, file.palette[colors].peFlags);
    }
    // The 12-byte header: word sides, a table of blue, green, red without a reserved byte.
    BmpLayout core;
    core.header = 12;
    core.width = 3;
    core.bits = 8;
    ASSERT_EQ(1, load(&file, make_bmp(core)));
    EXPECT_EQ(12u, file.info_header.biSize);
    EXPECT_EQ(3, file.info_header.biWidth);
    EXPECT_EQ(stored_byte(1, 0), file.buffer[0]);
    EXPECT_EQ(202, file.palette[200].peRed);
    EXPECT_EQ(200, file.palette[200].peBlue);
    core.bits = 24;
    core.width = 1;
    core.height = 1;
    core.rows = {0x10, 0x20, 0x30, 0};
    ASSERT_EQ(1, load(&file, make_bmp(core)));
    EXPECT_EQ(display_color16(0x30, 0x20, 0x10), reinterpret_cast<std::uint16_t*>(file.buffer)[0]);
}

TEST_F(Bitmaps, RunLengthStreamsDecodeRunsLiteralsDeltasAndRowEnds) {
    // Rows are coded bottom first; a delta moves right and up, leaving 0 behind.
    BmpLayout rle8;
    rle8.width = 5;
    rle8.height = 3;
    rle8.compression = 1;
    rle8.rows = {2, 7, 0, 3, 1, 2, 3, 0, 0, 0,  // a run of 2, three stored, a fill byte, row end
                 0, 2, 2, 1,                    // delta: two right, one up
                 2, 5, 0, 1};                   // a run of 2, the end
    const char* why = "not cleared";
    ASSERT_EQ(1, load(&file, make_bmp(rle8), &why));
    EXPECT_EQ(nullptr, why);
    EXPECT_EQ((std::vector<int>{0, 0, 5, 5, 0, 0, 0, 0, 0, 0, 7, 7, 1, 2, 3}), pixels_of(file));

    BmpLayout rle4 = rle8;
    rle4.bits = 4;
    rle4.compression = 2;
    rle4.rows = {
        2, 0x12, 0,    3,    0x34, 0x50, 0, 0,   // run 1 2, three stored (two bytes), row end
        0, 5,    0x67, 0x89, 0xA0, 0,    0, 0,   // five stored: three bytes and a fill byte
        0, 2,    1,    0,    4,    0xAB, 0, 1};  // one right, a run of alternating A B
    ASSERT_EQ(1, load(&file, make_bmp(rle4), &why));
    EXPECT_EQ(nullptr, why);
    EXPECT_EQ((std::vector<int>{0, 10, 11, 10, 11, 6, 7, 8, 9, 10, 1, 2, 3, 4, 5}),
              pixels_of(file));
    EXPECT_EQ(17, file.palette[15].peRed);
    EXPECT_EQ(8, file.info_header.biBitCount);
    EXPECT_EQ(15u, file.info_header.biSizeImage);
}

TEST_F(Bitmaps, DamagedRunLengthStreamsDecodeWhatTheyCan) {
    // 4 x 2 pictures; the bottom row is coded first and is the second in the buffer.
    struct Damage {
        std::vector<std::uint8_t> stream;
        const char* what;  // null: whole
        std::vector<int> pixels;
        bool four = false;
    };
    const std::vector<Damage> cases = {
        {{6, 5, 0, 1}, "run past the end of a row", {0, 0, 0, 0, 5, 5, 5, 5}},
        {{0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, "run past the end of a row", {0, 0, 0, 0, 1, 2, 3, 4}},
        {{5, 0x12, 0, 1}, "run past the end of a row", {0, 0, 0, 0, 1, 2, 1, 2}, true},
        {{3, 1, 2, 2, 0, 1}, "run past the end of a row", {0, 0, 0, 0, 1, 1, 1, 2}},
        {{1, 3, 0, 2, 5, 0, 1, 9}, "delta past the end of the picture", {0, 0, 0, 0, 3, 0, 0, 0}},
        {{0, 2, 0, 2, 1, 9}, "delta past the end of the picture", {0, 0, 0, 0, 0, 0, 0, 0}},
        {{0, 4, 1, 2}, "stream cut short", {0, 0, 0, 0, 1, 2, 0, 0}},
        {{0, 3, 0x12}, "stream cut short", {0, 0, 0, 0, 1, 2, 0, 0}, true},
        {{0, 2, 1}, "stream cut short", {0, 0, 0, 0, 0, 0, 0, 0}},
        {{2, 9, 0}, "stream cut short", {0, 0, 0, 0, 9, 9, 0, 0}},
        {{}, "stream cut short", {0, 0, 0, 0, 0, 0, 0, 0}},
        {{0, 0, 0, 0, 2, 1, 0, 1}, "runs past the last row", {0, 0, 0, 0, 0, 0, 0, 0}},
        {{0, 0, 0, 0, 0, 3, 1, 2, 3, 0}, "runs past the last row", {0, 0, 0, 0, 0, 0, 0, 0}},
        {{4, 1, 0, 0, 4, 2}, nullptr, {2, 2, 2, 2, 1, 1, 1, 1}},  // no end mark after the last row
        {{4, 1, 0, 0, 0, 0}, nullptr, {0, 0, 0, 0, 1, 1, 1, 1}},
    };
    for (const Damage& d : cases) {
        BmpLayout b;
        b.width = 4;
        b.bits = d.four ? 4 : 8;
        b.compression = d.four ? 2 : 1;
        b.rows = d.stream.empty() ? std::vector<std::uint8_t>{0} : d.stream;
        std::string bytes = make_bmp(b);
        if (d.stream.empty()) bytes.pop_back();  // the file ends where the stream would start
        // The stream is copied to a block of its own size, so a sanitized build
        // sees any read past its end.
        std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
        const char* why = "not cleared";
        ASSERT_EQ(1, parse_bitmap(&file, exact.data(), exact.size(), &why)) << d.stream.size();
        EXPECT_STREQ(d.what, why) << d.stream.size();
        EXPECT_EQ(d.pixels, pixels_of(file)) << (d.what ? d.what : "whole");
    }
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
    with([](BmpLayout& s) { s.compression = 4; }, "holds a JPEG or PNG picture");
    with([](BmpLayout& s) { s.compression = 7; }, "unknown compression");
    with([](BmpLayout& s) { s.compression = 2; }, "run-length coding for another depth");
    with([](BmpLayout& s) { s.compression = 3; }, "colour masks for a depth below 16 bits");
    with([](BmpLayout& s) { s.bits = 3; }, "depth not 1, 2, 4, 8, 16, 24 or 32 bits");
    with([](BmpLayout& s) { s.bits = 48; }, "depth not 1, 2, 4, 8, 16, 24 or 32 bits");
    with([](BmpLayout& s) { s.header = 64; }, "info header size not 12, 40, 52, 56, 108 or 124");
    with(
        [](BmpLayout& s) {
            s.bits = 16;
            s.compression = 3;  // and no masks behind the header
        },
        "colour masks missing");
    with(
        [](BmpLayout& s) {
            s.bits = 16;
            s.compression = 3;
            s.masks = {0xF800, 0x0FE0, 0x001F};  // red and green share a bit
        },
        "colour masks invalid");
    with(
        [](BmpLayout& s) {
            s.bits = 32;
            s.compression = 3;
            s.header = 124;
            s.masks = {0xFF0000, 0xF0F0, 0xFF};  // not one run of bits
        },
        "colour masks invalid");
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
    std::string damaged = temp_path("damaged.bmp");
    BmpLayout packed;
    packed.compression = 2;
    write_file(bad, make_bmp(packed));
    packed.compression = 1;
    packed.rows = {2, 9};  // two pixels, then nothing: no end of the row or the picture
    write_file(damaged, make_bmp(packed));
    ASSERT_EQ(1, open_error_file(log.c_str()));
    EXPECT_EQ(1, load_bitmap_file(&file, damaged.c_str()));
    EXPECT_EQ(9, file.buffer[3]);
    EXPECT_EQ(1, load_bitmap_file(&file, good.c_str()));
    EXPECT_EQ(0, load_bitmap_file(&file, bad.c_str()));
    EXPECT_EQ(0, load_bitmap_file(&file, "/nonexistent-dir/x.bmp"));
    close_error_file();
    std::string text = read_file(log);
    EXPECT_NE(std::string::npos, text.find("bitmap damaged, stream cut short: "));
    EXPECT_NE(std::string::npos, text.find("bitmap refused, run-length coding for another depth"));
    EXPECT_NE(std::string::npos, text.find("bitmap refused, no such file: /nonexistent-dir/x.bmp"));

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
