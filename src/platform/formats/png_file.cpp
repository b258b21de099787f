// Indexed PNG writer over libpng, with libpng's error jump kept inside.
#include "platform/formats/png_file.h"

#include <png.h>

#include <cstdio>

namespace {

// The libpng part on its own, so that the jump back from an error crosses no
// object with a destructor.
bool write_rows(std::FILE* f, const std::uint8_t* pixels, int pitch, int width, int height,
                const std::uint8_t* palette_rgb) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color colors[256];
    for (int i = 0; i < 256; ++i) {
        colors[i] = png_color{palette_rgb[3 * i], palette_rgb[3 * i + 1], palette_rgb[3 * i + 2]};
    }
    png_set_PLTE(png, info, colors, 256);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, pixels + static_cast<std::ptrdiff_t>(y) * pitch);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

int write_png8(const char* path, const std::uint8_t* pixels, int pitch, int width, int height,
               const std::uint8_t* palette_rgb) {
    if (!path || !pixels || !palette_rgb || width <= 0 || height <= 0 || pitch < width) return 0;
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return 0;
    bool ok = write_rows(f, pixels, pitch, width, height, palette_rgb);
    if (std::fclose(f) != 0) ok = false;
    return ok ? 1 : 0;
}
