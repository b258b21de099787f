// Fuzz entry of the bitmap file parser and its pixel decoders (plain rows of
// every depth, run-length streams, channel masks): any bytes are parsed, and a
// file that is accepted, damaged or not, has its first cell cut out as an image
// and its rows flipped, so that the sizes the parser reports are the sizes of
// the memory it made.
#include <cstdint>

#include "raster/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BitmapFile bitmap{};
    const char* reason = nullptr;
    if (!parse_bitmap(&bitmap, data, size, &reason)) return 0;
    const BITMAPINFOHEADER& info = bitmap.info_header;
    int bytes_per_pixel = info.biBitCount / 8;
    if (bytes_per_pixel != 1 && bytes_per_pixel != 2) __builtin_trap();
    std::int64_t bytes = std::int64_t{info.biWidth} * info.biHeight * bytes_per_pixel;
    if (bytes != info.biSizeImage) __builtin_trap();
    flip_bitmap(bitmap.buffer, info.biWidth * bytes_per_pixel, info.biHeight);
    BitmapImage image{};
    int w = info.biWidth < 16 ? info.biWidth : 16;
    int h = info.biHeight < 16 ? info.biHeight : 16;
    if (w > 0 && h > 0 && create_image(&image, 0, 0, w, h, info.biBitCount)) {
        if (info.biBitCount == 8)
            load_image8(&image, &bitmap, 0, 0, 1);
        else
            load_image16(&image, &bitmap, 0, 0, 1);
        destroy_image(&image);
    }
    unload_bitmap_file(&bitmap);
    return 0;
}
