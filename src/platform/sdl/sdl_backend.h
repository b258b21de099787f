// The SDL backend: a real borderless window, keyboard, relative mouse and game
// controllers through SDL events, the real millisecond clock.
#pragma once

#include <memory>

#include "platform/backend.h"
#include "platform/input_script.h"

struct SdlBackendOptions {
    bool windowed = false;    // a 1280 x 1024 window instead of full screen
    bool has_script = false;  // play script instead of the keyboard and mouse
    InputScript script;
    // the game runs on the virtual clock, held to real time: each poll of a
    // busy-wait lets 1 virtual ms pass and then waits until as much real time
    // has passed, so scripted and recorded runs behave the same on any machine
    bool pace_virtual_clock = false;
};

std::unique_ptr<Backend> make_sdl_backend(SdlBackendOptions options);
