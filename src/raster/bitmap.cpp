// Bitmap file parser and images. The parser reads a byte span through a cursor
// that never passes its end, checks every header field and size before it
// allocates, and builds the new pixels aside: a refused file leaves the record
// as it was. Rows are unpadded and turned top first while they are decoded.
#include "raster/bitmap.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "gfx/display.h"
#include "platform/formats/file_io.h"
#include "raster/bitmap_decode.h"
#include "support/error_log.h"

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
// a 16384 x 16384 file at 32 bits and its headers
constexpr std::size_t kMaxFileBytes = std::size_t{1025} << 20;

struct Cursor {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;

    bool has(std::size_t n) const { return at <= size && n <= size - at; }
    std::uint16_t u16() {
        std::uint16_t v = static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
        at += 2;
        return v;
    }
    std::uint32_t u32() {
        std::uint32_t v = data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                          static_cast<std::uint32_t>(data[at + 3]) << 24;
        at += 4;
        return v;
    }
};

struct Layout {
    std::size_t colors = 0;  // colour-table entries in the file
    std::size_t entry = 4;   // bytes per colour-table entry: 3 after a 12-byte header
    std::size_t table = 0;   // offset of the colour table
    std::size_t pixels = 0;  // offset of the first stored row or of the coded stream
    std::size_t stride = 0;  // bytes per stored row, padding included
    int rows = 0;
    int out_bits = 8;  // 8 (palette indices) or 16 (the display's format)
    bool top_down = false;
    bool masked = false;  // 16, 24 or 32 bits with masks from the file
    ChannelMasks masks{};
};

// The 12-byte header of the older format: sides, planes and depth in words.
void read_core_header(Cursor* c, BITMAPINFOHEADER* ih) {
    ih->biWidth = c->u16();
    ih->biHeight = c->u16();
    ih->biPlanes = c->u16();
    ih->biBitCount = c->u16();
}

// Reads the file header, the info header (12, 40, 52, 56, 108 or 124 bytes)
// and, where the file has them, the channel masks.
const char* read_headers(Cursor* c, BITMAPFILEHEADER* fh, BITMAPINFOHEADER* ih, Layout* l) {
    if (!c->has(kFileHeaderBytes)) return "shorter than its file header";
    fh->bfType = c->u16();
    fh->bfSize = c->u32();
    fh->bfReserved1 = c->u16();
    fh->bfReserved2 = c->u16();
    fh->bfOffBits = c->u32();
    if (fh->bfType != BITMAP_ID) return "not a bitmap file";
    if (!c->has(4)) return "shorter than its info header";
    ih->biSize = c->u32();
    std::uint32_t size = ih->biSize;
    if (size != 12 && size != 40 && size != 52 && size != 56 && size != 108 && size != 124)
        return "info header size not 12, 40, 52, 56, 108 or 124";
    if (!c->has(size - 4)) return "shorter than its info header";
    l->table = kFileHeaderBytes + size;
    if (size == 12) {
        read_core_header(c, ih);
        l->entry = 3;
        return nullptr;
    }
    ih->biWidth = static_cast<std::int32_t>(c->u32());
    ih->biHeight = static_cast<std::int32_t>(c->u32());
    ih->biPlanes = c->u16();
    ih->biBitCount = c->u16();
    ih->biCompression = c->u32();
    ih->biSizeImage = c->u32();
    ih->biXPelsPerMeter = static_cast<std::int32_t>(c->u32());
    ih->biYPelsPerMeter = static_cast<std::int32_t>(c->u32());
    ih->biClrUsed = c->u32();
    ih->biClrImportant = c->u32();
    bool masks = ih->biCompression == BI_BITFIELDS || ih->biCompression == BI_ALPHABITFIELDS;
    if (!masks) return nullptr;
    l->masked = true;
    if (size == 40) {
        // The masks follow the header, before the pixels.
        std::size_t bytes = ih->biCompression == BI_ALPHABITFIELDS ? 16 : 12;
        l->table += bytes;
        if ((fh->bfOffBits != 0 && fh->bfOffBits < l->table) || !c->has(12))
            return "colour masks missing";
    }
    l->masks.red = c->u32();
    l->masks.green = c->u32();
    l->masks.blue = c->u32();
    return nullptr;
}

