/// @file
/// Video services: the display object, surfaces, palettes and clippers, as the
/// display layer calls them. Everything is memory: surfaces of 8 or 16 bits with
/// rows padded to 32 bytes, blits with stretching, source colour key and the
/// destination's clipper, colour fills, locks, flips that swap memory. The front
/// surface is shown through the backend after every flip and whenever it or its
/// palette changed (presentation.h). Results: DD_OK (0) or a negative error.
/// @ingroup display
#pragma once

#include <cstdint>
#include <vector>

#include "platform/system/blit.h"
#include "platform/system/types.h"

/// @addtogroup display
/// @{

// ---- results and published constants ------------------------------------------

/// success
constexpr HRESULT DD_OK = 0;
/// a device context that cannot be opened on the surface
constexpr HRESULT DDERR_GENERIC = static_cast<HRESULT>(0x80004005u);
/// a null pointer, a flag missing, a value out of range or a description that does not fit
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
/// no memory for a surface's pixels
constexpr HRESULT DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
/// an empty rectangle, or one that reaches outside its surface
constexpr HRESULT DDERR_INVALIDRECT = static_cast<HRESULT>(0x88760096u);
/// a mode of another depth than 8, 15 or 16 bits, or a side outside 1..16384
constexpr HRESULT DDERR_INVALIDMODE = static_cast<HRESULT>(0x887600B4u);
/// the clipper holds no rectangle (none inside the one asked about)
constexpr HRESULT DDERR_NOCLIPLIST = static_cast<HRESULT>(0x887600CDu);
/// a surface the call needs is locked (an open device context counts)
constexpr HRESULT DDERR_SURFACEBUSY = static_cast<HRESULT>(0x887601AEu);
/// a primary surface exists already
constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = static_cast<HRESULT>(0x88760234u);
/// a flip of a surface without a back buffer, or to another surface than its own
constexpr HRESULT DDERR_NOTFLIPPABLE = static_cast<HRESULT>(0x88760246u);
/// an unlock of a surface that is not locked, or whose device context is open
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x88760248u);
/// no attached surface of the capabilities asked for
constexpr HRESULT DDERR_NOTFOUND = static_cast<HRESULT>(0x887600FFu);
/// the surface has no palette attached
constexpr HRESULT DDERR_NOPALETTEATTACHED = static_cast<HRESULT>(0x88760244u);
/// the surface has no clipper attached
constexpr HRESULT DDERR_NOCLIPPERATTACHED = static_cast<HRESULT>(0x88760241u);
/// the surface has no source colour key
constexpr HRESULT DDERR_NOCOLORKEY = static_cast<HRESULT>(0x887600D7u);

constexpr int IID_IDirectDraw7 = 7;  ///< the only interface the display object offers

// Cooperative levels: kept as given; only the checks of set_cooperative_level use them.
constexpr std::uint32_t DDSCL_FULLSCREEN = 0x1;       ///< full screen; needs DDSCL_EXCLUSIVE
constexpr std::uint32_t DDSCL_ALLOWREBOOT = 0x2;      ///< kept, no effect
constexpr std::uint32_t DDSCL_NORMAL = 0x8;           ///< windowed; needed without DDSCL_FULLSCREEN
constexpr std::uint32_t DDSCL_EXCLUSIVE = 0x10;       ///< exclusive use; required for full screen
constexpr std::uint32_t DDSCL_ALLOWMODEX = 0x40;      ///< kept, no effect
constexpr std::uint32_t DDSCL_MULTITHREADED = 0x400;  ///< kept, no effect

