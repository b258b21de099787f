// The GL presenter. Both textures stay bound (the frame on unit 0, the palette
// on unit 1) and the quad's vertices are a client array, so that a frame is an
// upload of its changed rows, at most one of the palette, and one draw of four
// vertices into the viewport that fit_frame gives.
//
// Scaling picks each window pixel's frame pixel by SDL's own nearest stretch
// (that of its software renderer): in 16.16 fixed point, a step of
// (frame size << 16) / window size, starting at half a step. The shader does
// that integer arithmetic exactly in floats, so the picture is the CPU path's
// at every size and the same on every driver, where sampling at the pixel's
// centre would leave the pixels that fall on a texel's edge to the driver's
// rounding.
#include "platform/backends/sdl/gl_presenter.h"

// On Windows SDL's OpenGL header brings in windows.h, whose window calls (one
// of them FrameRect) are not wanted here.
#if defined(_WIN32)
#define NOUSER
#endif
#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/backends/frame_colours.h"

namespace {

// The entry points used, all of them in OpenGL 2.1 and OpenGL ES 2.
struct GlFunctions {
    decltype(&glGetString) GetString = nullptr;
    decltype(&glGetError) GetError = nullptr;
    decltype(&glViewport) Viewport = nullptr;
    decltype(&glClearColor) ClearColor = nullptr;
    decltype(&glClear) Clear = nullptr;
    decltype(&glDisable) Disable = nullptr;
    decltype(&glPixelStorei) PixelStorei = nullptr;
    decltype(&glGenTextures) GenTextures = nullptr;
    decltype(&glDeleteTextures) DeleteTextures = nullptr;
    decltype(&glBindTexture) BindTexture = nullptr;
    decltype(&glTexParameteri) TexParameteri = nullptr;
    decltype(&glTexImage2D) TexImage2D = nullptr;
    decltype(&glTexSubImage2D) TexSubImage2D = nullptr;
    decltype(&glDrawArrays) DrawArrays = nullptr;
    PFNGLACTIVETEXTUREPROC ActiveTexture = nullptr;
    PFNGLCREATESHADERPROC CreateShader = nullptr;
    PFNGLSHADERSOURCEPROC ShaderSource = nullptr;
    PFNGLCOMPILESHADERPROC CompileShader = nullptr;
    PFNGLGETSHADERIVPROC GetShaderiv = nullptr;
    PFNGLGETSHADERINFOLOGPROC GetShaderInfoLog = nullptr;
    PFNGLDELETESHADERPROC DeleteShader = nullptr;
    PFNGLCREATEPROGRAMPROC CreateProgram = nullptr;
    PFNGLATTACHSHADERPROC AttachShader = nullptr;
    PFNGLBINDATTRIBLOCATIONPROC BindAttribLocation = nullptr;
    PFNGLLINKPROGRAMPROC LinkProgram = nullptr;
    PFNGLGETPROGRAMIVPROC GetProgramiv = nullptr;
    PFNGLGETPROGRAMINFOLOGPROC GetProgramInfoLog = nullptr;
    PFNGLUSEPROGRAMPROC UseProgram = nullptr;
    PFNGLDELETEPROGRAMPROC DeleteProgram = nullptr;
    PFNGLGETUNIFORMLOCATIONPROC GetUniformLocation = nullptr;
    PFNGLUNIFORM1IPROC Uniform1i = nullptr;
    PFNGLUNIFORM2FPROC Uniform2f = nullptr;
    PFNGLVERTEXATTRIBPOINTERPROC VertexAttribPointer = nullptr;
    PFNGLENABLEVERTEXATTRIBARRAYPROC EnableVertexAttribArray = nullptr;

