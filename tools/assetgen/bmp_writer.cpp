// The bitmap writer: the file is assembled in memory, then written in one go.
// No globals. Needs only the standard library.
#include "bmp_writer.h"

#include <cstdio>

#include "file_bytes.h"

std::string encode_bmp8(int width, int height, const std::uint8_t* rows, const Rgb* colours) {
    if (width <= 0 || height <= 0 || width % 4 != 0 || !rows || !colours) return {};
    const std::uint32_t image =
        static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height);
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    std::string out;
    out.reserve(offset + image);
    out += "BM";
    put_u32(out, offset + image);  // bfSize
    put_u16(out, 0);
    put_u16(out, 0);
    put_u32(out, offset);  // bfOffBits
    put_u32(out, 40);      // biSize
    put_u32(out, static_cast<std::uint32_t>(width));
    put_u32(out, static_cast<std::uint32_t>(height));  // positive: bottom-up rows
    put_u16(out, 1);                                   // biPlanes
    put_u16(out, 8);                                   // biBitCount
    put_u32(out, 0);                                   // biCompression: none
    put_u32(out, image);                               // biSizeImage
    put_u32(out, 2835);                                // 72 dots per inch
    put_u32(out, 2835);
    put_u32(out, 256);  // biClrUsed
    put_u32(out, 0);    // biClrImportant: all
    for (int i = 0; i < 256; ++i) {
        out += static_cast<char>(colours[i].b);
        out += static_cast<char>(colours[i].g);
        out += static_cast<char>(colours[i].r);
        out += '\0';
    }
    for (int y = height - 1; y >= 0; --y)
        out.append(reinterpret_cast<const char*>(rows) + static_cast<std::size_t>(y) * width,
                   width);
    return out;
}

int write_bmp8(const char* path, int width, int height, const std::uint8_t* rows,
               const Rgb* colours) {
    std::string bytes = encode_bmp8(width, height, rows, colours);
    if (bytes.empty()) return 0;
    return write_whole_file(path, bytes);
}
