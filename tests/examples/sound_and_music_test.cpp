// The sound and music example, run as a user runs it: headless with its audio
// kept as a WAV file, checked by its levels at the times things were played;
// and through the SDL backend with the disk audio driver and with none at all.
#include <sys/stat.h>

#include <cmath>
#include <cstring>

#include "audio_files.h"
#include "test_util.h"

namespace {

// Makes the example's two files in a folder of their own: a 0.3 s square wave
// at 78% of full scale, and one piano note lasting 1 s.
std::string make_assets() {
    std::string dir = temp_path("assets");
    mkdir(dir.c_str(), 0755);
    write_file(dir + "/scream.WAV", wav_file(square8(3307, 100, 20)));
    write_file(dir + "/title.mid", one_note_midi(960));
    return dir;
}

RunResult run_example(const std::string& env, const std::string& args) {
    return run_command(env + " " + V17_EXAMPLES_DIR + "/sound_and_music " + args);
}

// Root mean square of both channels of 16-bit stereo WAV data over [from, to) ms.
double rms(const std::string& wav, int from_ms, int to_ms) {
    std::size_t frames = (wav.size() - 44) / 4;
    std::size_t a = static_cast<std::size_t>(from_ms) * 441 / 10;
    std::size_t b = std::min(frames, static_cast<std::size_t>(to_ms) * 441 / 10);
    double sum = 0;
    for (std::size_t i = 2 * a; i < 2 * b; ++i) {
        std::int16_t v;
        std::memcpy(&v, wav.data() + 44 + 2 * i, 2);
        sum += static_cast<double>(v) * v;
    }
    return b > a ? std::sqrt(sum / static_cast<double>(2 * (b - a))) / 32768.0 : 0.0;
}

}  // namespace

TEST(SoundAndMusicExample, HeadlessWavHoldsTheSoundsAndTheMusicWhereTheyPlayed) {
    std::string assets = make_assets();
    std::string out = temp_path("heard.wav");
    RunResult r = run_example("", "--assets " + assets + " --audio-out " + out);
    ASSERT_EQ(0, r.exit_code) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("music ended at 1020 ms")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("sound at 2010 ms")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("sound at 3000 ms")) << r.output;

    std::string wav = read_file(out);
    ASSERT_GT(wav.size(), 44u + 4u * 44100 * 4);  // more than 4 s
    EXPECT_GT(rms(wav, 20, 900), 0.002) << "the note sounds";
    EXPECT_LT(rms(wav, 1600, 2005), 1e-4) << "and has died away";
    EXPECT_GT(rms(wav, 2015, 2305), 0.7) << "the first sound";
    EXPECT_LT(rms(wav, 2315, 2995), 1e-4);
    EXPECT_GT(rms(wav, 3005, 3295), 0.7) << "the second sound";
    EXPECT_LT(rms(wav, 3315, 4000), 1e-4);
}

TEST(SoundAndMusicExample, FaultsInFilesAndCommandLine) {
    std::string assets = make_assets();
    RunResult missing = run_example("", "--assets " + assets + " absent.wav");
    EXPECT_EQ(1, missing.exit_code);
    EXPECT_NE(std::string::npos, missing.output.find("cannot load absent.wav")) << missing.output;
    EXPECT_EQ(2, run_example("", "--sdl --audio-out x.wav").exit_code);
    EXPECT_EQ(2, run_example("", "--loud").exit_code);
}

// These two run on the real clock, about four seconds each.
TEST(SoundAndMusicExample, SdlDiskDriverWritesTheSameSoundsOut) {
    std::string assets = make_assets();
    std::string raw = temp_path("disk.raw");
    std::remove(raw.c_str());
    RunResult r =
        run_example("SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + raw, "--sdl --assets " + assets);
    ASSERT_EQ(0, r.exit_code) << r.output;
    std::string stream = read_file(raw);  // float stereo
    float loudest = 0;
    for (std::size_t i = 0; i + 4 <= stream.size(); i += 4) {
        float v;
        std::memcpy(&v, stream.data() + i, 4);
        loudest = std::max(loudest, std::fabs(v));
    }
    EXPECT_GT(loudest, 0.7f) << stream.size() << " bytes";
}

TEST(SoundAndMusicExample, WithNoAudioDeviceItRunsSilent) {
    std::string assets = make_assets();
    RunResult r = run_example("SDL_AUDIODRIVER=none-at-all", "--sdl --assets " + assets);
    EXPECT_EQ(0, r.exit_code) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("playing silent")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("sound at 3")) << r.output;
}
