/// @file
/// The display device: the display object, the front and back surfaces, the
/// palette and clippers of the screen, the locked buffers' memory, the screen
/// geometry and the clip rectangle (edges inclusive). Sets the mode, clears,
/// locks, flips and releases. Needs the video services and the palette module.
/// @ingroup display
#pragma once

#include <cstdint>

#include "platform/system/ddraw.h"
#include "platform/system/gdi.h"

/// @addtogroup display
/// @{

// ---- display objects ---------------------------------------------------------

extern DirectDraw* ddraw;                   ///< the display object, or null
extern DirectDrawSurface* front_surface;    ///< the primary, visible surface, or null
extern DirectDrawSurface* back_surface;     ///< the back buffer every frame is drawn into
extern DirectDrawPalette* display_palette;  ///< palette of the 8-bit display, on front_surface
extern DirectDrawClipper* back_clipper;    ///< clipper on back_surface holding the screen rectangle
extern DirectDrawClipper* window_clipper;  ///< windowed only: clipper bound to the game window
extern DDSURFACEDESC2 ddsd;                ///< scratch description shared by set-up and locks

// ---- locked memory -------------------------------------------------------------

extern std::uint8_t* front_pixels;  ///< memory of the front surface while locked, else null
extern std::int32_t front_pitch;    ///< bytes per row of front_pixels; 0 while unlocked
extern std::uint8_t* back_pixels;   ///< memory of the back surface while locked, else null
extern std::int32_t back_pitch;     ///< bytes per row of back_pixels; 0 while unlocked

// ---- geometry and format ---------------------------------------------------------

extern std::int32_t display_width;     ///< screen width in pixels; 1280 until display_init
extern std::int32_t display_height;    ///< screen height in pixels; 1024 until display_init
extern std::int32_t display_bpp;       ///< bits per pixel of the display mode; 16 until set
extern std::int32_t display_windowed;  ///< 0 full screen, non-zero windowed
extern std::int32_t pixel_format;      ///< RGB bit count of the primary surface (8, 15 or 16)
extern std::int32_t (*pack_rgb16)(std::int32_t r, std::int32_t g, std::int32_t b);  ///< 565 or 555
extern std::int32_t clip_left;    ///< leftmost column drawn, inclusive
extern std::int32_t clip_top;     ///< topmost row drawn, inclusive
extern std::int32_t clip_right;   ///< rightmost column drawn, inclusive
extern std::int32_t clip_bottom;  ///< bottom row drawn, inclusive

/// Tries of a full-screen flip before flip_display gives up on a surface that
/// keeps refusing it.
constexpr int DISPLAY_FLIP_TRIES = 100;

// ---- operations ----------------------------------------------------------------------

/// sets the mode and the screen geometry, makes the surfaces, the palette (from
/// "PALDATA2.PAL" at 8 bits; black where the file is missing) and the clippers,
/// clears the back buffer (full screen the front one too) to 0 and sets the clip
/// rectangle to the screen; 1, or 0 when the display object, the mode, a surface or
/// the palette cannot be made (what was made is released) or a display exists
int display_init(int width, int height, int bpp, int windowed);
/// releases the clippers, palette, surfaces and display object and clears their
/// handles and the locked pointers; 1
int display_shutdown();
/// a new clipper holding count rectangles (right and bottom exclusive), attached
/// to surface; null for a null surface or list, a count outside 1..4096, no
/// display, or a clip list or attachment the surface refuses
DirectDrawClipper* attach_clipper(DirectDrawSurface* surface, int count, const RECT* rects);
/// an off-screen surface of width x height at the display's depth with a source
/// colour key; null when it cannot be made or there is no display
DirectDrawSurface* create_surface(int width, int height, std::uint32_t mem_flags,
                                  std::uint16_t color_key);
/// shows the back buffer; 0 while a buffer is locked, without a display, when the
/// window blit fails or when a flip fails DISPLAY_FLIP_TRIES times; else 1
int flip_display();
/// waits for the start of the next display refresh; 1, 0 without a display
int wait_vblank();
/// fills the rectangle (null: whole surface), cut by its clipper, with colour
/// (a palette index at 8 bits); 1, 0 for a null surface
int fill_surface(DirectDrawSurface* surface, std::uint16_t color, const RECT* rect);
/// locks the whole surface and stores its pitch (bytes) when pitch is not null;
/// its memory, or null for a null surface or one that refuses the lock (a locked one)
std::uint8_t* lock_surface(DirectDrawSurface* surface, std::int32_t* pitch);
/// 1; 0 for a null surface
int unlock_surface(DirectDrawSurface* surface);
/// locks the front buffer once; front_pixels (null when it cannot be locked)
std::uint8_t* lock_front();
/// locks the back buffer once; back_pixels (null when it cannot be locked)
std::uint8_t* lock_back();
/// ends the lock; 1, 0 when the surface was not locked
int unlock_front();
/// ends the lock of the back buffer; 1, 0 when it was not locked
int unlock_back();
/// the 16-bit pixel of r, g, b (0..255; other bits are masked off) as 5.6.5
std::int32_t rgb16_565(std::int32_t r, std::int32_t g, std::int32_t b);
/// the same as 5.5.5
std::int32_t rgb16_555(std::int32_t r, std::int32_t g, std::int32_t b);

/// @}
