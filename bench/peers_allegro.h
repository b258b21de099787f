// The same operations as peers_bench.cpp in Allegro 4.4, on 8-bit memory
// bitmaps and without a display, kept in a file of their own so that Allegro's
// header meets none of ours. Built only when Allegro 4 is installed.
#pragma once

#include <cstdint>

namespace peer_allegro {

// starts Allegro without a display; 1, 0 when it cannot start
int start();
// an 8-bit memory bitmap of w x h (or a 32-bit one with depth 32); an opaque handle
void* make_bitmap(int w, int h, int depth = 8);
void free_bitmap(void* bitmap);
// the bitmap's row y, for filling it with test pixels
std::uint8_t* row(void* bitmap, int y);
void clear(void* bitmap, int color);
void copy(void* source, void* dest);
void sprite(void* dest, void* sprite, int x, int y);
void stretched_sprite(void* dest, void* sprite, int x, int y, int w, int h);
// Allegro's run-length encoded sprite of a bitmap (key 0), drawn and freed
void* make_rle_sprite(void* bitmap);
void rle_sprite(void* dest, void* rle, int x, int y);
void free_rle_sprite(void* rle);
void line(void* dest, int x1, int y1, int x2, int y2, int color);
void hline(void* dest, int x1, int y, int x2, int color);
void vline(void* dest, int x, int y1, int y2, int color);
void triangle(void* dest, const int* xy, int color);
void polygon(void* dest, int count, const int* xy, int color);
// loads an 8-bit BMP; the bitmap, or null
void* load_bmp(const char* filename);
// sets the palette (256 r, g, b triples of 0..255) used by a depth conversion
void select_rgb(const std::uint8_t* palette_rgb);

}  // namespace peer_allegro
