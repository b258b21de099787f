// Our drawing operations beside the same operations in SDL2 (8-bit surfaces)
// and, when it is installed, Allegro 4.4 (8-bit memory bitmaps), and beside the
// physical floor (memset, memcpy or a plain loop), on 1280 x 1024 8-bit memory.
// Each benchmark is named operation/variant so that one run gives the ratios;
// scripts/bench runs it with repetitions and interleaving and writes the table.
// The level-3 frame and the start-up read the game's assets from the working
// directory (scripts/bench runs it in build/release/assets).
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_table.h"
#include "game/screens.h"
#include "game/setup.h"
#include "game/world.h"
#include "gfx/bob.h"
#include "gfx/display.h"
#include "platform/backends/frame_colours.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/system/backend.h"
#include "platform/system/dinput.h"
#include "platform/system/win32.h"
#include "raster/bitmap.h"
#include "raster/lines.h"
#include "raster/polygons.h"
#include "raster/spans.h"
#include "shell/session.h"
#include "shell/winmain.h"

#ifdef V17_HAVE_ALLEGRO
#include "peers_allegro.h"
#endif

namespace {

constexpr int W = 1280;
constexpr int H = 1024;
using Bytes = std::vector<std::uint8_t>;

// ---- test material -------------------------------------------------------------------

// A sprite of w x h whose pixels are 0 (the key) with probability `holes`.
Bytes sprite_pixels(int w, int h, double holes, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::uniform_int_distribution<int> c(1, 255);
    Bytes p(static_cast<std::size_t>(w) * h);
    for (auto& v : p) v = u(random) < holes ? 0 : static_cast<std::uint8_t>(c(random));
    return p;
}

// A character's silhouette of w x h: an opaque body (an ellipse with a head
// and legs, of many colours) in a transparent surround of key 0.
Bytes silhouette_pixels(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> c(1, 255);
    Bytes p(static_cast<std::size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double u = (x + 0.5) / w - 0.5, v = (y + 0.5) / h - 0.5;
            bool body = u * u / 0.09 + (v - 0.05) * (v - 0.05) / 0.16 < 1.0;
            bool head = u * u + (v + 0.36) * (v + 0.36) < 0.013;
            bool legs = v > 0.3 && (std::abs(u + 0.12) < 0.06 || std::abs(u - 0.12) < 0.06);
            if (body || head || legs)
                p[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(c(random));
        }
    return p;
}

Bytes random_bytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    Bytes p(n);
    for (auto& v : p) v = static_cast<std::uint8_t>(random());
    return p;
}

std::vector<int> random_ints(std::size_t n, int lo, int hi, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> d(lo, hi);
    std::vector<int> v(n);
    for (int& k : v) k = d(random);
    return v;
}

// 1000 triangles with sides of 20..200 pixels, on the screen: six ints each.
std::vector<int> triangle_list() {
    std::mt19937 random(23);
    std::uniform_int_distribution<int> size(20, 200);
    std::vector<int> v;
    for (int i = 0; i < 1000; ++i) {
        int s = size(random);
        std::uniform_int_distribution<int> bx(0, W - 1 - s), by(0, H - 1 - s), d(0, s);
        int x = bx(random), y = by(random);
        v.insert(v.end(), {x + d(random), y, x, y + s, x + s, y + d(random)});
    }
    return v;
}

// 1000 convex hexagons of radius 10..100 on the screen: twelve ints each.
std::vector<int> hexagon_list() {
    std::mt19937 random(29);
    std::uniform_int_distribution<int> radius(10, 100), angle(0, 59);
    std::vector<int> v;
    for (int i = 0; i < 1000; ++i) {
        int r = radius(random);
        std::uniform_int_distribution<int> cx(r, W - 1 - r), cy(r, H - 1 - r);
        int x = cx(random), y = cy(random), a0 = angle(random);
        for (int k = 0; k < 6; ++k) {
            double a = (a0 + 60 * k) * 3.14159265358979 / 180.0;
            v.push_back(x + static_cast<int>(r * std::cos(a)));
            v.push_back(y + static_cast<int>(r * std::sin(a)));
        }
    }
    return v;
}

// A 1280 x 1024 8-bit BMP of random pixels, written once.
const char* bmp_path() {
    static std::string path = [] {
        std::string p = "/tmp/v17_peers_bench_" + std::to_string(getpid()) + ".bmp";
        Bytes pixels = random_bytes(static_cast<std::size_t>(W) * H, 31);
        std::uint32_t off = 14 + 40 + 1024, size = off + W * H;
        Bytes f(off);
        auto put = [&](std::size_t at, std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        put(0, 0x4D42, 2), put(2, size, 4), put(10, off, 4);
        put(14, 40, 4), put(18, W, 4), put(22, H, 4), put(26, 1, 2), put(28, 8, 2);
        put(34, W * H, 4), put(46, 256, 4);
        for (int i = 0; i < 256; ++i) put(54 + 4 * i, 0x010203u * i, 4);
        f.insert(f.end(), pixels.begin(), pixels.end());
        if (FILE* out = std::fopen(p.c_str(), "wb")) {
            std::fwrite(f.data(), 1, f.size(), out);
            std::fclose(out);
        }
        return p;
    }();
    return path.c_str();
}

Bytes palette_rgb() {
    Bytes p(768);
    for (int i = 0; i < 768; ++i) p[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return p;
}

// ---- our display -----------------------------------------------------------------------

LRESULT bench_window_proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    return def_window_proc(hwnd, msg, w, l);
}

// A window and our 1280 x 1024 8-bit display for as long as it lives.
struct OurDisplay {
    bool ok = false;
    OurDisplay() {
        reset_window_system();
        set_backend(nullptr);
        WNDCLASSEX wc{};
        wc.lpfnWndProc = bench_window_proc;
        wc.lpszClassName = "BENCHCLASS";
        register_class_ex(&wc);
        create_window_ex(0, "BENCHCLASS", "bench", WS_POPUP, 0, 0, W, H, nullptr, nullptr, nullptr,
                         nullptr);
        ok = display_init(W, H, 8, 0) == 1;
    }
    ~OurDisplay() {
        display_shutdown();
        reset_window_system();
    }
};

// A keyed object of one frame holding the pixels.
struct OurSprite {
    Bob bob{};
    OurSprite(int w, int h, const Bytes& pixels) {
        bob_create(&bob, 0, 0, w, h, 1, BOB_VISIBLE, DDSCAPS_SYSTEMMEMORY, 0, 8);
        std::int32_t pitch = 0;
        std::uint8_t* p = lock_surface(bob.frames[0], &pitch);
        for (int y = 0; y < h; ++y) std::memcpy(p + y * pitch, &pixels[y * w], w);
        unlock_surface(bob.frames[0]);
    }
    ~OurSprite() { bob_destroy(&bob); }
};

// ---- SDL surfaces ------------------------------------------------------------------------

SDL_Surface* sdl_surface(int w, int h, const Bytes* pixels = nullptr) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 8, SDL_PIXELFORMAT_INDEX8);
    static SDL_Palette* shared = [] {
        SDL_Palette* p = SDL_AllocPalette(256);
        Bytes rgb = palette_rgb();
        SDL_Color c[256];
        for (int i = 0; i < 256; ++i) c[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 255};
        SDL_SetPaletteColors(p, c, 0, 256);
        return p;
    }();
    SDL_SetSurfacePalette(s, shared);
    if (pixels) {
        for (int y = 0; y < h; ++y)
            std::memcpy(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch, &(*pixels)[y * w], w);
    }
    return s;
}

