#include "platform/key_runs.h"

#include <algorithm>
#include <cstring>

namespace {

// Below this many pixels a span on average, blending every pixel of the box
// (16 at a time) costs less than a copy a span.
constexpr std::int64_t kMinMeanSpan = 12;

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
                out->spans.push_back({begin, x});
                opaque += x - begin;
            }
        }
    }
    out->row_start[height] = static_cast<std::int32_t>(out->spans.size());
    out->worth = opaque >= kMinMeanSpan * static_cast<std::int64_t>(out->spans.size());
}

void copy_key_runs(const KeyRuns& runs, int row, int rows, const std::uint8_t* from, int from_pitch,
                   int first, int n, std::uint8_t* to, int to_pitch) {
    const int last = first + n;
    const KeyRuns::Span* spans = runs.spans.data();
    for (int y = row; y < row + rows; ++y, to += to_pitch) {
        const std::uint8_t* from_row = from + static_cast<std::ptrdiff_t>(y) * from_pitch;
        const KeyRuns::Span* span = spans + runs.row_start[y];
        const KeyRuns::Span* end = spans + runs.row_start[y + 1];
        for (; span != end && span->begin < last; ++span) {
            int lo = std::max(span->begin, first), hi = std::min(span->end, last);
            if (lo < hi)
                std::memcpy(to + (lo - first), from_row + lo, static_cast<std::size_t>(hi - lo));
        }
    }
}