// Checks depth, compression, dimensions, colour table and pixel extent against
// the file's size, and works out where everything lies.
const char* plan_layout(const BITMAPFILEHEADER& fh, const BITMAPINFOHEADER& ih, std::size_t size,
                        Layout* l) {
    int bits = ih.biBitCount;
    std::uint32_t coding = ih.biCompression;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return "depth not 1, 2, 4, 8, 16, 24 or 32 bits";
    if (coding == BI_JPEG || coding == BI_PNG) return "holds a JPEG or PNG picture";
    if (coding > BI_ALPHABITFIELDS) return "unknown compression";
    if ((coding == BI_RLE8 && bits != 8) || (coding == BI_RLE4 && bits != 4))
        return "run-length coding for another depth";
    if (l->masked && bits < 16) return "colour masks for a depth below 16 bits";
    std::int64_t height = ih.biHeight;
    if (ih.biWidth <= 0 || height == 0) return "width or height zero or negative width";
    if (ih.biWidth > BITMAP_MAX_SIDE || height > BITMAP_MAX_SIDE || -height > BITMAP_MAX_SIDE)
        return "larger than 16384 pixels on a side";
    l->rows = static_cast<int>(height < 0 ? -height : height);
    l->top_down = height < 0;
    l->out_bits = bits <= 8 ? 8 : 16;
    if (bits <= 8) {
        l->colors = ih.biClrUsed == 0 || ih.biSize == 12 ? std::size_t{1} << bits : ih.biClrUsed;
        if (l->colors > 256) return "more than 256 colours";
        if (l->table + l->entry * l->colors > size) return "shorter than its colour table";
    } else {
        if (!l->masked) l->masks = default_channel_masks(bits);
        if (l->masks.red == 0 && l->masks.green == 0 && l->masks.blue == 0)
            l->masks = default_channel_masks(bits);  // empty masks: the usual layout
        if (!channel_masks_valid(l->masks, bits)) return "colour masks invalid";
    }
    l->pixels = fh.bfOffBits != 0 ? fh.bfOffBits : l->table + l->entry * l->colors;
    if (l->pixels < l->table) return "pixel data starts inside the headers";
    if (l->pixels > size) return "shorter than its pixels";
    if (coding == BI_RLE8 || coding == BI_RLE4) return nullptr;  // the stream runs to the end
    std::size_t width = static_cast<std::size_t>(ih.biWidth);
    l->stride = (width * bits + 31) / 32 * 4;
    std::size_t extent = l->stride * (l->rows - 1) + (width * bits + 7) / 8;
    if (extent > size - l->pixels) return "shorter than its pixels";
    return nullptr;
}

void read_palette(const std::uint8_t* table, const Layout& l, PALETTEENTRY* palette) {
    for (std::size_t i = 0; i < 256; ++i) {
        if (i >= l.colors) {
            palette[i] = PALETTEENTRY{};
            continue;
        }
        const std::uint8_t* e = table + l.entry * i;  // stored blue, green, red (, reserved)
        palette[i] = PALETTEENTRY{e[2], e[1], e[0], PC_NOCOLLAPSE};
    }
}

// Decodes the stored pixels into packed rows, top first: palette indices for
// 1- to 8-bit files, the display's 16-bit format for the others. *damage says
// what was wrong with a coded stream that could be read only in part.
void decode_pixels(const std::uint8_t* data, std::size_t size, const BITMAPINFOHEADER& ih,
                   const Layout& l, std::uint8_t* out, const char** damage) {
    *damage = nullptr;
    if (ih.biCompression == BI_RLE8 || ih.biCompression == BI_RLE4) {
        decode_rle(data + l.pixels, size - l.pixels, ih.biWidth, l.rows,
                   ih.biCompression == BI_RLE4, l.top_down, out, damage);
        return;
    }
    StoredRows rows{data + l.pixels, l.stride, ih.biWidth, l.rows, ih.biBitCount, l.top_down};
    if (ih.biBitCount <= 8) {
        unpack_index_rows(rows, out);
    } else {
        convert_color_rows(rows, l.masks, reinterpret_cast<std::uint16_t*>(out));
    }
}

