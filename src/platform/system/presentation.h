/// @file
/// The presentation: what the screen shows, and when. The display describes the
/// picture of its primary surface (ScreenPicture) and says when it changed; the
/// present hook of ticks.h then shows it through the backend, at most once per
/// display refresh. The frame presented last is kept (its indices and palette):
/// each new frame is compared with it, so that the backend is told which rows
/// and whether the palette changed, and a backend that shows a frame later (at
/// a browser's turn, in a screenshot, as a PNG shot) reads it from here.
/// @ingroup display
#pragma once

#include <cstdint>

#include "platform/system/backend.h"
#include "platform/system/types.h"

/// @addtogroup display
/// @{

/// The picture of the display's primary surface, as it is now.
struct ScreenPicture {
    const std::uint8_t* pixels = nullptr;  ///< null: no primary surface, nothing to show
    int pitch = 0, width = 0, height = 0;  ///< rows pitch bytes apart
    int bits_per_pixel = 8;  ///< 8: palette indices; 15 (5-5-5), 16 (5-6-5): shown as 3-3-2 indices
    const PALETTEENTRY* palette = nullptr;  ///< 8 bits: its 256 entries; null: all black
    bool locked = false;                    ///< its memory may change under a lock
};

/// installs the display's description of its picture, and present_if_changed as
/// the present hook of ticks.h (null: removes both); the first frame presented
/// after it counts as changed whole
void set_screen_source(void (*describe)(ScreenPicture* picture));
/// the screen's picture or its palette changed: it is shown when next due
void screen_changed();
/// shows the screen's picture through the backend when it or its palette changed
/// since it was last shown, or while it is locked (its memory may be changing),
/// at most once per display refresh on the real clock
void present_if_changed();

/// waits, polling, until the next display refresh begins (on the virtual clock,
/// the next multiple of 1000/60 ms)
void wait_for_refresh();

/// hands the backend in use this frame (width x height indices, rows pitch bytes
/// apart, 256 r, g, b palette entries) with the rows and the palette that differ
/// from the frame kept, then keeps it; nothing without a backend, for null
/// pointers, a size below 1 or a pitch shorter than a row
void present_frame(const std::uint8_t* pixels, int pitch, int width, int height,
                   const std::uint8_t* palette_rgb);
/// the frame presented last, kept: its rows packed (pitch == width), its palette,
/// and what changed when it was presented; null before the first. Valid until
/// the next frame is presented (during Backend::present it is still the one
/// before the frame given).
const PresentedFrame* last_presented_frame();

/// @}
