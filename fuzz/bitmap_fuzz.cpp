// Fuzz entry of the bitmap file parser and its pixel decoders (plain rows of
// every depth, run-length streams, channel masks): any bytes are parsed, and a
// file that is accepted, damaged or not, has its first cell cut out as an image
// and its rows flipped, so that the sizes the parser reports are the sizes of
// the memory it made.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "raster/bitmap.h"

namespace {

constexpr std::int64_t kMostPixels = 1 << 22;  // 2048 x 2048

// The picture size a header declares, as far as the bytes hold one. A few
// bytes of run-length stream can declare a picture of 16384 x 16384, which is
// legal and costs a quarter of a gigabyte to clear: the unit tests cover such
// sizes, and the fuzzer spends its time on the decoders instead.
std::int64_t declared_pixels(const std::uint8_t* data, std::size_t size) {
    if (size < 26) return 0;
    std::uint32_t header = 0;
    std::memcpy(&header, data + 14, 4);
    if (header == 12) {
        std::uint16_t w = 0, h = 0;
        std::memcpy(&w, data + 18, 2);
        std::memcpy(&h, data + 20, 2);
        return std::int64_t{w} * h;
    }
    std::int32_t w = 0, h = 0;
    std::memcpy(&w, data + 18, 4);
    std::memcpy(&h, data + 22, 4);
    return std::llabs(std::int64_t{w}) * std::llabs(std::int64_t{h});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (declared_pixels(data, size) > kMostPixels) return 0;
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
