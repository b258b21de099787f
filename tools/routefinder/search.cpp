// Route search over resting places. A node is the game saved while the player
// stands still; a move is a run of passes (walk, wait, or charge and launch)
// followed by idle passes until the player rests again, dies, is lost, or the
// state changes at a door. Nodes are expanded by their distance to the door
// plus a cost per move, each place at most a few times whatever the phase of
// the moving platform and the trapdoors.
#include "search.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "game/contacts.h"
#include "game/world.h"
#include "sim.h"

namespace {

constexpr int kChargePasses[] = {1, 10, 20, 30, 40, 50};  // launch speeds 15, 20, .. 40
constexpr int kAimSteps = 16;                             // horizontal shares of the speed: i / 16
constexpr std::size_t kRefined = 3;                       // launches aimed finer around
constexpr int kRefineSteps = 8;                           // finer aims on each side of one
constexpr int kPlaceCell = 24;                            // resting places this close count as one
constexpr int kExpansionsPerPlace = 3;                    // at most, whatever the phase
constexpr double kMoveCost = 100;  // pixels of distance one more move is worth
constexpr int kWalkPasses[] = {3, 6, 12, 24, 48};
constexpr int kWaitPasses[] = {15, 30, 60, 100};  // for the moving platform's phase

struct Node {
    WorldSnapshot snap;
    std::vector<ScriptLine> passes;  // since the search began
    int moves = 0;
    double distance = 0;  // from the player's middle to the door's middle
    std::string how;      // the moves, for the summary
};

enum class Outcome { Rest, Door, Death, Lost };

ScriptLine make_pass(int key, std::int32_t dx, std::int32_t dy, int button) {
    ScriptLine line;
    line.count = 1;
    if (key >= 0) line.keys.push_back(static_cast<std::uint8_t>(key));
    line.dx = dx;
    line.dy = dy;
    line.button = button;
    return line;
}

void run(const ScriptLine& line, std::vector<ScriptLine>* passes) {
    sim_pass(line);
    append_passes(passes, line);
}

double door_distance() {
    double px = player.x + player.width / 2.0, py = player.y + player.height / 2.0;
    double dx = door.x + door.width / 2.0, dy = door.y + door.height / 2.0;
    return std::hypot(px - dx, py - dy);
}

// Idle passes until the player has stood still for two frames, the state has
// changed, a death was counted, or the limit has passed. A player held still
// against the side of a platform counts as resting too; launches from there
// do nothing, so such a place soon yields no new places.
Outcome wait_for_rest(int limit, std::vector<ScriptLine>* passes, double* closest = nullptr) {
    const GameState state0 = game_state;
    const int deaths0 = deaths;
    const ScriptLine idle = make_pass(-1, 0, 0, 0);
    float last_y = player.y;
    bool was_still = false;
    for (int i = 0; i < limit; ++i) {
        run(idle, passes);
        if (game_state != state0) return Outcome::Door;
        if (closest) *closest = std::min(*closest, door_distance());
        if (deaths != deaths0) return Outcome::Death;
        bool still = player.vx == 0.0f && player.vy == 0.0f && player.y == last_y;
        if (still && was_still) return Outcome::Rest;
        was_still = still;
        last_y = player.y;
    }
    return Outcome::Lost;
}

// Where the pointer must stand for a launch whose horizontal share of the speed
// is share (-1 .. 1, negative to the left) and whose rest goes up, as far from
// the reference point as the screen allows; false when it cannot be placed.
bool aim_point(double share, int* tx, int* ty) {
    double rx = player.x + 33.0, ry = player.y + 16.0;
    double h = std::fabs(share), v = 1.0 - h;
    double reach = 2000.0;
    if (v > 0) reach = std::min(reach, ry / v);
    if (share > 0) reach = std::min(reach, (1279.0 - rx) / h);
    if (share < 0) reach = std::min(reach, rx / h);
    if (reach < 4.0) return false;
    *tx = static_cast<int>(std::lround(rx + (share < 0 ? -h : h) * reach));
    *ty = static_cast<int>(std::lround(ry - v * reach));
    *tx = std::clamp(*tx, 0, 1279);
    *ty = std::clamp(*ty, 0, 1023);
    return true;
}

using Key = std::tuple<int, int, int, int, int, int>;

// What makes two resting places the same for the search: the place to a cell
// of kPlaceCell pixels, the trapdoors' countdowns, and in levels 2 and 3 the moving
// platform's phase.
Key node_key() {
    int traps = 0;
    for (int i = 0; i < MAX_TRAPDOORS; ++i)
        traps = traps * 4 + trapdoor_states[i].triggered * 2 + trapdoor_states[i].solid;
    int phase = game_state >= STATE_LEVEL2 ? static_cast<int>(platform.x) / 100 : 0;
    return {game_state,
            static_cast<int>(player.x) / kPlaceCell,
            static_cast<int>(player.y) / kPlaceCell,
            traps,
            phase,
            game_state >= STATE_LEVEL2 ? platform_dir : 0};
}

class Search {
public:
    explicit Search(const SearchLimits& limits) : limits_(limits) {}