bool load_block(BitmapImage* image, const BitmapFile* bitmap, int bits, int cx, int cy, int mode) {
    int x, y;
    if (!image->buffer || image->bpp != bits) return false;
    if (!find_bitmap_block(bitmap, bits, image->width, image->height, cx, cy, mode, &x, &y))
        return false;
    std::size_t bpp = bits / 8;
    std::size_t src_row = static_cast<std::size_t>(bitmap->info_header.biWidth) * bpp;
    std::size_t row = static_cast<std::size_t>(image->width) * bpp;
    const std::uint8_t* from = bitmap->buffer + static_cast<std::size_t>(y) * src_row + x * bpp;
    for (int r = 0; r < image->height; ++r) {
        std::memcpy(image->buffer + row * r, from + src_row * r, row);
    }
    image->attr |= IMAGE_ATTR_LOADED;
    return true;
}

template <typename T>
void draw_rows(const BitmapImage* image, std::uint8_t* dest, int pitch, bool transparent) {
    const T* from = reinterpret_cast<const T*>(image->buffer);
    const std::size_t row = sizeof(T) * image->width;
    if (!transparent && image->x == 0 && row == static_cast<std::size_t>(pitch)) {
        // Rows that follow each other in both places go in one copy.
        std::memcpy(dest + static_cast<std::ptrdiff_t>(image->y) * pitch, from,
                    row * image->height);
        return;
    }
    for (int r = 0; r < image->height; ++r, from += image->width) {
        T* to = reinterpret_cast<T*>(dest + static_cast<std::ptrdiff_t>(image->y + r) * pitch) +
                image->x;
        if (!transparent) {
            std::memcpy(to, from, row);
            continue;
        }
        for (int i = 0; i < image->width; ++i) {
            if (from[i] != 0) to[i] = from[i];
        }
    }
}

bool can_draw(const BitmapImage* image, const std::uint8_t* dest, int pitch, int bits) {
    if (!image || !dest || !image->buffer || !(image->attr & IMAGE_ATTR_LOADED)) return false;
    if (image->bpp != bits || image->x < 0 || image->y < 0) return false;
    return static_cast<std::int64_t>(image->x + image->width) * (bits / 8) <= pitch;
}

bool block_inside(const BitmapImage* image, int x, int y, int w, int h) {
    return x >= 0 && y >= 0 && static_cast<std::int64_t>(x) + w <= image->width &&
           static_cast<std::int64_t>(y) + h <= image->height;
}

}  // namespace

int parse_bitmap(BitmapFile* bitmap, const std::uint8_t* data, std::size_t size,
                 const char** reason) {
    const char* why = nullptr;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    Layout l;
    Cursor c{data, data ? size : 0};
    if (!bitmap) return 0;
    why = read_headers(&c, &fh, &ih, &l);
    if (!why) why = plan_layout(fh, ih, size, &l);
    std::uint8_t* pixels = nullptr;
    std::size_t bytes = 0;
    if (!why) {
        bytes = static_cast<std::size_t>(ih.biWidth) * l.rows * (l.out_bits / 8);
        // Zeroed: a coded stream may leave pixels unwritten.
        pixels = new (std::nothrow) std::uint8_t[bytes]();
        if (!pixels) why = "out of memory";
    }
    if (why) {
        if (reason) *reason = why;
        return 0;
    }
    const char* damage = nullptr;
    decode_pixels(data, size, ih, l, pixels, &damage);
    if (reason) *reason = damage;
    if (ih.biBitCount <= 8) read_palette(data + l.table, l, bitmap->palette);
    ih.biBitCount = static_cast<std::uint16_t>(l.out_bits);
    ih.biHeight = l.rows;
    ih.biSizeImage = static_cast<std::uint32_t>(bytes);
    delete[] bitmap->buffer;
    bitmap->file_header = fh;
    bitmap->info_header = ih;
    bitmap->buffer = pixels;
    return 1;
}