// Fields of a surface description that hold a value (DDSURFACEDESC2::dwFlags).
constexpr std::uint32_t DDSD_CAPS = 0x1;              ///< ddsCaps
constexpr std::uint32_t DDSD_HEIGHT = 0x2;            ///< dwHeight
constexpr std::uint32_t DDSD_WIDTH = 0x4;             ///< dwWidth
constexpr std::uint32_t DDSD_PITCH = 0x8;             ///< lPitch
constexpr std::uint32_t DDSD_BACKBUFFERCOUNT = 0x20;  ///< dwBackBufferCount
constexpr std::uint32_t DDSD_LPSURFACE = 0x800;       ///< lpSurface (set by a lock)
constexpr std::uint32_t DDSD_PIXELFORMAT = 0x1000;    ///< ddpfPixelFormat

// Capabilities of a surface (DDSCAPS2::dwCaps).
constexpr std::uint32_t DDSCAPS_BACKBUFFER = 0x4;        ///< the back buffer of a flipping primary
constexpr std::uint32_t DDSCAPS_COMPLEX = 0x8;           ///< required with DDSCAPS_FLIP
constexpr std::uint32_t DDSCAPS_FLIP = 0x10;             ///< a primary flipping with a back buffer
constexpr std::uint32_t DDSCAPS_FRONTBUFFER = 0x20;      ///< the primary of a flipping pair
constexpr std::uint32_t DDSCAPS_OFFSCREENPLAIN = 0x40;   ///< an off-screen surface: kept as given
constexpr std::uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;  ///< the surface the screen shows
constexpr std::uint32_t DDSCAPS_SYSTEMMEMORY = 0x800;    ///< kept as given: every surface is memory
constexpr std::uint32_t DDSCAPS_VIDEOMEMORY = 0x4000;    ///< kept as given: every surface is memory

constexpr std::uint32_t DDBLT_COLORFILL = 0x400;        ///< blt: fill with DDBLTFX::dwFillColor
constexpr std::uint32_t DDBLT_KEYSRC = 0x8000;          ///< blt: skip the source's colour key
constexpr std::uint32_t DDBLT_WAIT = 0x1000000;         ///< blt: accepted; a blit never waits
constexpr std::uint32_t DDLOCK_WAIT = 0x1;              ///< lock: accepted; a lock never waits
constexpr std::uint32_t DDLOCK_SURFACEMEMORYPTR = 0x0;  ///< lock: hand out the memory (always)
constexpr std::uint32_t DDFLIP_WAIT = 0x1;              ///< flip: accepted; a flip never waits
constexpr std::uint32_t DDCKEY_SRCBLT = 0x8;            ///< the source key of blits (the only key)
constexpr std::uint32_t DDPCAPS_8BIT = 0x4;             ///< palette: 256 entries; required
constexpr std::uint32_t DDPCAPS_ALLOW256 = 0x40;        ///< palette: accepted (all 256 can be set)
constexpr std::uint32_t DDWAITVB_BLOCKBEGIN = 0x1;      ///< wait for the start of a refresh
constexpr std::uint32_t DDPF_PALETTEINDEXED8 = 0x20;    ///< pixel format: 8-bit palette indices
constexpr std::uint32_t DDPF_RGB = 0x40;                ///< pixel format: set at every depth
constexpr std::uint32_t RDH_RECTANGLES = 1;             ///< region: a list of rectangles

// ---- records -------------------------------------------------------------------

/// A source colour key: the pixels a keyed blit does not copy.
struct DDCOLORKEY {
    std::uint32_t dwColorSpaceLowValue;   ///< the key; pixels equal to it are skipped
    std::uint32_t dwColorSpaceHighValue;  ///< kept, not used: the key is one value
};

/// The capabilities of a surface.
struct DDSCAPS2 {
    std::uint32_t dwCaps, dwCaps2, dwCaps3, dwCaps4;  ///< DDSCAPS_ bits, then three words not used
};

