/// @file
/// The presenter of the CPU: each frame's changed rows are expanded through a
/// 256-entry colour table into an SDL streaming texture, which SDL's renderer
/// (any it has, else its software one) scales into the window.
/// @ingroup backends
#pragma once

#include <memory>

#include "platform/backends/sdl/presenter.h"

/// @addtogroup backends
/// @{

struct SDL_Window;

/// a presenter that draws with an SDL renderer of the window; null, with SDL's
/// reason in *why (when given), when no renderer can be made for it
std::unique_ptr<Presenter> make_cpu_presenter(SDL_Window* window, const char** why);

/// @}