#ifdef V17_HAVE_ALLEGRO
void* allegro_bitmap(int w, int h, const Bytes* pixels = nullptr) {
    peer_allegro::start();
    void* b = peer_allegro::make_bitmap(w, h);
    if (pixels) {
        for (int y = 0; y < h; ++y) std::memcpy(peer_allegro::row(b, y), &(*pixels)[y * w], w);
    }
    return b;
}
#endif

// ---- the operations ----------------------------------------------------------------------

using Bench = std::function<void(benchmark::State&)>;
std::vector<std::pair<std::string, Bench>> all;

void add(const std::string& name, Bench fn) {
    all.emplace_back(name, std::move(fn));
}

template <typename Step>
void loop(benchmark::State& state, Step step) {
    for (auto _ : state) step();
}

// SDL answers an operation it cannot do (a scaled blit of an 8-bit keyed
// surface, for one) with -1 and does nothing, which would time as very fast:
// such a variant is tried once first and reported as unsupported instead.
bool sdl_does(benchmark::State& st, int rc) {
    if (rc == 0) return true;
    st.SkipWithError(("unsupported: " + std::string(SDL_GetError())).c_str());
    return false;
}

void clear_and_copy() {
    add("clear/ours", [](benchmark::State& st) {
        OurDisplay d;
        loop(st, [] { fill_surface(back_surface, 7, nullptr); });
    });
    add("clear/sdl", [](benchmark::State& st) {
        SDL_Surface* s = sdl_surface(W, H);
        loop(st, [&] { SDL_FillRect(s, nullptr, 7); });
        SDL_FreeSurface(s);
    });
    add("clear/floor", [](benchmark::State& st) {
        Bytes m(W * H);
        loop(st, [&] {
            std::memset(m.data(), 7, m.size());
            benchmark::DoNotOptimize(m.data());
        });
    });
    Bytes picture = random_bytes(W * H, 3);
    add("copy/ours", [picture](benchmark::State& st) {
        OurDisplay d;
        BitmapImage image{};
        create_image(&image, 0, 0, W, H, 8);
        std::memcpy(image.buffer, picture.data(), picture.size());
        image.attr |= IMAGE_ATTR_LOADED;
        std::uint8_t* to = lock_back();
        loop(st, [&] { draw_image8(&image, to, back_pitch, 0); });
        unlock_back();
        destroy_image(&image);
    });
    add("copy/sdl", [picture](benchmark::State& st) {
        SDL_Surface* from = sdl_surface(W, H, &picture);
        SDL_Surface* to = sdl_surface(W, H);
        if (sdl_does(st, SDL_BlitSurface(from, nullptr, to, nullptr)))
            loop(st, [&] { SDL_BlitSurface(from, nullptr, to, nullptr); });
        SDL_FreeSurface(from);
        SDL_FreeSurface(to);
    });
    add("copy/floor", [picture](benchmark::State& st) {
        Bytes m(W * H);
        loop(st, [&] {
            std::memcpy(m.data(), picture.data(), m.size());
            benchmark::DoNotOptimize(m.data());
        });
    });
#ifdef V17_HAVE_ALLEGRO
    add("clear/allegro", [](benchmark::State& st) {
        void* b = allegro_bitmap(W, H);
        loop(st, [&] { peer_allegro::clear(b, 7); });
        peer_allegro::free_bitmap(b);
    });
    add("copy/allegro", [picture](benchmark::State& st) {
        void* from = allegro_bitmap(W, H, &picture);
        void* to = allegro_bitmap(W, H);
        loop(st, [&] { peer_allegro::copy(from, to); });
        peer_allegro::free_bitmap(from);
        peer_allegro::free_bitmap(to);
    });
#endif
}

