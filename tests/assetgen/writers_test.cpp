// The generator's file writers and melody notation: bitmaps read back through
// the library's parser, the WAV layout, MIDI variable-length numbers, event
// order and clamping, and the note text of the composer.
#include <cstring>
#include <string>
#include <vector>

#include "bmp_writer.h"
#include "midi_writer.h"
#include "raster/bitmap.h"
#include "test_util.h"
#include "tunes.h"
#include "wav_writer.h"

namespace {

std::string vlq(std::uint32_t v) {
    std::string s;
    put_vlq(s, v);
    return s;
}

std::uint32_t le32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
    return v;
}

}  // namespace

TEST(BmpWriter, RoundTripsThroughTheLibraryParser) {
    Rgb colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                      static_cast<std::uint8_t>(i / 2)};
    std::vector<std::uint8_t> rows(8 * 3);
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>(i * 7);
    std::string file = encode_bmp8(8, 3, rows.data(), colours);
    ASSERT_EQ(1078u + 24u, file.size());
    BitmapFile bf{};
    const char* reason = nullptr;
    ASSERT_EQ(1, parse_bitmap(&bf, reinterpret_cast<const std::uint8_t*>(file.data()), file.size(),
                              &reason))
        << (reason ? reason : "");
    EXPECT_EQ(8, bf.info_header.biWidth);
    EXPECT_EQ(3, bf.info_header.biHeight);
    EXPECT_EQ(0, std::memcmp(rows.data(), bf.buffer, rows.size()));  // top row first again
    EXPECT_EQ(200, bf.palette[200].peRed);
    EXPECT_EQ(55, bf.palette[200].peGreen);
    EXPECT_EQ(100, bf.palette[200].peBlue);
    unload_bitmap_file(&bf);
    // the last stored row is the picture's top row
    EXPECT_EQ(rows[0], static_cast<std::uint8_t>(file[1078 + 16]));
}

TEST(BmpWriter, RefusesWidthsThatNeedFillBytes) {
    Rgb colours[256] = {};
    std::vector<std::uint8_t> rows(64);
    EXPECT_TRUE(encode_bmp8(6, 2, rows.data(), colours).empty());
    EXPECT_TRUE(encode_bmp8(0, 2, rows.data(), colours).empty());
    EXPECT_TRUE(encode_bmp8(4, 0, rows.data(), colours).empty());
    EXPECT_TRUE(encode_bmp8(4, 2, nullptr, colours).empty());
    EXPECT_EQ(0, write_bmp8(temp_path("x.bmp").c_str(), 6, 2, rows.data(), colours));
}

TEST(WavWriter, EighteenByteFormatAndPaddedOddData) {
    std::vector<std::uint8_t> samples = {128, 200, 56};
    std::string w = encode_wav8(samples, 11025);
    EXPECT_EQ("RIFF", w.substr(0, 4));
    EXPECT_EQ(w.size() - 8, le32(w, 4));
    EXPECT_EQ("WAVEfmt ", w.substr(8, 8));
    EXPECT_EQ(18u, le32(w, 16));
    EXPECT_EQ(0, w[36] | w[37]);  // no extra format bytes
    EXPECT_EQ("data", w.substr(38, 4));
    EXPECT_EQ(3u, le32(w, 42));
    EXPECT_EQ(std::string("\x80\xC8\x38", 3), w.substr(46, 3));
    EXPECT_EQ(50u, w.size());  // the pad byte after an odd data chunk
}

TEST(MidiWriter, VariableLengthNumbers) {
    EXPECT_EQ(std::string("\x00", 1), vlq(0));
    EXPECT_EQ("\x7F", vlq(127));
    EXPECT_EQ(std::string("\x81\x00", 2), vlq(128));
    EXPECT_EQ(std::string("\xC0\x00", 2), vlq(0x2000));
    EXPECT_EQ("\xFF\xFF\x7F", vlq(0x1FFFFF));
    EXPECT_EQ("\xFF\xFF\xFF\x7F", vlq(0x0FFFFFFF));
    EXPECT_EQ("\xFF\xFF\xFF\x7F", vlq(0xFFFFFFFF));  // cut to the largest
}

