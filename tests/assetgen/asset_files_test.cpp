// The files the generator wrote into the build tree, checked against the
// conventions the game relies on, read back through the library's loaders the
// way start-up reads them, and made twice to show that they do not change.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "assetgen.h"
#include "gfx/bob.h"
#include "gfx/display_fixture.h"
#include "gfx/palette.h"
#include "raster/bitmap.h"
#include "test_util.h"

namespace {

std::string asset_path(const std::string& name) {
    return std::string(V17_ASSET_DIR) + "/" + name;
}

std::uint32_t u32(const std::string& b, std::size_t at) {
    if (at + 4 > b.size()) return 0;
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
           static_cast<std::uint8_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
std::uint32_t u16(const std::string& b, std::size_t at) {
    if (at + 2 > b.size()) return 0;
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8;
}
std::uint32_t be32(const std::string& b, std::size_t at) {
    if (at + 4 > b.size()) return 0;
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at])) << 24 |
           static_cast<std::uint8_t>(b[at + 1]) << 16 | static_cast<std::uint8_t>(b[at + 2]) << 8 |
           static_cast<std::uint8_t>(b[at + 3]);
}

// A bitmap read through the library's loader: the pixels top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    PALETTEENTRY palette[256];
    int at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Picture load(const std::string& name) {
    Picture p;
    BitmapFile bf{};
    if (!load_bitmap_file(&bf, asset_path(name).c_str())) return p;
    p.width = bf.info_header.biWidth;
    p.height = bf.info_header.biHeight;
    p.pixels.assign(bf.buffer, bf.buffer + static_cast<std::size_t>(p.width) * p.height);
    std::copy(bf.palette, bf.palette + 256, p.palette);
    unload_bitmap_file(&bf);
    return p;
}

// the w x h cell (cx, cy) of a sheet, as the cell rule cuts it
Picture cell(const Picture& sheet, int w, int h, int cx, int cy) {
    Picture c;
    c.width = w;
    c.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            c.pixels.push_back(
                static_cast<std::uint8_t>(sheet.at(cx * (w + 1) + 1 + x, cy * (h + 1) + 1 + y)));
    return c;
}

int count_in_row(const Picture& p, int y, int colour) {
    int n = 0;
    for (int x = 0; x < p.width; ++x) n += p.at(x, y) == colour;
    return n;
}

struct SheetSpec {
    const char* name;
    int w, h, columns, rows;
};

const SheetSpec SHEETS[] = {{"QUENSP0.BMP", 72, 74, 4, 2},     {"QUENSP1.BMP", 72, 74, 4, 2},
                            {"QUENSP2.BMP", 72, 74, 4, 2},     {"QUENSP3.BMP", 72, 74, 4, 2},
                            {"PAINT.BMP", 31, 33, 1, 1},       {"Platform.BMP", 100, 60, 1, 1},
                            {"trapdoor.BMP", 100, 60, 1, 1},   {"spikeleft.BMP", 400, 400, 1, 1},
                            {"SpikeDown.BMP", 400, 400, 1, 1}, {"spikeright.BMP", 400, 400, 1, 1},
                            {"spikeup.BMP", 400, 400, 1, 1},   {"Wall.BMP", 180, 180, 1, 1},
                            {"Door.BMP", 80, 100, 1, 1}};

// the player's frame f (0 .. 31) as start-up cuts it from its file
Picture player_cell(int f) {
    static std::map<int, Picture> files;
    int file = f / 8, i = f % 8;
    if (!files.count(file)) files[file] = load("QUENSP" + std::to_string(file) + ".BMP");
    return cell(files[file], 72, 74, i % 4, i / 4);
}

}  // namespace

