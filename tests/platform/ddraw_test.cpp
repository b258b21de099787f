#include "platform/system/ddraw.h"
#include "platform/system/gdi.h"
#include "platform/system/win32.h"

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "platform/system/backend.h"
#include "platform/system/presentation.h"
#include "test_util.h"

namespace {

struct Dd {
    DirectDraw* dd = nullptr;
    Dd() {
        direct_draw_create_ex(nullptr, &dd, IID_IDirectDraw7, nullptr);
        dd->set_cooperative_level(nullptr, DDSCL_NORMAL);
    }
    ~Dd() { dd->release(); }
    DirectDrawSurface* surface(int w, int h, int bpp = 8) {
        DDSURFACEDESC2 d{};
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = static_cast<std::uint32_t>(w);
        d.dwHeight = static_cast<std::uint32_t>(h);
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        d.ddpfPixelFormat.dwRGBBitCount = static_cast<std::uint32_t>(bpp);
        DirectDrawSurface* s = nullptr;
        EXPECT_EQ(DD_OK, dd->create_surface(&d, &s, nullptr));
        return s;
    }
};

// Surface memory as a plain image: every byte of every row, padding included.
std::vector<std::uint8_t> raw(DirectDrawSurface* s) {
    return std::vector<std::uint8_t>(s->memory(), s->memory() + s->pitch() * s->height());
}

void set_raw(DirectDrawSurface* s, const std::vector<std::uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), s->memory());
}

std::uint32_t get_px(const std::vector<std::uint8_t>& m, int pitch, int bpp, int x, int y) {
    std::size_t at = static_cast<std::size_t>(y) * pitch + x * bpp;
    return bpp == 1 ? m[at] : m[at] | m[at + 1] << 8;
}

void put_px(std::vector<std::uint8_t>& m, int pitch, int bpp, int x, int y, std::uint32_t v) {
    std::size_t at = static_cast<std::size_t>(y) * pitch + x * bpp;
    m[at] = static_cast<std::uint8_t>(v);
    if (bpp == 2) m[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// The slow reference: every pixel of the whole destination rectangle, drawn only
// inside the surface and inside some clip rectangle, from the source pixel under
// its centre, skipping the key.
void reference_blit(std::vector<std::uint8_t>& dest, int dpitch, int dw, int dh, int bpp,
                    const std::vector<std::uint8_t>& src, int spitch, RECT d, RECT s,
                    const std::vector<RECT>* clips, bool keyed, std::uint32_t key) {
    for (int y = d.top; y < d.bottom; ++y) {
        for (int x = d.left; x < d.right; ++x) {
            if (x < 0 || y < 0 || x >= dw || y >= dh) continue;
            if (clips) {
                bool in = false;
                for (const RECT& c : *clips) {
                    in = in || (x >= c.left && x < c.right && y >= c.top && y < c.bottom);
                }
                if (!in) continue;
            }
            double fx = (x - d.left + 0.5) * (s.right - s.left) / (d.right - d.left);
            double fy = (y - d.top + 0.5) * (s.bottom - s.top) / (d.bottom - d.top);
            int sx = s.left + static_cast<int>(std::floor(fx));
            int sy = s.top + static_cast<int>(std::floor(fy));
            std::uint32_t p = get_px(src, spitch, bpp, sx, sy);
            if (keyed && p == (key & (bpp == 1 ? 0xFF : 0xFFFF))) continue;
            put_px(dest, dpitch, bpp, x, y, p);
        }
    }
}

void attach_list(Dd& dd, DirectDrawSurface* s, const std::vector<RECT>& rects) {
    DirectDrawClipper* c = nullptr;
    ASSERT_EQ(DD_OK, dd.dd->create_clipper(0, &c, nullptr));
    std::vector<RECT> record(rects.size() + 2);
    auto* region = reinterpret_cast<RGNDATA*>(record.data());
    region->rdh = RGNDATAHEADER{sizeof(RGNDATAHEADER),
                                RDH_RECTANGLES,
                                static_cast<std::uint32_t>(rects.size()),
                                static_cast<std::uint32_t>(rects.size() * sizeof(RECT)),
                                {}};
    std::copy(rects.begin(), rects.end(), record.begin() + 2);
    ASSERT_EQ(DD_OK, c->set_clip_list(region, 0));
    ASSERT_EQ(DD_OK, s->set_clipper(c));
    c->release();  // the surface keeps it
}

}  // namespace

TEST(Surfaces, PitchIsPaddedToThirtyTwoBytes) {
    Dd dd;
    EXPECT_EQ(96, dd.surface(72, 74)->pitch());
    EXPECT_EQ(32, dd.surface(1, 1)->pitch());
    EXPECT_EQ(64, dd.surface(64, 3)->pitch());
    EXPECT_EQ(160, dd.surface(72, 5, 16)->pitch());
    DirectDrawSurface* s = dd.surface(72, 74);
    DDSURFACEDESC2 d{};
    ASSERT_EQ(DD_OK, s->lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    EXPECT_EQ(96, d.lPitch);
    EXPECT_EQ(72u, d.dwWidth);
    EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(d.lpSurface) % 32);
    EXPECT_EQ(DDERR_SURFACEBUSY, s->lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    EXPECT_EQ(DD_OK, s->unlock(nullptr));
    EXPECT_EQ(DDERR_NOTLOCKED, s->unlock(nullptr));
}

TEST(Surfaces, BadDescriptionsAreRefused) {
    Dd dd;
    DirectDrawSurface* s = nullptr;
    DDSURFACEDESC2 d{};
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = 0;
    d.dwHeight = 10;
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd.dd->create_surface(&d, &s, nullptr));
    d.dwWidth = 16385;
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd.dd->create_surface(&d, &s, nullptr));
    d.dwWidth = 10;
    d.dwFlags |= DDSD_PIXELFORMAT;
    d.ddpfPixelFormat.dwRGBBitCount = 32;
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd.dd->create_surface(&d, &s, nullptr));
    EXPECT_EQ(nullptr, s);
    EXPECT_EQ(DDERR_INVALIDMODE, dd.dd->set_display_mode(1280, 1024, 24, 0, 0));
}