    // loads every entry point of the current context; false when one is missing
    bool load();
};

template <typename F>
bool load_one(F* f, const char* name) {
    *f = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
    return *f != nullptr;
}

bool GlFunctions::load() {
    return load_one(&GetString, "glGetString") && load_one(&GetError, "glGetError") &&
           load_one(&Viewport, "glViewport") && load_one(&ClearColor, "glClearColor") &&
           load_one(&Clear, "glClear") && load_one(&Disable, "glDisable") &&
           load_one(&PixelStorei, "glPixelStorei") && load_one(&GenTextures, "glGenTextures") &&
           load_one(&DeleteTextures, "glDeleteTextures") &&
           load_one(&BindTexture, "glBindTexture") && load_one(&TexParameteri, "glTexParameteri") &&
           load_one(&TexImage2D, "glTexImage2D") && load_one(&TexSubImage2D, "glTexSubImage2D") &&
           load_one(&DrawArrays, "glDrawArrays") && load_one(&ActiveTexture, "glActiveTexture") &&
           load_one(&CreateShader, "glCreateShader") && load_one(&ShaderSource, "glShaderSource") &&
           load_one(&CompileShader, "glCompileShader") && load_one(&GetShaderiv, "glGetShaderiv") &&
           load_one(&GetShaderInfoLog, "glGetShaderInfoLog") &&
           load_one(&DeleteShader, "glDeleteShader") &&
           load_one(&CreateProgram, "glCreateProgram") &&
           load_one(&AttachShader, "glAttachShader") &&
           load_one(&BindAttribLocation, "glBindAttribLocation") &&
           load_one(&LinkProgram, "glLinkProgram") && load_one(&GetProgramiv, "glGetProgramiv") &&
           load_one(&GetProgramInfoLog, "glGetProgramInfoLog") &&
           load_one(&UseProgram, "glUseProgram") && load_one(&DeleteProgram, "glDeleteProgram") &&
           load_one(&GetUniformLocation, "glGetUniformLocation") &&
           load_one(&Uniform1i, "glUniform1i") && load_one(&Uniform2f, "glUniform2f") &&
           load_one(&VertexAttribPointer, "glVertexAttribPointer") &&
           load_one(&EnableVertexAttribArray, "glEnableVertexAttribArray");
}

// The quad over the whole viewport, as a strip: x, y in clip space, then the
// corner's place in the picture from its top left (0, 0) to (1, 1).
constexpr GLfloat kQuad[] = {-1, 1, 0, 0, -1, -1, 0, 1, 1, 1, 1, 0, 1, -1, 1, 1};
constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kCornerAttribute = 1;

// Each shader's first lines: its language version, and in OpenGL ES high
// precision floats, without which the fragment shader does not compile (its
// arithmetic needs integers of up to 24 bits to be exact).
constexpr char kDesktopPrologue[] = "#version 110\n";
constexpr char kEsPrologue[] =
    "#version 100\n"
    "precision highp float;\n";

// at: the place in the picture in window pixels, so that a pixel's centre is
// at (x + 0.5, y + 0.5) from the picture's top left corner.
constexpr char kVertexShader[] =
    "uniform vec2 picture_size;\n"
    "attribute vec2 position;\n"
    "attribute vec2 corner;\n"
    "varying vec2 at;\n"
    "void main() {\n"
    "    at = corner * picture_size;\n"
    "    gl_Position = vec4(position, 0.0, 1.0);\n"
    "}\n";

// The frame pixel of picture pixel d is (step / 2 + d * step) >> 16 with the
// step split as high * 256 + low: that is 128 * (2d + 1) * high + d * low +
// floor(low / 2), of which 128 * (2d + 1) * high is cut at 65536 first, so that
// no value reaches 2^24 for frames of up to 32768 pixels a side. The index,
// read as index / 255, is then taken to the centre of its palette texel.
constexpr char kFragmentShader[] =
    "uniform sampler2D frame;\n"
    "uniform sampler2D palette;\n"
    "uniform vec2 frame_size;\n"
    "uniform vec2 step_high;\n"
    "uniform vec2 step_low;\n"
    "varying vec2 at;\n"
    "void main() {\n"
    "    vec2 d = floor(at);\n"
    "    vec2 p = (2.0 * d + 1.0) * step_high;\n"
    "    vec2 m = floor(p / 512.0);\n"
    "    vec2 rest = 128.0 * (p - 512.0 * m) + d * step_low + floor(step_low / 2.0);\n"
    "    vec2 texel = m + floor(rest / 65536.0);\n"
    "    float index = texture2D(frame, (texel + 0.5) / frame_size).r;\n"
    "    gl_FragColor = texture2D(palette, vec2(index * (255.0 / 256.0) + 0.5 / 256.0, 0.5));\n"
    "}\n";

class GlPresenter final : public Presenter {
public:
    GlPresenter(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}
    ~GlPresenter() override;

