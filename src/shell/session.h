// The game opened and closed inside another program (the route finder, the
// soak, tests and benchmarks) as the game program opens it, so that the caller
// can run frames and enter levels itself. One game is open at a time.
#pragma once

#include <memory>

#include "platform/system/backend.h"

// brings the game up on backend: the asset folder becomes the working directory
// (null: it stays), the window is opened and start-up runs; the clock is the
// one chosen before. 1 with the world ready, or 0 with a message on stderr when
// a game is open already or the folder, the window or start-up fails (what was
// opened is closed again)
int game_open(const char* assets_dir, std::unique_ptr<Backend> backend);
// shuts the game down if start-up ran, drops the backend, forgets the window
// system and the input devices, and puts the world back as it is at load; safe
// to call when nothing is open; returns 1
int game_close();