// Stretched, keyed and clipped blits of both depths against the reference, on
// rectangles that cross every edge of the surface and of the clip list.
TEST(Blits, MatchTheSlowReferenceOnRandomCases) {
    std::mt19937 rng(1234);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int drawn = 0;
    for (int round = 0; round < 600; ++round) {
        Dd dd;
        int bpp = pick(0, 1) ? 2 : 1;
        int dw = pick(1, 90), dh = pick(1, 70), sw = pick(1, 60), sh = pick(1, 60);
        DirectDrawSurface* dest = dd.surface(dw, dh, bpp * 8);
        DirectDrawSurface* src = dd.surface(sw, sh, bpp * 8);
        std::vector<std::uint8_t> dmem = raw(dest), smem = raw(src);
        for (auto& b : dmem) b = static_cast<std::uint8_t>(pick(0, 255));
        for (auto& b : smem) b = static_cast<std::uint8_t>(pick(0, 3));  // keys are common
        set_raw(dest, dmem);
        set_raw(src, smem);
        std::uint32_t key = static_cast<std::uint32_t>(pick(0, 3));
        DDCOLORKEY ck{key, key};
        src->set_color_key(DDCKEY_SRCBLT, &ck);
        bool keyed = pick(0, 1);

        int l = pick(0, sw - 1), t = pick(0, sh - 1);
        RECT s{l, t, pick(l + 1, sw), pick(t + 1, sh)};
        int x = pick(-40, dw + 10), y = pick(-40, dh + 10);
        RECT d{x, y, x + pick(1, 120), y + pick(1, 100)};
        std::vector<RECT> clips;
        bool clipped = pick(0, 3) != 0;
        if (clipped) {
            for (int n = pick(1, 3); n > 0; --n) {
                int cx = pick(-20, dw), cy = pick(-20, dh);
                clips.push_back({cx, cy, cx + pick(1, dw + 20), cy + pick(1, dh + 20)});
            }
            attach_list(dd, dest, clips);
        }
        bool inside = d.left >= 0 && d.top >= 0 && d.right <= dw && d.bottom <= dh;
        HRESULT r = dest->blt(&d, src, &s, DDBLT_WAIT | (keyed ? DDBLT_KEYSRC : 0), nullptr);
        std::vector<std::uint8_t> expect = dmem;
        if (!clipped && !inside) {
            EXPECT_EQ(DDERR_INVALIDRECT, r) << "round " << round;
        } else {
            EXPECT_EQ(DD_OK, r) << "round " << round;
            reference_blit(expect, dest->pitch(), dw, dh, bpp, smem, src->pitch(), d, s,
                           clipped ? &clips : nullptr, keyed, key);
            ++drawn;
        }
        ASSERT_EQ(expect, raw(dest)) << "round " << round << " bpp " << bpp << " dest " << d.left
                                     << "," << d.top << "," << d.right << "," << d.bottom;
    }
    EXPECT_GT(drawn, 300);
}

