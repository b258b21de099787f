/// @file
/// The working palette of the 8-bit display and what changes it: single entries,
/// all entries, palette text files, colour rotation and blinking colours. Owns
/// palette_entries and the blinker table; changes reach the screen through
/// display_palette of the display module.
/// @ingroup text_palette
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/system/gdi.h"

/// @addtogroup text_palette
/// @{

/// One blinking colour: a palette index that shows off_color for off_time runs,
/// then on_color for on_time runs, and so on.
struct ColorBlinker {
    std::int32_t color_index;  ///< palette index that blinks, 0..255
    PALETTEENTRY on_color;     ///< colour while on
    PALETTEENTRY off_color;    ///< colour while off
    std::int32_t on_time;      ///< runs spent on
    std::int32_t off_time;     ///< runs spent off
    std::int32_t counter;      ///< runs since the last change
    std::int32_t phase;        ///< 1 on, -1 off, 0 slot free
};

constexpr int BLINK_ADD = 0;       ///< takes the first free slot
constexpr int BLINK_DELETE = 1;    ///< frees a slot, the colour stays as it is
constexpr int BLINK_UPDATE = 2;    ///< changes a slot's colours and times
constexpr int BLINK_RUN = 3;       ///< one step of every slot
constexpr int MAX_BLINKERS = 256;  ///< slots of the blinker table

extern PALETTEENTRY palette_entries[256];    ///< working copy: the colours set here, blinkers apart
extern ColorBlinker blinkers[MAX_BLINKERS];  ///< blinker slots, zeroed by the first blink_colors

/// sets entry index (0..255) of the display palette and the working copy; 1, 0 for
/// a bad index or a null entry
int set_palette_entry(int index, const PALETTEENTRY* entry);
/// copies entry index (0..255) of the working copy out; 1, 0 for a bad index or null
int get_palette_entry(int index, PALETTEENTRY* entry);
/// sets all 256 entries of the working copy and the display palette; 1, 0 for null
int set_palette(const PALETTEENTRY* entries);
/// copies the 256 entries of the working copy out; 1, 0 for null
int get_palette(PALETTEENTRY* entries);
/// reads up to 256 groups of four integers (red, green, blue, flags; low 8 bits
/// kept) separated by any white space; reading stops at the end or at anything
/// that is not a number, and the fields after it keep their values; 1, 0 when
/// an argument is null or the file cannot be read (missing, not a regular file,
/// over 1 MiB: the error log says which)
int load_palette_file(const char* name, PALETTEENTRY* entries);
/// the same from size bytes of text in memory; 1, 0 for null entries or null
/// text with a size
int parse_palette_text(const char* text, std::size_t size, PALETTEENTRY* entries);
/// writes each of the 256 entries as "\n%d %d %d %d"; 1, 0 when the file cannot be
/// created or written or an argument is null
int save_palette_file(const char* name, const PALETTEENTRY* entries);
/// moves the colours of first..last up one index, last wrapping to first, then
/// refreshes the working copy; 1, 0 for indices outside 0..255, last < first or
/// no display palette
int rotate_colors(int first, int last);
/// BLINK_ADD: the slot taken or -1 for a full table (or a null record or bad
/// color_index); BLINK_DELETE, BLINK_UPDATE: the slot, -1 for a free slot or one
/// outside 0..255 (or a null record for an update); BLINK_RUN and unknown
/// commands: 1. Colours go to the display palette only
int blink_colors(int command, const ColorBlinker* blinker, int slot);

/// @}
