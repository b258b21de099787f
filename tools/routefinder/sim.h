// The game run in-process for the route finder: started as the game program
// starts it (virtual clock from 0, headless backend, the window, start-up), one
// pass of input at a time, and a snapshot of every global that carries play
// from one frame to the next so that a search can try a move and come back.
// Owns no globals of its own; needs the game library and the asset folder.
#pragma once

#include <cstdint>

#include "game/world.h"
#include "platform/formats/input_script.h"

// Everything that one frame hands to the next: the world's state, and beside it
// what lives outside the world (the mouse device's unread motion, the tick
// count and the frame clock). Records are plain copies that share the sprites'
// surfaces, so saving and restoring release nothing.
struct WorldSnapshot {
    WorldState world;
    std::int32_t pending_dx, pending_dy;  // fed motion the mouse device has not yet reported
    std::uint32_t tick, clock_start;      // the tick count and the frame clock's start
};

// brings the game up as the program does with --headless (virtual clock from
// 0), reading the assets from dir (the working directory from now on); 1, or 0
// with a message on stderr when the game is open already or the folder, the
// window or start-up fails
int sim_start(const char* assets_dir);
// shuts the game down and forgets the backend; safe to call twice
void sim_stop();
// runs one pass: feeds the line's keys, motion and button as a script pass
// does, then the frame of the current state (count is not read)
void sim_pass(const ScriptLine& line);
// copies the carried state into snap (the mouse device's unread motion too)
void sim_save(WorldSnapshot* snap);
// puts back what sim_save copied
void sim_restore(const WorldSnapshot& snap);
