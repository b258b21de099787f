// The display device: one display object with a flipping pair of surfaces (or,
// windowed, an off-screen back buffer copied into the window), the 8-bit
// palette, the screen clipper and the lock bookkeeping. Owns the globals of
// display.h; reads the palette file through the palette module.
#include "gfx/display.h"

#include <vector>

#include "gfx/palette.h"
#include "platform/system/win32.h"
#include "support/error_log.h"

DirectDraw* ddraw = nullptr;
DirectDrawSurface* front_surface = nullptr;
DirectDrawSurface* back_surface = nullptr;
DirectDrawPalette* display_palette = nullptr;
DirectDrawClipper* back_clipper = nullptr;
DirectDrawClipper* window_clipper = nullptr;
DDSURFACEDESC2 ddsd = {};

std::uint8_t* front_pixels = nullptr;
std::int32_t front_pitch = 0;
std::uint8_t* back_pixels = nullptr;
std::int32_t back_pitch = 0;
std::int32_t display_width = 1280;
std::int32_t display_height = 1024;
std::int32_t display_bpp = 16;
std::int32_t display_windowed = 0;
std::int32_t pixel_format = 16;
std::int32_t (*pack_rgb16)(std::int32_t, std::int32_t, std::int32_t) = rgb16_565;
std::int32_t clip_left = 0;
std::int32_t clip_top = 0;
std::int32_t clip_right = 1279;
std::int32_t clip_bottom = 1023;

namespace {

constexpr int kMaxClipperRects = 4096;
// Entries at each end of a windowed palette that the desktop keeps for itself.
constexpr int kDesktopColors = 10;

// Creates the display object and takes the window: windowed at the normal
// cooperative level, full screen with exclusive access and the display mode.
bool open_display(int width, int height, int bpp, int windowed) {
    if (direct_draw_create_ex(nullptr, &ddraw, IID_IDirectDraw7, nullptr) < 0) return false;
    if (windowed) return ddraw->set_cooperative_level(get_active_window(), DDSCL_NORMAL) >= 0;
    std::uint32_t level = DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE |
                          DDSCL_ALLOWMODEX | DDSCL_MULTITHREADED;
    if (ddraw->set_cooperative_level(get_active_window(), level) < 0) return false;
    return ddraw->set_display_mode(width, height, bpp, 0, 0) >= 0;
}

// The primary surface (full screen: with one attached back buffer to flip
// with), its pixel format and the 16-bit packer that matches it, then the back
// buffer (windowed: an off-screen surface of the screen's size).
bool make_surfaces(int width, int height, int windowed) {
    ddsd = DDSURFACEDESC2{};
    ddsd.dwSize = sizeof(ddsd);
    if (windowed) {
        ddsd.dwFlags = DDSD_CAPS;
        ddsd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    } else {
        ddsd.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        ddsd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        ddsd.dwBackBufferCount = 1;
    }
    if (ddraw->create_surface(&ddsd, &front_surface, nullptr) < 0) return false;

    DDPIXELFORMAT ddpf{};
    ddpf.dwSize = sizeof(ddpf);
    front_surface->get_pixel_format(&ddpf);
    pixel_format = static_cast<std::int32_t>(ddpf.dwRGBBitCount);
    write_error("\npixel format = %d", pixel_format);
    if (pixel_format == 15) {
        pack_rgb16 = rgb16_555;
        write_error("\npixel format = 5.5.5");
    } else {
        pack_rgb16 = rgb16_565;
        write_error("\npixel format = 5.6.5");
    }

    if (windowed) {
        back_surface = create_surface(width, height, 0, 0);
        return back_surface != nullptr;
    }
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    return front_surface->get_attached_surface(&caps, &back_surface) >= 0;
}

// The 8-bit palette from the palette file (entries the file does not reach, or
// all of them without a file, stay black), attached to the primary. Windowed,
// the first and last ten entries (those a desktop keeps for itself) are flagged
// PC_EXPLICIT; the flag is stored with them and leaves their colours as read.
bool make_palette(int windowed) {
    for (PALETTEENTRY& e : palette_entries) e = PALETTEENTRY{};
    load_palette_file("PALDATA2.PAL", palette_entries);
    std::uint32_t caps = DDPCAPS_8BIT;
    if (windowed) {
        for (int i = 0; i < kDesktopColors; ++i) palette_entries[i].peFlags = PC_EXPLICIT;
        for (int i = 256 - kDesktopColors; i < 256; ++i) palette_entries[i].peFlags = PC_EXPLICIT;
    } else {
        caps |= DDPCAPS_ALLOW256;
    }
    if (ddraw->create_palette(caps, palette_entries, &display_palette, nullptr) < 0) return false;
    return front_surface->set_palette(display_palette) >= 0;
}

// Clears the buffers to 0 (windowed only the back one: the front is the
// window), sets the clip rectangle to the whole screen, attaches a clipper of
// the screen rectangle to the back buffer and, windowed, one bound to the game
// window to the primary.
bool clear_and_clip(int windowed) {
    if (!windowed) fill_surface(front_surface, 0, nullptr);
    fill_surface(back_surface, 0, nullptr);
    clip_left = 0;
    clip_right = display_width - 1;
    clip_top = 0;
    clip_bottom = display_height - 1;
    RECT screen_rect{0, 0, display_width, display_height};
    back_clipper = attach_clipper(back_surface, 1, &screen_rect);
    if (!windowed) return true;
    if (ddraw->create_clipper(0, &window_clipper, nullptr) < 0) return false;
    if (window_clipper->set_hwnd(0, get_active_window()) < 0) return false;
    return front_surface->set_clipper(window_clipper) >= 0;
}

}  // namespace

