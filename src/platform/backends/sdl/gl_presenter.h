/// @file
/// The presenter of the GPU: through an OpenGL context of the window (OpenGL 2.1,
/// else OpenGL ES 2), the frame's indices are a texture of one byte a texel, of
/// which only the changed rows are uploaded, the palette a 256 x 1 texture
/// uploaded when it changes, and a fragment shader looks each pixel's colour up.
/// The entry points are loaded through SDL, so nothing links OpenGL itself.
/// @ingroup backends
#pragma once

#include <memory>
#include <string>

#include "platform/backends/sdl/presenter.h"

/// @addtogroup backends
/// @{

struct SDL_Window;

/// The OpenGL a presenter asks for: OpenGL 2.1 and else OpenGL ES 2, or one of them.
enum class GlApi {
    any,      ///< OpenGL 2.1, else OpenGL ES 2
    desktop,  ///< OpenGL 2.1 only
    es        ///< OpenGL ES 2 only
};

/// Whether an OpenGL renderer (GL_RENDERER) rasterizes on the CPU, as Mesa's
/// llvmpipe, softpipe and swrast and Chromium's SwiftShader do. Through one of
/// those the palette lookup of every pixel costs more of the machine than the
/// CPU presenter does.
bool is_software_rasterizer(const char* renderer);

/// a presenter that draws through a new OpenGL context of the window (made with
/// SDL_WINDOW_OPENGL); null, with the reason in *why (when given), when no
/// context of the api opens, it lacks what the presenter uses, the shader does
/// not build, or, with hardware_only, the context's renderer is a software one
std::unique_ptr<Presenter> make_gl_presenter(SDL_Window* window, GlApi api, std::string* why,
                                             bool hardware_only = false);

/// @}
