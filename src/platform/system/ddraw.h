// Video services: the display object, surfaces, palettes and clippers, as the
// display layer calls them. Everything is memory: surfaces of 8 or 16 bits with
// rows padded to 32 bytes, blits with stretching, source colour key and the
// destination's clipper, colour fills, locks, flips that swap memory. The front
// surface is shown through the backend after every flip and whenever it or its
// palette changed (presentation.h). Results: DD_OK (0) or a negative error.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/system/blit.h"
#include "platform/system/types.h"

// ---- results and published constants ------------------------------------------

constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DDERR_INVALIDRECT = static_cast<HRESULT>(0x88760096u);
constexpr HRESULT DDERR_INVALIDMODE = static_cast<HRESULT>(0x887600B4u);
constexpr HRESULT DDERR_NOCLIPLIST = static_cast<HRESULT>(0x887600CDu);
constexpr HRESULT DDERR_SURFACEBUSY = static_cast<HRESULT>(0x887601AEu);
constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = static_cast<HRESULT>(0x88760234u);
constexpr HRESULT DDERR_NOTFLIPPABLE = static_cast<HRESULT>(0x88760246u);
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x88760248u);
constexpr HRESULT DDERR_NOTFOUND = static_cast<HRESULT>(0x887600FFu);
constexpr HRESULT DDERR_NOPALETTEATTACHED = static_cast<HRESULT>(0x88760244u);
constexpr HRESULT DDERR_NOCLIPPERATTACHED = static_cast<HRESULT>(0x88760241u);
constexpr HRESULT DDERR_NOCOLORKEY = static_cast<HRESULT>(0x887600D7u);

constexpr int IID_IDirectDraw7 = 7;  // the only interface the display object offers

constexpr std::uint32_t DDSCL_FULLSCREEN = 0x1;
constexpr std::uint32_t DDSCL_ALLOWREBOOT = 0x2;
constexpr std::uint32_t DDSCL_NORMAL = 0x8;
constexpr std::uint32_t DDSCL_EXCLUSIVE = 0x10;
constexpr std::uint32_t DDSCL_ALLOWMODEX = 0x40;
constexpr std::uint32_t DDSCL_MULTITHREADED = 0x400;

constexpr std::uint32_t DDSD_CAPS = 0x1;
constexpr std::uint32_t DDSD_HEIGHT = 0x2;
constexpr std::uint32_t DDSD_WIDTH = 0x4;
constexpr std::uint32_t DDSD_PITCH = 0x8;
constexpr std::uint32_t DDSD_BACKBUFFERCOUNT = 0x20;
constexpr std::uint32_t DDSD_LPSURFACE = 0x800;
constexpr std::uint32_t DDSD_PIXELFORMAT = 0x1000;

constexpr std::uint32_t DDSCAPS_BACKBUFFER = 0x4;
constexpr std::uint32_t DDSCAPS_COMPLEX = 0x8;
constexpr std::uint32_t DDSCAPS_FLIP = 0x10;
constexpr std::uint32_t DDSCAPS_FRONTBUFFER = 0x20;
constexpr std::uint32_t DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr std::uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr std::uint32_t DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr std::uint32_t DDSCAPS_VIDEOMEMORY = 0x4000;

constexpr std::uint32_t DDBLT_COLORFILL = 0x400;
constexpr std::uint32_t DDBLT_KEYSRC = 0x8000;
constexpr std::uint32_t DDBLT_WAIT = 0x1000000;
constexpr std::uint32_t DDLOCK_WAIT = 0x1;
constexpr std::uint32_t DDLOCK_SURFACEMEMORYPTR = 0x0;
constexpr std::uint32_t DDFLIP_WAIT = 0x1;
constexpr std::uint32_t DDCKEY_SRCBLT = 0x8;
constexpr std::uint32_t DDPCAPS_8BIT = 0x4;
constexpr std::uint32_t DDPCAPS_ALLOW256 = 0x40;
constexpr std::uint32_t DDWAITVB_BLOCKBEGIN = 0x1;
constexpr std::uint32_t DDPF_PALETTEINDEXED8 = 0x20;
constexpr std::uint32_t DDPF_RGB = 0x40;
constexpr std::uint32_t RDH_RECTANGLES = 1;

// ---- records -------------------------------------------------------------------

struct DDCOLORKEY {
    std::uint32_t dwColorSpaceLowValue;   // the key; pixels equal to it are skipped
    std::uint32_t dwColorSpaceHighValue;  // kept, not used: the key is one value
};

struct DDSCAPS2 {
    std::uint32_t dwCaps, dwCaps2, dwCaps3, dwCaps4;
};

struct DDPIXELFORMAT {
    std::uint32_t dwSize, dwFlags, dwFourCC;
    std::uint32_t dwRGBBitCount;  // 8, 15 (5.5.5) or 16 (5.6.5)
    std::uint32_t dwRBitMask, dwGBitMask, dwBBitMask, dwRGBAlphaBitMask;
};

