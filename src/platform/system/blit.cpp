// Blits and colour fills in memory. A blit is planned once (its parts, the
// picture it reads: the source, a copy of it, its scaled copy; the source's
// runs where they pay) and then copied part by part by one inner routine per
// pixel size that trusts its rectangles.
#include "platform/system/blit.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__EMSCRIPTEN__)
#define V17_KEYED_AVX2 1
#include <immintrin.h>
#endif

bool rect_empty(const RECT& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

RECT rect_intersect(const RECT& a, const RECT& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool rect_inside(const RECT& r, int width, int height) {
    return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height;
}

namespace {

// The source offsets of destination offsets first, first + 1, ... when n
// source pixels span m destination pixels: the source pixel under the centre
// of each destination pixel, (2i + 1) n / 2m, stepped by quotient and
// remainder so that only the first one costs a division.
class NearestSteps {
public:
    NearestSteps() = default;  // steps by one, costing no division
    NearestSteps(int first, int n, int m)
        : den_(2 * static_cast<std::int64_t>(m)),
          step_q_(2 * static_cast<std::int64_t>(n) / den_),
          step_r_(2 * static_cast<std::int64_t>(n) % den_) {
        std::int64_t num = (2 * static_cast<std::int64_t>(first) + 1) * n;
        q_ = num / den_;
        r_ = num % den_;
    }
    // the offset of the current destination offset, then steps to the next
    int next() {
        int v = static_cast<int>(q_);
        q_ += step_q_;
        r_ += step_r_;
        if (r_ >= den_) ++q_, r_ -= den_;
        return v;
    }

private:
    std::int64_t den_ = 2, step_q_ = 1, step_r_ = 0, q_ = 0, r_ = 0;
};

struct BlitPlan {
    std::uint8_t* dest;
    int dest_pitch;
    const std::uint8_t* src;
    int src_pitch;
    RECT d, s;  // the whole destination and source rectangles, before clipping
    bool keyed;
    std::uint32_t key;
    const KeyRuns* runs = nullptr;  // keyed, 8-bit and unstretched: the source as runs
};

// Largest scaled copy a surface keeps, in bytes (a 256 x 256 8-bit picture).
constexpr std::int64_t kMaxScaledCopy = 256 * 256;

// Scratch of the blits, kept between calls so that a blit allocates nothing:
// one for each thread, where there are threads (the browser build has one, and
// WebAssembly's thread-local storage would need its atomics).
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
#define PER_THREAD
#else
#define PER_THREAD thread_local
#endif
PER_THREAD std::vector<RECT> parts_scratch;
PER_THREAD RECT one_part;
PER_THREAD std::vector<int> blit_columns;

constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;

// Stores the eight bytes of w at to but those equal to the key (keys holds it
// in every byte): a byte that differs from the key gets its high bit in
// `differs`, which widens to a byte mask that picks w's byte over the old one.
inline void keyed_word8(std::uint8_t* to, std::uint64_t w, std::uint64_t keys) {
    std::uint64_t x = w ^ keys;
    std::uint64_t differs = (((x & kLow7) + kLow7) | x) & ~kLow7;
    if (differs == 0) return;
    std::uint64_t mask = (differs >> 7) * 0xFF;
    if (mask != ~std::uint64_t{0}) {
        std::uint64_t old;
        std::memcpy(&old, to, sizeof old);
        w = (w & mask) | (old & ~mask);
    }
    std::memcpy(to, &w, sizeof w);
}

// pixel, or old where pixel is the key, chosen by a mask rather than a branch
inline std::uint8_t keyed_byte(std::uint8_t old, std::uint8_t pixel, std::uint8_t key) {
    auto drawn = static_cast<std::uint8_t>(-static_cast<int>(pixel != key));
    return static_cast<std::uint8_t>((pixel & drawn) | (old & ~drawn));
}

#if defined(__SSE2__)
// Sixteen bytes at once: where the source byte is the key the old byte stays.
inline __m128i keyed_value16(const std::uint8_t* to, const std::uint8_t* from, __m128i keys) {
    __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to));
    __m128i is_key = _mm_cmpeq_epi8(w, keys);
    return _mm_or_si128(_mm_and_si128(is_key, old), _mm_andnot_si128(is_key, w));
}

inline void keyed_block16(std::uint8_t* to, const std::uint8_t* from, __m128i keys) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), keyed_value16(to, from, keys));
}
#endif