/// The format of a surface's pixels.
struct DDPIXELFORMAT {
    std::uint32_t dwSize, dwFlags, dwFourCC;  ///< sizeof(DDPIXELFORMAT), DDPF_ bits, 0 (not used)
    std::uint32_t dwRGBBitCount;              ///< 8, 15 (5.5.5) or 16 (5.6.5)
    std::uint32_t dwRBitMask, dwGBitMask, dwBBitMask, dwRGBAlphaBitMask;  ///< bits of red,
                                                                          ///< green, blue, alpha
                                                                          ///< (none); 0 at 8 bits
};

/// A surface's description: what create_surface is asked for, and what lock and
/// get_surface_desc fill in. dwFlags says which fields hold a value.
struct DDSURFACEDESC2 {
    std::uint32_t dwSize, dwFlags;    ///< sizeof(DDSURFACEDESC2) and DDSD_ bits
    std::uint32_t dwHeight, dwWidth;  ///< size in pixels
    std::int32_t lPitch;              ///< bytes from one row to the next, a multiple of 32
    std::uint32_t dwBackBufferCount;  ///< back buffers of a flipping primary: 1
    void* lpSurface;                  ///< the pixels while locked
    DDCOLORKEY ddckCKSrcBlt;          ///< the source colour key, when the surface has one
    DDPIXELFORMAT ddpfPixelFormat;    ///< the pixel format
    DDSCAPS2 ddsCaps;                 ///< the capabilities
};

/// What a blit takes besides its surfaces and rectangles: the value of a fill.
struct DDBLTFX {
    std::uint32_t dwSize;       ///< sizeof(DDBLTFX)
    std::uint32_t dwFillColor;  ///< the pixel value a DDBLT_COLORFILL writes
};

/// The header of a region: a list of rectangles, right and bottom exclusive.
struct RGNDATAHEADER {
    std::uint32_t dwSize;    ///< 32
    std::uint32_t iType;     ///< RDH_RECTANGLES
    std::uint32_t nCount;    ///< rectangles that follow the header
    std::uint32_t nRgnSize;  ///< 16 x nCount
    RECT rcBound;            ///< bounds of all of them
};

/// The header, then nCount RECTs in the bytes that follow it.
struct RGNDATA {
    RGNDATAHEADER rdh;  ///< the header
    char Buffer[16];    ///< the first rectangle; a longer list runs on past the record
};

class DirectDraw;
class DirectDrawSurface;
class DirectDrawPalette;
class DirectDrawClipper;

// ---- objects -------------------------------------------------------------------

/// Reference counted; the display object that made it owns it and frees what is
/// left when it goes itself.
class DirectDrawObject {
public:
    DirectDrawObject(const DirectDrawObject&) = delete;
    DirectDrawObject& operator=(const DirectDrawObject&) = delete;
    /// one more reference; returns the new count
    std::uint32_t add_ref() { return ++refs_; }
    /// one reference less; at zero the object is freed; returns the new count
    std::uint32_t release();

protected:
    /// an object of owner's with one reference
    explicit DirectDrawObject(DirectDraw* owner) : owner_(owner) {}
    virtual ~DirectDrawObject() = default;
    DirectDraw* owner_;       ///< the display object that made it and owns it
    std::uint32_t refs_ = 1;  ///< references held; at 0 the object is freed
    friend class DirectDraw;
};

/// The 256 colours of 8-bit pixels, attached to a surface.
class DirectDrawPalette final : public DirectDrawObject {
public:
    /// copies count entries from start on; DDERR_INVALIDPARAMS past entry 255
    HRESULT set_entries(std::uint32_t flags, std::uint32_t start, std::uint32_t count,
                        const PALETTEENTRY* entries);
    /// copies count entries from start on out; DDERR_INVALIDPARAMS past entry 255
    HRESULT get_entries(std::uint32_t flags, std::uint32_t start, std::uint32_t count,
                        PALETTEENTRY* entries) const;
    /// the 256 entries
    const PALETTEENTRY* entries() const { return entries_; }

private:
    explicit DirectDrawPalette(DirectDraw* owner) : DirectDrawObject(owner) {}
    PALETTEENTRY entries_[256] = {};
    friend class DirectDraw;
};

