// The command line of the game. No option runs the game as designed; the
// options add what testers and players of a port expect, without changing it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system/backend.h"
#include "platform/system/ticks.h"

struct Options {
    bool windowed = false;         // --window: a 1280 x 1024 window instead of full screen
    bool headless = false;         // --headless: no window or devices, virtual clock
    std::string input;             // --input: play this script instead of the devices
    std::string record;            // --record: write the devices' input as a script
    std::string trace;             // --trace: one JSON line per frame
    std::uint64_t frames = 0;      // --frames: end after this many frames; 0 = no limit
    std::string assets;            // --assets: the working directory of the asset files
    std::uint32_t start_tick = 0;  // --start-tick: the virtual clock's first value
    std::string shots;             // --shots: headless, write presented frames as PNG here
    int shot_every = 1;            // --shot-every: only every Nth frame
    std::string audio_out;         // --audio-out: headless: the mixed audio as a WAV file
    bool timedemo = false;         // --timedemo: unpaced on the virtual clock; prints fps
    // --renderer: how the window is drawn: auto (OpenGL where it runs on a GPU),
    // gl (any OpenGL) or cpu
    std::string renderer = "auto";
};

// Parses argv. Returns -1 when the program should go on; otherwise the exit code
// to end with (0 after --help or --version, 2 with usage on stderr for a fault).
int parse_options(int argc, char** argv, Options* options);

// the record that the backend takes, from the options that concern it
BackendOptions backend_options(const Options& options);
// how the clock runs: virtual and unpaced for a timedemo (and headless, which
// has no real clock); else virtual and held to real time, so that every frame
// whose work fits starts 30 ms after the one before without drifting, a
// recording replays exactly and a script plays as it does headless
ClockMode clock_mode_for(const Options& options);
