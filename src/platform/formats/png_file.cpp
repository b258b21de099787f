// Indexed PNG writer over libpng, with libpng's error jump kept inside. libpng
// hands its bytes to a checked output file; a failed write ends the picture
// at once.
#include "platform/formats/png_file.h"

#include <png.h>

#include "platform/formats/file_io.h"

namespace {

void write_bytes(png_structp png, png_bytep data, png_size_t n) {
    if (!static_cast<OutputFile*>(png_get_io_ptr(png))->write(data, n)) png_longjmp(png, 1);
}

// The file is flushed when it is closed; libpng's own flush would take the
// output for a FILE.
void flush_nothing(png_structp) {}

// The libpng part on its own, so that the jump back from an error crosses no
// object with a destructor.
bool write_rows(OutputFile* out, const std::uint8_t* pixels, int pitch, int width, int height,
                const std::uint8_t* palette_rgb) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, out, write_bytes, flush_nothing);
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
               const std::uint8_t* palette_rgb, std::string* failure) {
    if (!path || !pixels || !palette_rgb || width <= 0 || height <= 0 || pitch < width) return 0;
    OutputFile out;
    bool ok = out.open(path, failure ? FailureReport::caller : FailureReport::stderr_line) &&
              write_rows(&out, pixels, pitch, width, height, palette_rgb);
    if (!out.close()) ok = false;
    if (!ok && failure)
        *failure = out.failed() ? out.failure() : "cannot write " + std::string(path);
    return ok ? 1 : 0;
}
