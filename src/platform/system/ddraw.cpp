// Surfaces, palettes and clippers in memory, owned by their display object:
// their arguments checked, their locks, flips and references (the clipper's
// own calls are in ddraw_clipper.cpp). What a blit copies is blit.h's work;
// what the screen shows is presentation.h's, for which the one primary
// surface of the run is the picture.
#include "platform/system/ddraw.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/system/gdi.h"
#include "platform/system/presentation.h"

namespace {

constexpr int kMaxSide = 16384;

DirectDrawSurface* shown = nullptr;  // the primary surface, or null
int live_display_objects = 0;

// The screen's picture: the primary surface as it is now.
void describe_shown(ScreenPicture* p) {
    if (shown)
        *p = ScreenPicture{shown->pixels(), shown->pitch(),          shown->width(),
                           shown->height(), shown->bits_per_pixel(), shown->palette_entries(),
                           shown->locked()};
}

void describe_format(int bpp, DDPIXELFORMAT* f) {
    *f = DDPIXELFORMAT{};
    f->dwSize = sizeof(DDPIXELFORMAT);
    f->dwRGBBitCount = static_cast<std::uint32_t>(bpp);
    if (bpp == 8) {
        f->dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    } else if (bpp == 15) {
        f->dwFlags = DDPF_RGB;
        f->dwRBitMask = 0x7C00, f->dwGBitMask = 0x03E0, f->dwBBitMask = 0x001F;
    } else {
        f->dwFlags = DDPF_RGB;
        f->dwRBitMask = 0xF800, f->dwGBitMask = 0x07E0, f->dwBBitMask = 0x001F;
    }
}

}  // namespace

// ---- objects ------------------------------------------------------------------------

std::uint32_t DirectDrawObject::release() {
    if (--refs_ != 0) return refs_;
    owner_->forget(this);
    delete this;
    return 0;
}

// ---- palette ------------------------------------------------------------------------