TEST(AssetFiles, EveryBitmapIsEightBitBottomUpWithTheSharedPalette) {
    PALETTEENTRY shared[256];
    ASSERT_EQ(1, load_palette_file(asset_path("PALDATA2.PAL").c_str(), shared));
    for (const std::string& name : asset_file_names()) {
        if (name.find(".BMP") == std::string::npos) continue;
        SCOPED_TRACE(name);
        std::string b = read_file(asset_path(name));
        ASSERT_GT(b.size(), 1078u);
        EXPECT_EQ("BM", b.substr(0, 2));
        std::uint32_t w = u32(b, 18), h = u32(b, 22);
        EXPECT_EQ(b.size(), u32(b, 2));
        EXPECT_EQ(1078u, u32(b, 10));  // pixels right behind the 256-entry colour table
        EXPECT_EQ(40u, u32(b, 14));
        EXPECT_EQ(8u, u16(b, 28));
        EXPECT_EQ(0u, u32(b, 30));
        EXPECT_EQ(w * h, u32(b, 34));  // biSizeImage set, rows without fill bytes
        EXPECT_EQ(0u, w % 4);
        EXPECT_LT(h, 0x80000000u);  // positive height: bottom-up
        EXPECT_EQ(b.size(), 1078u + w * h);
        Picture p = load(name);
        ASSERT_EQ(static_cast<int>(w), p.width);
        for (int i = 0; i < 256; ++i) {
            EXPECT_EQ(shared[i].peRed, p.palette[i].peRed) << i;
            EXPECT_EQ(shared[i].peGreen, p.palette[i].peGreen) << i;
            EXPECT_EQ(shared[i].peBlue, p.palette[i].peBlue) << i;
        }
    }
    EXPECT_EQ(0, shared[0].peRed + shared[0].peGreen + shared[0].peBlue);  // index 0 black
    for (int i = 1; i < 256; ++i)  // the ground colour is a colour of its own
        EXPECT_FALSE(shared[i].peRed == shared[116].peRed &&
                     shared[i].peGreen == shared[116].peGreen &&
                     shared[i].peBlue == shared[116].peBlue && i != 116)
            << i;
}

TEST(AssetFiles, PicturesAndSheetsHaveTheirSizes) {
    for (int n = 0; n < 5; ++n) {
        Picture p = load("LANDSCAPE" + std::to_string(n) + ".BMP");
        EXPECT_EQ(1280, p.width) << n;
        EXPECT_EQ(1024, p.height) << n;
    }
    for (const SheetSpec& s : SHEETS) {
        Picture p = load(s.name);
        EXPECT_GE(p.width, s.columns * (s.w + 1) + 1) << s.name;
        EXPECT_GE(p.height, s.rows * (s.h + 1) + 1) << s.name;
    }
}

TEST(AssetFiles, GroundColourOnlyInTheLevelFloorAndOnThePlatformTop) {
    Picture level = load("LANDSCAPE3.BMP");
    ASSERT_EQ(1024, level.height);
    for (int y = 0; y < 1024; ++y)
        ASSERT_EQ(y >= 930 ? 1280 : 0, count_in_row(level, y, 116)) << "row " << y;
    for (int n : {0, 1, 2, 4}) {
        Picture p = load("LANDSCAPE" + std::to_string(n) + ".BMP");
        EXPECT_EQ(p.pixels.end(), std::find(p.pixels.begin(), p.pixels.end(), 116)) << n;
    }
    for (const SheetSpec& s : SHEETS) {
        if (std::string(s.name) == "Platform.BMP") continue;
        Picture p = load(s.name);
        EXPECT_EQ(p.pixels.end(), std::find(p.pixels.begin(), p.pixels.end(), 116)) << s.name;
    }
    // the platform: ground from row 8 over nearly its width, none above it
    Picture plat = cell(load("Platform.BMP"), 100, 60, 0, 0);
    for (int y = 0; y < 8; ++y) EXPECT_EQ(0, count_in_row(plat, y, 116)) << y;
    EXPECT_GE(count_in_row(plat, 8, 116), 90);
}

