/// @file
/// A keyed 8-bit picture as runs: each row as the spans of its pixels that are
/// not the key, so that a keyed copy writes those spans whole and spends
/// nothing on the transparent rest. Pictures whose spans are short (noise,
/// dithering) copy faster with a blend over the whole box; `worth` says which.
/// Needs nothing but memory.
/// @ingroup display
#pragma once

#include <cstdint>
#include <vector>

/// @addtogroup display
/// @{

/// A keyed picture encoded as runs.
struct KeyRuns {
    /// A run of pixels of one row that are not the key.
    struct Span {
        std::int32_t row;         ///< the span's row
        std::int32_t begin, end;  ///< columns [begin, end) of the row hold no key pixel
    };
    std::vector<std::int32_t> row_start;  ///< height + 1 entries: row y's spans are
                                          ///< spans[row_start[y]] to spans[row_start[y + 1]]
    std::vector<Span> spans;              ///< the spans, row by row, left to right
    std::int32_t width = 0;               ///< of the picture
    bool worth = false;                   ///< spans long enough on average to beat a blend
};

/// encodes width x height pixels (rows pitch bytes apart) against key into *out;
/// nothing for null arguments or a size below 1
void encode_key_runs(const std::uint8_t* pixels, int pitch, int width, int height, std::uint8_t key,
                     KeyRuns* out);
/// copies the pixels of rows [row, row + rows) of the encoded picture that are
/// not the key and lie in columns [first, first + n), from the picture's pixels
/// (from: its first row, rows from_pitch bytes apart) to to (rows to_pitch
/// apart), where to[0] takes column first of the first row; the rows and the
/// columns must lie inside the picture
void copy_key_runs(const KeyRuns& runs, int row, int rows, const std::uint8_t* from, int from_pitch,
                   int first, int n, std::uint8_t* to, int to_pitch);

/// @}
