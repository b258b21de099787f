// Surfaces, palettes and clippers in memory, owned by their display object.
// A blit is checked and cut by the clip rectangles once, then copied by one
// inner routine per pixel size that trusts its rectangles. The one primary
// surface of the run is the picture the backend shows.
#include "platform/system/ddraw.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__EMSCRIPTEN__)
#define V17_KEYED_AVX2 1
#include <immintrin.h>
#endif

#include "platform/system/backend.h"
#include "platform/system/gdi.h"
#include "platform/system/ticks.h"
#include "platform/system/win32.h"

namespace {

constexpr int kMaxSide = 16384;
constexpr std::uint32_t kMaxClipRects = 4096;
constexpr std::uint32_t kRefreshMs = 16;  // a 60 Hz display refreshes every 16.7 ms

// ---- presentation state -----------------------------------------------------------

DirectDrawSurface* shown = nullptr;  // the primary surface, or null
bool frame_changed = false;          // the primary or its palette changed since shown
bool presented_once = false;
std::uint32_t last_present_ms = 0;  // real clock at the last present
int live_display_objects = 0;

bool present_due() {
    Backend* b = backend();
    if (!b || virtual_clock_in_use()) return true;
    return !presented_once || b->real_ticks() - last_present_ms >= kRefreshMs;
}

// Expands 16-bit pixels to 3-3-2 indices: the backend shows 8-bit frames only.
void present_16(DirectDrawSurface* s, Backend* b) {
    static std::vector<std::uint8_t> indices;
    static std::uint8_t rgb[768];
    for (int i = 0; i < 256; ++i) {
        rgb[3 * i] = static_cast<std::uint8_t>((i >> 5) * 255 / 7);
        rgb[3 * i + 1] = static_cast<std::uint8_t>((i >> 2 & 7) * 255 / 7);
        rgb[3 * i + 2] = static_cast<std::uint8_t>((i & 3) * 255 / 3);
    }
    int w = s->width(), h = s->height();
    indices.resize(static_cast<std::size_t>(w) * h);
    bool five55 = s->bits_per_pixel() == 15;
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint16_t*>(s->pixels() + y * s->pitch());
        for (int x = 0; x < w; ++x) {
            unsigned p = row[x];
            unsigned r = five55 ? p >> 10 & 31 : p >> 11 & 31;
            unsigned g = five55 ? (p >> 5 & 31) << 1 : p >> 5 & 63;
            unsigned b5 = p & 31;
            indices[static_cast<std::size_t>(y) * w + x] =
                static_cast<std::uint8_t>((r >> 2) << 5 | (g >> 3) << 2 | b5 >> 3);
        }
    }
    b->present(indices.data(), w, w, h, rgb);
}

void present_now() {
    Backend* b = backend();
    frame_changed = false;
    if (!b || !shown) return;
    if (shown->bits_per_pixel() == 8) {
        std::uint8_t rgb[768] = {};
        if (const PALETTEENTRY* pal = shown->palette_entries()) {
            for (int i = 0; i < 256; ++i) {
                rgb[3 * i] = pal[i].peRed;
                rgb[3 * i + 1] = pal[i].peGreen;
                rgb[3 * i + 2] = pal[i].peBlue;
            }
        }
        b->present(shown->pixels(), shown->pitch(), shown->width(), shown->height(), rgb);
    } else {
        present_16(shown, b);
    }
    presented_once = true;
    last_present_ms = b->real_ticks();
}

// ---- rectangles -------------------------------------------------------------------

