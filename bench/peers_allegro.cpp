// Allegro 4.4 side of the peer benchmark: thin calls on memory bitmaps.
#define ALLEGRO_NO_MAGIC_MAIN
#include <allegro.h>

#include <cerrno>

#include "peers_allegro.h"

namespace peer_allegro {

namespace {
BITMAP* as_bitmap(void* b) {
    return static_cast<BITMAP*>(b);
}
}  // namespace

int start() {
    static int started = install_allegro(SYSTEM_NONE, &errno, nullptr) == 0 ? 1 : 0;
    if (started) set_color_depth(8);
    return started;
}

void* make_bitmap(int w, int h, int depth) {
    return create_bitmap_ex(depth, w, h);
}
void free_bitmap(void* bitmap) {
    destroy_bitmap(as_bitmap(bitmap));
}
std::uint8_t* row(void* bitmap, int y) {
    return as_bitmap(bitmap)->line[y];
}
void clear(void* bitmap, int color) {
    clear_to_color(as_bitmap(bitmap), color);
}
void copy(void* source, void* dest) {
    BITMAP* s = as_bitmap(source);
    blit(s, as_bitmap(dest), 0, 0, 0, 0, s->w, s->h);
}
void sprite(void* dest, void* sprite, int x, int y) {
    draw_sprite(as_bitmap(dest), as_bitmap(sprite), x, y);
}
void* make_rle_sprite(void* bitmap) {
    return get_rle_sprite(as_bitmap(bitmap));
}
void rle_sprite(void* dest, void* rle, int x, int y) {
    draw_rle_sprite(as_bitmap(dest), static_cast<RLE_SPRITE*>(rle), x, y);
}
void free_rle_sprite(void* rle) {
    destroy_rle_sprite(static_cast<RLE_SPRITE*>(rle));
}
void stretched_sprite(void* dest, void* sprite, int x, int y, int w, int h) {
    stretch_sprite(as_bitmap(dest), as_bitmap(sprite), x, y, w, h);
}
void line(void* dest, int x1, int y1, int x2, int y2, int color) {
    ::line(as_bitmap(dest), x1, y1, x2, y2, color);
}
void hline(void* dest, int x1, int y, int x2, int color) {
    ::hline(as_bitmap(dest), x1, y, x2, color);
}
void vline(void* dest, int x, int y1, int y2, int color) {
    ::vline(as_bitmap(dest), x, y1, y2, color);
}
void triangle(void* dest, const int* xy, int color) {
    ::triangle(as_bitmap(dest), xy[0], xy[1], xy[2], xy[3], xy[4], xy[5], color);
}
void polygon(void* dest, int count, const int* xy, int color) {
    ::polygon(as_bitmap(dest), count, xy, color);
}
void* load_bmp(const char* filename) {
    PALETTE pal;
    return ::load_bmp(filename, pal);
}
void select_rgb(const std::uint8_t* palette_rgb) {
    static PALETTE pal;
    for (int i = 0; i < 256; ++i) {
        pal[i].r = palette_rgb[3 * i] >> 2;
        pal[i].g = palette_rgb[3 * i + 1] >> 2;
        pal[i].b = palette_rgb[3 * i + 2] >> 2;
    }
    select_palette(pal);
}

}  // namespace peer_allegro