    // builds the program and the textures in the current context; false, with
    // the reason in *why, when something is missing or does not build
    bool set_up(bool hardware_only, std::string* why);

    DrawResult draw(const PresentedFrame& frame, bool whole) override;
    void swap() override { SDL_GL_SwapWindow(window_); }
    void show_black() override;
    const char* name() const override { return "gl"; }

private:
    bool make_current();
    GLuint compile(GLenum type, const char* source, std::string* why);
    void upload_palette(const std::uint8_t* palette_rgb);
    void upload_rows(const std::uint8_t* pixels, int pitch, int width, int top, int bottom);
    void set_scale(int width, int height, const FrameRect& to);

    SDL_Window* window_;
    SDL_GLContext context_;
    GlFunctions gl_;
    bool es_ = false;          // an OpenGL ES context
    bool row_length_ = false;  // GL_UNPACK_ROW_LENGTH exists: rows of any pitch in one upload
    int unpack_row_length_ = 0;
    GLuint program_ = 0;
    GLuint textures_[2] = {};  // the frame's indices, the palette
    int texture_w_ = 0, texture_h_ = 0;
    GLint picture_size_ = -1, frame_size_ = -1, step_high_ = -1, step_low_ = -1;  // uniforms
    FrameRect scaled_to_;               // the picture's rectangle that the uniforms hold
    std::vector<std::uint8_t> packed_;  // rows packed for an upload without a row length
};

GlPresenter::~GlPresenter() {
    if (make_current()) {
        if (textures_[0] || textures_[1]) gl_.DeleteTextures(2, textures_);
        if (program_) gl_.DeleteProgram(program_);
    }
    SDL_GL_DeleteContext(context_);
}

bool GlPresenter::make_current() {
    if (SDL_GL_GetCurrentContext() == context_ && SDL_GL_GetCurrentWindow() == window_) return true;
    return SDL_GL_MakeCurrent(window_, context_) == 0;
}

GLuint GlPresenter::compile(GLenum type, const char* source, std::string* why) {
    GLuint shader = gl_.CreateShader(type);
    if (!shader) {
        *why = "no shader object";
        return 0;
    }
    const char* parts[] = {es_ ? kEsPrologue : kDesktopPrologue, source};
    gl_.ShaderSource(shader, 2, parts, nullptr);
    gl_.CompileShader(shader);
    GLint ok = GL_FALSE;
    gl_.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[512] = {};
        gl_.GetShaderInfoLog(shader, sizeof log, nullptr, log);
        *why = std::string("the shader does not compile: ") + log;
        gl_.DeleteShader(shader);
        return 0;
    }
    return shader;
}

