// Sound effect slots: loading and converting WAV files, the table, the
// controls, status and replication, heard through the mixer with no output
// open (the test pulls the frames itself, 44100 a second).
#include "audio/sound.h"

#include "audio_files.h"
#include "platform/backend.h"
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

TEST_F(Sound, RefusesFilesThatAreNotWholePcmWaves) {
    std::string data = riff_chunk("data", pcm8({1, 2, 3, 4, 5, 6}));
    std::string fmt = fmt_chunk(1, 1, 11025, 8);
    std::string whole = riff_file("WAVE", fmt + data);
    struct Case {
        const char* why;
        std::string file;
    } cases[] = {
        {"not RIFF", "RIFX" + whole.substr(4)},
        {"RIFF of another form", riff_file("AVI ", fmt + data)},
        {"no data chunk", riff_file("WAVE", fmt + riff_chunk("LIST", "abcd"))},
        {"no fmt chunk", riff_file("WAVE", data)},
        {"fmt of 14 bytes", riff_file("WAVE", riff_chunk("fmt ", fmt.substr(8, 14)) + data)},
        {"IEEE float", riff_file("WAVE", fmt_chunk(3, 1, 11025, 32) + data)},
        {"A-law", riff_file("WAVE", fmt_chunk(6, 1, 11025, 8) + data)},
        {"24-bit", riff_file("WAVE", fmt_chunk(1, 1, 11025, 24) + data)},
        {"three channels", riff_file("WAVE", fmt_chunk(1, 3, 11025, 8) + data)},
        {"rate 0", riff_file("WAVE", fmt_chunk(1, 1, 0, 8) + data)},
        // a few kilobytes at 1 Hz would become tens of megabytes of samples
        {"rate 1",
         riff_file("WAVE", fmt_chunk(1, 1, 1, 8) + riff_chunk("data", std::string(6000, 'x')))},
        {"rate 999", riff_file("WAVE", fmt_chunk(1, 1, 999, 8) + data)},
        {"rate above 1 MHz", riff_file("WAVE", fmt_chunk(1, 1, 1000001, 8) + data)},
        {"data past the end", whole.substr(0, whole.size() - 2)},
        {"RIFF size past the end", "RIFF" + le32(4000) + whole.substr(8)},
        {"too short to hold a buffer", wav_file(pcm8({1, 2, 3}))},
        {"empty", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(-1, load(c.file)) << c.why;
    EXPECT_EQ(-1, load_wav(temp_path("absent.wav").c_str(), kGameFlags));
    EXPECT_EQ(-1, load_wav(nullptr, kGameFlags));
    EXPECT_EQ(0, load(whole)) << "nothing was taken by the refusals";
    EXPECT_EQ(1, load(riff_file("WAVE", fmt_chunk(1, 1, 1000, 8) + data))) << "1 kHz is read";
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

TEST_F(Sound, OtherPcmFormatsAreConvertedAtLoad) {
    // 16-bit mono at 44100 Hz, a ramp of 64 per sample: every fourth sample is
    // kept, and its top byte is the output.
    std::string ramp;
    for (int i = 0; i < 400; ++i) ramp += le16(static_cast<std::uint16_t>(i * 64));
    int id = load(wav_file(ramp, 1, 44100, 16));
    ASSERT_GE(id, 0);
    EXPECT_EQ(44100, sound_slots[id].rate);
    EXPECT_EQ(100, sound_slots[id].size);
    std::vector<int> expected;
    for (int j = 0; j < 100; ++j) expected.push_back(j);
    EXPECT_EQ(expected, samples_of(id));

    // 8-bit at a third of the rate: linear interpolation between samples.
    id = load(wav_file(pcm8({0, 30, 60}), 1, 3675, 8));
    ASSERT_GE(id, 0);
    EXPECT_EQ((std::vector<int>{0, 10, 20, 30, 40, 50, 60, 60, 60}), samples_of(id));

    // 16-bit stereo: the channels are averaged; negative values stay negative.
    std::string stereo;
    for (int i = 0; i < 8; ++i)
        stereo += le16(100 * 256) + le16(static_cast<std::uint16_t>(-50 * 256));
    for (int i = 0; i < 8; ++i) stereo += le16(static_cast<std::uint16_t>(-100 * 256)) + le16(0);
    id = load(wav_file(stereo, 2, 11025, 16));
    ASSERT_GE(id, 0);
    EXPECT_EQ(16, sound_slots[id].size);
    std::vector<int> s = samples_of(id);
    EXPECT_EQ(25, s.front());
    EXPECT_EQ(-50, s.back());

    // 8-bit stereo at 22050 Hz: half the frames, channels averaged.
    id = load(wav_file(pcm8({100, -100, 100, -100, 40, 40, 40, 40, 20, 20, 20, 20, -6, -6, -6, -6}),
                       2, 22050, 8));
    ASSERT_GE(id, 0);
    EXPECT_EQ((std::vector<int>{0, 40, 20, -6}), samples_of(id));
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