/// The rectangles that blits into its surface are cut to: a list of its own, or
/// the client area of a window.
class DirectDrawClipper final : public DirectDrawObject {
public:
    /// takes the rectangles of a RDH_RECTANGLES region (at most 4096)
    HRESULT set_clip_list(const RGNDATA* region, std::uint32_t flags);
    /// with region null stores the bytes needed in *size; else copies the list if
    /// *size is enough (DDERR_INVALIDPARAMS otherwise); DDERR_NOCLIPLIST when empty
    HRESULT get_clip_list(const RECT* clip, RGNDATA* region, std::uint32_t* size) const;
    /// clips to the window's client area instead of a list
    HRESULT set_hwnd(std::uint32_t flags, HWND hwnd);
    /// the rectangles in force (the window's client area when bound to one)
    std::vector<RECT> rectangles() const;
    /// the stored list, or null while bound to a window
    const std::vector<RECT>* list() const { return hwnd_ ? nullptr : &rects_; }

private:
    explicit DirectDrawClipper(DirectDraw* owner) : DirectDrawObject(owner) {}
    std::vector<RECT> rects_;
    HWND hwnd_ = nullptr;
    friend class DirectDraw;
};

/// A picture in memory of 8, 15 or 16 bits a pixel, rows padded to 32 bytes: the
/// primary surface (with its back buffer when it flips) or an off-screen one.
class DirectDrawSurface final : public DirectDrawObject {
public:
    /// copies src_rect of src (null: whole) to dest (null: whole), stretching to the
    /// nearest source pixel, skipping the source key with DDBLT_KEYSRC, cut by the
    /// clipper; DDBLT_COLORFILL fills dest with fx->dwFillColor instead. Errors:
    /// DDERR_SURFACEBUSY (either locked), DDERR_INVALIDRECT (empty rect, source
    /// outside its surface, destination outside an unclipped surface),
    /// DDERR_INVALIDPARAMS (depths differ, no source, no fx for a fill)
    HRESULT blt(const RECT* dest, DirectDrawSurface* src, const RECT* src_rect, std::uint32_t flags,
                const DDBLTFX* fx);
    /// fills desc with the memory (at rect's top-left, or the whole) and pitch;
    /// DDERR_SURFACEBUSY when locked already
    HRESULT lock(const RECT* rect, DDSURFACEDESC2* desc, std::uint32_t flags, void* event);
    /// DDERR_NOTLOCKED when not locked
    HRESULT unlock(const RECT* rect);
    /// swaps the memory of this primary and its back buffer and shows it;
    /// DDERR_NOTFLIPPABLE without a back buffer, DDERR_SURFACEBUSY while locked
    HRESULT flip(DirectDrawSurface* target, std::uint32_t flags);
    /// the back buffer (DDSCAPS_BACKBUFFER) of a flipping primary, with a reference
    HRESULT get_attached_surface(const DDSCAPS2* caps, DirectDrawSurface** out);
    /// sets (null: removes) the source key of keyed blits; flags must hold DDCKEY_SRCBLT
    HRESULT set_color_key(std::uint32_t flags, const DDCOLORKEY* key);
    /// the source key into *key; flags must hold DDCKEY_SRCBLT; DDERR_NOCOLORKEY without one
    HRESULT get_color_key(std::uint32_t flags, DDCOLORKEY* key) const;
    /// attaches (null detaches) the palette, keeping a reference
    HRESULT set_palette(DirectDrawPalette* palette);
    /// the attached palette, with a reference; DDERR_NOPALETTEATTACHED without one
    HRESULT get_palette(DirectDrawPalette** out);
    /// attaches (null detaches) the clipper, keeping a reference
    HRESULT set_clipper(DirectDrawClipper* clipper);
    /// the attached clipper, with a reference; DDERR_NOCLIPPERATTACHED without one
    HRESULT get_clipper(DirectDrawClipper** out);
    /// the depth, DDPF_ bits and, at 15 or 16 bits, the colour masks
    HRESULT get_pixel_format(DDPIXELFORMAT* format) const;
    /// width, height, pitch, caps and pixel format (no memory pointer)
    HRESULT get_surface_desc(DDSURFACEDESC2* desc) const;
    /// a text device context on the memory; the surface counts as locked until
    /// release_dc; DDERR_SURFACEBUSY when locked
    HRESULT get_dc(HDC* dc);
    /// closes the device context get_dc opened, which ends the lock;
    /// DDERR_INVALIDPARAMS for another one
    HRESULT release_dc(HDC dc);

