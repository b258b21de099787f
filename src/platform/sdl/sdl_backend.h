// The SDL backend: a real borderless window, keyboard and relative mouse
// through SDL events, the real millisecond clock.
#pragma once

#include <memory>

#include "platform/backend.h"
#include "platform/input_script.h"

struct SdlBackendOptions {
    bool windowed = false;    // a 1280 x 1024 window instead of full screen
    bool has_script = false;  // play script instead of the keyboard and mouse
    InputScript script;
};

std::unique_ptr<Backend> make_sdl_backend(SdlBackendOptions options);
