// The complete run: the committed input script played by the game binary from
// the title to the ending, and a golden record of its frames, so that a change
// in behaviour anywhere along the route shows as a difference. Run the suite
// with V17_UPDATE_GOLDEN=1 to write the record afresh after a meant change.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/formats/input_script.h"
#include "platform/system/win32.h"
#include "test_util.h"

namespace {

const std::string kScript = std::string(V17_SOURCE_DIR) + "/assets/replays/complete.txt";
const std::string kGolden = std::string(V17_SOURCE_DIR) + "/tests/golden/complete_run.txt";
constexpr int kGoldenStep = 5;  // every 5th frame of the run

// The raw text of "key" in one trace line (up to the next comma or brace), or
// an empty string when the key is absent.
std::string json_text(const std::string& line, const std::string& key) {
    std::string pattern = "\"" + key + "\":";
    std::size_t at = line.find(pattern);
    if (at == std::string::npos) return "";
    at += pattern.size();
    std::size_t end = line.find_first_of(",}", at);
    std::string text = line.substr(at, end - at);
    if (text.size() >= 2 && text.front() == '"') text = text.substr(1, text.size() - 2);
    return text;
}

// Plays the complete run headless; its trace lines, empty when it failed.
std::vector<std::string> play_complete_run(RunResult* result) {
    std::string trace = temp_path("trace.jsonl");
    *result = run_game("--headless --assets " + std::string(V17_ASSET_DIR) + " --input " + kScript +
                       " --trace " + trace);
    return read_lines(trace);
}

// The golden record's line of one frame.
std::string golden_line(const std::string& trace_line) {
    std::string line;
    for (const char* key :
         {"frame", "state", "x", "y", "vx", "vy", "airborne", "deaths", "frame_hash"}) {
        if (!line.empty()) line += ' ';
        line += json_text(trace_line, key);
    }
    return line;
}

}  // namespace

TEST(CompleteRun, ScriptNeverHoldsTheTeleportKeys) {
    InputScript script;
    std::string error;
    ASSERT_EQ(1, load_input_script(kScript.c_str(), &script, &error)) << error;
    ASSERT_FALSE(script.lines.empty());
    for (std::size_t i = 0; i < script.lines.size(); ++i) {
        bool shift = false, j = false;
        for (std::uint8_t vk : script.lines[i].keys) {
            shift = shift || vk == VK_LSHIFT;
            j = j || vk == 'J';
        }
        EXPECT_FALSE(shift && j) << "line " << i + 1 << " holds left Shift with J";
    }
}

// From the title through the three levels to the ending, in order, with no
// death, the ending shown for a while, and the program ending by itself.
TEST(CompleteRun, ReachesTheEndingInOrderWithoutADeath) {
    RunResult r;
    std::vector<std::string> trace = play_complete_run(&r);
    ASSERT_EQ(0, r.exit_code) << r.output;
    ASSERT_FALSE(trace.empty());
    long long state = 0;
    int ending_frames = 0;
    for (const std::string& line : trace) {
        long long now = json_int(line, "state");
        ASSERT_TRUE(now == state || now == state + 1) << line;
        state = now;
        if (state == 4) ++ending_frames;
    }
    EXPECT_EQ(4, state);
    EXPECT_GE(ending_frames, 50);  // the ending stays on screen for over a second
    EXPECT_EQ(0, json_int(trace.back(), "deaths"));
    EXPECT_EQ(3, json_int(trace.back(), "page"));
}

TEST(CompleteRun, FramesMatchTheGoldenRecord) {
    RunResult r;
    std::vector<std::string> trace = play_complete_run(&r);
    ASSERT_EQ(0, r.exit_code) << r.output;
    std::vector<std::string> now;
    for (std::size_t i = 0; i < trace.size(); i += kGoldenStep)
        now.push_back(golden_line(trace[i]));
    now.push_back(golden_line(trace.back()));

    const char* update = std::getenv("V17_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        std::string text =
            "# Every 5th frame of the complete run, and its last: frame state x y vx vy airborne "
            "deaths frame_hash.\n# Written by complete_run_test with V17_UPDATE_GOLDEN=1.\n";
        for (const std::string& line : now) text += line + "\n";
        write_file(kGolden, text);
        GTEST_SKIP() << "golden record written to " << kGolden;
    }
    std::vector<std::string> golden;
    for (const std::string& line : read_lines(kGolden))
        if (!line.empty() && line[0] != '#') golden.push_back(line);
    ASSERT_FALSE(golden.empty()) << kGolden << " is missing; write it with V17_UPDATE_GOLDEN=1";
    for (std::size_t i = 0; i < golden.size() && i < now.size(); ++i)
        ASSERT_EQ(golden[i], now[i]) << "first difference at line " << i + 1;
    EXPECT_EQ(golden.size(), now.size());
}