    /// width in pixels
    int width() const { return width_; }
    /// height in pixels
    int height() const { return height_; }
    /// bytes from one row to the next, a multiple of 32
    int pitch() const { return pitch_; }
    /// 8, 15 or 16
    int bits_per_pixel() const { return bpp_; }
    /// 1 at 8 bits, else 2
    int bytes_per_pixel() const { return bpp_ == 8 ? 1 : 2; }
    /// true while locked or while its device context is open
    bool locked() const { return locked_; }
    /// the pixels; the caller may write them, so the scaled copy is dropped
    std::uint8_t* memory() {
        ++version_;
        return memory_;
    }
    /// the pixels to read: looking changes nothing, neither the scaled copy nor
    /// what the screen shows
    const std::uint8_t* pixels() const { return memory_; }
    /// the 256 entries its pixels are seen through: its own palette, else its
    /// primary's (for a back buffer), else the primary surface's; null when none has one
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

/// The display object: the display mode, and the surfaces, palettes and clippers
/// it made, which it owns.
class DirectDraw {
public:
    DirectDraw(const DirectDraw&) = delete;
    DirectDraw& operator=(const DirectDraw&) = delete;
    /// full screen needs a window and DDSCL_EXCLUSIVE; DDERR_INVALIDPARAMS otherwise
    HRESULT set_cooperative_level(HWND hwnd, std::uint32_t flags);
    /// 8, 15 or 16 bits, 1..16384 pixels a side, at any cooperative level; the
    /// refresh rate and flags are not used; DDERR_INVALIDMODE otherwise
    HRESULT set_display_mode(std::uint32_t width, std::uint32_t height, std::uint32_t bpp,
                             std::uint32_t refresh, std::uint32_t flags);
    /// DDSCAPS_PRIMARYSURFACE (with DDSCAPS_FLIP and a back buffer count of 1 for a
    /// flipping chain) or an off-screen surface of dwWidth x dwHeight in the mode's depth
    /// (with DDSD_PIXELFORMAT, in that of ddpfPixelFormat)
    HRESULT create_surface(DDSURFACEDESC2* desc, DirectDrawSurface** out, void* outer);
    /// a palette of 256 entries (DDPCAPS_8BIT) starting as entries (null: black)
    HRESULT create_palette(std::uint32_t flags, const PALETTEENTRY* entries,
                           DirectDrawPalette** out, void* outer);
    /// a clipper with no rectangles; flags are not used
    HRESULT create_clipper(std::uint32_t flags, DirectDrawClipper** out, void* outer);
    /// waits until the next display refresh begins (on the virtual clock, the next
    /// multiple of 1000/60 ms)
    HRESULT wait_for_vertical_blank(std::uint32_t flags, void* event);
    /// one more reference; returns the new count
    std::uint32_t add_ref() { return ++refs_; }
    /// one reference less; at zero frees the object and every surface, palette and clipper left
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

/// a new display object for the IID_IDirectDraw7 interface; its mode starts as the
/// desktop's, 1280 x 1024 at 8 bits; DDERR_INVALIDPARAMS for another interface
HRESULT direct_draw_create_ex(const void* guid, DirectDraw** out, int iid, void* outer);

/// @}
