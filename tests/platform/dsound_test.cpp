// The sound device and its buffers, heard through the mixer with no output
// open: the test pulls the frames itself at the mixer's default 44100 Hz.
#include "platform/system/dsound.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/system/backend.h"
#include "test_util.h"

namespace {

constexpr std::uint32_t kAllControls = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
const WAVEFORMATEX kFormat = {WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};

class Dsound : public ::testing::Test {
protected:
    void SetUp() override {
        set_backend(nullptr);
        ASSERT_EQ(DS_OK, direct_sound_create(nullptr, &device, nullptr));
        ASSERT_EQ(44100, mixer_rate());
    }
    void TearDown() override {
        if (device) device->release();
        EXPECT_EQ(0, mixer_rate());  // the device was the mixer's only user
    }

    // A buffer holding the signed values (-128..127) as unsigned 8-bit samples.
    DirectSoundBuffer* make(const std::vector<int>& values, std::uint32_t flags = kAllControls) {
        DSBUFFERDESC desc{sizeof(DSBUFFERDESC), flags, static_cast<std::uint32_t>(values.size()), 0,
                          &kFormat};
        DirectSoundBuffer* b = nullptr;
        EXPECT_EQ(DS_OK, device->create_sound_buffer(&desc, &b, nullptr));
        if (!b) return nullptr;
        void *p1, *p2;
        std::uint32_t n1, n2;
        EXPECT_EQ(DS_OK, b->lock(0, desc.dwBufferBytes, &p1, &n1, &p2, &n2, 0));
        for (std::uint32_t i = 0; i < n1; ++i) static_cast<std::uint8_t*>(p1)[i] = values[i] + 128;
        EXPECT_EQ(DS_OK, b->unlock(p1, n1, p2, n2));
        return b;
    }

    std::vector<float> render(int frames) {
        std::vector<float> out(2 * static_cast<std::size_t>(frames));
        mixer_render(out.data(), frames);
        return out;
    }

    std::uint32_t status(DirectSoundBuffer* b) {
        std::uint32_t s = 99;
        EXPECT_EQ(DS_OK, b->get_status(&s));
        return s;
    }

    DirectSound* device = nullptr;
};

float db(float hundredths) {
    return std::pow(10.0f, hundredths / 2000.0f);
}

}  // namespace