struct DDSURFACEDESC2 {
    std::uint32_t dwSize, dwFlags;
    std::uint32_t dwHeight, dwWidth;
    std::int32_t lPitch;  // bytes from one row to the next, a multiple of 32
    std::uint32_t dwBackBufferCount;
    void* lpSurface;  // the pixels while locked
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
};

struct DDBLTFX {
    std::uint32_t dwSize;
    std::uint32_t dwFillColor;  // the pixel value a DDBLT_COLORFILL writes
};

struct RGNDATAHEADER {
    std::uint32_t dwSize;    // 32
    std::uint32_t iType;     // RDH_RECTANGLES
    std::uint32_t nCount;    // rectangles that follow the header
    std::uint32_t nRgnSize;  // 16 x nCount
    RECT rcBound;            // bounds of all of them
};

// The header, then nCount RECTs in the bytes that follow it.
struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[16];
};

class DirectDraw;
class DirectDrawSurface;
class DirectDrawPalette;
class DirectDrawClipper;

// ---- objects -------------------------------------------------------------------

// Reference counted; the display object that made it owns it and frees what is
// left when it goes itself.
class DirectDrawObject {
public:
    DirectDrawObject(const DirectDrawObject&) = delete;
    DirectDrawObject& operator=(const DirectDrawObject&) = delete;
    // one more reference; returns the new count
    std::uint32_t add_ref() { return ++refs_; }
    // one reference less; at zero the object is freed; returns the new count
    std::uint32_t release();

protected:
    explicit DirectDrawObject(DirectDraw* owner) : owner_(owner) {}
    virtual ~DirectDrawObject() = default;
    DirectDraw* owner_;
    std::uint32_t refs_ = 1;
    friend class DirectDraw;
};

class DirectDrawPalette final : public DirectDrawObject {
public:
    // copies count entries from start on; DDERR_INVALIDPARAMS past entry 255
    HRESULT set_entries(std::uint32_t flags, std::uint32_t start, std::uint32_t count,
                        const PALETTEENTRY* entries);
    // copies count entries from start on out; DDERR_INVALIDPARAMS past entry 255
    HRESULT get_entries(std::uint32_t flags, std::uint32_t start, std::uint32_t count,
                        PALETTEENTRY* entries) const;
    const PALETTEENTRY* entries() const { return entries_; }

private:
    explicit DirectDrawPalette(DirectDraw* owner) : DirectDrawObject(owner) {}
    PALETTEENTRY entries_[256] = {};
    friend class DirectDraw;
};

class DirectDrawClipper final : public DirectDrawObject {
public:
    // takes the rectangles of a RDH_RECTANGLES region (at most 4096)
    HRESULT set_clip_list(const RGNDATA* region, std::uint32_t flags);
    // with region null stores the bytes needed in *size; else copies the list if
    // *size is enough (DDERR_INVALIDPARAMS otherwise); DDERR_NOCLIPLIST when empty
    HRESULT get_clip_list(const RECT* clip, RGNDATA* region, std::uint32_t* size) const;
    // clips to the window's client area instead of a list
    HRESULT set_hwnd(std::uint32_t flags, HWND hwnd);
    // the rectangles in force (the window's client area when bound to one)
    std::vector<RECT> rectangles() const;
    // the stored list, or null while bound to a window
    const std::vector<RECT>* list() const { return hwnd_ ? nullptr : &rects_; }

private:
    explicit DirectDrawClipper(DirectDraw* owner) : DirectDrawObject(owner) {}
    std::vector<RECT> rects_;
    HWND hwnd_ = nullptr;
    friend class DirectDraw;
};

class DirectDrawSurface final : public DirectDrawObject {
public:
    // copies src_rect of src (null: whole) to dest (null: whole), stretching to the
    // nearest source pixel, skipping the source key with DDBLT_KEYSRC, cut by the
    // clipper; DDBLT_COLORFILL fills dest with fx->dwFillColor instead. Errors:
    // DDERR_SURFACEBUSY (either locked), DDERR_INVALIDRECT (empty rect, source
    // outside its surface, destination outside an unclipped surface),
    // DDERR_INVALIDPARAMS (depths differ, no source, no fx for a fill)
    HRESULT blt(const RECT* dest, DirectDrawSurface* src, const RECT* src_rect, std::uint32_t flags,
                const DDBLTFX* fx);
    // fills desc with the memory (at rect's top-left, or the whole) and pitch;
    // DDERR_SURFACEBUSY when locked already
    HRESULT lock(const RECT* rect, DDSURFACEDESC2* desc, std::uint32_t flags, void* event);
    // DDERR_NOTLOCKED when not locked
    HRESULT unlock(const RECT* rect);
    // swaps the memory of this primary and its back buffer and shows it;
    // DDERR_NOTFLIPPABLE without a back buffer, DDERR_SURFACEBUSY while locked
    HRESULT flip(DirectDrawSurface* target, std::uint32_t flags);
    // the back buffer (DDSCAPS_BACKBUFFER) of a flipping primary, with a reference
    HRESULT get_attached_surface(const DDSCAPS2* caps, DirectDrawSurface** out);
    HRESULT set_color_key(std::uint32_t flags, const DDCOLORKEY* key);
    HRESULT get_color_key(std::uint32_t flags, DDCOLORKEY* key) const;
    // attaches (null detaches) the palette, keeping a reference
    HRESULT set_palette(DirectDrawPalette* palette);
    HRESULT get_palette(DirectDrawPalette** out);
    // attaches (null detaches) the clipper, keeping a reference
    HRESULT set_clipper(DirectDrawClipper* clipper);
    HRESULT get_clipper(DirectDrawClipper** out);
    HRESULT get_pixel_format(DDPIXELFORMAT* format) const;
    // width, height, pitch, caps and pixel format (no memory pointer)
    HRESULT get_surface_desc(DDSURFACEDESC2* desc) const;
    // a text device context on the memory; the surface counts as locked until
    // release_dc; DDERR_SURFACEBUSY when locked
    HRESULT get_dc(HDC* dc);
    HRESULT release_dc(HDC dc);