TEST(AssetFiles, PlayerFramesStandOnRowSixtyTwoWithinTheirColumns) {
    for (int f = 0; f < 32; ++f) {
        SCOPED_TRACE(f);
        Picture p = player_cell(f);
        int lowest = -1, left = 72, right = -1;
        for (int y = 0; y < 74; ++y)
            for (int x = 0; x < 72; ++x)
                if (p.at(x, y)) lowest = y, left = std::min(left, x), right = std::max(right, x);
        ASSERT_GE(lowest, 0) << "empty frame";
        EXPECT_GE(left, 12);
        EXPECT_LE(right, 44);
        if (f < 16) {
            EXPECT_EQ(62, lowest);  // standing and walking: the feet on row 62
        }
        EXPECT_LE(lowest, 62);  // rows 63 .. 73 stay clear in every frame
        for (int x = 0; x < 72; ++x) EXPECT_EQ(0, p.at(x, 0));  // index 0 around the figure
    }
    // the left-facing frames mirror the right-facing ones about column 28
    Picture right = player_cell(3), left = player_cell(11);
    for (int y = 0; y < 74; ++y)
        for (int x = 12; x <= 44; ++x)
            ASSERT_EQ(right.at(x, y), left.at(56 - x, y)) << x << "," << y;
}

TEST(AssetFiles, PointerAimsAtItsHotSpot) {
    Picture p = cell(load("PAINT.BMP"), 31, 33, 0, 0);
    int left = 31, right = -1, top = 33, bottom = -1, zeros = 0;
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 31; ++x) {
            if (!p.at(x, y)) {
                ++zeros;
                continue;
            }
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    EXPECT_NE(0, p.at(16, 16));
    EXPECT_GT(zeros, 200);
    EXPECT_EQ(32, left + right);  // centred on column 16
    EXPECT_EQ(32, top + bottom);  // and on row 16
    EXPECT_EQ(0, p.at(0, 0));
}

TEST(AssetFiles, SpikesPointTheirWayAndStaySpikesAtThirtyPixels) {
    const char* names[4] = {"spikeup.BMP", "spikeright.BMP", "SpikeDown.BMP", "spikeleft.BMP"};
    Picture up = cell(load(names[0]), 400, 400, 0, 0);
    for (int d = 1; d < 4; ++d) {  // each is the up spike turned d quarter turns clockwise
        Picture p = cell(load(names[d]), 400, 400, 0, 0);
        for (int y = 0; y < 400; y += 7)
            for (int x = 0; x < 400; x += 7) {
                int sx = x, sy = y;
                for (int k = 0; k < d; ++k) std::swap(sx, sy), sy = 399 - sy;
                ASSERT_EQ(up.at(sx, sy), p.at(x, y)) << names[d] << " " << x << "," << y;
            }
    }
    // shrunk to 30 x 30 by nearest sampling: blades narrow towards their points
    Picture small;
    small.width = small.height = 30;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            small.pixels.push_back(static_cast<std::uint8_t>(up.at(x * 400 / 30, y * 400 / 30)));
    int previous = 0, tip_row = -1;
    for (int y = 0; y < 30; ++y) {
        int filled = 30 - count_in_row(small, y, 0);
        if (filled && tip_row < 0) tip_row = y;
        EXPECT_GE(filled + 1, previous) << "row " << y;
        previous = filled;
    }
    EXPECT_GE(tip_row, 2);  // points below the top edge, with air around them
    EXPECT_EQ(30, 30 - count_in_row(small, 29, 0));  // the base is solid
    EXPECT_LE(30 - count_in_row(small, tip_row + 2, 0), 12);
}

