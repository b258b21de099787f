// The working palette, palette files, rotation and blinkers. The display
// palette is changed through its set_entries; palette_entries mirrors what this
// module gave it, apart from the blinkers, which change the screen only.
#include "gfx/palette.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/display.h"
#include "platform/formats/file_io.h"
#include "platform/system/host_paths.h"
#include "support/error_log.h"

PALETTEENTRY palette_entries[256] = {};
ColorBlinker blinkers[MAX_BLINKERS] = {};

namespace {

constexpr std::size_t kMaxPaletteFileBytes = 1 << 20;  // far beyond 256 lines of four numbers
bool blinkers_ready = false;

void show_entry(int index, const PALETTEENTRY& entry) {
    if (display_palette)
        display_palette->set_entries(0, static_cast<std::uint32_t>(index), 1, &entry);
}

// The next decimal integer at *at (white space skipped, optional sign), low 8
// bits kept; false at the end of the text or at anything that is not a number.
bool next_value(std::string_view text, std::size_t* at, std::uint8_t* value) {
    std::size_t i = *at;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    std::uint32_t v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        v = v * 10 + static_cast<std::uint32_t>(text[i] - '0');  // wraps: low bits are exact
    }
    *value = static_cast<std::uint8_t>(negative ? 0u - v : v);
    *at = i;
    return true;
}

void run_blinker(ColorBlinker& b) {
    if (b.phase == -1) {
        if (++b.counter >= b.off_time) {
            b.counter = 0;
            b.phase = 1;
            show_entry(b.color_index, b.on_color);
        }
    } else if (b.phase == 1) {
        if (++b.counter >= b.on_time) {
            b.counter = 0;
            b.phase = -1;
            show_entry(b.color_index, b.off_color);
        }
    }
}

int add_blinker(const ColorBlinker* blinker) {
    if (!blinker || blinker->color_index < 0 || blinker->color_index > 255) return -1;
    for (int slot = 0; slot < MAX_BLINKERS; ++slot) {
        if (blinkers[slot].phase != 0) continue;
        blinkers[slot] = *blinker;
        blinkers[slot].counter = 0;
        blinkers[slot].phase = -1;
        show_entry(blinker->color_index, blinker->off_color);
        return slot;
    }
    return -1;
}

int update_blinker(const ColorBlinker* blinker, int slot) {
    if (!blinker) return -1;
    ColorBlinker& b = blinkers[slot];
    b.on_color = blinker->on_color;
    b.off_color = blinker->off_color;
    b.on_time = blinker->on_time;
    b.off_time = blinker->off_time;
    show_entry(b.color_index, b.phase == -1 ? b.off_color : b.on_color);
    return slot;
}

}  // namespace

int set_palette_entry(int index, const PALETTEENTRY* entry) {
    if (!entry || index < 0 || index > 255) return 0;
    show_entry(index, *entry);
    palette_entries[index] = *entry;
    return 1;
}

int get_palette_entry(int index, PALETTEENTRY* entry) {
    if (!entry || index < 0 || index > 255) return 0;
    *entry = palette_entries[index];
    return 1;
}

int set_palette(const PALETTEENTRY* entries) {
    if (!entries) return 0;
    std::memmove(palette_entries, entries, sizeof palette_entries);
    if (display_palette) display_palette->set_entries(0, 0, 256, palette_entries);
    return 1;
}

int get_palette(PALETTEENTRY* entries) {
    if (!entries) return 0;
    std::memmove(entries, palette_entries, sizeof palette_entries);
    return 1;
}

int parse_palette_text(const char* text, std::size_t size, PALETTEENTRY* entries) {
    if (!entries || (!text && size > 0)) return 0;
    std::string_view view(text ? text : "", size);
    std::size_t at = 0;
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* fields[4] = {&entries[i].peRed, &entries[i].peGreen, &entries[i].peBlue,
                                   &entries[i].peFlags};
        for (std::uint8_t* field : fields) {
            if (!next_value(view, &at, field)) return 1;  // the rest keep what they held
        }
    }
    return 1;
}

int load_palette_file(const char* name, PALETTEENTRY* entries) {
    if (!name || !entries) return 0;
    std::vector<std::uint8_t> text;
    std::string why;
    if (!read_file_bytes(name, kMaxPaletteFileBytes, &text, &why)) {
        write_error("\npalette refused, %s: %s", why.c_str(), name);
        return 0;
    }
    return parse_palette_text(reinterpret_cast<const char*>(text.data()), text.size(), entries);
}

int save_palette_file(const char* name, const PALETTEENTRY* entries) {
    if (!name || !entries) return 0;
    std::FILE* f = open_file_utf8(name, "wb");  // the same bytes on every system
    if (!f) return 0;
    for (int i = 0; i < 256; ++i) {
        std::fprintf(f, "\n%d %d %d %d", entries[i].peRed, entries[i].peGreen, entries[i].peBlue,
                     entries[i].peFlags);
    }
    return std::fclose(f) == 0 ? 1 : 0;
}

int rotate_colors(int first, int last) {
    if (!display_palette || first < 0 || last > 255 || last < first) return 0;
    PALETTEENTRY work_pal[256];
    auto n = static_cast<std::uint32_t>(last - first + 1);
    auto start = static_cast<std::uint32_t>(first);
    display_palette->get_entries(0, start, n, work_pal);
    if (n > 1) {
        display_palette->set_entries(0, start + 1, n - 1, work_pal);
        display_palette->set_entries(0, start, 1, &work_pal[n - 1]);
    }
    display_palette->get_entries(0, 0, 256, palette_entries);
    return 1;
}

int blink_colors(int command, const ColorBlinker* blinker, int slot) {
    if (!blinkers_ready) {
        std::memset(blinkers, 0, sizeof blinkers);
        blinkers_ready = true;
    }
    switch (static_cast<unsigned>(command)) {
        case BLINK_ADD:
            return add_blinker(blinker);
        case BLINK_DELETE:
            if (slot < 0 || slot >= MAX_BLINKERS || blinkers[slot].phase == 0) return -1;
            blinkers[slot] = ColorBlinker{};
            return slot;
        case BLINK_UPDATE:
            if (slot < 0 || slot >= MAX_BLINKERS || blinkers[slot].phase == 0) return -1;
            return update_blinker(blinker, slot);
        case BLINK_RUN:
            for (ColorBlinker& b : blinkers) run_blinker(b);
            return 1;
        default:
            return 1;
    }
}
