// The four tunes played through the library's music player, headless, to
// their end: each lasts at least 30 s, has sound all through (no silent
// stretch of more than a few seconds) and never clips.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "audio/music.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/system/win32.h"
#include "test_util.h"

namespace {

struct Level {
    double seconds = 0;        // length of the recording
    double longest_quiet = 0;  // longest run of near silence before the end, seconds
    int peak = 0;              // largest sample magnitude, 16-bit
};

// Reads the 16-bit stereo samples of a WAV file written by the headless output
// and measures them in windows of 100 ms up to end_seconds.
Level measure(const std::string& path, double end_seconds) {
    std::string bytes = read_file(path);
    Level level;
    if (bytes.size() < 44) return level;
    const std::size_t frames = (bytes.size() - 44) / 4;
    level.seconds = static_cast<double>(frames) / HEADLESS_AUDIO_RATE;
    const std::size_t window = HEADLESS_AUDIO_RATE / 10;
    double quiet = 0;
    for (std::size_t start = 0; start + window <= frames; start += window) {
        int window_peak = 0;
        for (std::size_t f = start; f < start + window; ++f) {
            for (int c = 0; c < 2; ++c) {
                std::int16_t s;
                std::memcpy(&s, bytes.data() + 44 + f * 4 + c * 2, 2);
                window_peak = std::max(window_peak, std::abs(static_cast<int>(s)));
            }
        }
        level.peak = std::max(level.peak, window_peak);
        if (static_cast<double>(start) / HEADLESS_AUDIO_RATE >= end_seconds) continue;
        quiet = window_peak < 100 ? quiet + 0.1 : 0;  // below -50 dB full scale
        level.longest_quiet = std::max(level.longest_quiet, quiet);
    }
    return level;
}

}  // namespace

TEST(Tunes, EachPlaysToItsEndWithSoundThroughoutAndNoClipping) {
    const char* font = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    if (access(font, R_OK) != 0) GTEST_SKIP() << "no General MIDI sound font at " << font;
    char home[PATH_MAX];
    ASSERT_NE(nullptr, getcwd(home, sizeof home));
    for (const char* tune : {"title.mid", "story.mid", "game.mid", "end.mid"}) {
        std::string wav = temp_path(std::string(tune) + ".wav");
        ASSERT_EQ(0, chdir(V17_ASSET_DIR));
        reset_window_system();
        use_virtual_clock(0);
        BackendOptions outputs;
        outputs.audio_out = wav;
        set_backend(make_headless_backend(outputs));
        ASSERT_EQ(1, music_init());
        int id = load_midi(tune);
        ASSERT_GE(id, 0) << tune;
        ASSERT_EQ(1, play_music(id));
        // Passes of 30 ms, as the game's frames run, until the piece has ended.
        std::uint32_t ms = 0;
        MSG msg;
        while (music_status(id) == MUSIC_STATE_PLAYING && ms < 300000) {
            ms += 30;
            while (get_tick_count() < ms) yield_processor();
            peek_message(&msg, nullptr, 0, 0, PM_REMOVE);
        }
        double end_seconds = ms / 1000.0;
        for (int i = 0; i < 40; ++i) {  // the last notes ring out
            ms += 30;
            while (get_tick_count() < ms) yield_processor();
            peek_message(&msg, nullptr, 0, 0, PM_REMOVE);
        }
        music_shutdown();
        set_backend(nullptr);  // closes the output and finishes the file
        reset_window_system();
        ASSERT_EQ(0, chdir(home));

        Level level = measure(wav, end_seconds - 0.5);
        std::printf("%s: ends at %.2f s, longest quiet %.1f s, peak %d\n", tune, end_seconds,
                    level.longest_quiet, level.peak);
        EXPECT_GE(end_seconds, 30.0) << tune;
        EXPECT_LT(end_seconds, 300.0) << tune << " never ended";
        EXPECT_LE(level.longest_quiet, 3.0) << tune;
        EXPECT_GT(level.peak, 2000) << tune << " is barely audible";
        EXPECT_LT(level.peak, 32767) << tune << " clips";
    }
}