HRESULT DirectDrawPalette::set_entries(std::uint32_t, std::uint32_t start, std::uint32_t count,
                                       const PALETTEENTRY* entries) {
    if (!entries || start > 255 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::memcpy(entries_ + start, entries, count * sizeof(PALETTEENTRY));
    if (shown && shown->palette_entries() == entries_) screen_changed();
    return DD_OK;
}

HRESULT DirectDrawPalette::get_entries(std::uint32_t, std::uint32_t start, std::uint32_t count,
                                       PALETTEENTRY* entries) const {
    if (!entries || start > 255 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::memcpy(entries, entries_ + start, count * sizeof(PALETTEENTRY));
    return DD_OK;
}

// ---- surface ------------------------------------------------------------------------

// Surface rows start on 32-byte boundaries, for the blit kernels' wide loads.
constexpr std::align_val_t kSurfaceAlign{32};

DirectDrawSurface::DirectDrawSurface(DirectDraw* owner, int width, int height, int bpp,
                                     std::uint32_t caps)
    : DirectDrawObject(owner), width_(width), height_(height), bpp_(bpp), caps_(caps) {
    pitch_ = (width * bytes_per_pixel() + 31) / 32 * 32;
    std::size_t bytes = static_cast<std::size_t>(pitch_) * height;
    memory_ = static_cast<std::uint8_t*>(::operator new(bytes, kSurfaceAlign, std::nothrow));
    if (memory_) std::memset(memory_, 0, bytes);
}

DirectDrawSurface::~DirectDrawSurface() {
    if (dc_) close_surface_dc(dc_);
    if (shown == this) shown = nullptr;
    if (front_) front_->back_ = nullptr;
    if (back_) back_->front_ = nullptr;
    if (!owner_->tearing_down_) {
        if (palette_) palette_->release();
        if (clipper_) clipper_->release();
        if (back_) back_->release();
    }
    ::operator delete(memory_, kSurfaceAlign);
}

const PALETTEENTRY* DirectDrawSurface::palette_entries() const {
    if (palette_) return palette_->entries();
    if (front_ && front_->palette_) return front_->palette_->entries();
    if (shown && shown->palette_) return shown->palette_->entries();
    return nullptr;
}

void DirectDrawSurface::changed() {
    ++version_;
    if (this == shown) screen_changed();
}

SurfaceMemory DirectDrawSurface::memory_of() const {
    return SurfaceMemory{memory_, pitch_, width_, height_, bytes_per_pixel(), version_};
}

const std::vector<RECT>* DirectDrawSurface::clip_list(std::vector<RECT>* window) const {
    if (!clipper_) return nullptr;
    if (const std::vector<RECT>* list = clipper_->list()) return list;
    *window = clipper_->rectangles();
    return window;
}

HRESULT DirectDrawSurface::blt(const RECT* dest, DirectDrawSurface* src, const RECT* src_rect,
                               std::uint32_t flags, const DDBLTFX* fx) {
    if (locked_) return DDERR_SURFACEBUSY;
    RECT d = dest ? *dest : RECT{0, 0, width_, height_};
    if (rect_empty(d)) return DDERR_INVALIDRECT;
    bool fill = (flags & DDBLT_COLORFILL) != 0;
    RECT s{};
    if (fill && !fx) return DDERR_INVALIDPARAMS;
    if (!fill) {
        if (!src || src->bytes_per_pixel() != bytes_per_pixel()) return DDERR_INVALIDPARAMS;
        if (src->locked_) return DDERR_SURFACEBUSY;
        if ((flags & DDBLT_KEYSRC) && !src->has_key_) return DDERR_NOCOLORKEY;
        s = src_rect ? *src_rect : RECT{0, 0, src->width_, src->height_};
        if (rect_empty(s) || !rect_inside(s, src->width_, src->height_)) return DDERR_INVALIDRECT;
    }
    // The destination's parts to draw: inside the clip rectangles and the surface.
    std::vector<RECT> window;
    const RECT* parts = nullptr;
    std::size_t count = 0;
    if (!blit_parts(d, width_, height_, clip_list(&window), &parts, &count))
        return DDERR_INVALIDRECT;
    if (fill) {
        fill_parts(memory_of(), fx->dwFillColor, parts, count);
    } else {
        blit(memory_of(), src->memory_of(), &src->caches_, d, s, (flags & DDBLT_KEYSRC) != 0,
             src->key_.dwColorSpaceLowValue, parts, count);
    }
    changed();
    return DD_OK;
}

HRESULT DirectDrawSurface::lock(const RECT* rect, DDSURFACEDESC2* desc, std::uint32_t, void*) {
    if (!desc) return DDERR_INVALIDPARAMS;
    if (locked_) return DDERR_SURFACEBUSY;
    RECT r = rect ? *rect : RECT{0, 0, width_, height_};
    if (rect_empty(r) || !rect_inside(r, width_, height_)) return DDERR_INVALIDRECT;
    get_surface_desc(desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface =
        memory_ + static_cast<std::ptrdiff_t>(r.top) * pitch_ + r.left * bytes_per_pixel();
    locked_ = true;
    return DD_OK;
}

HRESULT DirectDrawSurface::unlock(const RECT*) {
    if (!locked_ || dc_) return DDERR_NOTLOCKED;
    locked_ = false;
    changed();
    return DD_OK;
}

HRESULT DirectDrawSurface::flip(DirectDrawSurface* target, std::uint32_t) {
    if (!back_ || (target && target != back_)) return DDERR_NOTFLIPPABLE;
    if (locked_ || back_->locked_) return DDERR_SURFACEBUSY;
    std::swap(memory_, back_->memory_);
    ++back_->version_;
    changed();
    present_if_changed();  // the primary, just flipped, is not locked
    return DD_OK;
}

HRESULT DirectDrawSurface::get_attached_surface(const DDSCAPS2* caps, DirectDrawSurface** out) {
    if (!caps || !out) return DDERR_INVALIDPARAMS;
    if (!(caps->dwCaps & DDSCAPS_BACKBUFFER) || !back_) return DDERR_NOTFOUND;
    back_->add_ref();
    *out = back_;
    return DD_OK;
}

HRESULT DirectDrawSurface::set_color_key(std::uint32_t flags, const DDCOLORKEY* key) {
    if (!(flags & DDCKEY_SRCBLT)) return DDERR_INVALIDPARAMS;
    has_key_ = key != nullptr;
    key_ = key ? *key : DDCOLORKEY{};
    return DD_OK;
}

HRESULT DirectDrawSurface::get_color_key(std::uint32_t flags, DDCOLORKEY* key) const {
    if (!(flags & DDCKEY_SRCBLT) || !key) return DDERR_INVALIDPARAMS;
    if (!has_key_) return DDERR_NOCOLORKEY;
    *key = key_;
    return DD_OK;
}

HRESULT DirectDrawSurface::set_palette(DirectDrawPalette* palette) {
    if (palette) palette->add_ref();
    if (palette_) palette_->release();
    palette_ = palette;
    changed();
    return DD_OK;
}

HRESULT DirectDrawSurface::get_palette(DirectDrawPalette** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    if (!palette_) return DDERR_NOPALETTEATTACHED;
    palette_->add_ref();
    *out = palette_;
    return DD_OK;
}

HRESULT DirectDrawSurface::set_clipper(DirectDrawClipper* clipper) {
    if (clipper) clipper->add_ref();
    if (clipper_) clipper_->release();
    clipper_ = clipper;
    return DD_OK;
}

HRESULT DirectDrawSurface::get_clipper(DirectDrawClipper** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    if (!clipper_) return DDERR_NOCLIPPERATTACHED;
    clipper_->add_ref();
    *out = clipper_;
    return DD_OK;
}

HRESULT DirectDrawSurface::get_pixel_format(DDPIXELFORMAT* format) const {
    if (!format) return DDERR_INVALIDPARAMS;
    describe_format(bpp_, format);
    return DD_OK;
}

HRESULT DirectDrawSurface::get_surface_desc(DDSURFACEDESC2* desc) const {
    if (!desc) return DDERR_INVALIDPARAMS;
    *desc = DDSURFACEDESC2{};
    desc->dwSize = sizeof(DDSURFACEDESC2);
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<std::uint32_t>(width_);
    desc->dwHeight = static_cast<std::uint32_t>(height_);
    desc->lPitch = pitch_;
    desc->ddsCaps.dwCaps = caps_;
    if (has_key_) desc->ddckCKSrcBlt = key_;
    describe_format(bpp_, &desc->ddpfPixelFormat);
    return DD_OK;
}

HRESULT DirectDrawSurface::get_dc(HDC* dc) {
    if (!dc) return DDERR_INVALIDPARAMS;
    if (locked_) return DDERR_SURFACEBUSY;
    dc_ = open_surface_dc(memory_, pitch_, width_, height_, bpp_, palette_entries());
    if (!dc_) return DDERR_GENERIC;
    locked_ = true;
    *dc = dc_;
    return DD_OK;
}

HRESULT DirectDrawSurface::release_dc(HDC dc) {
    if (!dc_ || dc != dc_) return DDERR_INVALIDPARAMS;
    close_surface_dc(dc_);
    dc_ = nullptr;
    locked_ = false;
    changed();
    return DD_OK;
}

// ---- display object -------------------------------------------------------------------

HRESULT direct_draw_create_ex(const void*, DirectDraw** out, int iid, void* outer) {
    if (!out || iid != IID_IDirectDraw7 || outer) return DDERR_INVALIDPARAMS;
    *out = new DirectDraw;
    // While a display object lives, the message pump and every poll show what
    // changed on its primary surface.
    if (live_display_objects++ == 0) set_screen_source(describe_shown);
    return DD_OK;
}

DirectDraw::~DirectDraw() {
    tearing_down_ = true;
    for (DirectDrawObject* o : objects_) delete o;
    objects_.clear();
    if (--live_display_objects == 0) set_screen_source(nullptr);
}

std::uint32_t DirectDraw::release() {
    if (--refs_ != 0) return refs_;
    delete this;
    return 0;
}

void DirectDraw::forget(DirectDrawObject* object) {
    auto it = std::find(objects_.begin(), objects_.end(), object);
    if (it != objects_.end()) objects_.erase(it);
}

HRESULT DirectDraw::set_cooperative_level(HWND hwnd, std::uint32_t flags) {
    bool full = (flags & DDSCL_FULLSCREEN) != 0;
    if (full && (!(flags & DDSCL_EXCLUSIVE) || !hwnd)) return DDERR_INVALIDPARAMS;
    if (!full && !(flags & DDSCL_NORMAL)) return DDERR_INVALIDPARAMS;
    hwnd_ = hwnd;
    level_ = flags;
    return DD_OK;
}

HRESULT DirectDraw::set_display_mode(std::uint32_t width, std::uint32_t height, std::uint32_t bpp,
                                     std::uint32_t, std::uint32_t) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return DDERR_INVALIDMODE;
    if (bpp != 8 && bpp != 15 && bpp != 16) return DDERR_INVALIDMODE;
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    bpp_ = static_cast<int>(bpp);
    return DD_OK;
}

HRESULT DirectDraw::create_surface(DDSURFACEDESC2* desc, DirectDrawSurface** out, void* outer) {
    if (!desc || !out || outer) return DDERR_INVALIDPARAMS;
    std::uint32_t caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
    bool primary = (caps & DDSCAPS_PRIMARYSURFACE) != 0;
    bool flipping = (caps & DDSCAPS_FLIP) != 0;
    int w = width_, h = height_, bpp = bpp_;
    if (primary) {
        if (shown) return DDERR_PRIMARYSURFACEALREADYEXISTS;
        bool one_back = (desc->dwFlags & DDSD_BACKBUFFERCOUNT) && desc->dwBackBufferCount == 1;
        if (flipping && (!(caps & DDSCAPS_COMPLEX) || !one_back)) return DDERR_INVALIDPARAMS;
    } else {
        if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) || flipping)
            return DDERR_INVALIDPARAMS;
        if (desc->dwWidth < 1 || desc->dwHeight < 1 || desc->dwWidth > kMaxSide ||
            desc->dwHeight > kMaxSide)
            return DDERR_INVALIDPARAMS;
        w = static_cast<int>(desc->dwWidth);
        h = static_cast<int>(desc->dwHeight);
        if (desc->dwFlags & DDSD_PIXELFORMAT) {
            bpp = static_cast<int>(desc->ddpfPixelFormat.dwRGBBitCount);
            if (bpp != 8 && bpp != 15 && bpp != 16) return DDERR_INVALIDPARAMS;
        }
    }
    auto* s = new DirectDrawSurface(this, w, h, bpp, caps | (flipping ? DDSCAPS_FRONTBUFFER : 0));
    objects_.push_back(s);
    if (!s->memory_) {
        s->release();
        return DDERR_OUTOFMEMORY;
    }
    if (flipping) {
        auto* back = new DirectDrawSurface(this, w, h, bpp,
                                           DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
        objects_.push_back(back);
        s->back_ = back;
        back->front_ = s;
        if (!back->memory_) {
            s->release();
            return DDERR_OUTOFMEMORY;
        }
    }
    if (primary) {
        shown = s;
        screen_changed();
    }
    *out = s;
    return DD_OK;
}

HRESULT DirectDraw::create_palette(std::uint32_t flags, const PALETTEENTRY* entries,
                                   DirectDrawPalette** out, void* outer) {
    if (!out || outer || !(flags & DDPCAPS_8BIT)) return DDERR_INVALIDPARAMS;
    auto* p = new DirectDrawPalette(this);
    if (entries) std::memcpy(p->entries_, entries, sizeof p->entries_);
    objects_.push_back(p);
    *out = p;
    return DD_OK;
}

HRESULT DirectDraw::create_clipper(std::uint32_t, DirectDrawClipper** out, void* outer) {
    if (!out || outer) return DDERR_INVALIDPARAMS;
    auto* c = new DirectDrawClipper(this);
    objects_.push_back(c);
    *out = c;
    return DD_OK;
}

HRESULT DirectDraw::wait_for_vertical_blank(std::uint32_t flags, void*) {
    if (flags != DDWAITVB_BLOCKBEGIN) return DDERR_INVALIDPARAMS;
    wait_for_refresh();
    return DD_OK;
}
