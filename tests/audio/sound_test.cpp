// Sound effect slots: loading and converting WAV files, the table, the
// controls, status and replication, heard through the mixer with no output
// open (the test pulls the frames itself, 44100 a second).
#include "audio/sound.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "audio/wave_file.h"
#include "audio_files.h"
#include "platform/system/backend.h"
#include "support/error_log.h"
#include "test_util.h"

namespace {

constexpr std::uint32_t kGameFlags = 224;  // frequency, pan and volume

class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        set_backend(nullptr);
        ASSERT_EQ(1, sound_init());
    }
    void TearDown() override { EXPECT_EQ(1, sound_shutdown()); }

    int load(const std::string& bytes, std::uint32_t flags = kGameFlags) {
        std::string path = temp_path("sound" + std::to_string(files++) + ".wav");
        write_file(path, bytes);
        return load_wav(path.c_str(), flags);
    }

    // The slot's converted samples as signed values, read back through a lock.
    static std::vector<int> samples_of(int id) {
        DirectSoundBuffer* b = sound_slots[id].dsbuffer;
        void *p1, *p2;
        std::uint32_t n1, n2;
        if (!b || b->lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER) != DS_OK) return {};
        const auto* s = static_cast<std::uint8_t*>(p1);
        std::vector<int> v;
        for (std::uint32_t i = 0; i < n1; ++i) v.push_back(s[i] - 128);
        b->unlock(p1, n1, p2, n2);
        return v;
    }

    static float next_left() {
        float out[2];
        mixer_render(out, 1);
        return out[0];
    }

    int files = 0;
};

// The bytes of a value as they lie in memory (little-endian here).
template <class T>
std::string bytes_of(T v) {
    std::string s(sizeof v, '\0');
    std::memcpy(s.data(), &v, sizeof v);
    return s;
}

// A sine of 16-bit mono samples: seconds at rate, amplitude a fraction of full scale.
std::string tone16(int rate, double hz, double seconds, double amplitude) {
    std::string s;
    for (int i = 0; i < static_cast<int>(rate * seconds); ++i)
        s += le16(static_cast<std::uint16_t>(
            std::lround(amplitude * 32767 * std::sin(2 * M_PI * hz * i / rate))));
    return s;
}

// The converted samples of a file as signed values, or none when it is refused.
std::vector<int> parsed(const std::string& file) {
    WaveSound wave{};
    if (!parse_wave(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), &wave))
        return {};
    std::vector<int> v;
    for (std::uint8_t b : wave.samples) v.push_back(b - 128);
    return v;
}

// Samples left out at each end of a converted tone, where its cut edges spread.
constexpr std::size_t kEdge = 200;

// The level of the samples between the edges, their mean taken away, against
// a sine of amplitude (a fraction of full scale), in dB.
double level_db(const std::vector<int>& v, double amplitude) {
    if (v.size() <= 2 * kEdge) return 0.0;
    double sum = 0, squares = 0, n = static_cast<double>(v.size() - 2 * kEdge);
    for (std::size_t i = kEdge; i + kEdge < v.size(); ++i) sum += v[i];
    for (std::size_t i = kEdge; i + kEdge < v.size(); ++i)
        squares += (v[i] - sum / n) * (v[i] - sum / n);
    return 20 * std::log10(std::sqrt(squares / n) / (amplitude * 128 / std::sqrt(2.0)));
}

}  // namespace

