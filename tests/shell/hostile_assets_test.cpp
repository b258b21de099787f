// The game started on hostile asset folders: each asset file in turn missing,
// cut short, replaced by random bytes or a garbled header, or replaced by a
// valid file of another depth or size. Every run plays the same 300 frames
// (the title pages, then walking, launching and teleporting in level 1) and
// must end by itself with exit code 0; with the sanitized build, any finding
// ends it otherwise. The same runs without a sound font and without assets.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <random>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

const char* const kAssets[] = {
    "PALDATA2.PAL",   "LANDSCAPE0.BMP", "LANDSCAPE1.BMP", "LANDSCAPE2.BMP", "LANDSCAPE3.BMP",
    "LANDSCAPE4.BMP", "QUENSP0.BMP",    "QUENSP1.BMP",    "QUENSP2.BMP",    "QUENSP3.BMP",
    "PAINT.BMP",      "Platform.BMP",   "trapdoor.BMP",   "spikeleft.BMP",  "SpikeDown.BMP",
    "spikeright.BMP", "spikeup.BMP",    "Wall.BMP",       "Door.BMP",       "scream.WAV",
    "title.mid",      "story.mid",      "game.mid",       "end.mid"};

enum class Damage {
    Missing,
    Empty,
    CutInHeader,
    CutHalfway,
    CutOneShort,
    RandomBytes,
    GarbledHeader,
    OtherDepth,
    OtherSize
};

const char* damage_name(Damage d) {
    static const char* const kNames[] = {"Missing",       "Empty",       "CutInHeader",
                                         "CutHalfway",    "CutOneShort", "RandomBytes",
                                         "GarbledHeader", "OtherDepth",  "OtherSize"};
    return kNames[static_cast<int>(d)];
}

// Three title pages, then level 1: walks, a charged launch, teleports, more
// walking; 300 frames in all, after which Escape ends the run.
const char kScript[] =
    "5 - 0 0 0\n2 RETURN 0 0 0\n3 - 0 0 0\n2 RETURN 0 0 0\n3 - 0 0 0\n2 RETURN 0 0 0\n"
    "3 - 0 0 0\n60 RIGHT 0 0 0\n30 - 6 -4 1\n10 - 0 0 0\n40 LEFT 0 0 0\n"
    "2 LSHIFT,J 300 -200 0\n40 RIGHT,UP -3 2 0\n25 - 0 0 1\n3 - 0 0 0\n"
    "2 LSHIFT,J -5000 5000 0\n68 SPACE,LEFT 9 0 0\n";

// The environment of a run without any sound font.
const char kNoFont[] = "V17_SOUNDFONT=/nonexistent/font.sf2 V17_SOUNDFONT_DEFAULTS=0";

std::string ext_of(const std::string& name) {
    return name.substr(name.rfind('.') + 1);
}

void put16(std::string* s, unsigned v) {
    s->push_back(static_cast<char>(v & 0xFF));
    s->push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string* s, std::uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

// A whole 24-bit bitmap file of 5 x 3 pixels.
std::string bitmap24() {
    std::string s = "BM";
    std::uint32_t row = 16, pixels = row * 3;
    put32(&s, 54 + pixels);
    put32(&s, 0);
    put32(&s, 54);
    put32(&s, 40);
    put32(&s, 5);
    put32(&s, 3);
    put16(&s, 1);
    put16(&s, 24);
    for (int i = 0; i < 6; ++i) put32(&s, 0);
    for (std::uint32_t i = 0; i < pixels; ++i) s.push_back(static_cast<char>(i * 37));
    return s;
}

// A whole 16-bit stereo WAV file of 44100 Hz holding a few samples.
std::string wave16() {
    std::string data;
    for (int i = 0; i < 64; ++i) put16(&data, static_cast<unsigned>(i * 1000));
    std::string s = "RIFF";
    put32(&s, static_cast<std::uint32_t>(36 + data.size()));
    s += "WAVEfmt ";
    put32(&s, 16);
    put16(&s, 1);
    put16(&s, 2);
    put32(&s, 44100);
    put32(&s, 44100 * 4);
    put16(&s, 4);
    put16(&s, 16);
    s += "data";
    put32(&s, static_cast<std::uint32_t>(data.size()));
    return s + data;
}

// A whole format-1 MIDI file of two empty tracks.
std::string midi_two_empty_tracks() {
    std::string s("MThd\0\0\0\6\0\1\0\2\0\x60", 14);
    for (int t = 0; t < 2; ++t) s += std::string("MTrk\0\0\0\4\0\xFF\x2F\0", 12);
    return s;
}

// A file of the same kind that is valid but not of the expected depth or form.
std::string other_depth(const std::string& name) {
    std::string ext = ext_of(name);
    if (ext == "BMP") return bitmap24();
    if (ext == "WAV") return wave16();
    if (ext == "mid") return midi_two_empty_tracks();
    return "1 2 3 4\n";  // a palette of one entry
}

// Another asset of the same kind, of another size: the next one in the list.
std::string other_size(const std::string& name, const std::string& dir) {
    std::string ext = ext_of(name);
    if (ext == "PAL") return read_file(dir + "/LANDSCAPE0.BMP");  // no palette text at all
    if (ext == "WAV") return read_file(dir + "/title.mid");
    std::size_t n = std::size(kAssets);
    for (std::size_t i = 0; i < n; ++i) {
        if (name != kAssets[i]) continue;
        for (std::size_t k = 1; k < n; ++k) {
            std::string other = kAssets[(i + k) % n];
            std::string bytes = read_file(dir + "/" + other);
            if (ext_of(other) == ext && bytes.size() != read_file(dir + "/" + name).size())
                return bytes;
        }
    }
    return {};
}

std::string damaged(const std::string& name, Damage damage, const std::string& dir) {
    std::string bytes = read_file(dir + "/" + name);
    std::mt19937 random(static_cast<std::uint32_t>(bytes.size()) * 31 + static_cast<int>(damage));
    switch (damage) {
        case Damage::Missing:
        case Damage::Empty:
            return {};
        case Damage::CutInHeader:
            return bytes.substr(0, 10);
        case Damage::CutHalfway:
            return bytes.substr(0, bytes.size() / 2);
        case Damage::CutOneShort:
            return bytes.substr(0, bytes.size() - 1);
        case Damage::RandomBytes:
            for (char& c : bytes) c = static_cast<char>(random());
            return bytes;
        case Damage::GarbledHeader:  // the magic stays, the header after it is noise
            for (std::size_t i = 4; i < bytes.size() && i < 64; ++i)
                bytes[i] = static_cast<char>(random());
            return bytes;
        case Damage::OtherDepth:
            return other_depth(name);
        case Damage::OtherSize:
            return other_size(name, dir);
    }
    return bytes;
}

// A folder holding every asset (links to the generated ones) with the named
// file damaged; an empty name damages nothing.
std::string make_folder(const std::string& tag, const std::string& name, Damage damage) {
    std::string dir = std::string(V17_TEST_TMP) + "/hostile/" + tag;
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* asset : kAssets) {
        if (asset == name) continue;
        fs::create_symlink(std::string(V17_ASSET_DIR) + "/" + asset, dir + "/" + asset);
    }
    if (!name.empty() && damage != Damage::Missing)
        write_file(dir + "/" + name, damaged(name, damage, V17_ASSET_DIR));
    return dir;
}

