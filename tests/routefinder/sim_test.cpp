// The route finder's in-process game: its passes must be the program's passes,
// and a restored snapshot must play on exactly as the run it was taken from,
// or the scripts it writes would not replay. Both are checked on the complete
// run, across a door and a level's start.
#include <cstring>
#include <string>
#include <vector>

#include "game/world.h"
#include "search.h"
#include "sim.h"
#include "support/clock.h"
#include "test_util.h"

namespace {

const std::string kScript = std::string(V17_SOURCE_DIR) + "/assets/replays/complete.txt";
constexpr int kPasses = 420;  // past the door of level 1 (pass 356) into level 2

// What one pass leaves behind, as the trace shows it.
struct Seen {
    int state, deaths, pointer_x, pointer_y, in_air;
    float x, y, vx, vy;
    std::uint32_t tick;
    bool operator==(const Seen&) const = default;
};

Seen seen_now() {
    return {game_state, deaths,   mouse_x,   mouse_y,   airborne,
            player.x,   player.y, player.vx, player.vy, frame_start_ticks};
}

// Every entry of the world's state list alike in a and b, byte for byte; each
// one that is not is named.
void expect_same_world(const WorldState& a, const WorldState& b, const std::string& when) {
#define EXPECT_SAME_ENTRY(type, name, at_load) \
    EXPECT_EQ(0, std::memcmp(&a.name, &b.name, sizeof a.name)) << #name << " " << when;
    WORLD_STATE(EXPECT_SAME_ENTRY)
#undef EXPECT_SAME_ENTRY
}

class RouteSim : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_EQ(1, load_input_script(kScript.c_str(), &script_, &error)) << error;
        ASSERT_EQ(1, sim_start(V17_ASSET_DIR));
        sim_save(&fresh_);
    }
    static void TearDownTestSuite() { sim_stop(); }
    void SetUp() override { sim_restore(fresh_); }

    // Plays passes first .. last - 1 of the script, noting each.
    static std::vector<Seen> play(std::uint64_t first, std::uint64_t last) {
        std::vector<Seen> seen;
        for (std::uint64_t pass = first; pass < last; ++pass) {
            sim_pass(*script_line_for_pass(script_, pass));
            seen.push_back(seen_now());
        }
        return seen;
    }

    static inline InputScript script_;
    static inline WorldSnapshot fresh_;
};

}  // namespace

TEST_F(RouteSim, PassesMatchTheProgramsTrace) {
    std::string trace = temp_path("trace.jsonl");
    RunResult r = run_game("--headless --assets " + std::string(V17_ASSET_DIR) + " --input " +
                           kScript + " --frames " + std::to_string(kPasses) + " --trace " + trace);
    ASSERT_EQ(0, r.exit_code) << r.output;
    std::vector<std::string> lines = read_lines(trace);
    ASSERT_GE(lines.size(), static_cast<std::size_t>(kPasses));
    std::vector<Seen> seen = play(0, kPasses);
    for (int i = 0; i < kPasses; ++i) {
        const std::string& line = lines[static_cast<std::size_t>(i)];
        ASSERT_EQ(json_int(line, "state"), seen[i].state) << line;
        ASSERT_EQ(json_int(line, "mouse_x"), seen[i].pointer_x) << line;
        ASSERT_EQ(json_int(line, "mouse_y"), seen[i].pointer_y) << line;
        ASSERT_EQ(json_int(line, "tick"), seen[i].tick) << line;
        ASSERT_EQ(json_int(line, "x"), static_cast<long long>(seen[i].x)) << line;
        ASSERT_EQ(json_int(line, "y"), static_cast<long long>(seen[i].y)) << line;
    }
    EXPECT_EQ(STATE_LEVEL2, seen.back().state);
}

// Snapshots taken in flight (pass 120), while charging (200), with mouse motion
// read but not yet applied to the pointer (208) and on the pass before level
// 1's door (356) play on exactly as the run did.
TEST_F(RouteSim, RestoredSnapshotsPlayOnAsBefore) {
    for (std::uint64_t at : {120u, 200u, 208u, 356u}) {
        sim_restore(fresh_);
        play(0, at);
        WorldSnapshot snap;
        sim_save(&snap);
        std::vector<Seen> first = play(at, kPasses);
        play(0, 30);  // disturb the world: the title again, from where it stands
        sim_restore(snap);
        EXPECT_TRUE(first == play(at, kPasses)) << "snapshot at pass " << at;
    }
}

// Across level 1's door: a snapshot restored over a world put back to its
// values at load gives back every entry of the state, and plays on to the same
// world entry for entry as the first time.
TEST_F(RouteSim, RestoredSnapshotsGiveBackEveryEntryOfTheWorld) {
    constexpr std::uint64_t kStep = 15;
    play(0, 320);
    for (std::uint64_t at = 320; at + kStep <= kPasses; at += kStep) {
        std::string when = "at pass " + std::to_string(at);
        WorldSnapshot snap;
        sim_save(&snap);
        play(at, at + kStep);
        WorldState later;
        world_save(&later);
        world_reset();
        sim_restore(snap);
        WorldState back;
        world_save(&back);
        expect_same_world(snap.world, back, "restored " + when);
        play(at, at + kStep);
        WorldState again;
        world_save(&again);
        expect_same_world(later, again, "played on " + when);
        ASSERT_FALSE(HasFailure());
    }
    EXPECT_EQ(STATE_LEVEL2, game_state);
}

TEST_F(RouteSim, AppendMergesOnlyIdenticalPasses) {
    std::vector<ScriptLine> passes;
    ScriptLine walk;
    walk.count = 2;
    walk.keys = {VK_RIGHT};
    append_passes(&passes, walk);
    append_passes(&passes, walk);
    ScriptLine moved = walk;
    moved.dx = 3;
    append_passes(&passes, moved);
    ScriptLine none;  // a count of 0 adds nothing
    append_passes(&passes, none);
    ASSERT_EQ(2u, passes.size());
    EXPECT_EQ(4u, passes[0].count);
    EXPECT_EQ(3, passes[1].dx);
}
