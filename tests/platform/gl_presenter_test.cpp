// The GL presenter beside the CPU one on a real display (CTest runs this on
// Xvfb, whose OpenGL is Mesa's software rasterizer): each draws the same frames
// into a window of its own, and the windows' pixels, read back before the swap,
// are compared with each other and with the picture expected.
#include "platform/backends/sdl/gl_presenter.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/backends/frame_colours.h"
#include "platform/backends/sdl/cpu_presenter.h"
#include "platform/backends/sdl/sdl_backend.h"
#include "platform/system/presentation.h"
#include "platform/system/win32.h"
#include "test_util.h"

// An OpenGL function of the current context, by its name, as its own type.
#define GL_ENTRY(name) reinterpret_cast<decltype(&name)>(SDL_GL_GetProcAddress(#name))

namespace {

constexpr int kW = 320, kH = 200;  // the frame
constexpr int kPitch = kW + 13;    // its rows are further apart than they are long

struct Frame {
    std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(kPitch * kH);
    std::vector<std::uint8_t> rgb = std::vector<std::uint8_t>(768);
    const std::uint8_t* colour(int x, int y) const { return &rgb[3 * pixels[y * kPitch + x]]; }
};

Frame random_frame(unsigned seed) {
    std::mt19937 rng(seed);
    Frame f;
    for (auto& v : f.pixels) v = static_cast<std::uint8_t>(rng());
    for (auto& v : f.rgb) v = static_cast<std::uint8_t>(rng());
    return f;
}

// A window's pixels as r, g, b bytes, rows from the top.
using Picture = std::vector<std::uint8_t>;

// The picture a window of out_w x out_h should show: the frame scaled into
// fit_frame's rectangle as SDL's software renderer stretches (16.16 fixed point
// steps from half a step), black around it.
Picture expected(const Frame& f, int out_w, int out_h) {
    FrameRect to = fit_frame(kW, kH, out_w, out_h);
    Picture p(static_cast<std::size_t>(3) * out_w * out_h, 0);
    std::uint32_t step_x = (kW << 16) / to.w, step_y = (kH << 16) / to.h;
    for (int y = 0; y < to.h; ++y)
        for (int x = 0; x < to.w; ++x) {
            int sx = static_cast<int>((step_x / 2 + x * step_x) >> 16);
            int sy = static_cast<int>((step_y / 2 + y * step_y) >> 16);
            std::size_t at = static_cast<std::size_t>(to.y + y) * out_w + to.x + x;
            std::copy_n(f.colour(sx, sy), 3, &p[3 * at]);
        }
    return p;
}

// Where two pictures of out_w columns first differ, or "" when they are equal.
std::string first_difference(const Picture& a, const Picture& b, int out_w) {
    if (a.size() != b.size()) return "sizes differ";
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        std::size_t pixel = i / 3;
        char text[96];
        std::snprintf(text, sizeof text, "at x %zu, y %zu: %02x%02x%02x, not %02x%02x%02x",
                      pixel % out_w, pixel / out_w, a[3 * pixel], a[3 * pixel + 1],
                      a[3 * pixel + 2], b[3 * pixel], b[3 * pixel + 1], b[3 * pixel + 2]);
        return text;
    }
    return "";
}

// One window and its presenter, drawing frames as the backend does: told what
// changed since the frame drawn before.
struct Shown {
    SDL_Window* window = nullptr;
    std::unique_ptr<Presenter> presenter;

    ~Shown() {
        presenter.reset();
        if (window) SDL_DestroyWindow(window);
    }
    // draws the frame, of which rows [top, bottom) and, with palette_changed,
    // the palette changed since the last draw (with whole: everything); false
    // when the presenter did not draw it
    bool draw(const Frame& f, int top, int bottom, bool palette_changed, bool whole = false) {
        PresentedFrame frame{f.pixels.data(), kPitch, kW,     kH,
                             f.rgb.data(),    top,    bottom, palette_changed};
        return presenter->draw(frame, whole) == DrawResult::drawn;
    }
    // what was drawn, read back before the swap, which follows
    Picture read() {
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        Picture p(static_cast<std::size_t>(3) * w * h);
        if (SDL_Renderer* r = SDL_GetRenderer(window)) {
            std::vector<Uint32> argb(static_cast<std::size_t>(w) * h);
            EXPECT_EQ(
                0, SDL_RenderReadPixels(r, nullptr, SDL_PIXELFORMAT_ARGB8888, argb.data(), 4 * w))
                << SDL_GetError();
            for (std::size_t i = 0; i < argb.size(); ++i) {
                p[3 * i] = static_cast<std::uint8_t>(argb[i] >> 16);
                p[3 * i + 1] = static_cast<std::uint8_t>(argb[i] >> 8);
                p[3 * i + 2] = static_cast<std::uint8_t>(argb[i]);
            }
        } else {
            auto read_pixels = GL_ENTRY(glReadPixels);
            auto pixel_store = GL_ENTRY(glPixelStorei);
            std::vector<std::uint8_t> rgba(static_cast<std::size_t>(4) * w * h);
            pixel_store(GL_PACK_ALIGNMENT, 1);
            read_pixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
            for (int y = 0; y < h; ++y)  // OpenGL's rows go up from the bottom
                for (int x = 0; x < w; ++x)
                    std::copy_n(&rgba[4 * (static_cast<std::size_t>(h - 1 - y) * w + x)], 3,
                                &p[3 * (static_cast<std::size_t>(y) * w + x)]);
        }
        presenter->swap();
        return p;
    }
};