// The screen after count keyed draws of pixels (w x h, key 0) at the places
// given, unscaled, onto zeros: what every variant must leave.
Bytes keyed_reference(const Bytes& pixels, int w, int h, const std::vector<int>& at, int count) {
    Bytes to(static_cast<std::size_t>(W) * H, 0);
    for (int i = 0; i < count; ++i)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t v = pixels[static_cast<std::size_t>(y) * w + x];
                if (v) to[static_cast<std::size_t>(at[2 * i + 1] + y) * W + at[2 * i] + x] = v;
            }
    return to;
}

// A variant's screen (rows at the pitch given) against the reference; a
// variant that draws something else is reported as an error, not timed.
bool draws_right(benchmark::State& st, const Bytes& want, const std::uint8_t* got, int pitch) {
    for (int y = 0; y < H; ++y) {
        if (std::memcmp(&want[static_cast<std::size_t>(y) * W],
                        got + static_cast<std::ptrdiff_t>(y) * pitch, W) != 0) {
            st.SkipWithError(("draws wrongly at row " + std::to_string(y)).c_str());
            return false;
        }
    }
    return true;
}

// Keyed sprites: `count` draws of a w x h sprite at sw x sh, either scattered
// (40% key at random) or a silhouette (an opaque body in a transparent
// surround, as characters are). Beside SDL's plain colour key: SDL's RLE
// colour key and Allegro's RLE sprite, and for shrunk sprites SDL scaling once
// and then drawing the RLE copy. Ours and the variants drawing at the sprite's
// size are checked against the reference before they are timed (the peers'
// own scaling rounds otherwise, so theirs are not).
void sprites(const std::string& op, int w, int h, int sw, int sh, int count, bool silhouette) {
    Bytes pixels = silhouette ? silhouette_pixels(w, h, 11) : sprite_pixels(w, h, 0.4, 11);
    std::vector<int> at = random_ints(2 * count, 0, H - std::max(sw, sh) - 1, 13);
    bool scaled = sw != w || sh != h;
    // The sprite at sw x sh, each pixel the source pixel under its centre: what
    // a shrunk draw shows, and what SDL's scale-once variant draws from.
    Bytes small(static_cast<std::size_t>(sw) * sh);
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x)
            small[static_cast<std::size_t>(y) * sw + x] =
                pixels[static_cast<std::size_t>((2 * y + 1) * h / (2 * sh)) * w +
                       (2 * x + 1) * w / (2 * sw)];
    Bytes want = keyed_reference(small, sw, sh, at, count);
    add(op + "/ours", [=](benchmark::State& st) {
        OurDisplay d;
        OurSprite s(w, h, pixels);
        auto frame = [&] {
            for (int i = 0; i < count; ++i) {
                s.bob.x = static_cast<float>(at[2 * i]);
                s.bob.y = static_cast<float>(at[2 * i + 1]);
                if (scaled) {
                    bob_draw_scaled(&s.bob, sw, sh, back_surface);
                } else {
                    bob_draw(&s.bob, back_surface);
                }
            }
        };
        fill_surface(back_surface, 0, nullptr);
        frame();
        frame();  // drawn twice: the second time from the sprite's runs
        if (!draws_right(st, want, back_surface->pixels(), back_surface->pitch())) return;
        loop(st, frame);
    });
    for (bool rle : {false, true}) {
        add(op + (rle ? "/sdl_rle" : "/sdl"), [=](benchmark::State& st) {
            SDL_Surface* s = sdl_surface(w, h, &pixels);
            SDL_Surface* to = sdl_surface(W, H);
            SDL_Surface* once = nullptr;  // scaled once, then drawn with RLE
            if (scaled && rle) {
                once = sdl_surface(sw, sh, &small);
                SDL_SetColorKey(once, SDL_TRUE, 0);
                SDL_SetSurfaceRLE(once, 1);
            }
            SDL_SetColorKey(s, SDL_TRUE, 0);
            if (rle) SDL_SetSurfaceRLE(s, 1);
            auto draw = [&](int i) {
                SDL_Rect r{at[2 * i], at[2 * i + 1], sw, sh};
                if (once) return SDL_BlitSurface(once, nullptr, to, &r);
                return scaled ? SDL_BlitScaled(s, nullptr, to, &r)
                              : SDL_BlitSurface(s, nullptr, to, &r);
            };
            bool ok = sdl_does(st, draw(0));
            if (ok && (!scaled || once)) {
                SDL_FillRect(to, nullptr, 0);
                for (int i = 0; i < count; ++i) draw(i);
                ok = draws_right(st, want, static_cast<const std::uint8_t*>(to->pixels), to->pitch);
            }
            if (ok) {
                loop(st, [&] {
                    for (int i = 0; i < count; ++i) draw(i);
                });
            }
            if (once) SDL_FreeSurface(once);
            SDL_FreeSurface(s);
            SDL_FreeSurface(to);
        });
    }
    // The floor: the same rows copied without a key or scaling.
    add(op + "/floor", [=](benchmark::State& st) {
        Bytes to(W * H);
        Bytes small = sprite_pixels(sw, sh, 0.4, 11);
        loop(st, [&] {
            for (int i = 0; i < count; ++i) {
                std::uint8_t* d = &to[at[2 * i + 1] * W + at[2 * i]];
                for (int y = 0; y < sh; ++y) std::memcpy(d + y * W, &small[y * sw], sw);
            }
            benchmark::DoNotOptimize(to.data());
        });
    });