bool GlPresenter::set_up(bool hardware_only, std::string* why) {
    if (!gl_.load()) {
        *why = "an OpenGL entry point is missing";
        return false;
    }
    const char* renderer = reinterpret_cast<const char*>(gl_.GetString(GL_RENDERER));
    if (hardware_only && is_software_rasterizer(renderer)) {
        *why = std::string("OpenGL is drawn on the CPU (") + renderer + ")";
        return false;
    }
    const char* version = reinterpret_cast<const char*>(gl_.GetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(gl_.GetString(GL_EXTENSIONS));
    if (!version) {
        *why = "the context gives no version";
        return false;
    }
    es_ = std::strncmp(version, "OpenGL ES", 9) == 0;
    const char* number = version;  // "4.5 (Compatibility Profile) ...", "OpenGL ES 3.2 ..."
    while (*number && (*number < '0' || *number > '9')) ++number;
    int major = 0, minor = 0;
    std::sscanf(number, "%d.%d", &major, &minor);
    if (major < 2) {
        *why = std::string("OpenGL ") + version + " has no shaders";
        return false;
    }
    row_length_ =
        !es_ || major >= 3 || (extensions && std::strstr(extensions, "GL_EXT_unpack_subimage"));

    GLuint vertex = compile(GL_VERTEX_SHADER, kVertexShader, why);
    GLuint fragment = vertex ? compile(GL_FRAGMENT_SHADER, kFragmentShader, why) : 0;
    if (!fragment) {
        if (vertex) gl_.DeleteShader(vertex);
        return false;
    }
    program_ = gl_.CreateProgram();
    gl_.AttachShader(program_, vertex);
    gl_.AttachShader(program_, fragment);
    gl_.BindAttribLocation(program_, kPositionAttribute, "position");
    gl_.BindAttribLocation(program_, kCornerAttribute, "corner");
    gl_.LinkProgram(program_);
    gl_.DeleteShader(vertex);  // kept by the program until it goes
    gl_.DeleteShader(fragment);
    GLint linked = GL_FALSE;
    gl_.GetProgramiv(program_, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        char log[512] = {};
        gl_.GetProgramInfoLog(program_, sizeof log, nullptr, log);
        *why = std::string("the shader does not link: ") + log;
        return false;
    }
    gl_.UseProgram(program_);
    gl_.Uniform1i(gl_.GetUniformLocation(program_, "frame"), 0);
    gl_.Uniform1i(gl_.GetUniformLocation(program_, "palette"), 1);
    picture_size_ = gl_.GetUniformLocation(program_, "picture_size");
    frame_size_ = gl_.GetUniformLocation(program_, "frame_size");
    step_high_ = gl_.GetUniformLocation(program_, "step_high");
    step_low_ = gl_.GetUniformLocation(program_, "step_low");
    gl_.VertexAttribPointer(kPositionAttribute, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat), kQuad);
    gl_.VertexAttribPointer(kCornerAttribute, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat),
                            kQuad + 2);
    gl_.EnableVertexAttribArray(kPositionAttribute);
    gl_.EnableVertexAttribArray(kCornerAttribute);

    // Every texel is taken as it is: nearest, no mipmaps, clamped (which ES 2
    // needs for a texture whose sides are not powers of two).
    gl_.GenTextures(2, textures_);
    for (int unit = 1; unit >= 0; --unit) {
        gl_.ActiveTexture(GL_TEXTURE0 + unit);
        gl_.BindTexture(GL_TEXTURE_2D, textures_[unit]);
        gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    gl_.ActiveTexture(GL_TEXTURE1);
    gl_.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl_.ActiveTexture(GL_TEXTURE0);  // where the frame's uploads go
    gl_.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl_.Disable(GL_BLEND);
    gl_.Disable(GL_DEPTH_TEST);
    gl_.ClearColor(0, 0, 0, 1);
    if (GLenum e = gl_.GetError(); e != GL_NO_ERROR) {
        char text[64];
        std::snprintf(text, sizeof text, "OpenGL error 0x%04X while setting up", e);
        *why = text;
        return false;
    }
    return true;
}

void GlPresenter::upload_palette(const std::uint8_t* palette_rgb) {
    std::uint8_t rgba[1024];
    for (int i = 0; i < 256; ++i) {
        rgba[4 * i] = palette_rgb[3 * i];
        rgba[4 * i + 1] = palette_rgb[3 * i + 1];
        rgba[4 * i + 2] = palette_rgb[3 * i + 2];
        rgba[4 * i + 3] = 255;
    }
    gl_.ActiveTexture(GL_TEXTURE1);
    gl_.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    gl_.ActiveTexture(GL_TEXTURE0);
}

// Rows [top, bottom) in one upload: straight from the frame where its rows
// are packed or the context reads a row length, else packed first.
void GlPresenter::upload_rows(const std::uint8_t* pixels, int pitch, int width, int top,
                              int bottom) {
    const std::uint8_t* from = pixels + static_cast<std::ptrdiff_t>(top) * pitch;
    int rows = bottom - top;
    if (pitch != width && !row_length_) {
        packed_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows));
        for (int y = 0; y < rows; ++y)
            std::memcpy(packed_.data() + static_cast<std::size_t>(y) * width,
                        from + static_cast<std::ptrdiff_t>(y) * pitch,
                        static_cast<std::size_t>(width));
        from = packed_.data();
    } else if (row_length_) {
        int length = pitch == width ? 0 : pitch;
        if (length != unpack_row_length_) gl_.PixelStorei(GL_UNPACK_ROW_LENGTH, length);
        unpack_row_length_ = length;
    }
    gl_.TexSubImage2D(GL_TEXTURE_2D, 0, 0, top, width, rows, GL_LUMINANCE, GL_UNSIGNED_BYTE, from);
}

