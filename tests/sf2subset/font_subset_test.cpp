// The sound font the build cuts for the browser: each of the game's tunes,
// played through FluidSynth on it and on the font it was cut from, gives the
// same samples; the cut font reads back as it was written; damaged fonts are
// refused with a reason.
#include "font_subset.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/audio_engine/general_midi_synth.h"
#include "test_util.h"

namespace {

constexpr int kRate = 44100;

std::vector<std::uint8_t> bytes_of(const std::string& path) {
    std::string text = read_file(path);
    return {text.begin(), text.end()};
}

bool exists(const char* path) {
    struct stat st;
    return stat(path, &st) == 0;
}

// The whole tune and two seconds of its release, rendered by a synthesizer
// on font.
std::vector<float> render(const std::string& font, const std::vector<std::uint8_t>& tune) {
    MidiFileInfo info;
    EXPECT_EQ(1, parse_midi_file(tune.data(), tune.size(), &info));
    std::unique_ptr<MidiSynth> synth(open_general_midi_synth(font, kRate, 0.62));
    EXPECT_TRUE(synth) << font;
    if (!synth) return {};
    MidiSequencer sequencer;
    midi_sequencer_start(&sequencer, tune.data(), &info, kRate);
    int frames = static_cast<int>(midi_frame_at(info.end_seconds + 2, kRate));
    std::vector<float> out(2 * static_cast<std::size_t>(frames));
    for (int at = 0; at < frames; at += 4096)
        midi_sequencer_render(&sequencer, synth.get(), out.data() + 2 * at,
                              std::min(4096, frames - at));
    return out;
}

TEST(FontSubset, TunesPlayTheSameOnTheCutFont) {
    if (!exists(V17_GAME_SOUNDFONT)) GTEST_SKIP() << "no " << V17_GAME_SOUNDFONT_SOURCE;
    EXPECT_LT(bytes_of(V17_GAME_SOUNDFONT).size() * 3, bytes_of(V17_GAME_SOUNDFONT_SOURCE).size());
    for (const char* name : {"title", "story", "game", "end"}) {
        auto tune = bytes_of(std::string(V17_ASSET_DIR) + "/" + name + ".mid");
        std::vector<float> full = render(V17_GAME_SOUNDFONT_SOURCE, tune);
        std::vector<float> cut = render(V17_GAME_SOUNDFONT, tune);
        float peak = 0;
        for (float s : full) peak = std::max(peak, std::fabs(s));
        EXPECT_GT(peak, 0.05f) << name;
        ASSERT_EQ(full.size(), cut.size()) << name;
        auto differ = std::mismatch(full.begin(), full.end(), cut.begin());
        EXPECT_TRUE(differ.first == full.end())
            << name << ": first difference at frame " << (differ.first - full.begin()) / 2;
    }
}

TEST(FontSubset, CutFontReadsBackAsWritten) {
    if (!exists(V17_GAME_SOUNDFONT)) GTEST_SKIP() << "no " << V17_GAME_SOUNDFONT_SOURCE;
    auto bytes = bytes_of(V17_GAME_SOUNDFONT);
    sf2::SoundFont font;
    std::string reason;
    ASSERT_TRUE(sf2::read_sound_font(bytes.data(), bytes.size(), &font, &reason)) << reason;
    std::vector<std::uint8_t> again;
    ASSERT_TRUE(sf2::write_sound_font(font, &again, &reason)) << reason;
    EXPECT_TRUE(again == bytes);
    // Cut again for no tune at all: nothing but the INFO list is left.
    sf2::SoundFont none = sf2::subset_sound_font(font, {});
    EXPECT_TRUE(none.presets.empty() && none.instruments.empty() && none.samples.empty());
}

TEST(FontSubset, DamagedFontsAreRefusedWithAReason) {
    if (!exists(V17_GAME_SOUNDFONT)) GTEST_SKIP() << "no " << V17_GAME_SOUNDFONT_SOURCE;
    const auto good = bytes_of(V17_GAME_SOUNDFONT);
    auto refused = [](const std::vector<std::uint8_t>& bytes, const char* why) {
        sf2::SoundFont font;
        std::string reason;
        bool read = sf2::read_sound_font(bytes.data(), bytes.size(), &font, &reason);
        EXPECT_FALSE(read) << why;
        EXPECT_FALSE(reason.empty()) << why;
        return reason;
    };
    for (std::size_t size : {std::size_t{0}, std::size_t{11}, std::size_t{12}, good.size() / 2,
                             good.size() - 200, good.size() - 1})
        refused({good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)}, "truncated");
    // The body of a table, found by its id.
    auto table = [&](std::vector<std::uint8_t>& bytes, const char* id) {
        auto at = std::search(bytes.begin(), bytes.end(), id, id + 4);
        EXPECT_NE(at, bytes.end()) << id;
        return &*at + 8;
    };
    auto damaged = good;
    std::uint8_t* igen = table(damaged, "igen");
    for (int g = 0; igen[4 * g] != 0 || igen[4 * g + 1] != 0; ++g)
        if (igen[4 * g] == sf2::kGenSampleId) igen[4 * g + 2] = igen[4 * g + 3] = 0xFF;
    EXPECT_NE(std::string::npos, refused(damaged, "sample id").find("sample"));
    damaged = good;
    std::uint8_t* pbag = table(damaged, "pbag");
    pbag[0] = pbag[1] = 0xFF;  // the first zone's generators start past its end
    EXPECT_NE(std::string::npos, refused(damaged, "bag order").find("pbag 0"));
    damaged = good;
    std::uint8_t* shdr = table(damaged, "shdr");
    shdr[24] = shdr[25] = shdr[26] = shdr[27] = 0xFF;  // the first sample ends past the data
    EXPECT_NE(std::string::npos, refused(damaged, "sample end").find("shdr 0"));
    damaged = good;
    std::memcpy(table(damaged, "imod") - 8, "xmod", 4);
    EXPECT_NE(std::string::npos, refused(damaged, "no imod").find("imod"));
}

}  // namespace