// Copies n bytes but those equal to key, a block at a time. The last block
// ends at the last byte and may cover bytes done already: drawing a byte again
// from the same source gives the same result.
void keyed_span8(std::uint8_t* to, const std::uint8_t* from, int n, std::uint8_t key) {
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i keys = _mm_set1_epi8(static_cast<char>(key));
        if (n % 16 == 0) {
            for (int i = 0; i < n; i += 16) keyed_block16(to + i, from + i, keys);
            return;
        }
        // The last block is worked out before the block it overlaps is
        // stored: reading bytes just stored would stall on the store.
        __m128i last = keyed_value16(to + n - 16, from + n - 16, keys);
        for (int i = 0; i + 16 <= n; i += 16) keyed_block16(to + i, from + i, keys);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + n - 16), last);
        return;
    }
#endif
    if (n >= 8) {
        const std::uint64_t keys = 0x0101010101010101ull * key;
        std::uint64_t w;
        for (int i = 0; i + 8 <= n; i += 8) {
            std::memcpy(&w, from + i, sizeof w);
            keyed_word8(to + i, w, keys);
        }
        if (n % 8 != 0) {
            std::memcpy(&w, from + n - 8, sizeof w);
            keyed_word8(to + n - 8, w, keys);
        }
        return;
    }
    for (int i = 0; i < n; ++i) to[i] = keyed_byte(to[i], from[i], key);
}

#if defined(V17_KEYED_AVX2)
// Thirty-two bytes at once with AVX2: where the source byte is the key the old byte stays.
__attribute__((target("avx2"))) inline __m256i keyed_value32(const std::uint8_t* to,
                                                             const std::uint8_t* from,
                                                             __m256i keys) {
    __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
    __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to));
    return _mm256_blendv_epi8(w, old, _mm256_cmpeq_epi8(w, keys));
}

// Rows of n >= 32 pixels copied but where the source is the key, 32 pixels at
// a time, chosen while running where the processor has AVX2. As in
// keyed_span8, the last block of a row may cover pixels done already.
__attribute__((target("avx2"))) void keyed_rows8_avx2(std::uint8_t* to, std::ptrdiff_t to_pitch,
                                                      const std::uint8_t* from,
                                                      std::ptrdiff_t from_pitch, int n, int rows,
                                                      std::uint8_t key) {
    const __m256i keys = _mm256_set1_epi8(static_cast<char>(key));
    for (int y = 0; y < rows; ++y, to += to_pitch, from += from_pitch) {
        __m256i last = keyed_value32(to + n - 32, from + n - 32, keys);
        for (int i = 0; i + 32 <= n; i += 32)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + i),
                                keyed_value32(to + i, from + i, keys));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + n - 32), last);
    }
}

bool has_avx2() {
    static const bool yes = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return yes;
}
#endif

// The same from the bytes from[columns[0..n-1]]: each eight gathered into one
// word, so that no pixel costs a branch (sprites mix key and colour at random).
void keyed_gather8(std::uint8_t* to, const std::uint8_t* from, const int* columns, int n,
                   std::uint8_t key) {
    const std::uint64_t keys = 0x0101010101010101ull * key;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w = 0;
        for (int k = 0; k < 8; ++k) w |= std::uint64_t{from[columns[i + k]]} << (8 * k);
        keyed_word8(to + i, w, keys);
    }
    for (; i < n; ++i) to[i] = keyed_byte(to[i], from[columns[i]], key);
}