int load_bitmap_file(BitmapFile* bitmap, const char* filename) {
    if (!bitmap || !filename) return 0;
    const char* why = nullptr;
    std::string refusal;
    std::vector<std::uint8_t> data;
    if (!read_file_bytes(filename, kMaxFileBytes, &data, &refusal)) {
        why = refusal.c_str();
    } else if (parse_bitmap(bitmap, data.data(), data.size(), &why)) {
        if (why) write_error("\nbitmap damaged, %s: %s", why, filename);
        return 1;
    }
    write_error("\nbitmap refused, %s: %s", why, filename);  // the reason first: long names are cut
    return 0;
}

int find_bitmap_block(const BitmapFile* bitmap, int bits, int w, int h, int cx, int cy, int mode,
                      int* x, int* y) {
    if (!bitmap || !bitmap->buffer || bitmap->info_header.biBitCount != bits || !x || !y) return 0;
    std::int64_t bx = mode == 0 ? static_cast<std::int64_t>(cx) * (w + std::int64_t{1}) + 1 : cx;
    std::int64_t by = mode == 0 ? static_cast<std::int64_t>(cy) * (h + std::int64_t{1}) + 1 : cy;
    std::int64_t width = bitmap->info_header.biWidth, rows = bitmap->info_header.biHeight;
    if (w < 1 || h < 1 || bx < 0 || by < 0 || bx + w > width || by + h > rows) return 0;
    *x = static_cast<int>(bx);
    *y = static_cast<int>(by);
    return 1;
}

int unload_bitmap_file(BitmapFile* bitmap) {
    if (!bitmap) return 0;
    delete[] bitmap->buffer;
    bitmap->buffer = nullptr;
    return 1;
}

int flip_bitmap(std::uint8_t* image, int bytes_per_line, int rows) {
    if (!image || bytes_per_line < 1 || rows < 0) return 0;
    auto* scratch = new (std::nothrow) std::uint8_t[bytes_per_line];
    if (!scratch) return 0;
    std::size_t line = static_cast<std::size_t>(bytes_per_line);
    for (int top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
        std::memcpy(scratch, image + line * top, line);
        std::memcpy(image + line * top, image + line * bottom, line);
        std::memcpy(image + line * bottom, scratch, line);
    }
    delete[] scratch;
    return 1;
}

int create_image(BitmapImage* image, int x, int y, int width, int height, int bpp) {
    if (!image || (bpp != 8 && bpp != 16)) return 0;
    if (width < 1 || height < 1 || width > BITMAP_MAX_SIDE || height > BITMAP_MAX_SIDE) return 0;
    std::size_t bytes = static_cast<std::size_t>(width) * height * (bpp >> 3);
    auto* buffer = new (std::nothrow) std::uint8_t[bytes]();
    if (!buffer) return 0;
    image->buffer = buffer;
    image->state = 1;
    image->attr = 0;
    image->x = x;
    image->y = y;
    image->width = width;
    image->height = height;
    image->bpp = bpp;
    image->num_bytes = static_cast<std::int32_t>(bytes);
    return 1;
}

int destroy_image(BitmapImage* image) {
    if (!image || !image->buffer) return 0;
    delete[] image->buffer;
    *image = BitmapImage{};
    return 1;
}

int load_image8(BitmapImage* image, const BitmapFile* bitmap, int cx, int cy, int mode) {
    return image && load_block(image, bitmap, 8, cx, cy, mode) ? 1 : 0;
}