    int width() const { return width_; }
    int height() const { return height_; }
    int pitch() const { return pitch_; }
    int bits_per_pixel() const { return bpp_; }  // 8, 15 or 16
    int bytes_per_pixel() const { return bpp_ == 8 ? 1 : 2; }
    bool locked() const { return locked_; }
    // the pixels; the caller may write them, so the scaled copy is dropped
    std::uint8_t* memory() {
        ++version_;
        return memory_;
    }
    // the pixels to read: looking changes nothing, neither the scaled copy nor
    // what the screen shows
    const std::uint8_t* pixels() const { return memory_; }
    const PALETTEENTRY* palette_entries() const;

private:
    DirectDrawSurface(DirectDraw* owner, int width, int height, int bpp, std::uint32_t caps);
    ~DirectDrawSurface() override;
    // the clip rectangles in force (window: room for a window's), or null when
    // no clipper is attached
    const std::vector<RECT>* clip_list(std::vector<RECT>* window) const;
    SurfaceMemory memory_of() const;  // the memory as blit.h reads and writes it
    void changed();

    int width_, height_, bpp_, pitch_;
    std::uint32_t caps_;
    std::uint8_t* memory_ = nullptr;
    bool locked_ = false;
    HDC dc_ = nullptr;
    bool has_key_ = false;
    DDCOLORKEY key_{};
    DirectDrawPalette* palette_ = nullptr;
    DirectDrawClipper* clipper_ = nullptr;
    DirectDrawSurface* back_ = nullptr;   // the attached back buffer of a primary
    DirectDrawSurface* front_ = nullptr;  // the primary a back buffer belongs to
    std::uint64_t version_ = 1;           // counts changes of the pixels
    BlitCaches caches_;                   // kept for blits from this surface
    friend class DirectDraw;
};

class DirectDraw {
public:
    DirectDraw(const DirectDraw&) = delete;
    DirectDraw& operator=(const DirectDraw&) = delete;
    // full screen needs a window and DDSCL_EXCLUSIVE; DDERR_INVALIDPARAMS otherwise
    HRESULT set_cooperative_level(HWND hwnd, std::uint32_t flags);
    // 8, 15 or 16 bits, 1..16384 pixels a side; needs full-screen exclusive level
    HRESULT set_display_mode(std::uint32_t width, std::uint32_t height, std::uint32_t bpp,
                             std::uint32_t refresh, std::uint32_t flags);
    // DDSCAPS_PRIMARYSURFACE (with DDSCAPS_FLIP and a back buffer count of 1 for a
    // flipping chain) or an off-screen surface of dwWidth x dwHeight in the mode's depth
    HRESULT create_surface(DDSURFACEDESC2* desc, DirectDrawSurface** out, void* outer);
    // a palette of 256 entries (DDPCAPS_8BIT) starting as entries (null: black)
    HRESULT create_palette(std::uint32_t flags, const PALETTEENTRY* entries,
                           DirectDrawPalette** out, void* outer);
    HRESULT create_clipper(std::uint32_t flags, DirectDrawClipper** out, void* outer);
    // waits until the next display refresh begins (on the virtual clock, the next
    // multiple of 1000/60 ms)
    HRESULT wait_for_vertical_blank(std::uint32_t flags, void* event);
    std::uint32_t add_ref() { return ++refs_; }
    // at zero frees the object and every surface, palette and clipper left
    std::uint32_t release();

private:
    DirectDraw() = default;
    ~DirectDraw();
    void forget(DirectDrawObject* object);

    std::uint32_t refs_ = 1;
    HWND hwnd_ = nullptr;
    std::uint32_t level_ = 0;
    int width_ = 1280, height_ = 1024, bpp_ = 8;
    bool tearing_down_ = false;
    std::vector<DirectDrawObject*> objects_;
    friend class DirectDrawObject;
    friend class DirectDrawSurface;
    friend HRESULT direct_draw_create_ex(const void*, DirectDraw**, int, void*);
};

// a new display object for the IID_IDirectDraw7 interface; its mode starts as the
// desktop's, 1280 x 1024 at 8 bits; DDERR_INVALIDPARAMS for another interface
HRESULT direct_draw_create_ex(const void* guid, DirectDraw** out, int iid, void* outer);
