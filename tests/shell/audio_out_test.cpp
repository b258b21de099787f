// The game's --audio-out option: a WAV file of the mixed audio, headless only.
#include "test_util.h"

TEST(AudioOut, HeadlessRunWritesAWholeWavFile) {
    std::string wav = temp_path("out.wav");
    RunResult r = run_game("--headless --frames 3 --audio-out " + wav);
    ASSERT_EQ(0, r.exit_code) << r.output;
    std::string bytes = read_file(wav);
    ASSERT_GE(bytes.size(), 44u);
    EXPECT_EQ("RIFF", bytes.substr(0, 4));
    EXPECT_EQ("WAVEfmt ", bytes.substr(8, 8));
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t data = p[40] | p[41] << 8 | p[42] << 16 | static_cast<std::size_t>(p[43]) << 24;
    EXPECT_EQ(bytes.size(), 44 + data);
    EXPECT_EQ(44100u, p[24] | p[25] << 8 | p[26] << 16);
}

TEST(AudioOut, NeedsHeadlessAndAFileItCanCreate) {
    EXPECT_EQ(2, run_game("--frames 1 --audio-out " + temp_path("x.wav")).exit_code);
    RunResult r = run_game("--headless --frames 1 --audio-out /nonexistent/dir/x.wav");
    EXPECT_EQ(2, r.exit_code);
    EXPECT_NE(std::string::npos, r.output.find("cannot write")) << r.output;
}