TEST(AssetFiles, SceneryShapes) {
    Picture wall = cell(load("Wall.BMP"), 180, 180, 0, 0);
    EXPECT_EQ(wall.pixels.end(), std::find(wall.pixels.begin(), wall.pixels.end(), 0));
    Picture door = cell(load("Door.BMP"), 80, 100, 0, 0);
    EXPECT_EQ(0, count_in_row(door, 99, 0));  // standing on its bottom row
    EXPECT_EQ(0, door.at(0, 0));
    EXPECT_EQ(0, door.at(79, 0));
    Picture plat = cell(load("Platform.BMP"), 100, 60, 0, 0);
    Picture trap = cell(load("trapdoor.BMP"), 100, 60, 0, 0);
    int differ = 0;
    for (std::size_t i = 0; i < plat.pixels.size(); ++i) differ += plat.pixels[i] != trap.pixels[i];
    EXPECT_GT(differ, 1500);
    for (const Picture* p : {&plat, &trap}) {
        EXPECT_EQ(100, count_in_row(*p, 0, 0));       // clear above the surface
        EXPECT_GE(100 - count_in_row(*p, 8, 0), 90);  // the surface starts on row 8
        EXPECT_GT(count_in_row(*p, 59, 0), 50);       // and the underside is narrower
    }
}

TEST(AssetFiles, ScreamIsEightBitMonoPcmAndNeverClips) {
    std::string b = read_file(asset_path("scream.WAV"));
    ASSERT_GE(b.size(), 46u);
    EXPECT_EQ("RIFF", b.substr(0, 4));
    EXPECT_EQ(b.size() - 8, u32(b, 4));
    EXPECT_EQ("WAVEfmt ", b.substr(8, 8));
    std::uint32_t fmt = u32(b, 16);
    ASSERT_GE(fmt, 16u);
    EXPECT_EQ(1u, u16(b, 20));      // PCM
    EXPECT_EQ(1u, u16(b, 22));      // mono
    EXPECT_EQ(11025u, u32(b, 24));  // samples per second
    EXPECT_EQ(11025u, u32(b, 28));  // bytes per second
    EXPECT_EQ(1u, u16(b, 32));      // block alignment
    EXPECT_EQ(8u, u16(b, 34));      // bits
    std::size_t data = 20 + fmt;
    ASSERT_EQ("data", b.substr(data, 4));
    std::uint32_t n = u32(b, data + 4);
    ASSERT_LE(data + 8 + n, b.size());
    EXPECT_GE(n, 11025u / 2);
    EXPECT_LE(n, 11025u);
    int lo = 255, hi = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        int v = static_cast<std::uint8_t>(b[data + 8 + i]);
        lo = std::min(lo, v), hi = std::max(hi, v);
    }
    EXPECT_GT(lo, 0);
    EXPECT_LT(hi, 255);
    EXPECT_GE(hi - lo, 80);   // heard over the music
    EXPECT_LE(hi - lo, 128);  // but no shock: it sits a few LU above it
    // the pitch falls: the voice's period, found by autocorrelation, grows
    auto period = [&](std::uint32_t from) {
        int best = 0;
        double best_sum = -1e300;
        for (int lag = 11; lag <= 44; ++lag) {  // 1000 Hz down to 250 Hz
            double sum = 0;
            for (std::uint32_t i = from; i < from + 400; ++i)
                sum += (static_cast<std::uint8_t>(b[data + 8 + i]) - 128.0) *
                       (static_cast<std::uint8_t>(b[data + 8 + i + lag]) - 128.0);
            if (sum > best_sum) best_sum = sum, best = lag;
        }
        return best;
    };
    EXPECT_LT(period(n / 8) + 3, period(n * 3 / 4));
}