#ifdef V17_HAVE_ALLEGRO
    for (bool rle : {false, true}) {
        if (rle && scaled) continue;  // Allegro draws RLE sprites at their own size only
        add(op + (rle ? "/allegro_rle" : "/allegro"), [=](benchmark::State& st) {
            void* s = allegro_bitmap(w, h, &pixels);
            void* to = allegro_bitmap(W, H);
            void* encoded = rle ? peer_allegro::make_rle_sprite(s) : nullptr;
            auto frame = [&] {
                for (int i = 0; i < count; ++i) {
                    if (encoded) {
                        peer_allegro::rle_sprite(to, encoded, at[2 * i], at[2 * i + 1]);
                    } else if (scaled) {
                        peer_allegro::stretched_sprite(to, s, at[2 * i], at[2 * i + 1], sw, sh);
                    } else {
                        peer_allegro::sprite(to, s, at[2 * i], at[2 * i + 1]);
                    }
                }
            };
            bool ok = true;
            if (!scaled) {
                peer_allegro::clear(to, 0);
                frame();
                Bytes got(static_cast<std::size_t>(W) * H);
                for (int y = 0; y < H; ++y)
                    std::memcpy(&got[static_cast<std::size_t>(y) * W], peer_allegro::row(to, y), W);
                ok = draws_right(st, want, got.data(), W);
            }
            if (ok) loop(st, frame);
            if (encoded) peer_allegro::free_rle_sprite(encoded);
            peer_allegro::free_bitmap(s);
            peer_allegro::free_bitmap(to);
        });
    }