// Copies the part v (inside d and inside the surface) of the blit: trusted input.
template <typename T>
void blit_part(const BlitPlan& p, const RECT& v) {
    int dw = p.d.right - p.d.left, dh = p.d.bottom - p.d.top;
    int sw = p.s.right - p.s.left, sh = p.s.bottom - p.s.top;
    int n = v.right - v.left;
    const bool stretched = sw != dw;
    int* columns = nullptr;
    if (stretched) {
        if (blit_columns.size() < static_cast<std::size_t>(n)) blit_columns.resize(n);
        columns = blit_columns.data();
        NearestSteps column(v.left - p.d.left, sw, dw);
        for (int i = 0; i < n; ++i) columns[i] = column.next();
    }
    int first = p.s.left + (stretched ? 0 : v.left - p.d.left);
    if (p.runs && !stretched && p.s.bottom - p.s.top == dh) {
        // Only the spans that are not the key are written; nothing is read
        // from the destination.
        copy_key_runs(*p.runs, p.s.top + v.top - p.d.top, v.bottom - v.top, p.src, p.src_pitch,
                      first, n, p.dest + static_cast<std::ptrdiff_t>(v.top) * p.dest_pitch + v.left,
                      p.dest_pitch);
        return;
    }
    T key = static_cast<T>(p.key);
#if defined(V17_KEYED_AVX2)
    if (p.keyed && !stretched && sizeof(T) == 1 && sh == dh && n >= 32 && has_avx2()) {
        keyed_rows8_avx2(
            p.dest + static_cast<std::ptrdiff_t>(v.top) * p.dest_pitch + v.left, p.dest_pitch,
            p.src + static_cast<std::ptrdiff_t>(p.s.top + v.top - p.d.top) * p.src_pitch + first,
            p.src_pitch, n, v.bottom - v.top, static_cast<std::uint8_t>(key));
        return;
    }
#endif
    if (p.keyed) {
        // The destination rows are read as well as written: ask for all of
        // them at once rather than wait for each in turn.
        for (int y = v.top; y < v.bottom; ++y) {
            const std::uint8_t* at = p.dest + static_cast<std::ptrdiff_t>(y) * p.dest_pitch +
                                     static_cast<std::ptrdiff_t>(v.left) * sizeof(T);
            __builtin_prefetch(at);
            __builtin_prefetch(at + static_cast<std::ptrdiff_t>(n) * sizeof(T) - 1);
        }
    }
    // At the source's own height row i is source row i: no stepping needed.
    NearestSteps rows = sh == dh ? NearestSteps() : NearestSteps(v.top - p.d.top, sh, dh);
    for (int y = v.top; y < v.bottom; ++y) {
        int sy = p.s.top + (sh == dh ? y - p.d.top : rows.next());
        const T* from =
            reinterpret_cast<const T*>(p.src + static_cast<std::ptrdiff_t>(sy) * p.src_pitch) +
            first;
        T* to =
            reinterpret_cast<T*>(p.dest + static_cast<std::ptrdiff_t>(y) * p.dest_pitch) + v.left;
        if (!stretched && !p.keyed) {
            std::memcpy(to, from, sizeof(T) * n);
        } else if (!stretched && sizeof(T) == 1) {
            keyed_span8(reinterpret_cast<std::uint8_t*>(to),
                        reinterpret_cast<const std::uint8_t*>(from), n,
                        static_cast<std::uint8_t>(key));
        } else if (!stretched) {
            for (int i = 0; i < n; ++i) to[i] = from[i] != key ? from[i] : to[i];
        } else if (!p.keyed) {
            for (int i = 0; i < n; ++i) to[i] = from[columns[i]];
        } else if (sizeof(T) == 1) {
            keyed_gather8(reinterpret_cast<std::uint8_t*>(to),
                          reinterpret_cast<const std::uint8_t*>(from), columns, n,
                          static_cast<std::uint8_t>(key));
        } else {
            for (int i = 0; i < n; ++i) {
                T pixel = from[columns[i]];
                if (pixel != key) to[i] = pixel;
            }
        }
    }
}

template <typename T>
void fill_part(std::uint8_t* memory, int pitch, const RECT& v, T value) {
    if (v.left == 0 &&
        static_cast<std::size_t>(v.right) * sizeof(T) == static_cast<std::size_t>(pitch)) {
        // Whole rows follow each other: one fill covers them all.
        T* first = reinterpret_cast<T*>(memory + static_cast<std::ptrdiff_t>(v.top) * pitch);
        std::fill(first, first + static_cast<std::ptrdiff_t>(v.bottom - v.top) * v.right, value);
        return;
    }
    for (int y = v.top; y < v.bottom; ++y) {
        T* row = reinterpret_cast<T*>(memory + static_cast<std::ptrdiff_t>(y) * pitch);
        std::fill(row + v.left, row + v.right, value);
    }
}

// The runs to draw pixels (width x height, version) keyed with key from, or
// null for the blend.
const KeyRuns* runs_for(RunCache& cache, const std::uint8_t* pixels, int pitch, int width,
                        int height, std::uint64_t version, std::uint32_t key) {
    if (cache.made == version && cache.key == key) return cache.runs.worth ? &cache.runs : nullptr;
    if (cache.seen != version || cache.seen_key != key) {
        cache.seen = version;
        cache.seen_key = key;
        return nullptr;
    }
    encode_key_runs(pixels, pitch, width, height, static_cast<std::uint8_t>(key), &cache.runs);
    cache.made = version;
    cache.key = key;
    return cache.runs.worth ? &cache.runs : nullptr;
}