namespace {

struct Tune {
    int format = -1, tracks = 0, division = 0;
    double seconds = 0;
    std::uint32_t length = 0;  // ticks of the longest track
    std::map<int, int> notes_per_channel;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sounding;  // note spans in ticks
    std::uint32_t first_note = ~0u;
    int unmatched = 0;
    bool ended = true;
};

// reads the standard MIDI file as a player would: chunks, delta times, running
// status, note spans and the tempo
Tune read_tune(const std::string& name) {
    Tune t;
    std::string b = read_file(asset_path(name));
    if (b.substr(0, 4) != "MThd" || be32(b, 4) != 6) return t;
    t.format = static_cast<int>(be32(b, 8) >> 16);
    t.tracks = static_cast<int>(be32(b, 8) & 0xFFFF);
    t.division = static_cast<int>(be32(b, 12) >> 16);
    std::uint32_t tempo = 500000;
    std::size_t at = 14;
    for (int k = 0; k < t.tracks; ++k) {
        if (b.substr(at, 4) != "MTrk") return Tune{};
        std::size_t end = at + 8 + be32(b, at + 4), p = at + 8;
        std::uint32_t now = 0;
        int status = 0;
        std::map<int, std::uint32_t> on;
        bool saw_end = false;
        while (p < end && p < b.size()) {
            std::uint32_t delta = 0;
            while (p < end && (static_cast<std::uint8_t>(b[p]) & 0x80))
                delta = (delta << 7) | (b[p++] & 0x7F);
            delta = (delta << 7) | (b[p++] & 0x7F);
            now += delta;
            int s = static_cast<std::uint8_t>(b[p]);
            if (s & 0x80) status = s, ++p;
            if (status == 0xFF) {
                int type = static_cast<std::uint8_t>(b[p]);
                std::size_t len = static_cast<std::uint8_t>(b[p + 1]);
                if (type == 0x51) tempo = be32(b, p + 1) & 0xFFFFFF;
                if (type == 0x2F) saw_end = true;
                p += 2 + len;
                continue;
            }
            int ch = status & 15, kind = status & 0xF0;
            if (kind == 0xC0 || kind == 0xD0) {
                ++p;
                continue;
            }
            int key = b[p], vel = b[p + 1];
            p += 2;
            if (kind == 0x90 && vel > 0) {
                if (on.count(ch * 128 + key)) ++t.unmatched;
                on[ch * 128 + key] = now;
                t.notes_per_channel[ch]++;
                t.first_note = std::min(t.first_note, now);
            } else if (kind == 0x80 || kind == 0x90) {
                auto it = on.find(ch * 128 + key);
                if (it == on.end()) {
                    ++t.unmatched;
                } else {
                    t.sounding.push_back({it->second, now});
                    on.erase(it);
                }
            }
        }
        t.unmatched += static_cast<int>(on.size());
        t.ended = t.ended && saw_end;
        t.length = std::max(t.length, now);
        at = end;
    }
    t.seconds = static_cast<double>(t.length) / t.division * tempo / 1e6;
    return t;
}

// the longest time in seconds in which no note sounds, within the tune
double longest_rest(const Tune& t, double seconds_per_tick) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans = t.sounding;
    std::sort(spans.begin(), spans.end());
    std::uint32_t reach = 0, gap = 0;
    for (const auto& s : spans) {
        if (s.first > reach) gap = std::max(gap, s.first - reach);
        reach = std::max(reach, s.second);
    }
    return gap * seconds_per_tick;
}

}  // namespace

TEST(AssetFiles, TunesAreFormatOneWithMelodyHarmonyBassAndDrums) {
    for (const char* name : {"title.mid", "story.mid", "game.mid", "end.mid"}) {
        SCOPED_TRACE(name);
        Tune t = read_tune(name);
        EXPECT_EQ(1, t.format);
        EXPECT_GE(t.tracks, 5);  // the tempo track and at least four parts
        EXPECT_TRUE(t.ended);
        EXPECT_EQ(0, t.unmatched);
        EXPECT_GE(t.seconds, 30.0);
        EXPECT_LE(t.seconds, 120.0);
        EXPECT_GT(t.notes_per_channel[9], 20);  // drums on channel 10
        int pitched = 0;
        for (const auto& [ch, n] : t.notes_per_channel) pitched += ch != 9 && n >= 16;
        EXPECT_GE(pitched, 3);
        EXPECT_EQ(0u, t.first_note);
        EXPECT_LT(longest_rest(t, t.seconds / t.length), 2.0);
    }
}

TEST(AssetFiles, GameTuneLoopsOnABarLine) {
    Tune t = read_tune("game.mid");
    ASSERT_GT(t.division, 0);
    EXPECT_EQ(0u, t.length % static_cast<std::uint32_t>(4 * t.division));
    std::uint32_t last_end = 0;
    for (const auto& s : t.sounding) last_end = std::max(last_end, s.second);
    EXPECT_GE(last_end + static_cast<std::uint32_t>(t.division) / 2,
              t.length);  // no tail of silence
}

