// The web backend, for the browser build: the frame on a canvas, the keyboard
// and the mouse through the page's events, the clock from performance.now(),
// and audio through Web Audio. The game's loop runs as it is: a wait's polls
// give the browser its turn (the program is suspended and resumed, Asyncify),
// so the tab stays responsive and the frames keep their 30 ms.
#pragma once

#include <memory>

#include "platform/formats/input_script.h"
#include "platform/system/backend.h"

struct WebBackendOptions {
    bool has_script = false;          // input comes from script, not from the page's events
    bool pace_virtual_clock = false;  // the virtual clock is held to real time
    InputScript script;               // with has_script: fed one pass per removing peek
    bool webgl = true;                // frames drawn by WebGL where it opens, else the 2D canvas
};

std::unique_ptr<Backend> make_web_backend(WebBackendOptions options);

// Ends the program with code. A program that has waited has been suspended and
// resumed, so its main returns to nobody: this is how the page learns the result.
[[noreturn]] void end_web_program(int code);