    int run_search(std::vector<ScriptLine>* passes, std::string* summary) {
        auto start = std::make_unique<Node>();
        sim_save(&start->snap);
        start->distance = door_distance();
        seen_.insert(node_key());
        open_.push_back(std::move(start));
        int expanded = 0;
        while (expanded < limits_.max_expansions && !open_.empty()) {
            std::unique_ptr<Node> node = take_best();
            // A place tried at several phases of the moving parts is tried no more.
            auto place = std::make_pair(static_cast<int>(node->snap.world.player.x) / kPlaceCell,
                                        static_cast<int>(node->snap.world.player.y) / kPlaceCell);
            if (++expansions_at_[place] > kExpansionsPerPlace) continue;
            if (limits_.verbose)
                std::fprintf(stderr, "  expand %d: (%.0f, %.0f) %d moves, %.0f from the door\n",
                             expanded, node->snap.world.player.x, node->snap.world.player.y,
                             node->moves, node->distance);
            ++expanded;
            if (expand(*node)) {
                passes->insert(passes->end(), found_.begin(), found_.end());
                if (summary) *summary = found_how_;
                sim_restore(found_end_);
                return 1;
            }
        }
        return 0;
    }

private:
    std::unique_ptr<Node> take_best() {
        auto best = std::min_element(open_.begin(), open_.end(), [](auto& a, auto& b) {
            return a->distance + kMoveCost * a->moves < b->distance + kMoveCost * b->moves;
        });
        std::unique_ptr<Node> node = std::move(*best);
        open_.erase(best);
        return node;
    }

    // Tries every move from the node; true once one reached the door.
    bool expand(const Node& node) {
        for (int key : {VK_RIGHT, VK_LEFT}) {
            for (int n : kWalkPasses) {
                std::vector<ScriptLine> move;
                sim_restore(node.snap);
                for (int i = 0; i < n; ++i) run(make_pass(key, 0, 0, 0), &move);
                char how[64];
                std::snprintf(how, sizeof how, "walk %s %d", key == VK_RIGHT ? "right" : "left", n);
                if (finish_move(node, &move, how)) return true;
            }
        }
        if (node.snap.world.game_state >= STATE_LEVEL2) {
            for (int n : kWaitPasses) {
                std::vector<ScriptLine> move;
                sim_restore(node.snap);
                for (int i = 0; i < n; ++i) run(make_pass(-1, 0, 0, 0), &move);
                if (finish_move(node, &move, "wait " + std::to_string(n))) return true;
            }
        }
        return try_launches(node);
    }