// Whether a context of the api opens on a window made for OpenGL; its renderer's
// name in *renderer, when given.
bool context_opens(bool es, std::string* renderer = nullptr) {
    SDL_GL_ResetAttributes();
    if (es) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    }
    SDL_Window* w = SDL_CreateWindow("t", 0, 0, 8, 8, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext c = w ? SDL_GL_CreateContext(w) : nullptr;
    auto get_string = GL_ENTRY(glGetString);
    if (c && renderer && get_string)
        if (auto name = reinterpret_cast<const char*>(get_string(GL_RENDERER))) *renderer = name;
    if (c) SDL_GL_DeleteContext(c);
    if (w) SDL_DestroyWindow(w);
    SDL_GL_ResetAttributes();
    return c != nullptr;
}

class GlPresenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("SDL_VIDEODRIVER");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            GTEST_SKIP() << "no display, so no OpenGL: " << SDL_GetError();
        video_ = true;
        if (!context_opens(false, &renderer_))
            GTEST_SKIP() << "no OpenGL context opens: " << SDL_GetError();
    }
    void TearDown() override {
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "");
        if (video_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    std::string renderer_;  // GL_RENDERER of the display's OpenGL
    // a window made for OpenGL, as the backend makes it
    static SDL_Window* window(int w, int h) {
        SDL_Window* win =
            SDL_CreateWindow("t", 0, 0, w, h, SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS);
        EXPECT_NE(nullptr, win) << SDL_GetError();
        return win;
    }
    static bool open_gl(Shown* s, GlApi api, int w, int h) {
        s->window = window(w, h);
        std::string why;
        if (s->window) s->presenter = make_gl_presenter(s->window, api, &why);
        EXPECT_NE(nullptr, s->presenter) << why;
        return s->presenter != nullptr;
    }
    static bool open_cpu(Shown* s, const char* render_driver, int w, int h) {
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, render_driver);
        s->window = window(w, h);
        if (s->window) s->presenter = make_cpu_presenter(s->window, nullptr);
        EXPECT_NE(nullptr, s->presenter) << render_driver << ": " << SDL_GetError();
        return s->presenter != nullptr;
    }
    bool video_ = false;
};

// At the frame's size, twice it with bars at the sides and an odd size with
// bars above and below, a whole frame, then a few rows changed, then a palette
// change: OpenGL 2.1 and OpenGL ES (where it opens) show exactly what SDL's
// software renderer shows on the same kind of window, and so does SDL's own
// choice of renderer at the sizes of whole multiples. (At other sizes that
// renderer, where it is SDL's OpenGL one, samples each pixel's centre, and the
// pixels that fall on a texel's edge are the driver's to round.)
TEST_F(GlPresenterTest, ShowsWhatTheCpuShows) {
    bool es = context_opens(true);
    if (!es) std::printf("no OpenGL ES context opens here: OpenGL 2.1 only\n");
    struct Size {
        int w, h;
        bool whole_multiple;
    };
    for (Size size : {Size{kW, kH, true}, Size{2 * kW + 60, 2 * kH, true}, Size{517, 389, false}}) {
        SCOPED_TRACE(std::to_string(size.w) + "x" + std::to_string(size.h));
        struct Path {
            const char* name;
            Shown shown{};
        } paths[4] = {{"GL"}, {"ES"}, {"CPU, software renderer"}, {"CPU, SDL's renderer"}};
        ASSERT_TRUE(open_gl(&paths[0].shown, GlApi::desktop, size.w, size.h));
        ASSERT_TRUE(!es || open_gl(&paths[1].shown, GlApi::es, size.w, size.h));
        ASSERT_TRUE(open_cpu(&paths[2].shown, "software", size.w, size.h));
        ASSERT_TRUE(!size.whole_multiple || open_cpu(&paths[3].shown, "", size.w, size.h));
        Frame f = random_frame(1);
        auto check = [&](const char* what, int top, int bottom, bool palette_changed, bool whole) {
            Picture want = expected(f, size.w, size.h);
            for (Path& path : paths) {
                if (!path.shown.presenter) continue;
                ASSERT_TRUE(path.shown.draw(f, top, bottom, palette_changed, whole))
                    << path.name << ", " << what;
                EXPECT_EQ("", first_difference(path.shown.read(), want, size.w))
                    << path.name << ", " << what;
            }
        };
        check("whole frame", 0, kH, true, true);
        for (int y = 90; y < 94; ++y)
            for (int x = 0; x < kW; x += 3) f.pixels[y * kPitch + x] ^= 0xA5;
        f.pixels[(kH - 1) * kPitch + kW - 1] ^= 1;  // the last pixel, alone
        check("a few rows changed", 90, kH, false, false);
        for (int i = 0; i < 256; i += 5) f.rgb[3 * i + i % 3] ^= 0x3C;
        check("palette changed", 0, 0, true, false);
    }
}