// Source rectangle s of from shrunk or stretched to width x height, made again
// when the pixels changed since it was made.
const std::uint8_t* scaled_copy(ScaledCopy& c, const SurfaceMemory& from, const RECT& s, int width,
                                int height, int* pitch) {
    int bytes = from.bytes_per_pixel;
    *pitch = width * bytes;
    bool same_source = c.source.left == s.left && c.source.top == s.top &&
                       c.source.right == s.right && c.source.bottom == s.bottom;
    if (c.version == from.version && c.width == width && c.height == height && same_source)
        return c.pixels.data();
    c.pixels.resize(static_cast<std::size_t>(width) * height * bytes);
    BlitPlan plan{c.pixels.data(),           *pitch, from.pixels, from.pitch,
                  RECT{0, 0, width, height}, s,      false,       0};
    if (bytes == 1) {
        blit_part<std::uint8_t>(plan, plan.d);
    } else {
        blit_part<std::uint16_t>(plan, plan.d);
    }
    c.source = s;
    c.width = width;
    c.height = height;
    c.version = from.version;
    static std::uint64_t makings = 0;
    c.made = ++makings;
    return c.pixels.data();
}

}  // namespace

int blit_parts(const RECT& d, int width, int height, const std::vector<RECT>* clips,
               const RECT** parts, std::size_t* count) {
    if (!clips) {
        if (!rect_inside(d, width, height)) return 0;
        one_part = d;
        *parts = &one_part;
        *count = 1;
        return 1;
    }
    RECT bounds{0, 0, width, height};
    if (clips->size() == 1) {
        // One clip rectangle, as a window's back buffer has, needs no list.
        one_part = rect_intersect(rect_intersect((*clips)[0], bounds), d);
        *parts = &one_part;
        *count = rect_empty(one_part) ? 0 : 1;
        return 1;
    }
    parts_scratch.clear();
    for (const RECT& r : *clips) {
        RECT c = rect_intersect(rect_intersect(r, bounds), d);
        if (!rect_empty(c)) parts_scratch.push_back(c);
    }
    *parts = parts_scratch.data();
    *count = parts_scratch.size();
    return 1;
}

void blit(const SurfaceMemory& to, const SurfaceMemory& from, BlitCaches* caches, const RECT& d,
          const RECT& s, bool keyed, std::uint32_t key, const RECT* parts, std::size_t count) {
    // A blit within one surface reads from a copy.
    bool self = from.pixels == to.pixels;
    std::vector<std::uint8_t> copy;
    const std::uint8_t* src = from.pixels;
    if (self) {
        copy.assign(to.pixels, to.pixels + static_cast<std::size_t>(to.pitch) * to.height);
        src = copy.data();
    }
    BlitPlan plan{to.pixels, to.pitch, src, from.pitch, d, s, keyed, key};
    bool eight = to.bytes_per_pixel == 1;
    // A small stretched blit draws from the source's scaled copy at its own size.
    int dw = d.right - d.left, dh = d.bottom - d.top;
    bool stretched = dw != s.right - s.left || dh != s.bottom - s.top;
    if (stretched && !self &&
        static_cast<std::int64_t>(dw) * dh * to.bytes_per_pixel <= kMaxScaledCopy) {
        plan.src = scaled_copy(caches->scaled, from, s, dw, dh, &plan.src_pitch);
        plan.s = RECT{0, 0, dw, dh};
        stretched = false;
        if (plan.keyed && eight)
            plan.runs = runs_for(caches->scaled.runs, plan.src, plan.src_pitch, dw, dh,
                                 caches->scaled.made, plan.key);
    } else if (plan.keyed && eight && !stretched && !self) {
        plan.runs = runs_for(caches->runs, from.pixels, from.pitch, from.width, from.height,
                             from.version, plan.key);
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (eight) {
            blit_part<std::uint8_t>(plan, parts[i]);
        } else {
            blit_part<std::uint16_t>(plan, parts[i]);
        }
    }
}

void fill_parts(const SurfaceMemory& to, std::uint32_t value, const RECT* parts,
                std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (to.bytes_per_pixel == 1) {
            fill_part<std::uint8_t>(to.pixels, to.pitch, parts[i],
                                    static_cast<std::uint8_t>(value));
        } else {
            fill_part<std::uint16_t>(to.pixels, to.pitch, parts[i],
                                     static_cast<std::uint16_t>(value));
        }
    }
}