#endif
}

// Runs fn(pixels) on a plain 1280 x 1024 screen with the clip rectangle set.
template <typename Fn>
void on_screen(benchmark::State& st, Fn fn) {
    Bytes m(W * H);
    display_width = W, display_height = H, display_bpp = 8;
    clip_left = clip_top = 0, clip_right = W - 1, clip_bottom = H - 1;
    loop(st, [&] {
        fn(m.data());
        benchmark::DoNotOptimize(m.data());
    });
}

void lines() {
    std::vector<int> v = random_ints(4000, -200, W + 200, 5);
    for (std::size_t i = 1; i < v.size(); i += 2) v[i] = v[i] * H / W;
    std::vector<int> h = random_ints(3000, 0, W - 1, 7);
    for (std::size_t i = 2; i < h.size(); i += 3) h[i] = h[i] % H;
    add("lines/ours", [=](benchmark::State& st) {
        on_screen(st, [&](std::uint8_t* p) {
            for (std::size_t i = 0; i < v.size(); i += 4)
                draw_clip_line8(v[i], v[i + 1], v[i + 2], v[i + 3], 9, p, W);
        });
    });
    add("hline/ours", [=](benchmark::State& st) {
        on_screen(st, [&](std::uint8_t* p) {
            for (std::size_t i = 0; i < h.size(); i += 3) hline8(h[i], h[i + 1], h[i + 2], 9, p, W);
        });
    });
    add("hline/floor", [=](benchmark::State& st) {
        on_screen(st, [&](std::uint8_t* p) {
            for (std::size_t i = 0; i < h.size(); i += 3) {
                int a = std::min(h[i], h[i + 1]), b = std::max(h[i], h[i + 1]);
                std::memset(p + h[i + 2] * W + a, 9, b - a + 1);
            }
        });
    });
    add("hline/sdl", [=](benchmark::State& st) {
        SDL_Surface* s = sdl_surface(W, H);
        loop(st, [&] {
            for (std::size_t i = 0; i < h.size(); i += 3) {
                int a = std::min(h[i], h[i + 1]), b = std::max(h[i], h[i + 1]);
                SDL_Rect r{a, h[i + 2], b - a + 1, 1};
                SDL_FillRect(s, &r, 9);
            }
        });
        SDL_FreeSurface(s);
    });
    // vertical: x, y1, y2 from the same numbers
    add("vline/ours", [=](benchmark::State& st) {
        on_screen(st, [&](std::uint8_t* p) {
            for (std::size_t i = 0; i < h.size(); i += 3)
                vline8(h[i] % H, h[i + 2], h[i + 1], 9, p, W);
        });
    });
    add("vline/floor", [=](benchmark::State& st) {
        on_screen(st, [&](std::uint8_t* p) {
            for (std::size_t i = 0; i < h.size(); i += 3) {
                int a = std::min(h[i] % H, h[i + 2]), b = std::max(h[i] % H, h[i + 2]);
                for (int y = a; y <= b; ++y) p[y * W + h[i + 1]] = 9;
            }
        });
    });
    add("vline/sdl", [=](benchmark::State& st) {
        SDL_Surface* s = sdl_surface(W, H);
        loop(st, [&] {
            for (std::size_t i = 0; i < h.size(); i += 3) {
                int a = std::min(h[i] % H, h[i + 2]), b = std::max(h[i] % H, h[i + 2]);
                SDL_Rect r{h[i + 1], a, 1, b - a + 1};
                SDL_FillRect(s, &r, 9);
            }
        });
        SDL_FreeSurface(s);
    });
#ifdef V17_HAVE_ALLEGRO
    add("lines/allegro", [=](benchmark::State& st) {
        void* b = allegro_bitmap(W, H);
        loop(st, [&] {
            for (std::size_t i = 0; i < v.size(); i += 4)
                peer_allegro::line(b, v[i], v[i + 1], v[i + 2], v[i + 3], 9);
        });
        peer_allegro::free_bitmap(b);
    });
    add("hline/allegro", [=](benchmark::State& st) {
        void* b = allegro_bitmap(W, H);
        loop(st, [&] {
            for (std::size_t i = 0; i < h.size(); i += 3)
                peer_allegro::hline(b, h[i], h[i + 2], h[i + 1], 9);
        });
        peer_allegro::free_bitmap(b);
    });
    add("vline/allegro", [=](benchmark::State& st) {
        void* b = allegro_bitmap(W, H);
        loop(st, [&] {
            for (std::size_t i = 0; i < h.size(); i += 3)
                peer_allegro::vline(b, h[i + 1], h[i] % H, h[i + 2], 9);
        });
        peer_allegro::free_bitmap(b);
    });
#endif
}