// Plays the script in the folder on the backend the options choose; the run
// must end by itself with 0 after every frame, having left the title.
RunResult expect_clean_run(const std::string& dir, const std::string& env = "",
                           const std::string& backend = "--headless", int frames = 300) {
    std::string script = dir + "/script.txt";
    std::string trace = dir + "/trace.jsonl";
    write_file(script, kScript);
    RunResult r = run_game(backend + " --frames " + std::to_string(frames) + " --input " + script +
                               " --trace " + trace + " --assets " + dir,
                           env);
    EXPECT_EQ(0, r.exit_code) << r.output;
    std::vector<std::string> lines = read_lines(trace);
    auto last = static_cast<std::size_t>(frames - 1);
    EXPECT_GT(lines.size(), last) << r.output;
    if (lines.size() > last) {
        EXPECT_EQ(frames - 1, json_int(lines[last], "frame"));
        EXPECT_EQ(1, json_int(lines[last], "state")) << lines[last];
    }
    return r;
}

class HostileAsset : public ::testing::TestWithParam<std::tuple<const char*, Damage>> {};

}  // namespace

TEST_P(HostileAsset, GameStartsRunsAndEndsWithZero) {
    auto [name, damage] = GetParam();
    std::string tag = std::string(name) + "." + damage_name(damage);
    // Only the music and sound files reach the synthesizer; the others run
    // without a font, which keeps them fast.
    std::string ext = ext_of(name);
    bool audio = ext == "mid" || ext == "WAV";
    expect_clean_run(make_folder(tag, name, damage), audio ? "" : kNoFont);
}

INSTANTIATE_TEST_SUITE_P(
    EachFile, HostileAsset,
    ::testing::Combine(::testing::ValuesIn(kAssets),
                       ::testing::Values(Damage::Missing, Damage::Empty, Damage::CutInHeader,
                                         Damage::CutHalfway, Damage::CutOneShort,
                                         Damage::RandomBytes, Damage::GarbledHeader,
                                         Damage::OtherDepth, Damage::OtherSize)),
    [](const auto& info) {
        std::string name = std::get<0>(info.param);
        for (char& c : name)
            if (c == '.') c = '_';
        return name + "_" + damage_name(std::get<1>(info.param));
    });

TEST(HostileRun, NoAssetAtAllStillPlays) {
    std::string dir = std::string(V17_TEST_TMP) + "/hostile/none";
    fs::remove_all(dir);
    fs::create_directories(dir);
    expect_clean_run(dir, kNoFont);
}

TEST(HostileRun, NoSoundFontAnywhere) {
    std::string dir = make_folder("no-font", "", Damage::Missing);
    expect_clean_run(dir, kNoFont);
}

TEST(HostileRun, AnUnreadableSoundFont) {
    std::string dir = make_folder("bad-font", "", Damage::Missing);
    write_file(dir + "/junk.sf2", "RIFF....sfbk not really");
    expect_clean_run(dir, "V17_SOUNDFONT=" + dir + "/junk.sf2 V17_SOUNDFONT_DEFAULTS=0");
}

TEST(HostileRun, NoAudioDeviceWithTheWindowedBackend) {
    // the window backend on SDL's dummy video, asking for an audio driver that
    // does not exist; the timedemo runs unpaced on the virtual clock, for the
    // title pages and the first frames of level 1 (its presentation is slow
    // in the sanitized build)
    std::string dir = make_folder("no-device", "", Damage::Missing);
    RunResult r = expect_clean_run(dir, "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=no_such_driver",
                                   "--window --timedemo", 40);
    EXPECT_NE(std::string::npos, r.output.find("no audio output")) << r.output;
}
