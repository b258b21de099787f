// The SDL backend: a real borderless window, keyboard, relative mouse and game
// controllers through SDL events, the real millisecond clock.
#pragma once

#include <memory>

#include "platform/formats/input_script.h"
#include "platform/system/backend.h"

// How frames reach the window: through OpenGL where a context opens and its
// shader builds, else on the CPU (automatic); through OpenGL, saying once on
// stderr when it cannot and drawing on the CPU instead; or on the CPU.
enum class SdlRenderer { automatic, gl, cpu };

struct SdlBackendOptions {
    bool windowed = false;  // a 1280 x 1024 window instead of full screen
    SdlRenderer renderer = SdlRenderer::automatic;
    bool has_script = false;  // play script instead of the keyboard and mouse
    InputScript script;
    // the game runs on the virtual clock, held to real time: each poll of a
    // busy-wait lets 1 virtual ms pass and then waits until as much real time
    // has passed, so scripted and recorded runs behave the same on any machine
    bool pace_virtual_clock = false;
};

std::unique_ptr<Backend> make_sdl_backend(SdlBackendOptions options);
