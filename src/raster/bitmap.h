/// @file
/// Bitmap files and images: reads Windows bitmap files (1, 2, 4 and 8 bits of
/// palette indices, plain or run-length coded, and 16, 24 and 32 bits of colour,
/// with or without channel masks) into a BitmapFile whose rows are packed, top
/// row first, and keeps BitmapImages that are cut out of a loaded file and drawn
/// into locked surface memory. Needs the pixel decoders (raster/bitmap_decode.h),
/// the display's pixel format (colour conversion), the error log (reasons for
/// refusing a file, damage found in one) and the video services (load_surface8).
/// @ingroup bitmaps
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/system/ddraw.h"

/// @addtogroup bitmaps
/// @{

/// The file header of a bitmap file.
struct BITMAPFILEHEADER {
    std::uint16_t bfType;                    ///< "BM"
    std::uint32_t bfSize;                    ///< the file's size as stored; not relied on
    std::uint16_t bfReserved1, bfReserved2;  ///< as stored; not used
    std::uint32_t bfOffBits;                 ///< where the pixel rows start in the file
};

/// The information header of a bitmap file, as a 40-byte header has it.
struct BITMAPINFOHEADER {
    std::uint32_t biSize;         ///< 12, 40, 52, 56, 108 or 124 in a file
    std::int32_t biWidth;         ///< pixels per row
    std::int32_t biHeight;        ///< rows; after loading always positive (rows are top first)
    std::uint16_t biPlanes;       ///< as stored; not used
    std::uint16_t biBitCount;     ///< after loading 8 (1- to 8-bit files) or 16 (16- to 32-bit)
    std::uint32_t biCompression;  ///< as stored (BI_RGB, BI_RLE8, ...); the buffer is decoded
    std::uint32_t biSizeImage;    ///< after loading: the bytes in buffer
    std::int32_t biXPelsPerMeter, biYPelsPerMeter;  ///< resolution as stored; not used
    std::uint32_t biClrUsed, biClrImportant;        ///< colours in the table (0: all that the depth
                                                    ///< allows), and those that matter (not used)
};

/// One loaded file. Must start zeroed; a load releases the buffer it finds. A
/// file with the 12-byte header has its sides and depth here as in a 40-byte one.
struct BitmapFile {
    BITMAPFILEHEADER file_header;  ///< as stored in the file
    BITMAPINFOHEADER info_header;  ///< as stored, but for biHeight, biBitCount and biSizeImage
    PALETTEENTRY palette[256];     ///< 1- to 8-bit files only: the colour table, PC_NOCOLLAPSE
    std::uint8_t* buffer;          ///< pixels, rows of biWidth pixels packed, top first; owned
};

/// A picture of its own with a place on the destination.
struct BitmapImage {
    std::int32_t state;          ///< 1 once created, 0 after destroy
    std::uint32_t attr;          ///< IMAGE_ATTR_LOADED once pixels were loaded
    std::int32_t x, y;           ///< top-left corner on the destination, pixels
    std::int32_t width, height;  ///< size, pixels
    std::int32_t num_bytes;      ///< bytes in buffer: width x height x bytes per pixel
    std::int32_t bpp;            ///< 8 or 16
    std::uint8_t* buffer;        ///< rows top first, packed; owned
};

constexpr std::uint16_t BITMAP_ID = 0x4D42;       ///< "BM" read as a little-endian word
constexpr std::uint32_t IMAGE_ATTR_LOADED = 128;  ///< BitmapImage::attr: pixels were loaded
constexpr int BITMAP_MAX_SIDE = 16384;            ///< larger files and images are refused

/// reads the file: palette indices of 1- to 8-bit files, plain or run-length
/// coded, and the colour table as stored; 16-, 24- and 32-bit pixels converted to
/// the display's 16-bit format. 1, also for a damaged run-length stream (what it
/// held is decoded, the rest is 0, the damage is logged), or 0 (reason in the
/// error log, record unchanged) when it cannot be read, is not a bitmap, holds a
/// JPEG or PNG picture, has a depth, coding, header size or masks not read, bad
/// dimensions, or is shorter than its headers and stored rows claim
int load_bitmap_file(BitmapFile* bitmap, const char* filename);
/// the same from size bytes of memory; *reason (when not null) says why it was
/// refused, and after a success is null or says what was damaged
int parse_bitmap(BitmapFile* bitmap, const std::uint8_t* data, std::size_t size,
                 const char** reason);
/// releases the pixels (headers and palette stay); 1, 0 for a null record
int unload_bitmap_file(BitmapFile* bitmap);
/// reverses the order of rows in place; 1, 0 for null pixels, bytes_per_line < 1,
/// rows < 0 or no memory for one row
int flip_bitmap(std::uint8_t* image, int bytes_per_line, int rows);

/// a zeroed image of width x height (1..16384) at bpp 8 or 16; 1, 0 for bad
/// arguments or no memory (record untouched); an earlier buffer is not released
int create_image(BitmapImage* image, int x, int y, int width, int height, int bpp);
/// releases the buffer and zeroes the record; 1, 0 for a null record or buffer
int destroy_image(BitmapImage* image);
/// copies the image's size out of an 8-bit bitmap: cell (cx, cy) with mode 0 (the
/// block at cx * (width + 1) + 1, cy * (height + 1) + 1), pixel (cx, cy) otherwise;
/// 1, 0 for null records, depths that differ or a block outside the bitmap
int load_image8(BitmapImage* image, const BitmapFile* bitmap, int cx, int cy, int mode);
/// the same for 16-bit images and bitmaps
int load_image16(BitmapImage* image, const BitmapFile* bitmap, int cx, int cy, int mode);
/// copies the image to (x, y) of 8-bit memory with pitch bytes per row, skipping
/// index 0 when transparent is not 0; no clipping: the caller keeps it inside;
/// 1, 0 for null arguments, an image not loaded or not 8-bit, a negative x or y or
/// a pitch shorter than x + width
int draw_image8(const BitmapImage* image, std::uint8_t* dest, int pitch, int transparent);
/// the same for 16-bit memory (pitch still in bytes), skipping the value 0
int draw_image16(const BitmapImage* image, std::uint8_t* dest, int pitch, int transparent);
/// copies width x height pixels from (sx, sy) of source to (dx, dy) of dest; 1, 0
/// for null images, depths that differ or a block outside either image
int copy_image(BitmapImage* dest, int dx, int dy, const BitmapImage* source, int sx, int sy,
               int width, int height);
/// turns every row dx pixels to the right (left when negative) with wrap-around;
/// dy is not performed; 1, 0 for a null image, dx and dy both 0, an image holding
/// no pixels or no memory for the strip
int scroll_image(BitmapImage* image, int dx, int dy);
/// finds block (cx, cy) of a w x h picture in a bitmap of the given depth (bits):
/// cell mode 0 starts it at cx * (w + 1) + 1, cy * (h + 1) + 1, other modes at
/// pixel (cx, cy); stores its top-left in x, y; 1 when it lies wholly inside the
/// loaded pixels, else 0
int find_bitmap_block(const BitmapFile* bitmap, int bits, int w, int h, int cx, int cy, int mode,
                      int* x, int* y);
/// copies cell (cx, cy) of an 8-bit bitmap, the cell being the surface's size,
/// into the 8-bit surface; 1, 0 for null arguments, a locked surface, depths
/// that differ or a cell outside the bitmap
int load_surface8(const BitmapFile* bitmap, DirectDrawSurface* surface, int cx, int cy);

/// @}