TEST_F(Sound, SlotsAreTakenFirstFreeFirstUntilTheTableIsFull) {
    std::string wav = wav_file(pcm8({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(0, load(wav));
    EXPECT_EQ(1, load(wav));
    EXPECT_EQ(1, delete_sound(0));
    EXPECT_EQ(0, load(wav)) << "a deleted slot is free again";
    for (int i = 2; i < MAX_SOUNDS; ++i) ASSERT_EQ(i, load(wav));
    EXPECT_EQ(-1, load(wav));
    EXPECT_EQ(-1, replicate_sound(0));
    for (int i = 0; i < MAX_SOUNDS; ++i) EXPECT_EQ(i, sound_slots[i].id);

    // Starting again stops and frees every sound; numbering starts over.
    ASSERT_EQ(1, play_sound(5, DSBPLAY_LOOPING));
    ASSERT_EQ(1, sound_init());
    EXPECT_EQ(-1, sound_status(5));
    EXPECT_EQ(SOUND_STATE_FREE, sound_slots[255].state);
    EXPECT_EQ(0, load(wav));
}

TEST_F(Sound, RefusalsSayWhichCheckFailed) {
    std::string data = riff_chunk("data", pcm8({1, 2, 3, 4, 5, 6}));
    std::string fmt = fmt_chunk(1, 1, 11025, 8);
    std::string whole = riff_file("WAVE", fmt + data);
    const std::string ambisonic(12, 'A');
    struct Case {
        std::string file;
        const char* reason;
    } cases[] = {
        {"RIFX" + whole.substr(4), "starts with \"RIFX\", not \"RIFF\""},
        {riff_file("AVI ", fmt + data), "RIFF form \"AVI \", not \"WAVE\""},
        {riff_file("WAVE", fmt + riff_chunk("LIST", "abcd")), "no data chunk"},
        {riff_file("WAVE", data), "no fmt chunk"},
        {riff_file("WAVE", riff_chunk("fmt ", fmt.substr(8, 14)) + data),
         "fmt chunk of 14 bytes, under 16"},
        {riff_file("WAVE", fmt_chunk(2, 1, 11025, 4) + data), "format tag 0x0002 is not read"},
        {riff_file("WAVE", fmt_chunk(3, 1, 11025, 16) + data), "float of 16 bits per sample"},
        {riff_file("WAVE", fmt_chunk(6, 1, 11025, 16) + data), "A-law of 16 bits per sample"},
        {riff_file("WAVE", fmt_chunk(1, 1, 11025, 40) + data), "PCM of 40 bits per sample"},
        {riff_file("WAVE", fmt_chunk(1, 0, 11025, 8) + data), "fmt chunk names 0 channels"},
        {riff_file("WAVE", fmt_chunk(0xFFFE, 1, 11025, 8, 18) + data),
         "extensible fmt chunk of 18 bytes, under 40"},
        {riff_file("WAVE", extensible_fmt_chunk(1, 1, 11025, 8, 8, ambisonic) + data),
         "extensible subformat is not a format tag GUID"},
        {riff_file("WAVE", extensible_fmt_chunk(2, 1, 11025, 8, 8) + data),
         "format tag 0x0002 is not read"},
        {riff_file("WAVE", fmt_chunk(1, 1, 0, 8) + data), "sample rate 0 Hz"},
        // a few kilobytes at 1 Hz would become tens of megabytes of samples
        {riff_file("WAVE", fmt_chunk(1, 1, 1, 8) + riff_chunk("data", std::string(6000, 'x'))),
         "sample rate 1 Hz"},
        {riff_file("WAVE", fmt_chunk(1, 1, 999, 8) + data), "sample rate 999 Hz, not 1000"},
        {riff_file("WAVE", fmt_chunk(1, 1, 1000001, 8) + data), "sample rate 1000001 Hz"},
        {whole.substr(0, whole.size() - 2), "data chunk of 6 bytes, 4 left in the file"},
        {riff_file("WAVE", "LIST" + le32(100) + "ab"), "LIST chunk of 100 bytes, 2 left"},
        {"", "0 bytes, shorter than a RIFF header"},
    };
    for (const Case& c : cases) {
        WaveSound wave{};
        std::string reason;
        EXPECT_EQ(0, parse_wave(reinterpret_cast<const std::uint8_t*>(c.file.data()), c.file.size(),
                                &wave, &reason));
        EXPECT_EQ(0u, reason.find(c.reason)) << reason;
        EXPECT_EQ(-1, load(c.file)) << c.reason;
    }

    // What the log says, the reason before the file's name.
    std::string log = temp_path("log.txt");
    ASSERT_EQ(1, open_error_file(log.c_str()));
    EXPECT_EQ(-1, load(riff_file("WAVE", fmt_chunk(2, 1, 11025, 4) + data)));
    EXPECT_EQ(-1, load(wav_file(pcm8({1, 2, 3}))));
    EXPECT_EQ(-1, load_wav("/nonexistent-dir/x.wav", kGameFlags));
    close_error_file();
    std::string text = read_file(log);
    EXPECT_NE(std::string::npos, text.find("\nwav refused, format tag 0x0002 is not read: /"));
    EXPECT_NE(std::string::npos, text.find("\nwav refused, no sound buffer for 3 samples: /"));
    EXPECT_NE(std::string::npos, text.find("\nwav refused, no such file: /nonexistent-dir/x.wav"));

    EXPECT_EQ(-1, load_wav(nullptr, kGameFlags));
    EXPECT_EQ(0, load(whole)) << "nothing was taken by the refusals";
    EXPECT_EQ(1, load(riff_file("WAVE", fmt_chunk(1, 1, 1000, 8) + data))) << "1 kHz is read";
}

TEST_F(Sound, ChunksAreReadToTheEndOfTheFileWhateverTheRiffSizeSays) {
    std::vector<int> values = {10, -20, 30, -40, 50, -60};
    std::string whole = wav_file(pcm8(values));
    std::string riff36 = "RIFF" + le32(36) + whole.substr(8);  // never filled in
    std::string riff0 = "RIFF" + le32(0) + whole.substr(8);
    std::string riff_long = "RIFF" + le32(4000) + whole.substr(8);
    // Bytes after a whole form are not read as chunks.
    std::string trailer = whole + "JUNK" + le32(100000) + "xy";
    for (const std::string& file : {riff36, riff0, riff_long, trailer}) {
        int id = load(file);
        ASSERT_GE(id, 0);
        EXPECT_EQ(values, samples_of(id));
    }
}

TEST_F(Sound, FormatChunksOfSixteenBytesOrMoreAreRead) {
    std::vector<int> values = {10, -20, 30, -40, 50};
    for (int size : {16, 18, 40}) {
        int id = load(wav_file(pcm8(values), 1, 11025, 8, size));
        ASSERT_GE(id, 0) << size;
        EXPECT_EQ(5, sound_slots[id].size);
        EXPECT_EQ(11025, sound_slots[id].rate);
        EXPECT_EQ(values, samples_of(id)) << size;
    }
    // Chunks after data, and an odd-sized chunk with its pad byte before it.
    std::string file =
        riff_file("WAVE", riff_chunk("junk", "abc") + fmt_chunk(1, 1, 11025, 8) +
                              riff_chunk("data", pcm8(values)) + riff_chunk("LIST", "info"));
    int id = load(file);
    ASSERT_GE(id, 0);
    EXPECT_EQ(values, samples_of(id));
}

TEST_F(Sound, OtherFormatsAreConvertedAtLoad) {
    // 16-bit stereo: the channels are averaged; negative values stay negative.
    std::string stereo;
    for (int i = 0; i < 8; ++i)
        stereo += le16(100 * 256) + le16(static_cast<std::uint16_t>(-50 * 256));
    for (int i = 0; i < 8; ++i) stereo += le16(static_cast<std::uint16_t>(-100 * 256)) + le16(0);
    int id = load(wav_file(stereo, 2, 11025, 16));
    ASSERT_GE(id, 0);
    EXPECT_EQ(16, sound_slots[id].size);
    std::vector<int> s = samples_of(id);
    EXPECT_EQ(25, s.front());
    EXPECT_EQ(-50, s.back());

    // 16-bit mono at 44100 Hz: a quarter of the frames; the slot names the file's rate.
    id = load(wav_file(tone16(44100, 1000, 0.1, 0.5), 1, 44100, 16));
    ASSERT_GE(id, 0);
    EXPECT_EQ(44100, sound_slots[id].rate);
    EXPECT_EQ(1102, sound_slots[id].size);
}

TEST(WaveFile, EveryEncodingGivesTheTopByteOfItsSixteenBitValue) {
    const std::vector<int> values = {0, 256, -256, 32767, -32768, 1000, -1000, -1};
    std::vector<int> top;
    std::string s16, s24, s32, s12, f32, f64;
    for (int v : values) {
        auto u = static_cast<std::uint32_t>(v);
        top.push_back(v >> 8);
        s16 += le16(u & 0xFFFF);
        s24 += le32(u << 8 | 0xAB).substr(0, 3);  // the low bits never round up
        s32 += le32(u << 16 | 0x1234);
        s12 += le16(u & 0xFFF0);  // 12 bits at the top of 16
        f32 += bytes_of(static_cast<float>(v) / 32768.0f);
        f64 += bytes_of(static_cast<double>(v) / 32768.0);
    }
    struct Case {
        const char* what;
        std::string fmt, data;
    } cases[] = {
        {"16-bit", fmt_chunk(1, 1, 11025, 16), s16},
        {"24-bit", fmt_chunk(1, 1, 11025, 24), s24},
        {"32-bit", fmt_chunk(1, 1, 11025, 32), s32},
        {"12 bits in 16", fmt_chunk(1, 1, 11025, 12), s12},
        {"float", fmt_chunk(3, 1, 11025, 32, 18), f32},
        {"double", fmt_chunk(3, 1, 11025, 64), f64},
        {"extensible, 20 valid bits of 24", extensible_fmt_chunk(1, 1, 11025, 24, 20), s24},
        {"extensible float", extensible_fmt_chunk(3, 1, 11025, 32, 32), f32},
    };
    for (const Case& c : cases)
        EXPECT_EQ(top, parsed(riff_file("WAVE", c.fmt + riff_chunk("data", c.data)))) << c.what;

    // Floats: beyond full scale held at the ends, truncated toward zero, NaN silent.
    std::string odd = bytes_of(1.5f) + bytes_of(-2.0f) + bytes_of(-0.00001f) +
                      bytes_of(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ((std::vector<int>{127, -128, 0, 0}),
              parsed(riff_file("WAVE", fmt_chunk(3, 1, 11025, 32) + riff_chunk("data", odd))));
    // A-law and mu-law as G.711 expands them: silence, the smallest steps, full scale.
    EXPECT_EQ((std::vector<int>{0, -1, 126, -126}),
              parsed(riff_file(
                  "WAVE", fmt_chunk(6, 1, 11025, 8) + riff_chunk("data", "\xD5\x55\xAA\x2A"))));
    EXPECT_EQ(
        (std::vector<int>{0, 0, 125, -126}),
        parsed(riff_file("WAVE", fmt_chunk(7, 1, 11025, 8) +
                                     riff_chunk("data", std::string("\xFF\x7F\x80\x00", 4)))));
    // Three channels averaged, truncated toward zero.
    std::string three;
    for (int v : {30000, -20000, -13000, -1, 0, 0, 32512, 32512, 32512})
        three += le16(static_cast<std::uint32_t>(v) & 0xFFFF);
    EXPECT_EQ((std::vector<int>{-4, 0, 127}),
              parsed(riff_file("WAVE", fmt_chunk(1, 3, 11025, 16) + riff_chunk("data", three))));
}

TEST(WaveFile, ResamplingKeepsTheBandAndRemovesWhatLiesAbove) {
    // A 1 kHz tone comes out as the same tone sampled at 11025 Hz, in level
    // and in time; each sample is the top byte of its value, at most one step
    // below it, give or take the resampler's ripple of 0.01 dB.
    const double amplitude = 0.8;
    for (int rate : {44100, 48000, 22050, 8000}) {
        std::vector<int> v = parsed(wav_file(tone16(rate, 1000, 0.5, amplitude), 1, rate, 16));
        ASSERT_EQ(static_cast<std::size_t>(rate / 2) * 11025 / rate, v.size()) << rate;
        EXPECT_NEAR(0.0, level_db(v, amplitude), 0.1) << rate;
        const double ripple = 128 * amplitude * 0.0012;
        for (std::size_t j = kEdge; j + kEdge < v.size(); ++j) {
            double x = amplitude * 32767 * std::sin(2 * M_PI * 1000 * j / 11025.0) / 256;
            ASSERT_LE(v[j], x + ripple) << rate << " at " << j;
            ASSERT_GT(v[j], x - 1 - ripple) << rate << " at " << j;
        }
    }
    // A 9 kHz tone lies above the new rate's 5512 Hz and is removed, not folded
    // down to 2025 Hz.
    for (int rate : {44100, 48000}) {
        std::vector<int> v = parsed(wav_file(tone16(rate, 9000, 0.5, amplitude), 1, rate, 16));
        EXPECT_LT(level_db(v, amplitude), -60.0) << rate;
    }
}

// Files that sox writes, in every encoding the loader reads, against sox's own
// conversion of the same file to mono float at 11025 Hz. Both resamplers are
// flat to 0.01 dB across these tones and precise to 20 bits, so every sample
// lies within a step below sox's value, give or take 0.15 of a step.
TEST(WaveFile, FilesThatSoxWritesMatchItsConversion) {
    if (run_command("sox --version").exit_code != 0) GTEST_SKIP() << "sox is not installed";
    struct Case {
        const char* options;
        int format;
    } cases[] = {
        {"-r 22050 -c 2 -b 8", 1},
        {"-r 44100 -c 2 -b 16", 1},
        {"-r 11025 -c 2 -b 16", 1},
        {"-r 48000 -c 1 -b 24", 1},
        {"-r 96000 -c 2 -b 32", 1},
        {"-r 44100 -c 2 -e floating-point -b 32", 3},
        {"-r 32000 -c 1 -e floating-point -b 64", 3},
        {"-r 8000 -c 1 -e a-law", 6},
        {"-r 8000 -c 2 -e u-law", 7},
        {"-r 48000 -c 6 -b 16", 1},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string wav = temp_path(std::to_string(n) + ".wav");
        std::string raw = temp_path(std::to_string(n++) + ".raw");
        ASSERT_EQ(0, run_command("sox -D -n " + std::string(c.options) + " " + wav +
                                 " synth 0.3 sine 440 sine 1250 sine 700 vol 0.8")
                         .exit_code);
        ASSERT_EQ(
            0, run_command("sox -D " + wav + " -r 11025 -c 1 -e floating-point -b 32 -t raw " + raw)
                   .exit_code);
        std::string file = read_file(wav), theirs = read_file(raw);
        WaveSound wave{};
        ASSERT_EQ(
            1, parse_wave(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), &wave))
            << c.options;
        EXPECT_EQ(c.format, wave.format) << c.options;
        std::size_t count = theirs.size() / 4;
        ASSERT_LE(std::max(count, wave.samples.size()) - std::min(count, wave.samples.size()), 1u)
            << c.options;
        count = std::min(count, wave.samples.size());
        for (std::size_t i = 0; i < count; ++i) {
            float y;
            std::memcpy(&y, theirs.data() + 4 * i, 4);
            double d = (wave.samples[i] - 128) - 128.0 * y;
            ASSERT_TRUE(d > -1.15 && d <= 0.15) << c.options << " at " << i << ": " << d;
        }
    }
}

TEST_F(Sound, VolumePercentMapsToHundredthsOfADecibel) {
    int id = load(wav_file(pcm8(std::vector<int>(100, 64))));
    std::int32_t level = 1;
    for (auto [percent, expected] : {std::pair{100, 0}, {50, -1500}, {0, -3000}}) {
        ASSERT_EQ(1, set_sound_volume(id, percent));
        sound_slots[id].dsbuffer->get_volume(&level);
        EXPECT_EQ(expected, level) << percent;
    }
    EXPECT_EQ(0, set_sound_volume(id, 101)) << "above full volume is refused";
    EXPECT_EQ(0, set_sound_volume(id, -2147483647 - 1));
    sound_slots[id].dsbuffer->get_volume(&level);
    EXPECT_EQ(-3000, level) << "and leaves the volume as it was";

    ASSERT_EQ(1, set_sound_frequency(id, 22050));
    ASSERT_EQ(1, set_sound_pan(id, -2500));
    std::uint32_t frequency = 0;
    std::int32_t pan = 0;
    sound_slots[id].dsbuffer->get_frequency(&frequency);
    sound_slots[id].dsbuffer->get_pan(&pan);
    EXPECT_EQ(22050u, frequency);
    EXPECT_EQ(-2500, pan);
    EXPECT_EQ(0, set_sound_frequency(id, -5));
    EXPECT_EQ(0, set_sound_pan(id, 10001));

    int fixed = load(wav_file(pcm8(std::vector<int>(100, 64))), 0);
    EXPECT_EQ(0, set_sound_volume(fixed, 50)) << "a buffer made without the control";
}

TEST_F(Sound, StatusPlayAndStop) {
    int id = load(wav_file(pcm8(std::vector<int>(2000, 64))));
    EXPECT_EQ(-1, sound_status(id + 1));
    EXPECT_EQ(1, play_sound(id + 1, 0)) << "an empty slot plays nothing, successfully";
    EXPECT_EQ(0.0f, next_left());
    EXPECT_EQ(0, sound_status(id));

    ASSERT_EQ(1, play_sound(id, DSBPLAY_LOOPING, 0, 0, 0));
    EXPECT_EQ(5, sound_status(id));
    EXPECT_EQ(0.5f, next_left());
    ASSERT_EQ(1, stop_sound(id));
    EXPECT_EQ(0, sound_status(id));
    EXPECT_EQ(0.0f, next_left());

    ASSERT_EQ(1, play_sound(id, 0));
    EXPECT_EQ(1, sound_status(id));
    std::vector<float> out(2 * 7999);
    mixer_render(out.data(), 7999);
    EXPECT_EQ(1, sound_status(id));
    ASSERT_EQ(1, play_sound(id, 0)) << "playing again starts from the beginning";
    mixer_render(out.data(), 7999);
    EXPECT_EQ(1, sound_status(id));
    next_left();
    EXPECT_EQ(0, sound_status(id));

    EXPECT_EQ(1, stop_all_sounds());
    EXPECT_EQ(1, delete_all_sounds());
    EXPECT_EQ(-1, sound_status(id));
}

TEST_F(Sound, ReplicasShareTheSamplesAndPlayOnTheirOwn) {
    int a = load(wav_file(pcm8(std::vector<int>(1000, 32))));
    ASSERT_EQ(1, set_sound_pan(a, DSBPAN_LEFT));
    int b = replicate_sound(a);
    ASSERT_EQ(1, b);
    EXPECT_EQ(b, sound_slots[b].id);
    EXPECT_EQ(sound_slots[a].size, sound_slots[b].size);
    EXPECT_NE(sound_slots[a].dsbuffer, sound_slots[b].dsbuffer);
    EXPECT_EQ(samples_of(a), samples_of(b));

    ASSERT_EQ(1, set_sound_pan(b, DSBPAN_RIGHT));
    play_sound(a, 0);
    std::vector<float> out(2 * 2000);
    mixer_render(out.data(), 2000);  // a is halfway through
    play_sound(b, 0);
    ASSERT_EQ(1, stop_sound(a));
    EXPECT_EQ(0, sound_status(a));
    EXPECT_EQ(1, sound_status(b));
    mixer_render(out.data(), 1);
    EXPECT_EQ(0.0f, out[0]);
    EXPECT_EQ(0.25f, out[1]);

    EXPECT_EQ(1, delete_sound(a));
    EXPECT_EQ(1, sound_status(b)) << "the replica outlives its source";
    EXPECT_EQ(-1, replicate_sound(a));
    EXPECT_EQ(-1, replicate_sound(-1));
}

TEST_F(Sound, NumbersOutsideTheTableTouchNothing) {
    int id = load(wav_file(pcm8(std::vector<int>(100, 64))));
    play_sound(id, DSBPLAY_LOOPING);
    for (int bad : {-1, MAX_SOUNDS, 100000, -2147483647 - 1}) {
        EXPECT_EQ(0, play_sound(bad, 0));
        EXPECT_EQ(0, stop_sound(bad));
        EXPECT_EQ(0, delete_sound(bad));
        EXPECT_EQ(0, set_sound_volume(bad, 50));
        EXPECT_EQ(0, set_sound_frequency(bad, 22050));
        EXPECT_EQ(0, set_sound_pan(bad, 0));
        EXPECT_EQ(-1, sound_status(bad));
        EXPECT_EQ(-1, replicate_sound(bad));
    }
    EXPECT_EQ(5, sound_status(id));
}

TEST(SoundLayer, NothingLoadsBeforeItStartsAndItCanStartAgain) {
    set_backend(nullptr);
    EXPECT_EQ(-1, load_wav("any.wav", 0));
    EXPECT_EQ(nullptr, sound_device);
    ASSERT_EQ(1, sound_init());
    DirectSound* first = sound_device;
    ASSERT_EQ(1, sound_init());
    EXPECT_EQ(first, sound_device) << "a second start keeps the device";
    ASSERT_EQ(1, sound_shutdown());
    EXPECT_EQ(nullptr, sound_device);
    EXPECT_EQ(0, mixer_rate());
    ASSERT_EQ(1, sound_init());
    EXPECT_NE(nullptr, sound_device);
    sound_shutdown();
}
