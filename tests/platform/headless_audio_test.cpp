// The headless output: the mixer moves on with the virtual clock at each
// removing peek, every millisecond's fraction of a frame carried, and the
// stream can be kept as a WAV file.
#include <cstring>

#include "audio_files.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/system/backend.h"
#include "platform/system/dsound.h"
#include "platform/system/win32.h"
#include "test_util.h"

namespace {

class HeadlessAudio : public ::testing::Test {
protected:
    void SetUp() override {
        reset_window_system();
        use_virtual_clock(1000);
    }
    void TearDown() override {
        set_backend(nullptr);
        reset_window_system();
    }
    static void pass() {
        MSG msg;
        peek_message(&msg, nullptr, 0, 0, PM_REMOVE);
    }
    static void advance(int ms) {
        for (int i = 0; i < ms; ++i) yield_processor();
    }
};

std::uint32_t data_bytes(const std::string& wav) {
    if (wav.size() < 44) return 0;
    const auto* p = reinterpret_cast<const std::uint8_t*>(wav.data()) + 40;
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int16_t sample_at(const std::string& wav, std::size_t frame, int channel) {
    std::int16_t v;
    std::memcpy(&v, wav.data() + 44 + 4 * frame + 2 * channel, 2);
    return v;
}

}  // namespace

TEST_F(HeadlessAudio, FramesFollowVirtualTimeWithFractionsCarried) {
    std::string path = temp_path("out.wav");
    BackendOptions outputs;
    outputs.audio_out = path;
    set_backend(make_headless_backend(outputs));
    ASSERT_EQ(HEADLESS_AUDIO_RATE, mixer_open());
    for (int ms = 0; ms < 1000; ++ms) {  // 1000 passes of 1 ms: 44.1 frames each
        advance(1);
        pass();
    }
    advance(7);
    pass();
    peek_message(nullptr, nullptr, 0, 0,
                 PM_NOREMOVE);  // a peek that does not remove renders nothing
    advance(30);
    mixer_close();
    set_backend(nullptr);
    std::string wav = read_file(path);
    EXPECT_EQ(0, wav.compare(0, 4, "RIFF"));
    EXPECT_EQ(44 + data_bytes(wav), wav.size());
    EXPECT_EQ(4u * (1007 * 441 / 10), data_bytes(wav));  // 44408 frames for 1007 ms
}

TEST_F(HeadlessAudio, TheWavFileHoldsWhatPlayedWhenItPlayed) {
    std::string path = temp_path("out.wav");
    BackendOptions outputs;
    outputs.audio_out = path;
    set_backend(make_headless_backend(outputs));
    DirectSound* device = nullptr;
    ASSERT_EQ(DS_OK, direct_sound_create(nullptr, &device, nullptr));
    const WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    DSBUFFERDESC desc{sizeof desc, DSBCAPS_CTRLPAN, 1103, 0, &format};  // 100 ms of 64
    DirectSoundBuffer* b = nullptr;
    ASSERT_EQ(DS_OK, device->create_sound_buffer(&desc, &b, nullptr));
    void *p1, *p2;
    std::uint32_t n1, n2;
    ASSERT_EQ(DS_OK, b->lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER));
    std::memset(p1, 128 + 64, n1);
    b->unlock(p1, n1, p2, n2);
    b->set_pan(DSBPAN_RIGHT);

    advance(50);
    pass();  // 50 ms of silence
    b->play(0, 0, 0);
    advance(200);
    pass();
    device->release();
    set_backend(nullptr);

    std::string wav = read_file(path);
    ASSERT_EQ(4u * 250 * 441 / 10, data_bytes(wav));
    EXPECT_EQ(0, sample_at(wav, 2204, 1));             // before it starts, at 49.98 ms
    EXPECT_EQ(16383, sample_at(wav, 2205, 1));         // 50 ms: half scale, on the right
    EXPECT_EQ(0, sample_at(wav, 2205, 0));             // and nothing on the left
    EXPECT_EQ(16383, sample_at(wav, 2205 + 4411, 1));  // its last frame
    EXPECT_EQ(0, sample_at(wav, 2205 + 4412, 1));      // over
}
