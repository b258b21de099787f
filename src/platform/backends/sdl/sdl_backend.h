/// @file
/// The SDL backend: a real borderless window, keyboard, relative mouse and game
/// controllers through SDL events, the real clock (steady, in microseconds).
/// @ingroup backends
#pragma once

#include <memory>

#include "platform/system/backend.h"

/// @addtogroup backends
/// @{

/// a backend that takes options.windowed and options.renderer: through OpenGL
/// where a context opens and runs on a GPU (automatic; an OpenGL drawn on the
/// processor, such as llvmpipe, is left for the CPU path, which costs such a
/// machine less), through any OpenGL (gl; said once on stderr when there is
/// none, then drawn on the CPU), or on the CPU (cpu)
std::unique_ptr<Backend> make_sdl_backend(const BackendOptions& options = {});

/// @}
