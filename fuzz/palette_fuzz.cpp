// Fuzz entry of the palette text parser: any bytes are read as a palette file's
// text into a table of 256 entries.
#include <cstdint>

#include "gfx/palette.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PALETTEENTRY entries[256] = {};
    parse_palette_text(reinterpret_cast<const char*>(data), size, entries);
    return 0;
}
