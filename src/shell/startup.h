// Start-up and shutdown: run once before the message loop and once after it.
#pragma once

// resets the game's variables and opens the devices; returns 1
int game_init(void* parms = nullptr, int num_parms = 0);
// takes down what start-up made; returns 1
int game_shutdown(void* parms = nullptr, int num_parms = 0);