bool empty(const RECT& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

RECT intersect(const RECT& a, const RECT& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool inside(const RECT& r, int width, int height) {
    return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height;
}

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

// Scratch of the blits, kept between calls so that a blit allocates nothing.
thread_local std::vector<RECT> blit_parts;
thread_local std::vector<int> blit_columns;

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

void describe_format(int bpp, DDPIXELFORMAT* f) {
    *f = DDPIXELFORMAT{};
    f->dwSize = sizeof(DDPIXELFORMAT);
    f->dwRGBBitCount = static_cast<std::uint32_t>(bpp);
    if (bpp == 8) {
        f->dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    } else if (bpp == 15) {
        f->dwFlags = DDPF_RGB;
        f->dwRBitMask = 0x7C00, f->dwGBitMask = 0x03E0, f->dwBBitMask = 0x001F;
    } else {
        f->dwFlags = DDPF_RGB;
        f->dwRBitMask = 0xF800, f->dwGBitMask = 0x07E0, f->dwBBitMask = 0x001F;
    }
}

}  // namespace

// ---- objects ------------------------------------------------------------------------

std::uint32_t DirectDrawObject::release() {
    if (--refs_ != 0) return refs_;
    owner_->forget(this);
    delete this;
    return 0;
}

// ---- palette ------------------------------------------------------------------------

HRESULT DirectDrawPalette::set_entries(std::uint32_t, std::uint32_t start, std::uint32_t count,
                                       const PALETTEENTRY* entries) {
    if (!entries || start > 255 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::memcpy(entries_ + start, entries, count * sizeof(PALETTEENTRY));
    if (shown && shown->palette_entries() == entries_) frame_changed = true;
    return DD_OK;
}

HRESULT DirectDrawPalette::get_entries(std::uint32_t, std::uint32_t start, std::uint32_t count,
                                       PALETTEENTRY* entries) const {
    if (!entries || start > 255 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::memcpy(entries, entries_ + start, count * sizeof(PALETTEENTRY));
    return DD_OK;
}

// ---- clipper ------------------------------------------------------------------------

HRESULT DirectDrawClipper::set_clip_list(const RGNDATA* region, std::uint32_t) {
    if (!region) {
        rects_.clear();
        return DD_OK;
    }
    const RGNDATAHEADER& h = region->rdh;
    if (h.dwSize != sizeof(RGNDATAHEADER) || h.iType != RDH_RECTANGLES ||
        h.nCount > kMaxClipRects || h.nRgnSize < h.nCount * sizeof(RECT))
        return DDERR_INVALIDPARAMS;
    rects_.resize(h.nCount);
    const char* bytes = reinterpret_cast<const char*>(region) + sizeof(RGNDATAHEADER);
    if (h.nCount) std::memcpy(rects_.data(), bytes, h.nCount * sizeof(RECT));
    hwnd_ = nullptr;
    return DD_OK;
}

std::vector<RECT> DirectDrawClipper::rectangles() const {
    if (!hwnd_) return rects_;
    RECT w{};
    if (!get_window_rect(hwnd_, &w)) return {};
    return {RECT{0, 0, w.right - w.left, w.bottom - w.top}};
}

HRESULT DirectDrawClipper::get_clip_list(const RECT* clip, RGNDATA* region,
                                         std::uint32_t* size) const {
    if (!size) return DDERR_INVALIDPARAMS;
    std::vector<RECT> list;
    for (const RECT& r : rectangles()) {
        RECT c = clip ? intersect(r, *clip) : r;
        if (!empty(c)) list.push_back(c);
    }
    if (list.empty()) return DDERR_NOCLIPLIST;
    auto needed = static_cast<std::uint32_t>(sizeof(RGNDATAHEADER) + list.size() * sizeof(RECT));
    if (!region) {
        *size = needed;
        return DD_OK;
    }
    if (*size < needed) return DDERR_INVALIDPARAMS;
    RGNDATAHEADER h{sizeof(RGNDATAHEADER), RDH_RECTANGLES, static_cast<std::uint32_t>(list.size()),
                    static_cast<std::uint32_t>(list.size() * sizeof(RECT)),
                    RECT{64000, 64000, -64000, -64000}};
    for (const RECT& r : list) {
        h.rcBound = {std::min(h.rcBound.left, r.left), std::min(h.rcBound.top, r.top),
                     std::max(h.rcBound.right, r.right), std::max(h.rcBound.bottom, r.bottom)};
    }
    region->rdh = h;
    std::memcpy(reinterpret_cast<char*>(region) + sizeof(RGNDATAHEADER), list.data(),
                list.size() * sizeof(RECT));
    return DD_OK;
}

HRESULT DirectDrawClipper::set_hwnd(std::uint32_t, HWND hwnd) {
    if (!hwnd) return DDERR_INVALIDPARAMS;
    hwnd_ = hwnd;
    rects_.clear();
    return DD_OK;
}

// ---- surface ------------------------------------------------------------------------

DirectDrawSurface::DirectDrawSurface(DirectDraw* owner, int width, int height, int bpp,
                                     std::uint32_t caps)
    : DirectDrawObject(owner), width_(width), height_(height), bpp_(bpp), caps_(caps) {
    pitch_ = (width * bytes_per_pixel() + 31) / 32 * 32;
    std::size_t bytes = static_cast<std::size_t>(pitch_) * height;
    memory_ = static_cast<std::uint8_t*>(std::aligned_alloc(32, bytes));
    if (memory_) std::memset(memory_, 0, bytes);
}

DirectDrawSurface::~DirectDrawSurface() {
    if (dc_) close_surface_dc(dc_);
    if (shown == this) shown = nullptr;
    if (front_) front_->back_ = nullptr;
    if (back_) back_->front_ = nullptr;
    if (!owner_->tearing_down_) {
        if (palette_) palette_->release();
        if (clipper_) clipper_->release();
        if (back_) back_->release();
    }
    std::free(memory_);
}

const PALETTEENTRY* DirectDrawSurface::palette_entries() const {
    if (palette_) return palette_->entries();
    if (front_ && front_->palette_) return front_->palette_->entries();
    if (shown && shown->palette_) return shown->palette_->entries();
    return nullptr;
}

void DirectDrawSurface::changed() {
    ++version_;
    if (this == shown) frame_changed = true;
}

// The destination's pieces to draw: the clip rectangles inside the surface, or
// the destination itself when it lies inside an unclipped surface.
HRESULT DirectDrawSurface::clip_rects(const RECT& dest, std::vector<RECT>* out) const {
    if (!clipper_) {
        if (!inside(dest, width_, height_)) return DDERR_INVALIDRECT;
        out->push_back(dest);
        return DD_OK;
    }
    RECT bounds{0, 0, width_, height_};
    const std::vector<RECT>* list = clipper_->list();
    std::vector<RECT> window;
    if (!list) {
        window = clipper_->rectangles();
        list = &window;
    }
    for (const RECT& r : *list) {
        RECT c = intersect(intersect(r, bounds), dest);
        if (!empty(c)) out->push_back(c);
    }
    return DD_OK;
}

HRESULT DirectDrawSurface::color_fill(const RECT& dest, std::uint32_t color) {
    std::vector<RECT>& parts = blit_parts;
    parts.clear();
    if (HRESULT r = clip_rects(dest, &parts); r != DD_OK) return r;
    for (const RECT& v : parts) {
        if (bpp_ == 8) {
            fill_part<std::uint8_t>(memory_, pitch_, v, static_cast<std::uint8_t>(color));
        } else {
            fill_part<std::uint16_t>(memory_, pitch_, v, static_cast<std::uint16_t>(color));
        }
    }
    changed();
    return DD_OK;
}

HRESULT DirectDrawSurface::blt(const RECT* dest, DirectDrawSurface* src, const RECT* src_rect,
                               std::uint32_t flags, const DDBLTFX* fx) {
    if (locked_) return DDERR_SURFACEBUSY;
    RECT d = dest ? *dest : RECT{0, 0, width_, height_};
    if (empty(d)) return DDERR_INVALIDRECT;
    if (flags & DDBLT_COLORFILL) return fx ? color_fill(d, fx->dwFillColor) : DDERR_INVALIDPARAMS;
    if (!src || src->bytes_per_pixel() != bytes_per_pixel()) return DDERR_INVALIDPARAMS;
    if (src->locked_) return DDERR_SURFACEBUSY;
    if ((flags & DDBLT_KEYSRC) && !src->has_key_) return DDERR_NOCOLORKEY;
    RECT s = src_rect ? *src_rect : RECT{0, 0, src->width_, src->height_};
    if (empty(s) || !inside(s, src->width_, src->height_)) return DDERR_INVALIDRECT;
    // One clip rectangle, as a window's back buffer has, needs no list of parts.
    RECT one;
    const RECT* parts = &one;
    std::size_t part_count = 1;
    const std::vector<RECT>* list = clipper_ ? clipper_->list() : nullptr;
    if (list && list->size() == 1) {
        one = intersect(intersect((*list)[0], RECT{0, 0, width_, height_}), d);
        part_count = empty(one) ? 0 : 1;
    } else {
        blit_parts.clear();
        if (HRESULT r = clip_rects(d, &blit_parts); r != DD_OK) return r;
        parts = blit_parts.data();
        part_count = blit_parts.size();
    }

    // A blit within one surface reads from a copy, so that the parts it writes
    // first do not feed the parts it writes later.
    std::vector<std::uint8_t> copy;
    const std::uint8_t* from = src->memory_;
    if (src == this) {
        copy.assign(memory_, memory_ + static_cast<std::size_t>(pitch_) * height_);
        from = copy.data();
    }
    BlitPlan plan{memory_,
                  pitch_,
                  from,
                  src->pitch_,
                  d,
                  s,
                  (flags & DDBLT_KEYSRC) != 0,
                  src->key_.dwColorSpaceLowValue};
    // A small stretched blit draws from the source's scaled copy at its own size.
    int dw = d.right - d.left, dh = d.bottom - d.top;
    bool stretched = dw != s.right - s.left || dh != s.bottom - s.top;
    if (stretched && src != this &&
        static_cast<std::int64_t>(dw) * dh * bytes_per_pixel() <= kMaxScaledCopy) {
        plan.src = src->scaled_copy(s, dw, dh, &plan.src_pitch);
        plan.s = RECT{0, 0, dw, dh};
        stretched = false;
        if (plan.keyed && bpp_ == 8)
            plan.runs = runs_for(src->scaled_.runs, plan.src, plan.src_pitch, dw, dh,
                                 src->scaled_.made, plan.key);
    } else if (plan.keyed && bpp_ == 8 && !stretched && src != this) {
        plan.runs = runs_for(src->runs_, src->memory_, src->pitch_, src->width_, src->height_,
                             src->version_, plan.key);
    }
    for (std::size_t i = 0; i < part_count; ++i) {
        if (bpp_ == 8) {
            blit_part<std::uint8_t>(plan, parts[i]);
        } else {
            blit_part<std::uint16_t>(plan, parts[i]);
        }
    }
    changed();
    return DD_OK;
}

const KeyRuns* DirectDrawSurface::runs_for(RunCache& cache, const std::uint8_t* pixels, int pitch,
                                           int width, int height, std::uint64_t version,
                                           std::uint32_t key) {
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

const std::uint8_t* DirectDrawSurface::scaled_copy(const RECT& s, int width, int height,
                                                   int* pitch) {
    int bytes = bytes_per_pixel();
    *pitch = width * bytes;
    ScaledCopy& c = scaled_;
    bool same_source = c.source.left == s.left && c.source.top == s.top &&
                       c.source.right == s.right && c.source.bottom == s.bottom;
    if (c.version == version_ && c.width == width && c.height == height && same_source)
        return c.pixels.data();
    c.pixels.resize(static_cast<std::size_t>(width) * height * bytes);
    BlitPlan plan{c.pixels.data(), *pitch, memory_, pitch_, RECT{0, 0, width, height}, s, false, 0};
    if (bpp_ == 8) {
        blit_part<std::uint8_t>(plan, plan.d);
    } else {
        blit_part<std::uint16_t>(plan, plan.d);
    }
    c.source = s;
    c.width = width;
    c.height = height;
    c.version = version_;
    static std::uint64_t makings = 0;
    c.made = ++makings;
    return c.pixels.data();
}

HRESULT DirectDrawSurface::lock(const RECT* rect, DDSURFACEDESC2* desc, std::uint32_t, void*) {
    if (!desc) return DDERR_INVALIDPARAMS;
    if (locked_) return DDERR_SURFACEBUSY;
    RECT r = rect ? *rect : RECT{0, 0, width_, height_};
    if (empty(r) || !inside(r, width_, height_)) return DDERR_INVALIDRECT;
    get_surface_desc(desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface =
        memory_ + static_cast<std::ptrdiff_t>(r.top) * pitch_ + r.left * bytes_per_pixel();
    locked_ = true;
    return DD_OK;
}

HRESULT DirectDrawSurface::unlock(const RECT*) {
    if (!locked_ || dc_) return DDERR_NOTLOCKED;
    locked_ = false;
    changed();
    return DD_OK;
}

HRESULT DirectDrawSurface::flip(DirectDrawSurface* target, std::uint32_t) {
    if (!back_ || (target && target != back_)) return DDERR_NOTFLIPPABLE;
    if (locked_ || back_->locked_) return DDERR_SURFACEBUSY;
    std::swap(memory_, back_->memory_);
    ++back_->version_;
    changed();
    if (frame_changed && present_due()) present_now();
    return DD_OK;
}

HRESULT DirectDrawSurface::get_attached_surface(const DDSCAPS2* caps, DirectDrawSurface** out) {
    if (!caps || !out) return DDERR_INVALIDPARAMS;
    if (!(caps->dwCaps & DDSCAPS_BACKBUFFER) || !back_) return DDERR_NOTFOUND;
    back_->add_ref();
    *out = back_;
    return DD_OK;
}

HRESULT DirectDrawSurface::set_color_key(std::uint32_t flags, const DDCOLORKEY* key) {
    if (!(flags & DDCKEY_SRCBLT)) return DDERR_INVALIDPARAMS;
    has_key_ = key != nullptr;
    key_ = key ? *key : DDCOLORKEY{};
    return DD_OK;
}

HRESULT DirectDrawSurface::get_color_key(std::uint32_t flags, DDCOLORKEY* key) const {
    if (!(flags & DDCKEY_SRCBLT) || !key) return DDERR_INVALIDPARAMS;
    if (!has_key_) return DDERR_NOCOLORKEY;
    *key = key_;
    return DD_OK;
}

HRESULT DirectDrawSurface::set_palette(DirectDrawPalette* palette) {
    if (palette) palette->add_ref();
    if (palette_) palette_->release();
    palette_ = palette;
    changed();
    return DD_OK;
}

HRESULT DirectDrawSurface::get_palette(DirectDrawPalette** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    if (!palette_) return DDERR_NOPALETTEATTACHED;
    palette_->add_ref();
    *out = palette_;
    return DD_OK;
}

HRESULT DirectDrawSurface::set_clipper(DirectDrawClipper* clipper) {
    if (clipper) clipper->add_ref();
    if (clipper_) clipper_->release();
    clipper_ = clipper;
    return DD_OK;
}

HRESULT DirectDrawSurface::get_clipper(DirectDrawClipper** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    if (!clipper_) return DDERR_NOCLIPPERATTACHED;
    clipper_->add_ref();
    *out = clipper_;
    return DD_OK;
}

HRESULT DirectDrawSurface::get_pixel_format(DDPIXELFORMAT* format) const {
    if (!format) return DDERR_INVALIDPARAMS;
    describe_format(bpp_, format);
    return DD_OK;
}

HRESULT DirectDrawSurface::get_surface_desc(DDSURFACEDESC2* desc) const {
    if (!desc) return DDERR_INVALIDPARAMS;
    *desc = DDSURFACEDESC2{};
    desc->dwSize = sizeof(DDSURFACEDESC2);
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<std::uint32_t>(width_);
    desc->dwHeight = static_cast<std::uint32_t>(height_);
    desc->lPitch = pitch_;
    desc->ddsCaps.dwCaps = caps_;
    if (has_key_) desc->ddckCKSrcBlt = key_;
    describe_format(bpp_, &desc->ddpfPixelFormat);
    return DD_OK;
}

HRESULT DirectDrawSurface::get_dc(HDC* dc) {
    if (!dc) return DDERR_INVALIDPARAMS;
    if (locked_) return DDERR_SURFACEBUSY;
    dc_ = open_surface_dc(memory_, pitch_, width_, height_, bpp_, palette_entries());
    if (!dc_) return DDERR_GENERIC;
    locked_ = true;
    *dc = dc_;
    return DD_OK;
}

HRESULT DirectDrawSurface::release_dc(HDC dc) {
    if (!dc_ || dc != dc_) return DDERR_INVALIDPARAMS;
    close_surface_dc(dc_);
    dc_ = nullptr;
    locked_ = false;
    changed();
    return DD_OK;
}

// ---- display object -------------------------------------------------------------------

HRESULT direct_draw_create_ex(const void*, DirectDraw** out, int iid, void* outer) {
    if (!out || iid != IID_IDirectDraw7 || outer) return DDERR_INVALIDPARAMS;
    *out = new DirectDraw;
    // While a display object lives, the message pump and every poll show what
    // changed on its primary surface.
    if (live_display_objects++ == 0) set_present_hook(present_if_changed);
    return DD_OK;
}

DirectDraw::~DirectDraw() {
    tearing_down_ = true;
    for (DirectDrawObject* o : objects_) delete o;
    objects_.clear();
    if (--live_display_objects == 0) set_present_hook(nullptr);
}

std::uint32_t DirectDraw::release() {
    if (--refs_ != 0) return refs_;
    delete this;
    return 0;
}

void DirectDraw::forget(DirectDrawObject* object) {
    auto it = std::find(objects_.begin(), objects_.end(), object);
    if (it != objects_.end()) objects_.erase(it);
}

HRESULT DirectDraw::set_cooperative_level(HWND hwnd, std::uint32_t flags) {
    bool full = (flags & DDSCL_FULLSCREEN) != 0;
    if (full && (!(flags & DDSCL_EXCLUSIVE) || !hwnd)) return DDERR_INVALIDPARAMS;
    if (!full && !(flags & DDSCL_NORMAL)) return DDERR_INVALIDPARAMS;
    hwnd_ = hwnd;
    level_ = flags;
    return DD_OK;
}

HRESULT DirectDraw::set_display_mode(std::uint32_t width, std::uint32_t height, std::uint32_t bpp,
                                     std::uint32_t, std::uint32_t) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return DDERR_INVALIDMODE;
    if (bpp != 8 && bpp != 15 && bpp != 16) return DDERR_INVALIDMODE;
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    bpp_ = static_cast<int>(bpp);
    return DD_OK;
}

HRESULT DirectDraw::create_surface(DDSURFACEDESC2* desc, DirectDrawSurface** out, void* outer) {
    if (!desc || !out || outer) return DDERR_INVALIDPARAMS;
    std::uint32_t caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
    bool primary = (caps & DDSCAPS_PRIMARYSURFACE) != 0;
    bool flipping = (caps & DDSCAPS_FLIP) != 0;
    int w = width_, h = height_, bpp = bpp_;
    if (primary) {
        if (shown) return DDERR_PRIMARYSURFACEALREADYEXISTS;
        bool one_back = (desc->dwFlags & DDSD_BACKBUFFERCOUNT) && desc->dwBackBufferCount == 1;
        if (flipping && (!(caps & DDSCAPS_COMPLEX) || !one_back)) return DDERR_INVALIDPARAMS;
    } else {
        if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) || flipping)
            return DDERR_INVALIDPARAMS;
        if (desc->dwWidth < 1 || desc->dwHeight < 1 || desc->dwWidth > kMaxSide ||
            desc->dwHeight > kMaxSide)
            return DDERR_INVALIDPARAMS;
        w = static_cast<int>(desc->dwWidth);
        h = static_cast<int>(desc->dwHeight);
        if (desc->dwFlags & DDSD_PIXELFORMAT) {
            bpp = static_cast<int>(desc->ddpfPixelFormat.dwRGBBitCount);
            if (bpp != 8 && bpp != 15 && bpp != 16) return DDERR_INVALIDPARAMS;
        }
    }
    auto* s = new DirectDrawSurface(this, w, h, bpp, caps | (flipping ? DDSCAPS_FRONTBUFFER : 0));
    objects_.push_back(s);
    if (!s->memory_) {
        s->release();
        return DDERR_OUTOFMEMORY;
    }
    if (flipping) {
        auto* back = new DirectDrawSurface(this, w, h, bpp,
                                           DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
        objects_.push_back(back);
        s->back_ = back;
        back->front_ = s;
        if (!back->memory_) {
            s->release();
            return DDERR_OUTOFMEMORY;
        }
    }
    if (primary) {
        shown = s;
        frame_changed = true;
    }
    *out = s;
    return DD_OK;
}

HRESULT DirectDraw::create_palette(std::uint32_t flags, const PALETTEENTRY* entries,
                                   DirectDrawPalette** out, void* outer) {
    if (!out || outer || !(flags & DDPCAPS_8BIT)) return DDERR_INVALIDPARAMS;
    auto* p = new DirectDrawPalette(this);
    if (entries) std::memcpy(p->entries_, entries, sizeof p->entries_);
    objects_.push_back(p);
    *out = p;
    return DD_OK;
}

HRESULT DirectDraw::create_clipper(std::uint32_t, DirectDrawClipper** out, void* outer) {
    if (!out || outer) return DDERR_INVALIDPARAMS;
    auto* c = new DirectDrawClipper(this);
    objects_.push_back(c);
    *out = c;
    return DD_OK;
}

HRESULT DirectDraw::wait_for_vertical_blank(std::uint32_t flags, void*) {
    if (flags != DDWAITVB_BLOCKBEGIN) return DDERR_INVALIDPARAMS;
    std::uint32_t now = get_tick_count();
    std::uint64_t refresh = static_cast<std::uint64_t>(now) * 60 / 1000 + 1;
    auto target = static_cast<std::uint32_t>((refresh * 1000 + 59) / 60);
    set_poll_deadline(target);
    while (static_cast<std::int32_t>(get_tick_count() - target) < 0) yield_processor();
    clear_poll_deadline();
    return DD_OK;
}

// ---- presentation ----------------------------------------------------------------------

void present_if_changed() {
    // Memory of a locked primary may change under the lock, as on the real
    // display, so it is shown whenever a refresh is due.
    bool changing = frame_changed || (shown && shown->locked());
    if (changing && present_due()) present_now();
}