// The window grows and shrinks under the presenter: each draw after a change
// of size fits the frame into the window's size as it is then. The viewport is
// what is checked: the X server gives Mesa's buffers a new size when it gets to
// it, late on a busy machine, so pixels read back just after a change of size
// may still be the old buffers' (the pictures of each size are compared above).
TEST_F(GlPresenterTest, FollowsTheWindowsSize) {
    Shown gl;
    ASSERT_TRUE(open_gl(&gl, GlApi::any, kW, kH));
    auto get_integers = GL_ENTRY(glGetIntegerv);
    ASSERT_NE(nullptr, get_integers);
    Frame f = random_frame(2);
    for (auto [w, h] : {std::pair{2 * kW, 2 * kH + 40}, std::pair{kW + 1, kH}, std::pair{kW, kH}}) {
        SDL_SetWindowSize(gl.window, w, h);
        gl.presenter->show_black();
        ASSERT_TRUE(gl.draw(f, 0, kH, true, true));  // after show_black, as the backend does
        FrameRect to = fit_frame(kW, kH, w, h);
        GLint viewport[4] = {};
        get_integers(GL_VIEWPORT, viewport);
        EXPECT_EQ(to.x, viewport[0]) << w << "x" << h;
        EXPECT_EQ(h - to.y - to.h, viewport[1]) << w << "x" << h;  // from the bottom
        EXPECT_EQ(to.w, viewport[2]) << w << "x" << h;
        EXPECT_EQ(to.h, viewport[3]) << w << "x" << h;
        gl.presenter->swap();
    }
}

// --renderer: gl draws through OpenGL, with no SDL renderer on the window, and
// so does auto where a graphics card draws the OpenGL (on Xvfb, Mesa's llvmpipe
// does, so auto draws with an SDL renderer there); cpu draws with an SDL
// renderer. Each says nothing about it.
TEST_F(GlPresenterTest, TheBackendDrawsWithTheRendererAskedFor) {
    EXPECT_TRUE(is_software_rasterizer("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(is_software_rasterizer("Google SwiftShader"));
    EXPECT_FALSE(is_software_rasterizer("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)"));
    EXPECT_FALSE(is_software_rasterizer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
    bool software = is_software_rasterizer(renderer_.c_str());
    SDL_QuitSubSystem(SDL_INIT_VIDEO);  // the backend starts video itself
    video_ = false;
    Frame f = random_frame(3);
    for (FrameRenderer renderer :
         {FrameRenderer::automatic, FrameRenderer::gl, FrameRenderer::cpu}) {
        reset_window_system();
        BackendOptions options;
        options.windowed = true;
        options.renderer = renderer;
        set_backend(make_sdl_backend(options));
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(1, backend()->open_window("t", kW, kH));
        present_frame(f.pixels.data(), kPitch, kW, kH, f.rgb.data());
        std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::string::npos, said.find("renderer")) << said;
        SDL_Window* window = SDL_GL_GetCurrentWindow();
        ASSERT_NE(nullptr, window);
        bool sdl_renderer = SDL_GetRenderer(window) != nullptr;
        EXPECT_EQ(
            renderer == FrameRenderer::cpu || (renderer == FrameRenderer::automatic && software),
            sdl_renderer)
            << renderer_;
        set_backend(nullptr);
    }
    reset_window_system();
}

}  // namespace