TEST_F(Dsound, LevelVolumeAndPanLaw) {
    DirectSoundBuffer* b = make(std::vector<int>(4000, 64));  // half of full scale
    ASSERT_EQ(DS_OK, b->play(0, 0, DSBPLAY_LOOPING));
    struct Case {
        std::int32_t volume, pan;
        float left, right;
    } cases[] = {
        {0, 0, 0.5f, 0.5f},
        {-600, 0, 0.5f * db(-600), 0.5f * db(-600)},
        {0, 10000, 0.0f, 0.5f},
        {0, -10000, 0.5f, 0.0f},
        {0, -3000, 0.5f, 0.5f * db(-3000)},
        {-1000, 600, 0.5f * db(-1000) * db(-600), 0.5f * db(-1000)},
        {-10000, 0, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(DS_OK, b->set_volume(c.volume));
        ASSERT_EQ(DS_OK, b->set_pan(c.pan));
        std::vector<float> out = render(64);
        for (int i = 0; i < 64; ++i) {
            ASSERT_NEAR(c.left, out[2 * i], 1e-6) << c.volume << " " << c.pan << " at " << i;
            ASSERT_NEAR(c.right, out[2 * i + 1], 1e-6) << c.volume << " " << c.pan << " at " << i;
        }
    }
}

TEST_F(Dsound, PlayedOnceItLastsItsLengthAndDoubleFrequencyHalvesIt) {
    DirectSoundBuffer* b = make(std::vector<int>(11025, 100));  // one second at its own rate
    for (std::uint32_t frequency : {0u, 22050u}) {
        int frames = frequency == 0 ? 44100 : 22050;
        ASSERT_EQ(DS_OK, b->set_frequency(frequency));
        ASSERT_EQ(DS_OK, b->set_current_position(0));
        ASSERT_EQ(DS_OK, b->play(0, 0, 0));
        EXPECT_EQ(DSBSTATUS_PLAYING, status(b));
        std::vector<float> out = render(frames - 1);
        EXPECT_EQ(DSBSTATUS_PLAYING, status(b)) << frequency;
        EXPECT_GT(out[2 * (frames - 2)], 0.7f);
        out = render(2);
        EXPECT_GT(out[0], 0.7f) << "the last frame still sounds";
        EXPECT_EQ(0.0f, out[2]) << "and the one after is silent";
        EXPECT_EQ(0u, status(b)) << frequency;
        std::uint32_t play = 1, write = 1;
        b->get_current_position(&play, &write);
        EXPECT_EQ(0u, play);  // back at the start once it has ended
    }
}

TEST_F(Dsound, LoopingWrapsWithoutAClick) {
    // One period of a triangle wave; looped at a quarter step it must stay a
    // smooth triangle across every wrap, never dropping to silence or jumping.
    DirectSoundBuffer* b = make({0, 32, 64, 32, 0, -32, -64, -32});
    ASSERT_EQ(DS_OK, b->play(0, 0, DSBPLAY_LOOPING));
    EXPECT_EQ(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING, status(b));
    std::vector<float> out = render(4000);
    const float largest_step = 32.0f / 128.0f / 4.0f;
    for (int i = 1; i < 4000; ++i)
        ASSERT_NEAR(largest_step, std::fabs(out[2 * i] - out[2 * i - 2]), 1e-6) << i;
    EXPECT_EQ(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING, status(b));

    DirectSoundBuffer* flat = make(std::vector<int>(7, 100));  // 7 samples: wraps mid-step
    b->stop();
    ASSERT_EQ(DS_OK, flat->set_frequency(30000));
    ASSERT_EQ(DS_OK, flat->play(0, 0, DSBPLAY_LOOPING));
    out = render(5000);
    for (int i = 0; i < 5000; ++i) ASSERT_NEAR(100.0f / 128.0f, out[2 * i], 1e-6) << i;
}

TEST_F(Dsound, SumsPastFullScaleAreLimitedAndTheGainComesBackSmoothly) {
    const float ceiling = 0.944f;  // -0.5 dBFS
    DirectSoundBuffer* a = make(std::vector<int>(100, 127));
    DirectSoundBuffer* b = make(std::vector<int>(100, 127));
    DirectSoundBuffer* quiet = make(std::vector<int>(100, 40));
    DirectSoundBuffer* c = make(std::vector<int>(100, -128));
    a->play(0, 0, DSBPLAY_LOOPING);
    b->play(0, 0, DSBPLAY_LOOPING);
    std::vector<float> out = render(10);
    for (float v : out) ASSERT_NEAR(ceiling, v, 1e-4);  // from the first frame on
    EXPECT_NEAR(ceiling / (2 * 127 / 128.0f), mixer_lowest_gain(), 1e-4);

    // The gain rises back over a tenth of a second or so, without a step, and
    // then leaves a quiet sound exactly as it was.
    a->stop();
    b->stop();
    quiet->play(0, 0, DSBPLAY_LOOPING);
    out = render(44100);
    EXPECT_LT(out[0], 0.5f * 40 / 128.0f);
    for (int i = 1; i < 44100; ++i) ASSERT_LE(out[2 * i] - out[2 * i - 2], 1e-3f) << i;
    EXPECT_EQ(40 / 128.0f, out[2 * 44099]);

    quiet->stop();
    c->play(0, 0, DSBPLAY_LOOPING);
    c->set_volume(0);
    out = render(10);
    for (float v : out) ASSERT_NEAR(-ceiling, v, 1e-4);
}

// An input that writes something not a number: that frame is silent, and the
// limiter does not turn the sound down for the frames after it.
TEST_F(Dsound, SamplesThatAreNotNumbersAreSilence) {
    struct Broken final : MixerInput {
        void mix_into(float* out, int frames, int) override {
            out[0] = std::numeric_limits<float>::infinity();
            out[1] = std::numeric_limits<float>::quiet_NaN();
            for (int i = 1; i < frames; ++i) out[2 * i] += 0.5f, out[2 * i + 1] += 0.5f;
        }
    } broken;
    mixer_add(&broken);
    std::vector<float> out = render(4);
    mixer_remove(&broken);
    EXPECT_EQ(0.0f, out[0]);
    EXPECT_EQ(0.0f, out[1]);
    EXPECT_EQ(0.5f, out[6]);
    EXPECT_EQ(1.0f, mixer_lowest_gain());
}

TEST_F(Dsound, DuplicatesShareSamplesButNotPositionOrControls) {
    DirectSoundBuffer* a = make(std::vector<int>(1000, 40));
    ASSERT_EQ(DS_OK, a->set_volume(-600));
    DirectSoundBuffer* b = nullptr;
    ASSERT_EQ(DS_OK, device->duplicate_sound_buffer(a, &b));
    std::int32_t volume = 0;
    b->get_volume(&volume);
    EXPECT_EQ(-600, volume);  // controls are copied
    ASSERT_EQ(DS_OK, b->set_volume(0));
    a->get_volume(&volume);
    EXPECT_EQ(-600, volume);  // and then each buffer's own

    a->play(0, 0, 0);
    render(400);  // 100 samples in
    b->play(0, 0, 0);
    std::uint32_t pa, pb, write;
    a->get_current_position(&pa, &write);
    b->get_current_position(&pb, &write);
    EXPECT_EQ(100u, pa);
    EXPECT_EQ(0u, pb);
    a->stop();
    EXPECT_EQ(DSBSTATUS_PLAYING, status(b));
    EXPECT_NEAR(40.0f / 128.0f, render(1)[0], 1e-6);  // b alone, at full volume

    // Samples written through one are heard through the other.
    void *p1, *p2;
    std::uint32_t n1, n2;
    ASSERT_EQ(DS_OK, a->lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER));
    std::memset(p1, 128 + 80, n1);
    ASSERT_EQ(DS_OK, a->unlock(p1, n1, p2, n2));
    EXPECT_NEAR(80.0f / 128.0f, render(1)[0], 1e-6);

    EXPECT_EQ(0u, a->release());  // the copy keeps the samples
    EXPECT_NEAR(80.0f / 128.0f, render(1)[0], 1e-6);
    DirectSoundBuffer* none = nullptr;
    EXPECT_EQ(DSERR_INVALIDPARAM, device->duplicate_sound_buffer(nullptr, &none));
}

