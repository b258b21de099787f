/// @file
/// Sprite objects: a Bob is a movable picture with up to 64 frame surfaces (each
/// the object's height and its width plus extra_width, keyed) and 16 animation
/// sequences. Records are plain values: a copy shares the frame surfaces and
/// sequence lists of its source.
/// Needs the display (surfaces, clip rectangle) and loaded bitmap files.
/// @ingroup sprites
#pragma once

#include <cstdint>

#include "platform/system/ddraw.h"
#include "raster/bitmap.h"

/// @addtogroup sprites
/// @{

constexpr int BOB_MAX_FRAMES = 64;      ///< frame surfaces an object can have
constexpr int BOB_MAX_ANIMATIONS = 16;  ///< animation sequences an object can have

constexpr std::uint32_t BOB_ONE_FRAME = 1;    ///< bob_animate keeps frame 0
constexpr std::uint32_t BOB_FRAME_CYCLE = 2;  ///< bob_animate cycles through all frames
constexpr std::uint32_t BOB_SEQUENCED = 4;    ///< bob_animate plays sequence curr_animation
constexpr std::uint32_t BOB_PLAY_ONCE = 8;    ///< with BOB_SEQUENCED: stop on the last entry
constexpr std::uint32_t BOB_VISIBLE = 16;     ///< the draws draw it
constexpr std::uint32_t BOB_BOUNCE = 32;      ///< bob_move reverses at the clip rectangle
constexpr std::uint32_t BOB_WRAP = 64;        ///< bob_move wraps round the clip rectangle
constexpr std::uint32_t BOB_LOADED = 128;     ///< a frame holds pixels
constexpr std::uint32_t BOB_COPY = 256;       ///< made by bob_clone

/// A sprite object: where it is, how it moves, its frames and its animations.
struct Bob {
    std::int32_t state;           ///< 1 once created
    std::int32_t anim_done;       ///< 1 once a play-once sequence reached its end
    std::uint32_t attr;           ///< BOB_ attribute bits: how it animates, moves and shows
    float x, y;                   ///< top-left on the destination, pixels
    float vx, vy;                 ///< pixels added by each bob_move
    std::int32_t width, height;   ///< size of every frame, pixels
    std::int32_t extra_width;     ///< pixels added to the width of the frame surfaces
    std::int32_t bpp;             ///< bits per pixel given at creation
    std::int32_t counters[4];     ///< zeroed at creation, free for the game
    std::int32_t user_area[32];   ///< the game's own storage; never touched here
    std::int32_t curr_frame;      ///< the frame the draws show
    std::int32_t num_frames;      ///< frame surfaces made, 1..64
    std::int32_t curr_animation;  ///< the sequence bob_animate plays, 0..15
    std::int32_t anim_counter;    ///< bob_animate calls since the last step
    std::int32_t anim_index;      ///< position in the current sequence
    std::int32_t anim_speed;      ///< bob_animate calls per step; 0 or less steps every call
    std::int32_t* sequences[BOB_MAX_ANIMATIONS];  ///< frame numbers ended by -1
    DirectDrawSurface* frames[BOB_MAX_FRAMES];    ///< null where none was made
};

/// sets up the record and makes num_frames (1..64) keyed surfaces of width +
/// extra_width by height; 1, 0 for a null record, bad sizes or count, no display,
/// or a surface that cannot be made (those made so far are kept)
int bob_create(Bob* bob, int x, int y, int width, int height, int num_frames, std::uint32_t attr,
               std::uint32_t mem_flags, std::uint16_t color_key, int bpp);
/// copies the whole record, sharing surfaces and lists, and marks it BOB_COPY; 1,
/// 0 when either is null or both are one record
int bob_clone(const Bob* source, Bob* dest);
/// attr 0: releases the surfaces and lists and clears their entries; any attr
/// bit: only clears the entries (a copy or a game object releases nothing); 1, 0
/// for a null record
int bob_destroy(Bob* bob);
/// copies the object's size out of an 8-bit bitmap into frame (0..num_frames-1):
/// cell (cx, cy) with mode 0, pixel (cx, cy) otherwise; sets BOB_LOADED; 1, 0 for
/// null arguments, a bad frame, depths that differ or a cell outside the bitmap
int bob_load_frame8(Bob* bob, const BitmapFile* bitmap, int frame, int cx, int cy, int mode);
/// the same for 16-bit bitmaps and frames
int bob_load_frame16(Bob* bob, const BitmapFile* bitmap, int frame, int cx, int cy, int mode);
/// one animation step by the attribute bits; 1, 0 for a null record or a
/// sequenced object whose current sequence is missing
int bob_animate(Bob* bob);
/// adds the velocity and wraps or bounces at the clip rectangle (a bounce turns the
/// velocity only, the position stays beyond); 1, 0 for a null record
int bob_move(Bob* bob);
/// stores count (1..1024) frame numbers (0..63) and -1 as sequence n (0..15); a
/// list already there stays allocated; 1, 0 for bad arguments or no memory
int bob_set_sequence(Bob* bob, int n, int count, const std::int32_t* list);
/// sets x, y (as floats); 1, 0 for a null record
int bob_set_position(Bob* bob, int x, int y);
/// sets vx, vy (as floats); 1, 0 for a null record
int bob_set_velocity(Bob* bob, int vx, int vy);
/// sets anim_speed, the calls per step; 1, 0 for a null record
int bob_set_anim_speed(Bob* bob, int speed);
/// clears BOB_VISIBLE; 1, 0 for a null record
int bob_hide(Bob* bob);
/// sets BOB_VISIBLE; 1, 0 for a null record
int bob_show(Bob* bob);
/// makes n (0..15) the current sequence at its entry 0, the frame shown and
/// anim_done left as they are: the next step shows entry 1 (entry 0 again for a
/// one-entry sequence);
/// 1, 0 for a null record or a bad n
int bob_set_animation(Bob* bob, int n);
/// blits the current frame keyed to (x, y) truncated, at its own size, cut by the
/// destination's clipper; 1 (nothing drawn while hidden), 0 for null arguments, a
/// current frame without a surface, or a failed blit
int bob_draw(const Bob* bob, DirectDrawSurface* dest);
/// the same stretched or shrunk to width x height
int bob_draw_scaled(const Bob* bob, int width, int height, DirectDrawSurface* dest);
/// bob_draw and bob_draw_scaled under the names of 16-bit frames: one blit serves
/// every depth, so they return what those return
int bob_draw16(const Bob* bob, DirectDrawSurface* dest);
/// bob_draw_scaled under the name of 16-bit frames; returns what it returns
int bob_draw_scaled16(const Bob* bob, int width, int height, DirectDrawSurface* dest);
/// the overlap test of two boxes given by top-left corner and size: each box
/// covers three quarters of its size from its corner; 1 when they overlap, else 0
int bob_overlap_at(float ax, float ay, int wa, int ha, float bx, float by, int wb, int hb);
/// 1 when the boxes of three quarters of each size, from their top-left corners,
/// overlap; 0 otherwise or for a null record
int bob_overlap(const Bob* a, const Bob* b);

/// @}