TEST(MidiWriter, ReleasesBeforeStrikingAgainAndClampsIntoTheSong) {
    MidiSong song;
    song.division = 96;
    song.length = 192;
    MidiTrack t;
    t.channel = 2;
    t.program = 200;  // clamped to 127
    t.notes = {{0, 96, 60, 100}, {96, 96, 60, 300}, {150, 500, 64, 80}, {400, 10, 67, 80}};
    song.tracks = {t};
    std::string m = encode_midi(song);
    ASSERT_EQ("MThd", m.substr(0, 4));
    EXPECT_EQ(std::string("\x00\x01\x00\x02\x00\x60", 6), m.substr(8, 6));
    std::size_t second = m.find("MTrk", 14 + 8);
    ASSERT_NE(std::string::npos, second);
    std::string body = m.substr(second + 8);
    EXPECT_NE(std::string::npos, body.find(std::string("\xC2\x7F", 2)));
    // at tick 96 the first note is released before the same key sounds again
    std::size_t off = body.find(std::string("\x60\x82\x3C\x40", 4));
    std::size_t on = body.find(std::string("\x00\x92\x3C\x7F", 4));
    ASSERT_NE(std::string::npos, off);
    ASSERT_NE(std::string::npos, on);
    EXPECT_LT(off, on);
    EXPECT_EQ(std::string::npos, body.find(std::string("\x92\x43", 2)));  // past the end: dropped
    EXPECT_EQ(std::string("\xFF\x2F\x00", 3), body.substr(body.size() - 3));
    EXPECT_TRUE(encode_midi(MidiSong{}).empty());
}

TEST(Melody, DegreesOctavesAccidentalsAndLengths) {
    MidiTrack t;
    std::uint32_t end =
        add_melody(t, "1q 3e 5e | 1'h. 7,s #4s b7q r q 2.", 60, false, 100, 90, 480);
    EXPECT_EQ(100u, end);  // "2." has no length: nothing is added
    EXPECT_TRUE(t.notes.empty());
    end = add_melody(t, "1q 3e 5e | 1'h. 7,s #4s b7q rq", 60, false, 100, 90, 480);
    ASSERT_EQ(7u, t.notes.size());
    const int keys[7] = {60, 64, 67, 72, 59, 66, 70};
    const std::uint32_t starts[7] = {100, 580, 820, 1060, 2500, 2620, 2740};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(keys[i], t.notes[i].key) << i;
        EXPECT_EQ(starts[i], t.notes[i].start) << i;
    }
    EXPECT_EQ(2740u + 480u + 480u, end);
    MidiTrack minor;
    add_melody(minor, "3q 6q 7q", 62, true, 0, 90, 480);
    EXPECT_EQ(65, minor.notes[0].key);  // F over D
    EXPECT_EQ(70, minor.notes[1].key);
    EXPECT_EQ(72, minor.notes[2].key);
}

TEST(Tunes, EveryTuneHasItsNameAndNoOtherNumberMakesOne) {
    for (int t = 0; t < TUNE_COUNT; ++t) {
        MidiSong s = compose_tune(t);
        EXPECT_FALSE(s.tracks.empty()) << t;
        EXPECT_FALSE(tune_file_name(t).empty());
        for (const MidiTrack& track : s.tracks)
            for (const MidiNote& n : track.notes) {
                ASSERT_LT(n.start, s.length) << tune_file_name(t) << " " << track.name;
                ASSERT_GE(n.key, 24) << track.name;
                ASSERT_LE(n.key, 100) << track.name;
                ASSERT_GE(n.velocity, 1);
                ASSERT_LE(n.velocity, 127);
            }
    }
    EXPECT_TRUE(compose_tune(-1).tracks.empty());
    EXPECT_TRUE(compose_tune(TUNE_COUNT).tracks.empty());
    EXPECT_EQ("", tune_file_name(4));
    EXPECT_EQ(0, write_tune(temp_path("none.mid").c_str(), 9));
}
