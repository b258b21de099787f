// routefinder: plays the game in-process from the title to the ending and
// writes the input script of a complete run without the teleport keys and
// without a death. It turns the title's pages with three presses of Enter,
// searches each level for a route to its door (search.cpp) on the game itself
// (sim.cpp), and holds the ending for a while before the script ends.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "game/world.h"
#include "search.h"
#include "sim.h"

namespace {

struct ToolOptions {
    std::string assets;
    std::string out;
    std::string resume;
    int ending_passes = 60;
    SearchLimits limits;
};

ScriptLine passes_of(std::uint32_t count, int key) {
    ScriptLine line;
    line.count = count;
    if (key >= 0) line.keys.push_back(static_cast<std::uint8_t>(key));
    return line;
}

// Runs the lines on the game and appends them to the script.
void play(const std::vector<ScriptLine>& lines, std::vector<ScriptLine>* script) {
    for (const ScriptLine& line : lines) {
        for (std::uint32_t i = 0; i < line.count; ++i) sim_pass(line);
        append_passes(script, line);
    }
}

int write_script(const std::string& path, const std::vector<ScriptLine>& script,
                 const std::vector<std::string>& notes, bool complete) {
    std::FILE* f = path.empty() ? stdout : std::fopen(path.c_str(), "w");
    if (!f) {
        std::fprintf(stderr, "routefinder: cannot write %s\n", path.c_str());
        return 0;
    }
    std::fprintf(
        f, complete ? "# A complete run from the title to the ending, without the teleport keys.\n"
                    : "# The start of a run, for routefinder --resume.\n");
    std::fprintf(f, "# Written by tools/routefinder (about 20 minutes); make it again with\n");
    std::fprintf(
        f, "#   build/default/tools/routefinder/routefinder --assets build/default/assets \\\n");
    std::fprintf(f, "#       --out assets/replays/complete.txt\n");
    for (const std::string& note : notes) std::fprintf(f, "# %s\n", note.c_str());
    std::fprintf(f, "# count  keys  dx  dy  button\n");
    for (const ScriptLine& line : script) std::fprintf(f, "%s\n", format_script_line(line).c_str());
    if (f != stdout) std::fclose(f);
    return 1;
}

std::uint64_t length_of(const std::vector<ScriptLine>& script) {
    std::uint64_t n = 0;
    for (const ScriptLine& line : script) n += line.count;
    return n;
}

// Whether a line holds the teleport keys (left Shift with J).
bool holds_teleport(const ScriptLine& line) {
    bool shift = false, j = false;
    for (std::uint8_t vk : line.keys) {
        shift = shift || vk == VK_LSHIFT;
        j = j || vk == 'J';
    }
    return shift && j;
}

// Plays the script a search left off at; 1, or 0 for a file that cannot be read
// or that uses the teleport keys.
int resume_from(const std::string& path, std::vector<ScriptLine>* script) {
    InputScript earlier;
    std::string error;
    if (!load_input_script(path.c_str(), &earlier, &error)) {
        std::fprintf(stderr, "routefinder: %s: %s\n", path.c_str(), error.c_str());
        return 0;
    }
    for (const ScriptLine& line : earlier.lines) {
        if (holds_teleport(line)) {
            std::fprintf(stderr, "routefinder: %s uses the teleport keys\n", path.c_str());
            return 0;
        }
    }
    play(earlier.lines, script);
    return 1;
}

// Searches the levels from the one the game is in; 1 when the ending was reached.
int search_levels(const ToolOptions& o, std::vector<ScriptLine>* script,
                  std::vector<std::string>* notes) {
    for (int level = game_state; level >= STATE_LEVEL1 && level <= STATE_LEVEL3; ++level) {
        if (game_state != level || !settle_player(o.limits.max_flight, script)) {
            notes->push_back("incomplete: level " + std::to_string(level) + " began not at rest");
            return 0;
        }
        std::string how;
        if (!find_level_route(o.limits, script, &how)) {
            notes->push_back("incomplete: no route found through level " + std::to_string(level));
            return 0;
        }
        char note[96];
        std::snprintf(note, sizeof note, "level %d left on pass %llu:", level,
                      static_cast<unsigned long long>(length_of(*script) - 1));
        notes->push_back(note + std::string(" ") + how);
        std::fprintf(stderr, "routefinder: %s %s\n", note, how.c_str());
    }
    return game_state == STATE_ENDING;
}

int find_route(const ToolOptions& o) {
    if (!sim_start(o.assets.c_str())) return 1;
    std::vector<ScriptLine> script;
    std::vector<std::string> notes;
    if (!o.resume.empty() && !resume_from(o.resume, &script)) {
        sim_stop();
        return 1;
    }
    // The title and the two story pages: each press of Enter is released again.
    if (game_state == STATE_TITLE && story_page == 0)
        play({passes_of(10, -1), passes_of(1, VK_RETURN), passes_of(10, -1),
              passes_of(1, VK_RETURN), passes_of(10, -1), passes_of(1, VK_RETURN)},
             &script);
    int complete = search_levels(o, &script, &notes) && deaths == 0;
    if (complete) play({passes_of(static_cast<std::uint32_t>(o.ending_passes), -1)}, &script);
    sim_stop();
    // An incomplete script is written too, marked so, for --resume.
    int written = write_script(o.out, script, notes, complete);
    if (!complete)
        std::fprintf(stderr, "routefinder: %s\n",
                     notes.empty() ? "the run did not reach the ending" : notes.back().c_str());
    return complete && written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    ToolOptions o;
    CLI::App app{
        "Finds a complete run of the game (title, three levels, ending) without the teleport "
        "keys and without a death, by searching each level on the game itself, and writes it "
        "as an input script.",
        "routefinder"};
    app.add_option("--assets", o.assets, "the folder of the game's asset files")->required();
    app.add_option("--out", o.out, "the script to write (default: standard output)");
    app.add_option("--ending-passes", o.ending_passes, "passes to hold on the ending (default 60)")
        ->check(CLI::PositiveNumber);
    app.add_option("--max-expansions", o.limits.max_expansions,
                   "resting places tried per level before giving up (default 400)")
        ->check(CLI::PositiveNumber);
    app.add_option("--max-flight", o.limits.max_flight,
                   "passes a move may take before it counts as lost (default 400)")
        ->check(CLI::PositiveNumber);
    app.add_option("--resume", o.resume,
                   "play this script first (one this tool wrote) and search on from there");
    app.add_flag("--verbose", o.limits.verbose, "report each resting place expanded");
    CLI11_PARSE(app, argc, argv);
    // The game works in the asset folder; the output stays where it was meant.
    if (!o.out.empty()) o.out = std::filesystem::absolute(o.out).string();
    return find_route(o);
}