// Blits at the source's own width take the word-at-a-time keyed path: wide
// rows, keys with and without the high bit, pixels one bit away from the key,
// runs of key and of colour, against the reference.
TEST(Blits, UnstretchedKeyedRowsMatchTheSlowReference) {
    std::mt19937 rng(4321);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const std::uint32_t keys[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
    for (int round = 0; round < 300; ++round) {
        Dd dd;
        int bpp = round % 5 == 4 ? 2 : 1;
        int sw = pick(1, 200), sh = pick(1, 40), dw = pick(sw, 240), dh = pick(1, 60);
        DirectDrawSurface* dest = dd.surface(dw, dh, bpp * 8);
        DirectDrawSurface* src = dd.surface(sw, sh, bpp * 8);
        std::uint32_t key = keys[pick(0, 5)];
        std::vector<std::uint8_t> dmem = raw(dest), smem = raw(src);
        for (auto& b : dmem) b = static_cast<std::uint8_t>(pick(0, 255));
        const std::uint8_t near[] = {std::uint8_t(key),
                                     std::uint8_t(key ^ 0x80),
                                     std::uint8_t(key ^ 0x01),
                                     std::uint8_t(key ^ 0x7F),
                                     0x00,
                                     0xFF};
        for (std::size_t i = 0; i < smem.size();) {
            int run = pick(1, 20);
            int kind = pick(0, 2);  // 0: a run of key, 1: a run of one colour, 2: a mix
            std::uint8_t colour = near[pick(1, 5)];
            for (; run > 0 && i < smem.size(); --run, ++i)
                smem[i] = kind == 0 ? std::uint8_t(key) : kind == 1 ? colour : near[pick(0, 5)];
        }
        set_raw(dest, dmem);
        set_raw(src, smem);
        DDCOLORKEY ck{key, key};
        src->set_color_key(DDCKEY_SRCBLT, &ck);
        int l = pick(0, sw - 1), w = pick(1, sw - l), t = pick(0, sh - 1);
        RECT s{l, t, l + w, pick(t + 1, sh)};
        int x = pick(0, dw - w), y = pick(0, dh - 1);
        RECT d{x, y, x + w, pick(y + 1, dh)};  // same width; the height may stretch
        ASSERT_EQ(DD_OK, dest->blt(&d, src, &s, DDBLT_WAIT | DDBLT_KEYSRC, nullptr));
        std::vector<std::uint8_t> expect = dmem;
        reference_blit(expect, dest->pitch(), dw, dh, bpp, smem, src->pitch(), d, s, nullptr, true,
                       key);
        ASSERT_EQ(expect, raw(dest)) << "round " << round << " key " << key << " width " << w;
    }
}

// Silhouettes (an opaque body with holes, a transparent surround) drawn again
// and again, as sprites are, so that they are drawn from their runs: at their
// size and shrunk, across every edge and corner of the surface and of a clip
// list, and after their pixels or their key change; each blit against the
// reference.
TEST(Blits, RepeatedSilhouettesMatchTheSlowReferenceAtEveryEdge) {
    std::mt19937 rng(77);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    Dd dd;
    const int dw = 160, dh = 120;
    DirectDrawSurface* dest = dd.surface(dw, dh);
    DirectDrawSurface* clipped = dd.surface(dw, dh);
    DirectDrawSurface* scratch = dd.surface(256, 256);
    const std::vector<RECT> clips = {{10, 10, 70, 50}, {90, 0, 160, 30}, {0, 80, 150, 115}};
    attach_list(dd, clipped, clips);
    for (int sw : {16, 72, 200}) {
        int sh = sw * 74 / 72;
        DirectDrawSurface* src = dd.surface(sw, sh);
        std::uint8_t key = static_cast<std::uint8_t>(pick(0, 255));
        auto paint = [&] {
            std::vector<std::uint8_t> m = raw(src);
            for (int y = 0; y < sh; ++y)
                for (int x = 0; x < sw; ++x) {
                    double u = (x + 0.5) / sw - 0.5, v = (y + 0.5) / sh - 0.5;
                    bool body = u * u + v * v < 0.2 && pick(0, 30) != 0;
                    std::uint8_t colour =
                        static_cast<std::uint8_t>(pick(0, 3) ? key ^ 1 : pick(0, 255));
                    m[static_cast<std::size_t>(y) * src->pitch() + x] =
                        body && colour != key ? colour : key;
                }
            set_raw(src, m);
        };
        paint();
        DDCOLORKEY ck{key, key};
        src->set_color_key(DDCKEY_SRCBLT, &ck);
        for (int round = 0; round < 60; ++round) {
            if (round == 20) paint();  // new pixels: the runs are made again
            if (round == 40) {
                key = static_cast<std::uint8_t>(key + 1);  // a new key: likewise
                ck = DDCOLORKEY{key, key};
                src->set_color_key(DDCKEY_SRCBLT, &ck);
            }
            DirectDrawSurface* to = round % 2 ? clipped : dest;
            int w = round % 3 == 2 ? 30 : sw, h = round % 3 == 2 ? 30 : sh;  // shrunk, or its size
            RECT d{pick(-w, dw), pick(-h, dh), 0, 0};
            d.right = d.left + w;
            d.bottom = d.top + h;
            if (to == dest) {  // an unclipped surface takes only what lies inside it
                if (w > dw || h > dh) continue;
                d.left = std::clamp(static_cast<int>(d.left), 0, dw - w);
                d.top = std::clamp(static_cast<int>(d.top), 0, dh - h);
                d.right = d.left + w;
                d.bottom = d.top + h;
            }
            std::vector<std::uint8_t> before = raw(to);
            for (auto& b : before) b = static_cast<std::uint8_t>(pick(0, 255));
            set_raw(to, before);
            RECT whole{0, 0, sw, sh};
            // A first blit elsewhere, so that the one checked is drawn from the runs.
            RECT aside{0, 0, w, h};
            ASSERT_EQ(DD_OK, scratch->blt(&aside, src, &whole, DDBLT_WAIT | DDBLT_KEYSRC, nullptr));
            ASSERT_EQ(DD_OK, to->blt(&d, src, &whole, DDBLT_WAIT | DDBLT_KEYSRC, nullptr));
            reference_blit(before, to->pitch(), dw, dh, 1, raw(src), src->pitch(), d, whole,
                           to == clipped ? &clips : nullptr, true, key);
            ASSERT_EQ(before, raw(to)) << sw << " px, round " << round;
        }
        src->release();
    }
}

// A small stretched blit draws from a scaled copy the source keeps; every way
// of changing the source's pixels makes the next blit take the new ones.
TEST(Blits, RepeatedStretchesFollowEveryChangeOfTheSource) {
    Dd dd;
    DirectDrawSurface* dest = dd.surface(64, 48);
    DirectDrawSurface* src = dd.surface(90, 70);
    DirectDrawSurface* other = dd.surface(90, 70);
    DDCOLORKEY ck{0, 0};
    src->set_color_key(DDCKEY_SRCBLT, &ck);
    std::mt19937 rng(99);
    std::vector<std::uint8_t> smem = raw(src);
    for (auto& b : smem) b = static_cast<std::uint8_t>(rng() % 4);
    set_raw(src, smem);
    std::vector<std::uint8_t> dmem = raw(dest);
    RECT s{3, 2, 88, 67}, d{5, 4, 35, 34};
    auto check = [&](const char* step, const RECT& source) {
        ASSERT_EQ(DD_OK, dest->blt(&d, src, &source, DDBLT_WAIT | DDBLT_KEYSRC, nullptr));
        reference_blit(dmem, dest->pitch(), 64, 48, 1, raw(src), src->pitch(), d, source, nullptr,
                       true, 0);
        ASSERT_EQ(dmem, raw(dest)) << step;
    };
    check("first", s);
    check("again", s);
    check("another source rectangle", RECT{0, 0, 45, 35});
    DDSURFACEDESC2 desc{};
    ASSERT_EQ(DD_OK, src->lock(nullptr, &desc, DDLOCK_WAIT, nullptr));
    static_cast<std::uint8_t*>(desc.lpSurface)[10 * desc.lPitch + 40] = 200;
    std::fill_n(static_cast<std::uint8_t*>(desc.lpSurface) + 30 * desc.lPitch, 90, 201);
    ASSERT_EQ(DD_OK, src->unlock(nullptr));
    check("after a lock", s);
    DDBLTFX fx{sizeof(DDBLTFX), 202};
    RECT band{0, 40, 90, 50};
    ASSERT_EQ(DD_OK, src->blt(&band, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    check("after a fill", s);
    std::vector<std::uint8_t> omem = raw(other);
    for (auto& b : omem) b = static_cast<std::uint8_t>(100 + rng() % 50);
    set_raw(other, omem);
    RECT corner{0, 0, 30, 30};
    ASSERT_EQ(DD_OK, src->blt(&corner, other, &corner, DDBLT_WAIT, nullptr));
    check("after a blit into it", s);
    for (auto& b : smem) b = static_cast<std::uint8_t>(rng() % 4);
    set_raw(src, smem);
    check("after a write to its memory", s);
    d = RECT{-10, 20, 50, 60};  // another size, crossing the edge: refused unclipped
    EXPECT_EQ(DDERR_INVALIDRECT, dest->blt(&d, src, &s, DDBLT_WAIT | DDBLT_KEYSRC, nullptr));
    d = RECT{10, 20, 50, 40};
    check("another size", s);
}

TEST(Blits, AClippedSpriteShowsItsOwnHalf) {
    Dd dd;
    DirectDrawSurface* screen = dd.surface(20, 10);
    DirectDrawSurface* sprite = dd.surface(8, 4);
    std::vector<std::uint8_t> m = raw(sprite);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) m[y * sprite->pitch() + x] = static_cast<std::uint8_t>(10 + x);
    set_raw(sprite, m);
    attach_list(dd, screen, {{0, 0, 20, 10}});
    RECT d{-4, 2, 4, 6};  // the left half lies off the screen
    ASSERT_EQ(DD_OK, screen->blt(&d, sprite, nullptr, DDBLT_WAIT, nullptr));
    std::vector<std::uint8_t> out = raw(screen);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(14 + x, out[3 * screen->pitch() + x]);
    EXPECT_EQ(0, out[3 * screen->pitch() + 4]);

    RECT half{16, 0, 24, 2};  // and shrunk to half height at the right edge
    ASSERT_EQ(DD_OK, screen->blt(&half, sprite, nullptr, DDBLT_WAIT, nullptr));
    out = raw(screen);
    for (int x = 16; x < 20; ++x) EXPECT_EQ(10 + x - 16, out[x]);
}

TEST(Blits, LockedOrMismatchedSurfacesAreRefused) {
    Dd dd;
    DirectDrawSurface* a = dd.surface(10, 10);
    DirectDrawSurface* b = dd.surface(10, 10);
    DirectDrawSurface* wide = dd.surface(10, 10, 16);
    DDSURFACEDESC2 d{};
    ASSERT_EQ(DD_OK, b->lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    EXPECT_EQ(DDERR_SURFACEBUSY, a->blt(nullptr, b, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ(DDERR_SURFACEBUSY, b->blt(nullptr, a, nullptr, DDBLT_WAIT, nullptr));
    b->unlock(nullptr);
    EXPECT_EQ(DDERR_INVALIDPARAMS, a->blt(nullptr, wide, nullptr, DDBLT_WAIT, nullptr));
    RECT outside{0, 0, 11, 10};
    EXPECT_EQ(DDERR_INVALIDRECT, a->blt(nullptr, b, &outside, DDBLT_WAIT, nullptr));
    RECT empty{3, 3, 3, 8};
    EXPECT_EQ(DDERR_INVALIDRECT, a->blt(&empty, b, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ(DDERR_NOCOLORKEY, a->blt(nullptr, b, nullptr, DDBLT_KEYSRC, nullptr));
    EXPECT_EQ(DDERR_INVALIDPARAMS, a->blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, nullptr));
}

TEST(Blits, ColourFillsHonourTheClipperAndTheDepth) {
    Dd dd;
    DirectDrawSurface* s = dd.surface(6, 4, 16);
    DDBLTFX fx{sizeof(DDBLTFX), 0x1234ABCDu};
    ASSERT_EQ(DD_OK, s->blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    std::vector<std::uint8_t> m = raw(s);
    EXPECT_EQ(0xABCDu, get_px(m, s->pitch(), 2, 5, 3));
    EXPECT_EQ(0u, m[12]);  // padding after the row stays as it was
    attach_list(dd, s, {{1, 1, 3, 2}, {4, 3, 9, 9}});
    fx.dwFillColor = 7;
    RECT all{-5, -5, 50, 50};
    ASSERT_EQ(DD_OK, s->blt(&all, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    m = raw(s);
    EXPECT_EQ(7u, get_px(m, s->pitch(), 2, 1, 1));
    EXPECT_EQ(7u, get_px(m, s->pitch(), 2, 2, 1));
    EXPECT_EQ(0xABCDu, get_px(m, s->pitch(), 2, 3, 1));
    EXPECT_EQ(7u, get_px(m, s->pitch(), 2, 5, 3));
    EXPECT_EQ(0xABCDu, get_px(m, s->pitch(), 2, 0, 0));
}

TEST(Blits, FullWidthFillsStopAtTheirLastRow) {
    // Rows as wide as the pitch are filled in one run; the rows above and
    // below the rectangle stay as they were, at either depth.
    for (int bpp : {8, 16}) {
        Dd dd;
        int width = bpp == 8 ? 32 : 16;  // the pitch is 32 bytes: no padding
        DirectDrawSurface* s = dd.surface(width, 4, bpp);
        ASSERT_EQ(32, s->pitch());
        DDBLTFX fx{sizeof(DDBLTFX), 0x0505u};
        ASSERT_EQ(DD_OK, s->blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
        fx.dwFillColor = 0x0909u;
        RECT rows{0, 1, width, 3};
        ASSERT_EQ(DD_OK, s->blt(&rows, nullptr, nullptr, DDBLT_COLORFILL, &fx));
        std::vector<std::uint8_t> m = raw(s);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(y == 1 || y == 2 ? 9 : 5, m[y * 32 + x]) << bpp << ": " << x << "," << y;
    }
}

TEST(Clippers, ListRoundTripsWithItsBound) {
    Dd dd;
    DirectDrawSurface* s = dd.surface(40, 40);
    attach_list(dd, s, {{0, 0, 10, 10}, {20, 5, 30, 40}});
    DirectDrawClipper* c = nullptr;
    ASSERT_EQ(DD_OK, s->get_clipper(&c));
    std::uint32_t size = 0;
    ASSERT_EQ(DD_OK, c->get_clip_list(nullptr, nullptr, &size));
    EXPECT_EQ(64u, size);
    std::vector<RECT> record(4);
    ASSERT_EQ(DD_OK, c->get_clip_list(nullptr, reinterpret_cast<RGNDATA*>(record.data()), &size));
    const RGNDATAHEADER& h = reinterpret_cast<RGNDATA*>(record.data())->rdh;
    EXPECT_EQ(2u, h.nCount);
    EXPECT_EQ(32u, h.nRgnSize);
    EXPECT_EQ(0, h.rcBound.left);
    EXPECT_EQ(30, h.rcBound.right);
    EXPECT_EQ(40, h.rcBound.bottom);
    EXPECT_EQ(20, record[3].left);
    size = 40;
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              c->get_clip_list(nullptr, reinterpret_cast<RGNDATA*>(record.data()), &size));
    RGNDATA bad{};
    bad.rdh = RGNDATAHEADER{sizeof(RGNDATAHEADER), 2, 1, 16, {}};
    EXPECT_EQ(DDERR_INVALIDPARAMS, c->set_clip_list(&bad, 0));
    c->release();
}

TEST(Palettes, RangesPastTheLastEntryAreRefused) {
    Dd dd;
    DirectDrawPalette* p = nullptr;
    ASSERT_EQ(DD_OK, dd.dd->create_palette(DDPCAPS_8BIT, nullptr, &p, nullptr));
    PALETTEENTRY e[256] = {};
    e[0] = {1, 2, 3, 0};
    EXPECT_EQ(DD_OK, p->set_entries(0, 255, 1, e));
    EXPECT_EQ(DDERR_INVALIDPARAMS, p->set_entries(0, 255, 2, e));
    EXPECT_EQ(DDERR_INVALIDPARAMS, p->get_entries(0, 256, 1, e));
    EXPECT_EQ(DDERR_INVALIDPARAMS, p->set_entries(0, 0, 0xFFFFFFFFu, e));
    PALETTEENTRY out{};
    ASSERT_EQ(DD_OK, p->get_entries(0, 255, 1, &out));
    EXPECT_EQ(3, out.peBlue);
    EXPECT_EQ(DDERR_INVALIDPARAMS, dd.dd->create_palette(0, nullptr, &p, nullptr));
}

// What the screen receives: a backend that keeps the frames it is given.
class FrameCatcher : public NullBackend {
public:
    void present(const PresentedFrame& f) override {
        ++presents;
        first_pixel = f.pixels[0];
        first_red = f.palette_rgb[3 * f.pixels[0]];
        top = f.changed_top;
        bottom = f.changed_bottom;
        palette_changed = f.palette_changed;
    }
    static inline int presents = 0, first_pixel = -1, first_red = -1, top = -1, bottom = -1;
    static inline bool palette_changed = false;
};

class Presentation : public ::testing::Test {
protected:
    void SetUp() override {
        reset_window_system();
        FrameCatcher::presents = 0;
        set_backend(std::make_unique<FrameCatcher>());
        use_virtual_clock(0);
        WNDCLASSEX wc{};
        wc.lpfnWndProc = def_window_proc;
        wc.lpszClassName = "P";
        register_class_ex(&wc);
        hwnd = create_window_ex(0, "P", "", 0, 0, 0, 64, 32, nullptr, nullptr, nullptr, nullptr);
        direct_draw_create_ex(nullptr, &dd, IID_IDirectDraw7, nullptr);
        dd->set_cooperative_level(hwnd, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE);
        dd->set_display_mode(64, 32, 8, 0, 0);
        DDSURFACEDESC2 d{};
        d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        d.dwBackBufferCount = 1;
        ASSERT_EQ(DD_OK, dd->create_surface(&d, &front, nullptr));
        DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
        ASSERT_EQ(DD_OK, front->get_attached_surface(&caps, &back));
        PALETTEENTRY e[256] = {};
        for (int i = 0; i < 256; ++i) e[i].peRed = static_cast<std::uint8_t>(i);
        dd->create_palette(DDPCAPS_8BIT, e, &palette, nullptr);
        front->set_palette(palette);
        present_if_changed();
        FrameCatcher::presents = 0;
    }
    void TearDown() override {
        dd->release();  // frees the surfaces and the palette still held
        set_backend(nullptr);
        reset_window_system();
    }
    HWND hwnd = nullptr;
    DirectDraw* dd = nullptr;
    DirectDrawSurface *front = nullptr, *back = nullptr;
    DirectDrawPalette* palette = nullptr;
};

TEST_F(Presentation, FlipSwapsMemoryAndShowsTheNewFront) {
    std::uint8_t* old_front = front->memory();
    std::uint8_t* old_back = back->memory();
    DDBLTFX fx{sizeof(DDBLTFX), 9};
    back->blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
    EXPECT_EQ(0, FrameCatcher::presents);  // the back buffer is not on screen
    ASSERT_EQ(DD_OK, front->flip(nullptr, DDFLIP_WAIT));
    EXPECT_EQ(old_back, front->memory());
    EXPECT_EQ(old_front, back->memory());
    EXPECT_EQ(1, FrameCatcher::presents);
    EXPECT_EQ(9, FrameCatcher::first_pixel);
    present_if_changed();
    yield_processor();
    EXPECT_EQ(1, FrameCatcher::presents);  // nothing changed since
    EXPECT_EQ(DDERR_NOTFLIPPABLE, back->flip(nullptr, DDFLIP_WAIT));
    DDSURFACEDESC2 d{};
    back->lock(nullptr, &d, DDLOCK_WAIT, nullptr);
    EXPECT_EQ(DDERR_SURFACEBUSY, front->flip(nullptr, DDFLIP_WAIT));
    back->unlock(nullptr);
}

TEST_F(Presentation, PaletteAndFrontChangesShowWithoutAFlip) {
    PALETTEENTRY red{200, 0, 0, 0};
    palette->set_entries(0, 0, 1, &red);
    EXPECT_EQ(0, FrameCatcher::presents);  // shown at the next peek, not at once
    MSG msg;
    peek_message(&msg, nullptr, 0, 0, PM_NOREMOVE);
    EXPECT_EQ(1, FrameCatcher::presents);
    EXPECT_EQ(200, FrameCatcher::first_red);

    DDSURFACEDESC2 d{};
    front->lock(nullptr, &d, DDLOCK_WAIT, nullptr);
    static_cast<std::uint8_t*>(d.lpSurface)[0] = 5;
    front->unlock(nullptr);
    yield_processor();
    EXPECT_EQ(2, FrameCatcher::presents);
    EXPECT_EQ(5, FrameCatcher::first_pixel);
}

// The backend is handed the rows that changed since the frame before, and a
// change of the palette once; a present that changed nothing hands none.
TEST_F(Presentation, TheBackendIsHandedWhatChangedOnce) {
    const PresentedFrame* first = last_presented_frame();  // SetUp's: a display's first
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(0, first->changed_top);
    EXPECT_EQ(32, first->changed_bottom);
    EXPECT_TRUE(first->palette_changed);
    RECT rows{0, 12, 64, 20};
    DDBLTFX fx{sizeof(DDBLTFX), 9};
    back->blt(&rows, nullptr, nullptr, DDBLT_COLORFILL, &fx);
    ASSERT_EQ(DD_OK, front->flip(nullptr, DDFLIP_WAIT));
    EXPECT_EQ(1, FrameCatcher::presents);
    EXPECT_EQ(12, FrameCatcher::top);
    EXPECT_EQ(20, FrameCatcher::bottom);
    EXPECT_FALSE(FrameCatcher::palette_changed);
    EXPECT_EQ(9, last_presented_frame()->pixels[64 * 19]);  // kept, its rows packed

    PALETTEENTRY red{200, 0, 0, 0};
    palette->set_entries(0, 0, 1, &red);
    present_if_changed();
    EXPECT_EQ(2, FrameCatcher::presents);
    EXPECT_TRUE(FrameCatcher::palette_changed);
    EXPECT_EQ(FrameCatcher::top, FrameCatcher::bottom);  // no row changed

    DDSURFACEDESC2 d{};
    front->lock(nullptr, &d, DDLOCK_WAIT, nullptr);
    front->unlock(nullptr);  // changes nothing, but is shown
    present_if_changed();
    EXPECT_EQ(3, FrameCatcher::presents);
    EXPECT_FALSE(FrameCatcher::palette_changed);
    EXPECT_EQ(FrameCatcher::top, FrameCatcher::bottom);
}

// A single byte changed is found wherever it is in its row: in a block of 64,
// of 16, or in the few bytes after them (a row of 100).
TEST_F(Presentation, AByteChangedAnywhereInARowIsFound) {
    std::uint8_t rgb[768] = {};
    std::vector<std::uint8_t> pixels(100 * 3, 7);
    present_frame(pixels.data(), 100, 100, 3, rgb);
    for (int x : {0, 63, 64, 79, 80, 95, 96, 99}) {
        pixels[100 + x] = 8;
        present_frame(pixels.data(), 100, 100, 3, rgb);
        EXPECT_EQ(1, FrameCatcher::top) << x;
        EXPECT_EQ(2, FrameCatcher::bottom) << x;
        pixels[100 + x] = 7;
        present_frame(pixels.data(), 100, 100, 3, rgb);
        EXPECT_EQ(1, FrameCatcher::bottom - FrameCatcher::top) << x << " changed back";
    }
    present_frame(pixels.data(), 100, 100, 3, rgb);
    EXPECT_EQ(FrameCatcher::top, FrameCatcher::bottom);
    rgb[767] = 1;  // the last palette byte
    present_frame(pixels.data(), 100, 100, 3, rgb);
    EXPECT_TRUE(FrameCatcher::palette_changed);
}

TEST_F(Presentation, OnePrimaryAtATimeAndVerticalBlankOnTheRefresh) {
    DDSURFACEDESC2 d{};
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    DirectDrawSurface* second = nullptr;
    EXPECT_EQ(DDERR_PRIMARYSURFACEALREADYEXISTS, dd->create_surface(&d, &second, nullptr));
    DDPIXELFORMAT f{};
    front->get_pixel_format(&f);
    EXPECT_EQ(8u, f.dwRGBBitCount);
    EXPECT_EQ(DD_OK, dd->wait_for_vertical_blank(DDWAITVB_BLOCKBEGIN, nullptr));
    EXPECT_EQ(17u, get_tick_count());  // the first refresh after 0 begins at 16.7 ms
    dd->wait_for_vertical_blank(DDWAITVB_BLOCKBEGIN, nullptr);
    EXPECT_EQ(34u, get_tick_count());
}

TEST(Objects, ReleasingTheDisplayObjectFreesWhatIsLeft) {
    DirectDraw* dd = nullptr;
    ASSERT_EQ(DD_OK, direct_draw_create_ex(nullptr, &dd, IID_IDirectDraw7, nullptr));
    EXPECT_EQ(DDERR_INVALIDPARAMS, direct_draw_create_ex(nullptr, &dd, 1, nullptr));
    dd->set_cooperative_level(nullptr, DDSCL_NORMAL);
    DirectDrawPalette* p = nullptr;
    DirectDrawClipper* c = nullptr;
    dd->create_palette(DDPCAPS_8BIT, nullptr, &p, nullptr);
    dd->create_clipper(0, &c, nullptr);
    DDSURFACEDESC2 d{};
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = d.dwHeight = 100;
    for (int i = 0; i < 5; ++i) {
        DirectDrawSurface* s = nullptr;
        ASSERT_EQ(DD_OK, dd->create_surface(&d, &s, nullptr));
        s->set_palette(p);
        s->set_clipper(c);
    }
    EXPECT_EQ(0u, dd->release());  // the leak checker of the asan build watches this
}

TEST(TextContext, DrawsGlyphsInTheNearestColourOnly) {
    Dd dd;
    DirectDrawSurface* s = dd.surface(200, 40);
    DirectDrawPalette* p = nullptr;
    PALETTEENTRY e[256] = {};
    e[3] = {250, 250, 0, 0};  // yellow-ish
    e[4] = {255, 0, 0, 0};
    dd.dd->create_palette(DDPCAPS_8BIT, e, &p, nullptr);
    s->set_palette(p);
    DDBLTFX fx{sizeof(DDBLTFX), 77};
    s->blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
    HDC dc = nullptr;
    ASSERT_EQ(DD_OK, s->get_dc(&dc));
    EXPECT_EQ(DDERR_SURFACEBUSY, s->blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    EXPECT_EQ(16, text_line_height());
    set_text_color(dc, rgb_color(255, 255, 0));
    EXPECT_EQ(OPAQUE, set_bk_mode(dc, TRANSPARENT));
    EXPECT_EQ(1, text_out(dc, 2, 2, "Hello", 5));
    EXPECT_EQ(0, text_out(dc, 2, 2, "x", -1));
    ASSERT_EQ(DD_OK, s->release_dc(dc));
    EXPECT_EQ(0, text_out(dc, 2, 2, "stale", 5));  // a closed context is refused
    EXPECT_EQ(CLR_INVALID, set_text_color(dc, 0));
    std::vector<std::uint8_t> m = raw(s);
    int ink = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x) {
            int v = m[y * s->pitch() + x];
            EXPECT_TRUE(v == 77 || v == 3) << x << "," << y << " " << v;
            if (v == 3) {
                ++ink;
                EXPECT_TRUE(x >= 2 && x < 80 && y >= 2 && y < 18) << x << "," << y;
            }
        }
    }
    EXPECT_GT(ink, 60);
}

TEST(TextContext, ATextDrawnAgainLooksTheSameWhateverCameBetween) {
    // Rendered texts are kept and reused; a reused one, or one rendered anew
    // after many others pushed it out, must give the very same pixels, in the
    // colour of the moment.
    Dd dd;
    DirectDrawSurface* s = dd.surface(300, 20);
    PALETTEENTRY e[256] = {};
    e[5] = {0, 255, 0, 0};
    e[6] = {0, 0, 255, 0};
    DirectDrawPalette* p = nullptr;
    dd.dd->create_palette(DDPCAPS_8BIT, e, &p, nullptr);
    s->set_palette(p);
    auto draw = [&](const std::string& text, COLORREF color) {
        DDBLTFX fx{sizeof(DDBLTFX), 0};
        s->blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
        HDC dc = nullptr;
        EXPECT_EQ(DD_OK, s->get_dc(&dc));
        set_text_color(dc, color);
        set_bk_mode(dc, TRANSPARENT);
        EXPECT_EQ(1, text_out(dc, 1, 1, text.c_str(), static_cast<int>(text.size())));
        s->release_dc(dc);
        return raw(s);
    };
    std::vector<std::uint8_t> first = draw("Deaths=3", rgb_color(0, 255, 0));
    std::vector<std::uint8_t> again = draw("Deaths=3", rgb_color(0, 255, 0));
    EXPECT_EQ(first, again);
    std::vector<std::uint8_t> blue = draw("Deaths=3", rgb_color(0, 0, 255));
    ASSERT_EQ(first.size(), blue.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        ASSERT_EQ(first[i] == 5, blue[i] == 6) << i;
    }
    EXPECT_NE(first, draw("Deaths=4", rgb_color(0, 255, 0)));
    for (int i = 0; i < 40; ++i) draw("line " + std::to_string(i), rgb_color(0, 255, 0));
    EXPECT_EQ(first, draw("Deaths=3", rgb_color(0, 255, 0)));
}

TEST(TextContext, SixteenBitTextIsPackedAndOpaqueModeFillsTheBox) {
    Dd dd;
    DirectDrawSurface* s = dd.surface(100, 30, 16);
    HDC dc = nullptr;
    ASSERT_EQ(DD_OK, s->get_dc(&dc));
    set_text_color(dc, rgb_color(255, 0, 0));
    set_bk_color(dc, rgb_color(0, 0, 255));  // OPAQUE is the default mode
    text_out(dc, 0, 0, "Ab", 2);
    s->release_dc(dc);
    std::vector<std::uint8_t> m = raw(s);
    int red = 0, blue = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 10; ++x) {
            std::uint32_t v = get_px(m, s->pitch(), 2, x, y);
            red += v == 0xF800;
            blue += v == 0x001F;
        }
    }
    EXPECT_GT(red, 10);
    EXPECT_GT(blue, 10);
    EXPECT_EQ(0u, get_px(m, s->pitch(), 2, 99, 29));
}
