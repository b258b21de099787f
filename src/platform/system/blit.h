/// @file
/// The copying behind the display's blits and colour fills: the plan of a blit
/// (the parts a clip list leaves, the picture to read from), the inner routines
/// that copy a part by pixel size (keyed ones a word, 16 or, where the processor
/// has AVX2, 32 pixels at a time) and the two caches a source surface keeps for
/// them: its keyed picture as runs (key_runs.h) and its last stretched copy. The
/// display's objects check a blit's arguments; everything here trusts them.
/// Needs nothing but memory.
/// @ingroup display
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/system/key_runs.h"
#include "platform/system/types.h"

/// @addtogroup display
/// @{

// ---- rectangles ----------------------------------------------------------------

/// true when r holds no pixel
bool rect_empty(const RECT& r);
/// the pixels both hold (empty when none)
RECT rect_intersect(const RECT& a, const RECT& b);
/// true when r lies inside a surface of width x height
bool rect_inside(const RECT& r, int width, int height);

// ---- what a blit reads and writes ------------------------------------------------

/// A surface's memory: width x height pixels of 1 or 2 bytes, rows pitch bytes apart.
struct SurfaceMemory {
    std::uint8_t* pixels = nullptr;        ///< the memory, from the top-left pixel
    int pitch = 0, width = 0, height = 0;  ///< bytes from one row to the next; size in pixels
    int bytes_per_pixel = 1;               ///< 1 or 2
    std::uint64_t version = 0;             ///< counts changes of the pixels: the caches' key
};

/// The runs of a keyed 8-bit picture, made on its second keyed blit with the
/// same pixels and key, so that a picture that changes between its blits is
/// never encoded.
struct RunCache {
    KeyRuns runs;                         ///< the picture encoded as runs
    std::uint64_t made = 0, seen = 0;     ///< the pixels' version encoded, and last blitted
    std::uint32_t key = 0, seen_key = 0;  ///< the key encoded, and last blitted with
};

/// The last stretched picture taken from a surface, kept because a game draws
/// the same sprite at the same size many times a frame.
struct ScaledCopy {
    std::vector<std::uint8_t> pixels;  ///< the copy, its rows packed
    RECT source{};                     ///< the rectangle of the source it was made from
    int width = 0, height = 0;         ///< its size in pixels
    std::uint64_t version = 0;         ///< the source's version when made; 0: none
    std::uint64_t made = 0;            ///< which making of a scaled copy this one is
    RunCache runs;                     ///< the copy as runs, for keyed 8-bit blits
};

/// What a source surface keeps between blits.
struct BlitCaches {
    ScaledCopy scaled;  ///< the last stretched copy, for small stretched blits
    RunCache runs;      ///< the whole picture as runs, for keyed unstretched 8-bit blits
};

// ---- operations --------------------------------------------------------------------

/// The parts of destination rectangle d of a surface of width x height to draw:
/// d cut by each of the clip rectangles and by the surface, or d itself without
/// clips (null). 1 with the parts in *parts (scratch of this thread, valid until
/// the next call) and their number in *count; 0 when d reaches outside an
/// unclipped surface.
int blit_parts(const RECT& d, int width, int height, const std::vector<RECT>* clips,
               const RECT** parts, std::size_t* count);
/// copies source rectangle s of from onto destination rectangle d of to (of the
/// same pixel size), stretched to the source pixel under each pixel's centre,
/// skipping source pixels equal to key when keyed, inside parts[0..count) only
/// (each inside d and inside to); caches are from's. A blit within one surface
/// reads from a copy, so that the parts it writes first do not feed later ones.
void blit(const SurfaceMemory& to, const SurfaceMemory& from, BlitCaches* caches, const RECT& d,
          const RECT& s, bool keyed, std::uint32_t key, const RECT* parts, std::size_t count);
/// fills parts[0..count) of to (each inside it) with the pixel value
void fill_parts(const SurfaceMemory& to, std::uint32_t value, const RECT* parts, std::size_t count);

/// @}
