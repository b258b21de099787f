// The game binary run headless, as a player's or tester's command line runs it.
#include "test_util.h"

TEST(GameRun, IdleScriptEndsByItselfWithTicksThirtyApart) {
    std::string script = temp_path("idle.txt");
    std::string trace = temp_path("trace.jsonl");
    write_file(script, "10 - 0 0 0\n");
    RunResult r = run_game("--headless --input " + script + " --trace " + trace);
    ASSERT_EQ(0, r.exit_code) << r.output;
    std::vector<std::string> lines = read_lines(trace);
    // 10 idle frames, the frame that sees Escape, and the frame of the pass
    // that takes WM_DESTROY; the pass after takes WM_QUIT.
    ASSERT_EQ(12u, lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(static_cast<long long>(i), json_int(lines[i], "frame"));
        EXPECT_EQ(static_cast<long long>(30 * i), json_int(lines[i], "tick"));
        EXPECT_EQ(0, json_int(lines[i], "state"));
    }
}

TEST(GameRun, StartTickNearTheWrapStillPacesThirtyApart) {
    std::string trace = temp_path("trace.jsonl");
    RunResult r = run_game("--headless --frames 4 --start-tick 4294967250 --trace " + trace);
    ASSERT_EQ(0, r.exit_code) << r.output;
    std::vector<std::string> lines = read_lines(trace);
    ASSERT_EQ(6u, lines.size());
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::uint32_t a = static_cast<std::uint32_t>(json_int(lines[i - 1], "tick"));
        std::uint32_t b = static_cast<std::uint32_t>(json_int(lines[i], "tick"));
        EXPECT_EQ(30u, b - a) << lines[i];
    }
}

TEST(GameRun, RecordingReplaysToTheSameTraceAndInput) {
    std::string script = temp_path("in.txt");
    std::string rec = temp_path("rec.txt");
    std::string rec2 = temp_path("rec2.txt");
    std::string t1 = temp_path("t1.jsonl");
    std::string t2 = temp_path("t2.jsonl");
    write_file(script, "3 - 0 0 0\n2 RIGHT 4 -2 0\n1 LSHIFT,J 0 0 1\n4 - -7 9 1\n2 RETURN 0 0 0\n");
    ASSERT_EQ(
        0,
        run_game("--headless --input " + script + " --record " + rec + " --trace " + t1).exit_code);
    RunResult r = run_game("--headless --input " + rec + " --record " + rec2 + " --trace " + t2);
    ASSERT_EQ(0, r.exit_code) << r.output;
    EXPECT_EQ(read_file(t1), read_file(t2));
    EXPECT_EQ(read_file(rec), read_file(rec2));
    std::string recorded = read_file(rec);
    EXPECT_NE(std::string::npos, recorded.find("J,LSHIFT")) << recorded;
    EXPECT_NE(std::string::npos, recorded.find("-7      9  1")) << recorded;
}

TEST(GameRun, BadCommandLinesAndScriptsExitTwoWithAReason) {
    RunResult unknown = run_game("--no-such-option");
    EXPECT_EQ(2, unknown.exit_code);
    EXPECT_NE(std::string::npos, unknown.output.find("Usage"));

    RunResult bare = run_game("--headless");
    EXPECT_EQ(2, bare.exit_code);
    EXPECT_NE(std::string::npos, bare.output.find("--input or --frames"));

    std::string script = temp_path("bad.txt");
    write_file(script, "# fine\n10 - 0 0 0\n3 LEFT 0 zero 0\n");
    RunResult bad = run_game("--headless --input " + script);
    EXPECT_EQ(2, bad.exit_code);
    EXPECT_NE(std::string::npos, bad.output.find("line 3")) << bad.output;

    RunResult missing = run_game("--headless --input " + temp_path("absent.txt"));
    EXPECT_EQ(2, missing.exit_code);
    EXPECT_NE(std::string::npos, missing.output.find("absent.txt: no such file")) << missing.output;

    RunResult no_dir = run_game("--headless --frames 1 --assets /nonexistent/dir");
    EXPECT_EQ(2, no_dir.exit_code);
}

TEST(GameRun, HelpAndVersionExitZeroAndTheVersionIsTheProjects) {
    RunResult help = run_game("--help");
    EXPECT_EQ(0, help.exit_code);
    EXPECT_NE(std::string::npos, help.output.find("--headless"));
    RunResult version = run_game("--version");
    EXPECT_EQ(0, version.exit_code);
    EXPECT_EQ("vantorel17 " V17_PROJECT_VERSION "\n", version.output);
}

// An output that fails while the run writes it (a full disk) is named with its
// reason, and the run, played to its end, says so by its status.
TEST(GameRun, AnOutputThatCannotBeWrittenEndsWithStatusFour) {
    for (const char* option : {"--trace", "--record", "--audio-out", "--shots"}) {
        RunResult r = run_game(std::string("--headless --frames 3 ") + option + " /dev/full");
        EXPECT_EQ(4, r.exit_code) << option << ": " << r.output;
        EXPECT_NE(std::string::npos, r.output.find("cannot write /dev/full")) << r.output;
    }
}