void shapes() {
    std::vector<int> t = triangle_list();
    std::vector<int> hex = hexagon_list();
    add("triangles/ours", [=](benchmark::State& st) {
        on_screen(st, [&](std::uint8_t* p) {
            for (std::size_t i = 0; i < t.size(); i += 6)
                draw_triangle8(t[i], t[i + 1], t[i + 2], t[i + 3], t[i + 4], t[i + 5], 5, p, W);
        });
    });
    add("triangles/ours_fixed", [=](benchmark::State& st) {
        on_screen(st, [&](std::uint8_t* p) {
            for (std::size_t i = 0; i < t.size(); i += 6)
                draw_triangle_fixed8(t[i], t[i + 1], t[i + 2], t[i + 3], t[i + 4], t[i + 5], 5, p,
                                     W);
        });
    });
    add("hexagons/ours", [=](benchmark::State& st) {
        std::vector<PolygonVertex> vs(6);
        Polygon poly{1, 6, 0, 0, 0, 0, 6, vs.data()};
        on_screen(st, [&](std::uint8_t* p) {
            for (std::size_t i = 0; i < hex.size(); i += 12) {
                for (int k = 0; k < 6; ++k)
                    vs[k] = {static_cast<float>(hex[i + 2 * k]),
                             static_cast<float>(hex[i + 2 * k + 1])};
                fill_polygon8(&poly, p, W);
            }
        });
    });
#ifdef V17_HAVE_ALLEGRO
    add("triangles/allegro", [=](benchmark::State& st) {
        void* b = allegro_bitmap(W, H);
        loop(st, [&] {
            for (std::size_t i = 0; i < t.size(); i += 6) peer_allegro::triangle(b, &t[i], 5);
        });
        peer_allegro::free_bitmap(b);
    });
    add("hexagons/allegro", [=](benchmark::State& st) {
        void* b = allegro_bitmap(W, H);
        loop(st, [&] {
            for (std::size_t i = 0; i < hex.size(); i += 12)
                peer_allegro::polygon(b, 6, &hex[i], 6);
        });
        peer_allegro::free_bitmap(b);
    });
#endif
}

void files_and_presentation() {
    add("bmp_load/ours", [](benchmark::State& st) {
        const char* path = bmp_path();
        BitmapFile f{};
        loop(st, [&] { load_bitmap_file(&f, path); });
        unload_bitmap_file(&f);
    });
    add("bmp_load/sdl", [](benchmark::State& st) {
        const char* path = bmp_path();
        loop(st, [&] { SDL_FreeSurface(SDL_LoadBMP(path)); });
    });
    add("bmp_load/floor", [](benchmark::State& st) {
        const char* path = bmp_path();
        Bytes m(W * H + 2048);
        loop(st, [&] {
            FILE* in = std::fopen(path, "rb");
            std::size_t n = in ? std::fread(m.data(), 1, m.size(), in) : 0;
            if (in) std::fclose(in);
            benchmark::DoNotOptimize(n);
        });
    });
    Bytes frame = random_bytes(W * H, 37);
    add("present/ours", [frame](benchmark::State& st) {
        Bytes rgb = palette_rgb();
        std::vector<std::uint32_t> out(W * H);
        loop(st, [&] {
            std::uint32_t table[256];
            make_expand_table(rgb.data(), table);
            expand_indices32(frame.data(), W, W, H, table, out.data(), 4 * W);
            benchmark::DoNotOptimize(out.data());
        });
    });
    add("present/sdl_blit", [frame](benchmark::State& st) {
        SDL_Surface* from = sdl_surface(W, H, &frame);
        SDL_Surface* to = SDL_CreateRGBSurfaceWithFormat(0, W, H, 32, SDL_PIXELFORMAT_ARGB8888);
        if (sdl_does(st, SDL_BlitSurface(from, nullptr, to, nullptr)))
            loop(st, [&] { SDL_BlitSurface(from, nullptr, to, nullptr); });
        SDL_FreeSurface(from);
        SDL_FreeSurface(to);
    });
    add("present/sdl_convert", [frame](benchmark::State& st) {
        SDL_Surface* from = sdl_surface(W, H, &frame);
        loop(st,
             [&] { SDL_FreeSurface(SDL_ConvertSurfaceFormat(from, SDL_PIXELFORMAT_ARGB8888, 0)); });
        SDL_FreeSurface(from);
    });
    add("present/floor", [](benchmark::State& st) {
        std::vector<std::uint32_t> out(W * H);
        loop(st, [&] {
            std::fill(out.begin(), out.end(), 0xFF102030u);
            benchmark::DoNotOptimize(out.data());
        });
    });
#ifdef V17_HAVE_ALLEGRO
    add("bmp_load/allegro", [](benchmark::State& st) {
        const char* path = bmp_path();
        peer_allegro::start();
        loop(st, [&] { peer_allegro::free_bitmap(peer_allegro::load_bmp(path)); });
    });
    add("present/allegro", [frame](benchmark::State& st) {
        void* from = allegro_bitmap(W, H, &frame);
        void* to = peer_allegro::make_bitmap(W, H, 32);
        Bytes rgb = palette_rgb();
        peer_allegro::select_rgb(rgb.data());
        loop(st, [&] { peer_allegro::copy(from, to); });
        peer_allegro::free_bitmap(from);
        peer_allegro::free_bitmap(to);
    });
#endif
}

