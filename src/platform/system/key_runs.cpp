// Building the runs of a keyed picture row by row, and the mean span that
// decides whether they are worth drawing from.
#include "platform/system/key_runs.h"

#include <algorithm>
#include <cstring>

namespace {

// Below this many pixels a span on average, blending every pixel of the box
// (16 at a time) costs less than a copy a span.
constexpr std::int64_t kMinMeanSpan = 6;

// Copies n > 0 bytes between buffers that do not overlap, in a few unaligned
// moves of fixed size, none reaching past either end: a span is too short for
// a call to memcpy to pay for itself. Long spans go to memcpy all the same.
inline void copy_span(std::uint8_t* to, const std::uint8_t* from, std::size_t n) {
    if (n >= 16) {
        if (n > 128) {
            std::memcpy(to, from, n);
            return;
        }
        for (std::size_t i = 0; i + 16 < n; i += 16) std::memcpy(to + i, from + i, 16);
        std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n >= 8) {
        std::uint64_t head, tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + n - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4) {
        std::uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + n - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + n - 4, &tail, 4);
    } else {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

}  // namespace

void encode_key_runs(const std::uint8_t* pixels, int pitch, int width, int height, std::uint8_t key,
                     KeyRuns* out) {
    if (!pixels || !out || width <= 0 || height <= 0) return;
    out->row_start.assign(static_cast<std::size_t>(height) + 1, 0);
    out->spans.clear();
    std::int64_t opaque = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * pitch;
        out->row_start[y] = static_cast<std::int32_t>(out->spans.size());
        int x = 0;
        while (x < width) {
            while (x < width && row[x] == key) ++x;
            int begin = x;
            while (x < width && row[x] != key) ++x;
            if (x > begin) {
                out->spans.push_back({y, begin, x});
                opaque += x - begin;
            }
        }
    }
    out->row_start[height] = static_cast<std::int32_t>(out->spans.size());
    out->width = width;
    out->worth = opaque >= kMinMeanSpan * static_cast<std::int64_t>(out->spans.size());
}

void copy_key_runs(const KeyRuns& runs, int row, int rows, const std::uint8_t* from, int from_pitch,
                   int first, int n, std::uint8_t* to, int to_pitch) {
    const KeyRuns::Span* span = runs.spans.data() + runs.row_start[row];
    const KeyRuns::Span* end = runs.spans.data() + runs.row_start[row + rows];
    const std::ptrdiff_t to_step = to_pitch, from_step = from_pitch;
    if (first == 0 && n == runs.width) {
        // Whole rows: every span as it stands, one flat pass over them.
        to -= row * to_step;
        for (; span != end; ++span) {
            copy_span(to + span->row * to_step + span->begin,
                      from + span->row * from_step + span->begin,
                      static_cast<std::size_t>(span->end - span->begin));
        }
        return;
    }
    // Some columns: each span cut to them.
    const int last = first + n;
    to -= row * to_step + first;
    for (; span != end; ++span) {
        int lo = std::max(span->begin, first), hi = std::min(span->end, last);
        if (lo < hi)
            copy_span(to + span->row * to_step + lo, from + span->row * from_step + lo,
                      static_cast<std::size_t>(hi - lo));
    }
}