int display_init(int width, int height, int bpp, int windowed) {
    if (ddraw) return 0;
    bool ok = open_display(width, height, bpp, windowed);
    if (ok) {
        display_height = height;
        display_width = width;
        display_bpp = bpp;
        display_windowed = windowed;
        ok = make_surfaces(width, height, windowed);
    }
    if (ok && display_bpp == 8) ok = make_palette(windowed);
    if (ok) ok = clear_and_clip(windowed);
    if (!ok) display_shutdown();
    return ok ? 1 : 0;
}

int display_shutdown() {
    if (back_pixels) unlock_back();
    if (front_pixels) unlock_front();
    if (back_clipper) back_clipper->release();
    if (window_clipper) window_clipper->release();
    if (display_palette) display_palette->release();
    if (back_surface) back_surface->release();
    if (front_surface) front_surface->release();
    if (ddraw) ddraw->release();
    back_clipper = window_clipper = nullptr;
    display_palette = nullptr;
    back_surface = front_surface = nullptr;
    ddraw = nullptr;
    return 1;
}

DirectDrawClipper* attach_clipper(DirectDrawSurface* surface, int count, const RECT* rects) {
    if (!ddraw || !surface || !rects || count < 1 || count > kMaxClipperRects) return nullptr;
    DirectDrawClipper* clipper = nullptr;
    if (ddraw->create_clipper(0, &clipper, nullptr) < 0) return nullptr;

    // The record: a 32-byte header (two RECTs' worth) and the rectangles after it.
    std::vector<RECT> record(static_cast<std::size_t>(count) + 2);
    auto* region = reinterpret_cast<RGNDATA*>(record.data());
    for (int i = 0; i < count; ++i) record[2 + i] = rects[i];
    RGNDATAHEADER& h = region->rdh;
    h.dwSize = sizeof(RGNDATAHEADER);
    h.iType = RDH_RECTANGLES;
    h.nCount = static_cast<std::uint32_t>(count);
    h.nRgnSize = static_cast<std::uint32_t>(count * sizeof(RECT));
    h.rcBound = RECT{64000, 64000, -64000, -64000};
    for (int i = 0; i < count; ++i) {
        if (rects[i].left < h.rcBound.left) h.rcBound.left = rects[i].left;
        if (rects[i].right > h.rcBound.right) h.rcBound.right = rects[i].right;
        if (rects[i].top < h.rcBound.top) h.rcBound.top = rects[i].top;
        if (rects[i].bottom > h.rcBound.bottom) h.rcBound.bottom = rects[i].bottom;
    }
    // A clipper that cannot be used is released rather than left to the display.
    if (clipper->set_clip_list(region, 0) < 0 || surface->set_clipper(clipper) < 0) {
        clipper->release();
        return nullptr;
    }
    return clipper;
}