// 10,000 scans of a 40 x 38 box for a colour that is not there.
void scans() {
    std::vector<int> at = random_ints(20000, 0, 900, 41);
    Bytes screen = random_bytes(W * H, 43);
    for (auto& v : screen) v = v == 200 ? 201 : v;
    add("scan/ours", [=](benchmark::State& st) {
        display_width = W, display_height = H;
        loop(st, [&] {
            int found = 0;
            for (std::size_t i = 0; i < at.size(); i += 2)
                found += scan_color8(at[i], at[i + 1], at[i] + 39, at[i + 1] + 37, 200, 200,
                                     screen.data(), W);
            benchmark::DoNotOptimize(found);
        });
    });
    add("scan/floor", [=](benchmark::State& st) {
        loop(st, [&] {
            int found = 0;
            for (std::size_t i = 0; i < at.size(); i += 2)
                for (int y = 0; y < 38; ++y)
                    found += std::memchr(&screen[(at[i + 1] + y) * W + at[i]], 200, 40) != nullptr;
            benchmark::DoNotOptimize(found);
        });
    });
}

// ---- the game ------------------------------------------------------------------------

// The game started headless in the working directory, in level 3.
struct OurGame {
    bool ok = false;
    OurGame() {
        use_virtual_clock(100000);
        ok = game_open(nullptr, make_headless_backend()) == 1;
    }
    ~OurGame() { game_close(); }
};

// The headless backend, whose frames are also kept and expanded to 32 bits
// where they changed, as the SDL backend's CPU path does before its texture
// goes to the window.
class ExpandingBackend final : public Backend {
public:
    ExpandingBackend() : inner_(make_headless_backend()) {}
    int open_window(const char* caption, int width, int height) override {
        return inner_->open_window(caption, width, height);
    }
    void close_window() override { inner_->close_window(); }
    void pump(bool new_pass) override { inner_->pump(new_pass); }
    std::uint64_t real_microseconds() override { return inner_->real_microseconds(); }
    bool has_real_clock() const override { return inner_->has_real_clock(); }
    void sleep(std::uint32_t microseconds) override { inner_->sleep(microseconds); }
    void idle() override { inner_->idle(); }
    void set_pointer_visible(bool visible) override { inner_->set_pointer_visible(visible); }
    int window_rect(std::int32_t* l, std::int32_t* t, std::int32_t* r, std::int32_t* b) override {
        return inner_->window_rect(l, t, r, b);
    }
    void present(const PresentedFrame& f) override {
        auto size = static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height);
        bool whole = out_.size() != size || f.palette_changed;
        if (!whole && f.changed_top >= f.changed_bottom) return;
        out_.resize(size);
        std::uint32_t table[256];
        make_expand_table(f.palette_rgb, table);
        int top = whole ? 0 : f.changed_top, rows = (whole ? f.height : f.changed_bottom) - top;
        expand_indices32(f.pixels + static_cast<std::ptrdiff_t>(top) * f.pitch, f.pitch, f.width,
                         rows, table, out_.data() + static_cast<std::ptrdiff_t>(top) * f.width,
                         4 * f.width);
        benchmark::DoNotOptimize(out_.data());
    }
    int open_audio(AudioPull pull, void* user, int* rate) override {
        return inner_->open_audio(pull, user, rate);
    }
    void close_audio() override { inner_->close_audio(); }

