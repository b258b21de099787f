// The search for a route through one level: from the player at rest, try walks,
// waits and launches (pointer placed, button charged, released) on the game
// itself, keep the places where the player comes to rest, and expand the most
// promising of them first, until a try reaches the door. No globals.
#pragma once

#include <string>
#include <vector>

#include "platform/formats/input_script.h"

struct SearchLimits {
    int max_expansions = 400;  // resting places expanded per level before giving up
    int max_flight = 400;      // passes a move may take before it counts as lost
    bool verbose = false;      // one line per expansion on stderr
};

// appends line (count passes of it) to passes, merging it into the last line
// when they are the same but for the count
void append_passes(std::vector<ScriptLine>* passes, const ScriptLine& line);
// runs idle passes from the game's state now until the player rests (or the
// state changes); appends them; 1, or 0 when it does not rest within limit
int settle_player(int limit, std::vector<ScriptLine>* passes);
// searches from the game's state now (a level, the player at rest) for passes
// that reach the next state without a death, appends them and leaves the game
// in the state after them; 1, or 0 (game state undefined) when none was found
int find_level_route(const SearchLimits& limits, std::vector<ScriptLine>* passes,
                     std::string* summary);