int load_image16(BitmapImage* image, const BitmapFile* bitmap, int cx, int cy, int mode) {
    return image && load_block(image, bitmap, 16, cx, cy, mode) ? 1 : 0;
}

int draw_image8(const BitmapImage* image, std::uint8_t* dest, int pitch, int transparent) {
    if (!can_draw(image, dest, pitch, 8)) return 0;
    draw_rows<std::uint8_t>(image, dest, pitch, transparent != 0);
    return 1;
}

int draw_image16(const BitmapImage* image, std::uint8_t* dest, int pitch, int transparent) {
    if (!can_draw(image, dest, pitch, 16)) return 0;
    draw_rows<std::uint16_t>(image, dest, pitch, transparent != 0);
    return 1;
}

int copy_image(BitmapImage* dest, int dx, int dy, const BitmapImage* source, int sx, int sy,
               int width, int height) {
    if (!dest || !source || !dest->buffer || !source->buffer || dest->bpp != source->bpp) return 0;
    if (width < 0 || height < 0) return 0;
    if (!block_inside(source, sx, sy, width, height) || !block_inside(dest, dx, dy, width, height))
        return 0;
    std::size_t bpp = source->bpp >> 3;
    std::size_t row = width * bpp;
    // Within one image, rows moving down are copied from the bottom up.
    bool upward = dest == source && dy > sy;
    for (int i = 0; i < height; ++i) {
        int r = upward ? height - 1 - i : i;
        std::memmove(dest->buffer + ((std::size_t(dy) + r) * dest->width + dx) * bpp,
                     source->buffer + ((std::size_t(sy) + r) * source->width + sx) * bpp, row);
    }
    return 1;
}

int scroll_image(BitmapImage* image, int dx, int dy) {
    if (!image || (dx == 0 && dy == 0)) return 0;
    if (dx == 0) return 1;
    if (!image->buffer || image->width < 1 || image->height < 1) return 0;
    int w = image->width;
    int s = dx % w;
    if (s == 0) return 1;
    int strip = s > 0 ? s : -s;
    BitmapImage temp_image{};
    if (!create_image(&temp_image, 0, 0, strip, image->height, image->bpp)) return 0;
    std::size_t bpp = image->bpp >> 3;
    for (int r = 0; r < image->height; ++r) {
        std::uint8_t* row = image->buffer + std::size_t(r) * w * bpp;
        std::uint8_t* keep = temp_image.buffer + std::size_t(r) * strip * bpp;
        if (s > 0) {  // the right end wraps round to the left
            std::memcpy(keep, row + (w - s) * bpp, strip * bpp);
            std::memmove(row + s * bpp, row, (w - s) * bpp);
            std::memcpy(row, keep, strip * bpp);
        } else {  // the left end wraps round to the right
            std::memcpy(keep, row, strip * bpp);
            std::memmove(row, row + strip * bpp, (w - strip) * bpp);
            std::memcpy(row + (w - strip) * bpp, keep, strip * bpp);
        }
    }
    destroy_image(&temp_image);
    return 1;
}

int load_surface8(const BitmapFile* bitmap, DirectDrawSurface* surface, int cx, int cy) {
    if (!bitmap || !surface || surface->bits_per_pixel() != 8) return 0;
    int w = surface->width(), h = surface->height();
    int x, y;
    if (!find_bitmap_block(bitmap, 8, w, h, cx, cy, 0, &x, &y)) return 0;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (surface->lock(nullptr, &desc, DDLOCK_WAIT, nullptr) < 0) return 0;
    auto* to = static_cast<std::uint8_t*>(desc.lpSurface);
    std::size_t src_row = static_cast<std::size_t>(bitmap->info_header.biWidth);
    const std::uint8_t* from = bitmap->buffer + static_cast<std::size_t>(y) * src_row + x;
    for (int r = 0; r < h; ++r)
        std::memcpy(to + std::size_t(r) * desc.lPitch, from + src_row * r, w);
    surface->unlock(nullptr);
    return 1;
}