class AssetStartUp : public DisplayTest {};

TEST_F(AssetStartUp, LoadsLikeStartUp) {
    BitmapFile work{};
    for (int n = 0; n < 5; ++n) {
        std::string name = asset_path("LANDSCAPE" + std::to_string(n) + ".BMP");
        ASSERT_EQ(1, load_bitmap_file(&work, name.c_str())) << name;
        BitmapImage image{};
        ASSERT_EQ(1, create_image(&image, 0, 0, 1280, 1024, 8));
        EXPECT_EQ(1, load_image8(&image, &work, 0, 0, 1));
        EXPECT_EQ(1, destroy_image(&image));
        unload_bitmap_file(&work);
    }
    PALETTEENTRY from_file[256];
    ASSERT_EQ(1, load_palette_file(asset_path("PALDATA2.PAL").c_str(), from_file));
    EXPECT_EQ(0,
              std::memcmp(from_file, work.palette, sizeof from_file));  // same colours, same flags
    Bob player{};
    ASSERT_EQ(1, bob_create(&player, 0, 0, 72, 74, 32, 20, 2048, 0, 8));
    for (int n = 0; n < 4; ++n) {
        ASSERT_EQ(
            1, load_bitmap_file(&work, asset_path("QUENSP" + std::to_string(n) + ".BMP").c_str()));
        for (int c = 0; c < 8; ++c)
            EXPECT_EQ(1, bob_load_frame8(&player, &work, 8 * n + c, c % 4, c / 4, 0));
        unload_bitmap_file(&work);
    }
    EXPECT_EQ(player_cell(5).pixels, surface_bytes(player.frames[5]));  // the frame holds its cell
    bob_destroy(&player);
    for (const SheetSpec& s : SHEETS) {
        if (s.columns > 1) continue;
        Bob bob{};
        ASSERT_EQ(1, load_bitmap_file(&work, asset_path(s.name).c_str())) << s.name;
        ASSERT_EQ(1, bob_create(&bob, 0, 0, s.w, s.h, 1, 20, 2048, 0, 8)) << s.name;
        EXPECT_EQ(1, bob_load_frame8(&bob, &work, 0, 0, 0, 0)) << s.name;
        EXPECT_EQ(cell(load(s.name), s.w, s.h, 0, 0).pixels, surface_bytes(bob.frames[0]))
            << s.name;
        unload_bitmap_file(&work);
        bob_destroy(&bob);
    }
}

TEST(AssetGenerator, TwoRunsMakeTheSameBytes) {
    std::string first = temp_path("one"), second = temp_path("two");
    for (const std::string& dir : {first, second}) {
        std::string cmd = std::string(V17_ASSETGEN_BINARY) + " " + dir + " --fonts " + V17_FONT_DIR;
        ASSERT_EQ(0, std::system(cmd.c_str())) << cmd;
    }
    for (const std::string& name : asset_file_names()) {
        std::string a = read_file(first + "/" + name), b = read_file(second + "/" + name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == b) << name;
        EXPECT_TRUE(a == read_file(asset_path(name))) << name << " differs from the build's copy";
    }
}

TEST(AssetGenerator, RefusesAFolderItCannotWriteAndMissingFonts) {
    std::string cmd = std::string(V17_ASSETGEN_BINARY) + " /proc/no-such-folder 2>/dev/null";
    EXPECT_NE(0, std::system(cmd.c_str()));
    std::string dir = temp_path("nofonts");
    cmd = std::string(V17_ASSETGEN_BINARY) + " " + dir + " --fonts /nonexistent 2>/dev/null";
    EXPECT_NE(0, std::system(cmd.c_str()));
    EXPECT_NE(0, std::system((std::string(V17_ASSETGEN_BINARY) + " 2>/dev/null").c_str()));
}