DirectDrawSurface* create_surface(int width, int height, std::uint32_t mem_flags,
                                  std::uint16_t color_key) {
    if (!ddraw || width < 1 || height < 1) return nullptr;
    ddsd = DDSURFACEDESC2{};
    ddsd.dwSize = sizeof(ddsd);
    ddsd.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    ddsd.dwWidth = static_cast<std::uint32_t>(width);
    ddsd.dwHeight = static_cast<std::uint32_t>(height);
    ddsd.ddsCaps.dwCaps = mem_flags | DDSCAPS_OFFSCREENPLAIN;
    DirectDrawSurface* lpdds = nullptr;
    if (ddraw->create_surface(&ddsd, &lpdds, nullptr) < 0) return nullptr;
    DDCOLORKEY key{color_key, color_key};
    lpdds->set_color_key(DDCKEY_SRCBLT, &key);
    return lpdds;
}

int flip_display() {
    if (front_pixels || back_pixels || !front_surface || !back_surface) return 0;
    if (!display_windowed) {
        // A flip that keeps failing (a surface held by someone else) is given up
        // after a bound so that the frame loop goes on.
        for (int i = 0; i < DISPLAY_FLIP_TRIES; ++i) {
            if (front_surface->flip(nullptr, DDFLIP_WAIT) >= 0) return 1;
        }
        return 0;
    }
    // The front surface is the window's client area: the picture goes to its
    // top-left corner, whatever the window's place on the desktop.
    RECT dest_rect{0, 0, display_width, display_height};
    if (front_surface->blt(&dest_rect, back_surface, nullptr, DDBLT_WAIT, nullptr) < 0) return 0;
    return 1;
}

int wait_vblank() {
    if (!ddraw) return 0;
    ddraw->wait_for_vertical_blank(DDWAITVB_BLOCKBEGIN, nullptr);
    return 1;
}

int fill_surface(DirectDrawSurface* surface, std::uint16_t color, const RECT* rect) {
    if (!surface) return 0;
    DDBLTFX ddbltfx{};
    ddbltfx.dwSize = sizeof(ddbltfx);
    ddbltfx.dwFillColor = color;
    surface->blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &ddbltfx);
    return 1;
}

std::uint8_t* lock_surface(DirectDrawSurface* surface, std::int32_t* pitch) {
    if (!surface) return nullptr;
    ddsd = DDSURFACEDESC2{};
    ddsd.dwSize = sizeof(ddsd);
    if (surface->lock(nullptr, &ddsd, DDLOCK_WAIT | DDLOCK_SURFACEMEMORYPTR, nullptr) < 0)
        return nullptr;
    if (pitch) *pitch = ddsd.lPitch;
    return static_cast<std::uint8_t*>(ddsd.lpSurface);
}

int unlock_surface(DirectDrawSurface* surface) {
    if (!surface) return 0;
    surface->unlock(nullptr);
    return 1;
}

std::uint8_t* lock_front() {
    if (!front_pixels) front_pixels = lock_surface(front_surface, &front_pitch);
    return front_pixels;
}

std::uint8_t* lock_back() {
    if (!back_pixels) back_pixels = lock_surface(back_surface, &back_pitch);
    return back_pixels;
}

int unlock_front() {
    if (!front_pixels) return 0;
    front_surface->unlock(nullptr);
    front_pixels = nullptr;
    front_pitch = 0;
    return 1;
}

int unlock_back() {
    if (!back_pixels) return 0;
    back_surface->unlock(nullptr);
    back_pixels = nullptr;
    back_pitch = 0;
    return 1;
}

std::int32_t rgb16_565(std::int32_t r, std::int32_t g, std::int32_t b) {
    return (b >> 3 & 31) + ((g >> 2 & 63) << 5) + ((r >> 3 & 31) << 11);
}

std::int32_t rgb16_555(std::int32_t r, std::int32_t g, std::int32_t b) {
    return (b >> 3 & 31) + ((g >> 3 & 31) << 5) + ((r >> 3 & 31) << 10);
}