    // Charges once per speed and, from each charge, launches at every aim; then
    // aims finer around the launches that came nearest to the door.
    bool try_launches(const Node& node) {
        struct Tried {
            int charge;  // index into kChargePasses
            double share, closest;
        };
        std::vector<Tried> tried;
        sim_restore(node.snap);
        std::vector<ScriptLine> charge;
        int charged = 0;
        for (int c = 0; c < static_cast<int>(std::size(kChargePasses)); ++c) {
            while (charged < kChargePasses[c] - 1) {
                run(make_pass(-1, 0, 0, 1), &charge);
                ++charged;
            }
            charges_[c] = charge;
            sim_save(&charged_[c]);
            for (int i = -kAimSteps; i <= kAimSteps; ++i) {
                double share = static_cast<double>(i) / kAimSteps, closest = 1e9;
                if (launch(node, c, share, &closest)) return true;
                tried.push_back({c, share, closest});
            }
            sim_restore(charged_[c]);
        }
        std::sort(tried.begin(), tried.end(),
                  [](const Tried& a, const Tried& b) { return a.closest < b.closest; });
        for (std::size_t t = 0; t < tried.size() && t < kRefined; ++t) {
            for (int j = -kRefineSteps; j <= kRefineSteps; ++j) {
                double share = tried[t].share + j / (kAimSteps * (2.0 * kRefineSteps + 1));
                double closest = 1e9;
                if (j != 0 && share >= -1 && share <= 1 &&
                    launch(node, tried[t].charge, share, &closest))
                    return true;
            }
        }
        return false;
    }

    // One launch from the charge c at the aim; true when it reached the door.
    bool launch(const Node& node, int c, double share, double* closest) {
        sim_restore(charged_[c]);
        int tx, ty;
        if (!aim_point(share, &tx, &ty)) return false;
        std::vector<ScriptLine> move = charges_[c];
        run(make_pass(-1, tx - mouse_x, ty - mouse_y, 1), &move);
        run(make_pass(-1, 0, 0, 0), &move);
        char how[96];
        std::snprintf(how, sizeof how, "launch at (%d, %d) after %d charge passes", tx, ty,
                      kChargePasses[c]);
        return finish_move(node, &move, how, closest);
    }

    // Waits for the move's outcome and keeps a new resting place or the route.
    bool finish_move(const Node& node, std::vector<ScriptLine>* move, const std::string& how,
                     double* closest = nullptr) {
        Outcome outcome = Outcome::Rest;
        if (game_state != node.snap.world.game_state)
            outcome = Outcome::Door;
        else if (deaths != node.snap.world.deaths)
            outcome = Outcome::Death;
        else
            outcome = wait_for_rest(limits_.max_flight, move, closest);
        std::string path = node.how.empty() ? how : node.how + "; " + how;
        if (outcome == Outcome::Door) {
            found_ = node.passes;
            for (const ScriptLine& l : *move) append_passes(&found_, l);
            found_how_ = path;
            sim_save(&found_end_);
            return true;
        }
        if (outcome != Outcome::Rest || !seen_.insert(node_key()).second) return false;
        auto child = std::make_unique<Node>();
        sim_save(&child->snap);
        child->passes = node.passes;
        for (const ScriptLine& l : *move) append_passes(&child->passes, l);
        child->moves = node.moves + 1;
        child->distance = door_distance();
        child->how = path;
        open_.push_back(std::move(child));
        return false;
    }

    SearchLimits limits_;
    std::vector<std::unique_ptr<Node>> open_;
    std::set<Key> seen_;
    std::map<std::pair<int, int>, int> expansions_at_;  // expansions per place cell
    std::vector<ScriptLine> found_;
    std::string found_how_;
    WorldSnapshot found_end_{};
    WorldSnapshot charged_[std::size(kChargePasses)];            // the node after each charge
    std::vector<ScriptLine> charges_[std::size(kChargePasses)];  // the passes of each charge
};

}  // namespace

void append_passes(std::vector<ScriptLine>* passes, const ScriptLine& line) {
    if (!passes || line.count == 0) return;
    if (!passes->empty()) {
        ScriptLine& last = passes->back();
        if (last.keys == line.keys && last.dx == line.dx && last.dy == line.dy &&
            last.button == line.button) {
            last.count += line.count;
            return;
        }
    }
    passes->push_back(line);
}

int settle_player(int limit, std::vector<ScriptLine>* passes) {
    return wait_for_rest(limit, passes) == Outcome::Rest ? 1 : 0;
}

int find_level_route(const SearchLimits& limits, std::vector<ScriptLine>* passes,
                     std::string* summary) {
    Search search(limits);
    return search.run_search(passes, summary);
}
