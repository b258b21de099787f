/// @file
/// The web backend, for the browser build: the frame on a canvas, the keyboard
/// and the mouse through the page's events, the clock from performance.now(),
/// and audio through Web Audio. The game's loop runs as it is: a wait's polls
/// give the browser its turn (the program is suspended and resumed, Asyncify),
/// so the tab stays responsive and the frames keep their 30 ms.
/// @ingroup backends
#pragma once

#include <memory>

#include "platform/system/backend.h"

/// @addtogroup backends
/// @{

/// a backend that takes options.renderer: frames drawn by WebGL where it opens
/// (automatic and gl), else on the 2D canvas (and always with cpu)
std::unique_ptr<Backend> make_web_backend(const BackendOptions& options = {});

/// Ends the program with code. A program that has waited has been suspended and
/// resumed, so its main returns to nobody: this is how the page learns the result.
[[noreturn]] void end_web_program(int code);

/// @}
