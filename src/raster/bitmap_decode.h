/// @file
/// Pixel decoders of bitmap files: unpack 1-, 2-, 4- and 8-bit rows and
/// run-length coded streams into 8-bit palette indices, and convert 16-, 24- and
/// 32-bit pixels, their channels placed by masks, into the display's 16-bit
/// format. Output rows are packed and top first. No decoder reads or writes past
/// the spans it is given; the caller has checked that the stored rows lie inside
/// the file. Needs the display's pixel format.
/// @ingroup bitmaps
#pragma once

#include <cstddef>
#include <cstdint>

/// @addtogroup bitmaps
/// @{

constexpr std::uint32_t BI_RGB = 0;             ///< rows stored plain
constexpr std::uint32_t BI_RLE8 = 1;            ///< run-length coded, one index a byte
constexpr std::uint32_t BI_RLE4 = 2;            ///< run-length coded, two indices a byte
constexpr std::uint32_t BI_BITFIELDS = 3;       ///< rows stored plain, channels placed by masks
constexpr std::uint32_t BI_JPEG = 4;            ///< a JPEG picture inside the file
constexpr std::uint32_t BI_PNG = 5;             ///< a PNG picture inside the file
constexpr std::uint32_t BI_ALPHABITFIELDS = 6;  ///< masks for red, green, blue and alpha

/// Plain stored rows of one picture.
struct StoredRows {
    const std::uint8_t* data;  ///< the first stored row
    std::size_t stride;        ///< bytes from one stored row to the next, padding included
    int width, rows;           ///< pixels per row, rows
    int bits;                  ///< bits per stored pixel
    bool top_down;             ///< the first stored row is the top one
};

/// Where the red, green and blue bits lie in a 16-, 24- or 32-bit pixel.
struct ChannelMasks {
    std::uint32_t red, green, blue;  ///< the bits of each channel
};

/// the masks of a pixel of bits when the file gives none: 5.5.5 for 16 bits,
/// 8.8.8 for 24 and 32
ChannelMasks default_channel_masks(int bits);
/// 1 when each mask is zero or one run of set bits inside the pixel's bits and
/// no two masks share a bit, else 0
int channel_masks_valid(const ChannelMasks& masks, int bits);
/// the 16-bit pixel of r, g, b (0..255) in the display's format: 5.5.5 when
/// pixel_format is 15, 5.6.5 otherwise
std::uint16_t display_color16(int r, int g, int b);
/// unpacks rows of 1, 2, 4 or 8 bits a pixel (high bits first) into
/// width x rows bytes at out; 1, 0 for another depth
int unpack_index_rows(const StoredRows& rows, std::uint8_t* out);
/// converts rows of 16-, 24- or 32-bit pixels into width x rows pixels of the
/// display's 16-bit format at out, each channel scaled to 0..255 first
/// (truncating) as a 24-bit pixel is; 1, 0 for another depth or invalid masks
int convert_color_rows(const StoredRows& rows, const ChannelMasks& masks, std::uint16_t* out);
/// decodes a run-length stream of size bytes (two indices a byte when rle4)
/// into width x rows bytes at out, which holds zeros: what the stream leaves
/// unwritten stays 0; rows are stored bottom first unless top_down; 1 for a whole
/// stream, 0 when it is damaged (a run past its row, a delta or run past the
/// picture, an end before its end mark): what could be read is decoded and
/// *damage (when not null) says what was wrong first
int decode_rle(const std::uint8_t* stream, std::size_t size, int width, int rows, bool rle4,
               bool top_down, std::uint8_t* out, const char** damage);

/// @}