// The uniforms of the scaling of a frame of width x height into the picture's
// rectangle, where they changed (a new frame size clears scaled_to_).
void GlPresenter::set_scale(int width, int height, const FrameRect& to) {
    if (to.w == scaled_to_.w && to.h == scaled_to_.h) return;
    scaled_to_ = to;
    auto step = [](int from, int into) {
        return (static_cast<std::uint32_t>(from) << 16) / static_cast<std::uint32_t>(into);
    };
    std::uint32_t sx = step(width, to.w), sy = step(height, to.h);
    gl_.Uniform2f(picture_size_, static_cast<GLfloat>(to.w), static_cast<GLfloat>(to.h));
    gl_.Uniform2f(frame_size_, static_cast<GLfloat>(width), static_cast<GLfloat>(height));
    gl_.Uniform2f(step_high_, static_cast<GLfloat>(sx >> 8), static_cast<GLfloat>(sy >> 8));
    gl_.Uniform2f(step_low_, static_cast<GLfloat>(sx & 255), static_cast<GLfloat>(sy & 255));
}

// Uploads the rows that changed and the palette when it changed (both whole
// for a whole draw or a frame of a new size), then draws.
DrawResult GlPresenter::draw(const PresentedFrame& frame, bool whole) {
    if (!make_current()) return DrawResult::lost;
    int width = frame.width, height = frame.height;
    if (texture_w_ != width || texture_h_ != height) {
        gl_.TexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, width, height, 0, GL_LUMINANCE,
                       GL_UNSIGNED_BYTE, nullptr);
        texture_w_ = width;
        texture_h_ = height;
        scaled_to_ = {};
        whole = true;
    }
    if (whole || frame.palette_changed) upload_palette(frame.palette_rgb);
    int top = whole ? 0 : std::clamp(frame.changed_top, 0, height);
    int bottom = whole ? height : std::clamp(frame.changed_bottom, top, height);
    if (top < bottom) upload_rows(frame.pixels, frame.pitch, width, top, bottom);

    int out_w = 0, out_h = 0;
    SDL_GL_GetDrawableSize(window_, &out_w, &out_h);
    FrameRect to = fit_frame(width, height, out_w, out_h);
    if (to.w < 1 || to.h < 1) return DrawResult::retry;  // no drawable yet
    set_scale(width, height, to);
    if (to.w != out_w || to.h != out_h) gl_.Clear(GL_COLOR_BUFFER_BIT);  // the bars
    gl_.Viewport(to.x, out_h - to.y - to.h, to.w, to.h);  // from the bottom left corner
    gl_.DrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    if (gl_.GetError() != GL_NO_ERROR) {
        texture_w_ = texture_h_ = 0;
        return DrawResult::lost;
    }
    return DrawResult::drawn;
}

void GlPresenter::show_black() {
    if (!make_current()) return;
    gl_.Clear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window_);
}

// Asks for the context of one api; null when it does not open.
SDL_GLContext open_context(SDL_Window* window, bool es) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, es ? SDL_GL_CONTEXT_PROFILE_ES : 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, es ? 0 : 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    SDL_GL_ResetAttributes();  // SDL's own renderer asks for what it wants
    return context;
}

}  // namespace

bool is_software_rasterizer(const char* renderer) {
    std::string name = renderer ? renderer : "";
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "software", "swiftshader"})
        if (name.find(software) != std::string::npos) return true;
    return false;
}

std::unique_ptr<Presenter> make_gl_presenter(SDL_Window* window, GlApi api, std::string* why,
                                             bool hardware_only) {
    std::string reason;
    if (!why) why = &reason;
    if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) {
        *why = "the window was not made for OpenGL";
        return nullptr;
    }
    SDL_GLContext context = nullptr;
    if (api != GlApi::es) context = open_context(window, false);
    if (!context && api != GlApi::desktop) context = open_context(window, true);
    if (!context) {
        *why = SDL_GetError();
        return nullptr;
    }
    // The game keeps its own pace: a swap does not wait for the display.
    SDL_GL_SetSwapInterval(0);
    auto presenter = std::make_unique<GlPresenter>(window, context);
    if (!presenter->set_up(hardware_only, why)) return nullptr;
    return presenter;
}
