// The CPU presenter: SDL's renderer, a streaming ARGB texture of the frame's
// size and the palette expansion of frame_colours.
#include "platform/backends/sdl/cpu_presenter.h"

#include <SDL.h>

#include <algorithm>

#include "platform/backends/frame_colours.h"

namespace {

class CpuPresenter final : public Presenter {
public:
    CpuPresenter(SDL_Window* window, SDL_Renderer* renderer)
        : window_(window), renderer_(renderer) {
        SDL_RendererInfo info{};
        software_ =
            SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE);
    }
    ~CpuPresenter() override {
        if (texture_) SDL_DestroyTexture(texture_);
        SDL_DestroyRenderer(renderer_);
    }

    DrawResult draw(const PresentedFrame& frame, bool whole) override;
    void swap() override { SDL_RenderPresent(renderer_); }
    void show_black() override;
    const char* name() const override { return "cpu"; }

private:
    SDL_Window* window_;
    SDL_Renderer* renderer_;
    SDL_Texture* texture_ = nullptr;  // the frame, ARGB, of texture_w_ x texture_h_
    int texture_w_ = 0, texture_h_ = 0;
    bool software_ = false;  // SDL's software renderer, whose window surface keeps its pixels
};

void CpuPresenter::show_black() {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
}

// Expands the palette indices of the rows that changed (all of them when the
// palette did) through a 256-entry table into the streaming texture and copies
// it scaled into the window's real size, its aspect kept, with black bars
// around it.
DrawResult CpuPresenter::draw(const PresentedFrame& frame, bool whole) {
    const std::uint8_t* pixels = frame.pixels;
    int pitch = frame.pitch, width = frame.width, height = frame.height;
    int top = frame.changed_top, bottom = frame.changed_bottom;
    bool fresh = !texture_ || texture_w_ != width || texture_h_ != height;
    if (fresh) {
        if (texture_) SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                     SDL_TEXTUREACCESS_STREAMING, width, height);
        texture_w_ = texture_ ? width : 0;
        texture_h_ = texture_ ? height : 0;
        if (!texture_) return DrawResult::retry;
        // The picture is opaque: copied, never blended (which SDL would do by
        // default for a format with alpha, pixel by pixel in software).
        SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    }
    if (fresh || whole || frame.palette_changed) {
        top = 0;
        bottom = height;
    }
    top = std::clamp(top, 0, height);
    bottom = std::clamp(bottom, top, height);  // none: the picture is drawn again as it is
    if (top < bottom) {
        Uint32 table[256];
        make_expand_table(frame.palette_rgb, table);
        SDL_Rect rows{0, top, width, bottom - top};
        void* out = nullptr;
        int out_pitch = 0;
        if (SDL_LockTexture(texture_, &rows, &out, &out_pitch) != 0) return DrawResult::retry;
        expand_indices32(pixels + static_cast<std::ptrdiff_t>(top) * pitch, pitch, width,
                         bottom - top, table, static_cast<Uint32*>(out), out_pitch);
        SDL_UnlockTexture(texture_);
    }
    int out_w = 0, out_h = 0;
    if (SDL_GetRendererOutputSize(renderer_, &out_w, &out_h) != 0 || out_w <= 0 || out_h <= 0)
        SDL_GetWindowSize(window_, &out_w, &out_h);
    FrameRect fit = fit_frame(width, height, out_w, out_h);
    SDL_Rect to{fit.x, fit.y, fit.w, fit.h};
    // The bars are cleared black; a picture that covers the window needs none.
    if (to.w != out_w || to.h != out_h) {
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
    }
    // SDL's software renderer draws into the window's own surface, which keeps
    // what it holds from one picture to the next: at its own size, only the
    // rows that changed need copying. Every other renderer draws whole pictures.
    bool unscaled = to.x == 0 && to.y == 0 && to.w == width && to.h == height;
    SDL_Rect band{0, top, width, bottom - top};
    SDL_RenderCopy(renderer_, texture_, software_ && unscaled ? &band : nullptr,
                   software_ && unscaled ? &band : &to);
    return DrawResult::drawn;
}

}  // namespace

std::unique_ptr<Presenter> make_cpu_presenter(SDL_Window* window, const char** why) {
    if (!window) return nullptr;
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
    if (!renderer) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer) {
        if (why) *why = SDL_GetError();
        return nullptr;
    }
    return std::make_unique<CpuPresenter>(window, renderer);
}