TEST_F(Dsound, LocksWrapFromTheWriteCursorAndCheckWhatComesBack) {
    DirectSoundBuffer* b = make({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    ASSERT_EQ(DS_OK, b->set_current_position(6));
    void *p1 = nullptr, *p2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(DS_OK, b->lock(0, 8, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR));
    ASSERT_EQ(4u, n1);
    ASSERT_EQ(4u, n2);
    EXPECT_EQ(128 + 6, static_cast<std::uint8_t*>(p1)[0]);
    EXPECT_EQ(128 + 0, static_cast<std::uint8_t*>(p2)[0]);
    EXPECT_EQ(DSERR_INVALIDCALL, b->lock(0, 1, &p1, &n1, &p2, &n2, 0)) << "locked already";
    int here = 0;
    EXPECT_EQ(DSERR_INVALIDPARAM, b->unlock(&here, 1, nullptr, 0));
    std::memset(p1, 200, n1);
    std::memset(p2, 201, n2);
    ASSERT_EQ(DS_OK, b->unlock(p1, n1, p2, n2));

    ASSERT_EQ(DS_OK, b->lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER));
    ASSERT_EQ(10u, n1);
    EXPECT_EQ(0u, n2);
    EXPECT_EQ(nullptr, p2);
    const auto* s = static_cast<std::uint8_t*>(p1);
    EXPECT_EQ((std::vector<int>{201, 201, 201, 201, 132, 133, 200, 200, 200, 200}),
              std::vector<int>(s, s + 10));
    ASSERT_EQ(DS_OK, b->unlock(p1, n1, p2, n2));

    EXPECT_EQ(DSERR_INVALIDPARAM, b->lock(0, 11, &p1, &n1, &p2, &n2, 0));
    EXPECT_EQ(DSERR_INVALIDPARAM, b->lock(10, 1, &p1, &n1, &p2, &n2, 0));
    EXPECT_EQ(DSERR_INVALIDPARAM, b->lock(5, 8, &p1, &n1, nullptr, nullptr, 0));
    EXPECT_EQ(DSERR_INVALIDPARAM, b->set_current_position(10));
}

TEST_F(Dsound, RefusesWhatTheDeviceCannotDo) {
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), 0, 100, 0, &kFormat};
    DirectSoundBuffer* b = nullptr;
    WAVEFORMATEX stereo = kFormat;
    stereo.nChannels = 2;
    desc.lpwfxFormat = &stereo;
    EXPECT_EQ(DSERR_BADFORMAT, device->create_sound_buffer(&desc, &b, nullptr));
    desc.lpwfxFormat = &kFormat;
    desc.dwBufferBytes = 3;
    EXPECT_EQ(DSERR_INVALIDPARAM, device->create_sound_buffer(&desc, &b, nullptr));
    desc.dwBufferBytes = 100;
    desc.dwSize = 8;
    EXPECT_EQ(DSERR_INVALIDPARAM, device->create_sound_buffer(&desc, &b, nullptr));
    EXPECT_EQ(nullptr, b);
    EXPECT_EQ(DSERR_INVALIDPARAM, device->set_cooperative_level(nullptr, 0));
    EXPECT_EQ(DS_OK, device->set_cooperative_level(nullptr, DSSCL_NORMAL));

    DirectSoundBuffer* plain = make(std::vector<int>(10, 0), 0);
    EXPECT_EQ(DSERR_CONTROLUNAVAIL, plain->set_volume(0));
    EXPECT_EQ(DSERR_CONTROLUNAVAIL, plain->set_frequency(0));
    EXPECT_EQ(DSERR_CONTROLUNAVAIL, plain->set_pan(0));
    DirectSoundBuffer* full = make(std::vector<int>(10, 0));
    EXPECT_EQ(DSERR_INVALIDPARAM, full->set_volume(1));
    EXPECT_EQ(DSERR_INVALIDPARAM, full->set_volume(-10001));
    EXPECT_EQ(DSERR_INVALIDPARAM, full->set_pan(10001));
    EXPECT_EQ(DSERR_INVALIDPARAM, full->set_frequency(99));
    EXPECT_EQ(DSERR_INVALIDPARAM, full->set_frequency(200001));
    EXPECT_EQ(DSERR_INVALIDPARAM, full->play(1, 0, 0));
    std::uint32_t frequency = 0;
    EXPECT_EQ(DS_OK, full->set_frequency(DSBFREQUENCY_ORIGINAL));
    full->get_frequency(&frequency);
    EXPECT_EQ(11025u, frequency);
}

TEST_F(Dsound, ReleasingTheDeviceFreesItsBuffersAndFallsSilent) {
    make(std::vector<int>(100, 50))->play(0, 0, DSBPLAY_LOOPING);
    make(std::vector<int>(100, 50));
    EXPECT_NE(0.0f, render(1)[0]);
    EXPECT_EQ(0u, device->release());  // the leak checker sees the buffers go
    device = nullptr;
    EXPECT_EQ(0.0f, render(1)[0]);
}
