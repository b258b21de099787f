// The levels of the game's sound as a player hears them: each of the four
// tunes, rendered whole through the music player and the mixer, measured with
// an EBU R 128 meter; the scream against the loudest of them; and the mix of
// the two, which must never reach full scale.
#include <ebur128.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/sound.h"
#include "platform/audio_engine/mixer.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/system/win32.h"
#include "test_util.h"

namespace {

constexpr int kRate = HEADLESS_AUDIO_RATE;
constexpr int kBlock = kRate / 10;  // 100 ms: the meter's short-term reading is taken per block
constexpr double kLongest = 600;    // seconds; a tune that plays longer has lost its end

struct Meter {
    ebur128_state* state =
        ebur128_init(2, kRate, EBUR128_MODE_I | EBUR128_MODE_S | EBUR128_MODE_TRUE_PEAK);
    ~Meter() { ebur128_destroy(&state); }
    void add(const float* stereo, int frames) { ebur128_add_frames_float(state, stereo, frames); }
    double integrated() {
        double v = -HUGE_VAL;
        ebur128_loudness_global(state, &v);
        return v;
    }
    double momentary() {
        double v = -HUGE_VAL;
        ebur128_loudness_momentary(state, &v);
        return v;
    }
    double shortterm() {
        double v = -HUGE_VAL;
        ebur128_loudness_shortterm(state, &v);
        return v;
    }
    double true_peak_db() {
        double l = 0, r = 0;
        ebur128_true_peak(state, 0, &l);
        ebur128_true_peak(state, 1, &r);
        return 20 * std::log10(std::max({l, r, 1e-9}));
    }
};

struct Tune {
    const char* file;
    double integrated = -HUGE_VAL, true_peak = -HUGE_VAL;
    long loudest_block = 0;  // where the short-term loudness is highest
    double loudest = -HUGE_VAL;
};

class Loudness : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, getcwd(home, sizeof home));
        if (find_sound_font().empty()) GTEST_SKIP() << "no sound font installed";
        ASSERT_EQ(0, chdir(V17_ASSET_DIR));
        reset_window_system();
        use_virtual_clock(0);
        set_backend(make_headless_backend());
        ASSERT_EQ(1, sound_init());
        ASSERT_EQ(1, music_init());
    }
    void TearDown() override {
        if (!music_performance) return;
        EXPECT_EQ(1, music_shutdown());
        stop_all_sounds();
        delete_all_sounds();
        EXPECT_EQ(1, sound_shutdown());
        set_backend(nullptr);
        reset_window_system();
        EXPECT_EQ(0, chdir(home));
    }

    // Plays the tune from its start to its end, block by block, into the meter.
    static void measure(Tune* tune) {
        int id = load_midi(tune->file);
        ASSERT_LE(0, id) << tune->file;
        ASSERT_EQ(1, play_music(id));
        Meter meter;
        std::vector<float> out(2 * kBlock);
        for (long block = 0; music_status(id) == MUSIC_STATE_PLAYING; ++block) {
            ASSERT_LT(block * 0.1, kLongest) << tune->file;
            mixer_render(out.data(), kBlock);
            meter.add(out.data(), kBlock);
            if (meter.shortterm() > tune->loudest) {
                tune->loudest = meter.shortterm();
                tune->loudest_block = block;
            }
        }
        tune->integrated = meter.integrated();
        tune->true_peak = meter.true_peak_db();
        std::printf("%-10s %6.2f LUFS integrated, %6.2f dBTP\n", tune->file, tune->integrated,
                    tune->true_peak);
    }

    char home[4096] = {};
};

TEST_F(Loudness, TunesMeetTheTargetTheScreamStandsAboveThemAndTheMixNeverClips) {
    Tune tunes[] = {{"title.mid"}, {"story.mid"}, {"game.mid"}, {"end.mid"}};
    for (Tune& t : tunes) {
        ASSERT_NO_FATAL_FAILURE(measure(&t));
        EXPECT_NEAR(-18.0, t.integrated, 1.0) << t.file;
        EXPECT_GE(-1.0, t.true_peak) << t.file;
    }
    auto by_loudness = [](const Tune& a, const Tune& b) { return a.integrated < b.integrated; };
    const Tune& quiet = *std::min_element(std::begin(tunes), std::end(tunes), by_loudness);
    const Tune& loud = *std::max_element(std::begin(tunes), std::end(tunes), by_loudness);
    EXPECT_GE(1.0, loud.integrated - quiet.integrated);

    // The scream alone, at its loudest 400 ms, against the loudest tune's
    // integrated loudness; loaded with the controls the game gives it.
    int scream =
        load_wav("scream.WAV", DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME);
    ASSERT_LE(0, scream);
    ASSERT_EQ(1, play_sound(scream, 0));
    Meter alone;
    double momentary = -HUGE_VAL;
    std::vector<float> out(2 * kBlock);
    for (int block = 0; block < 10; ++block) {
        mixer_render(out.data(), kBlock);
        alone.add(out.data(), kBlock);
        momentary = std::max(momentary, alone.momentary());
    }
    std::printf("scream     %6.2f LUFS momentary at its loudest, %6.2f dBTP\n", momentary,
                alone.true_peak_db());
    EXPECT_NEAR(6.0, momentary - loud.integrated, 1.0);

    // The loudest tune again, with the scream starting just before its loudest
    // moment and ringing past it: no sample reaches full scale.
    int id = load_midi(loud.file);
    ASSERT_EQ(1, play_music(id));
    float peak = 0;
    for (long block = 0; block <= loud.loudest_block + 10; ++block) {
        if (block == std::max(0L, loud.loudest_block - 5)) {
            ASSERT_EQ(1, play_sound(scream, 0));
        }
        mixer_render(out.data(), kBlock);
        for (float v : out) peak = std::max(peak, std::fabs(v));
    }
    std::printf("mix peak %.4f, limiter's lowest gain %.4f\n", peak, mixer_lowest_gain());
    EXPECT_GT(1.0f, peak);
}

}  // namespace