private:
    std::unique_ptr<Backend> inner_;
    std::vector<std::uint32_t> out_;
};

void game() {
    add("level3_frame/ours", [](benchmark::State& st) {
        OurGame g;
        enter_level(STATE_LEVEL3);
        loop(st, [] { level3_frame(nullptr, 0); });
        if (!g.ok) st.SkipWithError("the game did not start");
    });
    // The frame and its presentation on the CPU path (the swap is the window
    // system's and not counted; bench/present_bench times the real window).
    add("level3_presented/ours", [](benchmark::State& st) {
        use_virtual_clock(100000);
        bool ok = game_open(nullptr, std::make_unique<ExpandingBackend>()) == 1;
        enter_level(STATE_LEVEL3);
        loop(st, [] { level3_frame(nullptr, 0); });
        game_close();
        if (!ok) st.SkipWithError("the game did not start");
    });
    for (const char* op : {"level3_frame/floor", "level3_presented/floor"}) {
        add(op, [](benchmark::State& st) {
            Bytes a(W * H), b(W * H, 3);
            loop(st, [&] {
                std::memset(a.data(), 0, a.size());
                std::memcpy(a.data(), b.data(), a.size());
                benchmark::DoNotOptimize(a.data());
            });
        });
    }
    add("startup/ours", [](benchmark::State& st) {
        for (auto _ : st) {
            OurGame* g = new OurGame;
            st.PauseTiming();
            if (!g->ok) st.SkipWithError("the game did not start");
            delete g;
            st.ResumeTiming();
        }
    });
}

bool is_peer(const std::string& variant) {
    return variant.rfind("sdl", 0) == 0 || variant.rfind("allegro", 0) == 0;
}

// One markdown table: per operation its variants' medians, each with its ratio
// to the fastest peer and to the floor.
std::string table(const std::vector<Median>& medians) {
    std::vector<std::string> ops;
    for (auto& [name, us, why] : medians) {
        std::string op = name.substr(0, name.find('/'));
        if (std::find(ops.begin(), ops.end(), op) == ops.end()) ops.push_back(op);
    }
    std::string out;
    char line[256];
    for (const std::string& op : ops) {
        double peer = 0, floor = 0;
        for (auto& [name, us, why] : medians) {
            if (name.substr(0, name.find('/')) != op) continue;
            std::string v = name.substr(name.find('/') + 1);
            if (us < 0) continue;
            if (is_peer(v) && (peer == 0 || us < peer)) peer = us;
            if (v == "floor") floor = us;
        }
        for (auto& [name, us, why] : medians) {
            if (name.substr(0, name.find('/')) != op) continue;
            std::string v = name.substr(name.find('/') + 1);
            if (us < 0) {
                std::snprintf(line, sizeof line, "| %s | %s | unsupported | - | - |\n", op.c_str(),
                              v.c_str());
                out += line;
                continue;
            }
            std::string rp = peer > 0 ? std::to_string(us / peer).substr(0, 4) : "-";
            std::string rf = floor > 0 ? std::to_string(us / floor).substr(0, 4) : "-";
            std::snprintf(line, sizeof line, "| %s | %s | %.1f | %s | %s |\n", op.c_str(),
                          v.c_str(), us, rp.c_str(), rf.c_str());
            out += line;
        }
    }
    return out;
}

}  // namespace

// Options of Google Benchmark, plus --table FILE: where the markdown table goes
// (it is printed after the report as well).
int main(int argc, char** argv) {
    std::string table_file = take_table_option(&argc, argv);
    clear_and_copy();
    sprites("sprite_72x74", 72, 74, 72, 74, 100, false);
    sprites("sprite_400_to_30", 400, 400, 30, 30, 169, false);
    for (int size : {16, 72, 256})
        sprites("silhouette_" + std::to_string(size), size, size * 74 / 72, size, size * 74 / 72,
                100, true);
    sprites("silhouette_400_to_30", 400, 400, 30, 30, 169, true);
    lines();
    shapes();
    files_and_presentation();
    scans();
    game();
    for (auto& [name, fn] : all) {
        auto* b = benchmark::RegisterBenchmark(name.c_str(), fn);
        bool startup = name.rfind("startup", 0) == 0;
        b->Unit(startup ? benchmark::kMillisecond : benchmark::kMicrosecond);
        if (startup) b->Iterations(5);
    }
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::remove(bmp_path());
    std::string rows = table(reporter.medians);
    std::printf("\n%s%s", kTableHead, rows.c_str());
    return table_file.empty() || write_table(table_file, rows, false) ? 0 : 1;
}
