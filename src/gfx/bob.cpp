// Sprite objects. Frame surfaces come from the display; sequence lists are
// allocated here and kept in a list of their own as well as in the records, so
// that records copied about as plain values never lose track of them: a list
// is freed by bob_destroy of an attr-0 record, and otherwise lives to the end.
#include "gfx/bob.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "gfx/display.h"

namespace {

constexpr int kMaxSequenceLength = 1024;
// Drawing positions are held within +-kFarPosition (exact in float) before
// they become ints.
constexpr int kFarPosition = 1000000000;

std::vector<std::unique_ptr<std::int32_t[]>>& sequence_lists() {
    static std::vector<std::unique_ptr<std::int32_t[]>> lists;
    return lists;
}

void free_sequence(std::int32_t* list) {
    auto& lists = sequence_lists();
    auto it = std::find_if(lists.begin(), lists.end(), [&](auto& l) { return l.get() == list; });
    if (it != lists.end()) lists.erase(it);
}

// A position truncated toward zero, held far inside int range first.
int truncate(float v) {
    if (!(v > -static_cast<float>(kFarPosition))) return v != v ? 0 : -kFarPosition;
    if (v > static_cast<float>(kFarPosition)) return kFarPosition;
    return static_cast<int>(v);
}

bool valid_frame(const Bob* bob, int frame) {
    return frame >= 0 && frame < BOB_MAX_FRAMES && frame < bob->num_frames && bob->frames[frame];
}

// Copies the object's block of the bitmap into the frame's memory; bits is 8 or 16.
int load_frame(Bob* bob, const BitmapFile* bitmap, int frame, int cx, int cy, int mode, int bits) {
    if (!bob || !valid_frame(bob, frame)) return 0;
    DirectDrawSurface* surface = bob->frames[frame];
    if (surface->bytes_per_pixel() * 8 != bits || surface->width() < bob->width ||
        surface->height() < bob->height)
        return 0;
    int x, y;
    if (!find_bitmap_block(bitmap, bits, bob->width, bob->height, cx, cy, mode, &x, &y)) return 0;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (surface->lock(nullptr, &desc, DDLOCK_WAIT, nullptr) < 0) return 0;
    std::size_t bpp = static_cast<std::size_t>(bits / 8);
    std::size_t src_row = static_cast<std::size_t>(bitmap->info_header.biWidth) * bpp;
    const std::uint8_t* from = bitmap->buffer + static_cast<std::size_t>(y) * src_row + x * bpp;
    auto* to = static_cast<std::uint8_t*>(desc.lpSurface);
    std::size_t dest_pitch = static_cast<std::size_t>(desc.lPitch) & ~std::size_t{1};
    for (int r = 0; r < bob->height; ++r) {
        std::memcpy(to + dest_pitch * r, from + src_row * r, bob->width * bpp);
    }
    surface->unlock(nullptr);
    bob->attr |= BOB_LOADED;
    return 1;
}

void step_sequence(Bob* bob) {
    const std::int32_t* seq = bob->sequences[bob->curr_animation];
    int length = 0;
    while (seq[length] != -1) ++length;
    ++bob->anim_index;
    if (bob->anim_index >= 0 && bob->anim_index < length) {
        bob->curr_frame = seq[bob->anim_index];
    } else if (bob->attr & BOB_PLAY_ONCE) {
        bob->anim_done = 1;
        bob->anim_index = length - 1;
        bob->curr_frame = seq[bob->anim_index];
    } else {
        bob->anim_index = 0;
        bob->curr_frame = seq[0];
    }
}

// One more call counted; true when the object steps on this one.
bool count_call(Bob* bob) {
    if (bob->anim_counter < INT_MAX) ++bob->anim_counter;
    if (bob->anim_counter < bob->anim_speed) return false;
    bob->anim_counter = 0;
    return true;
}

int draw(const Bob* bob, int width, int height, DirectDrawSurface* dest) {
    if (!bob || !dest) return 0;
    if (!(bob->attr & BOB_VISIBLE)) return 1;
    if (!valid_frame(bob, bob->curr_frame)) return 0;
    RECT dest_rect{truncate(bob->x), truncate(bob->y), truncate(bob->x + static_cast<float>(width)),
                   truncate(bob->y + static_cast<float>(height))};
    RECT source_rect{0, 0, bob->width, bob->height};
    HRESULT r = dest->blt(&dest_rect, bob->frames[bob->curr_frame], &source_rect,
                          DDBLT_WAIT | DDBLT_KEYSRC, nullptr);
    return r < 0 ? 0 : 1;
}

}  // namespace

int bob_create(Bob* bob, int x, int y, int width, int height, int num_frames, std::uint32_t attr,
               std::uint32_t mem_flags, std::uint16_t color_key, int bpp) {
    if (!bob || num_frames < 1 || num_frames > BOB_MAX_FRAMES || width < 1 || height < 1) return 0;
    std::int64_t surface_width = static_cast<std::int64_t>(width) + bob->extra_width;
    if (surface_width < 1 || surface_width > BITMAP_MAX_SIDE) return 0;
    bob->state = 1;
    bob->attr = attr;
    bob->anim_done = 0;
    std::memset(bob->counters, 0, sizeof bob->counters);
    bob->curr_frame = 0;
    bob->num_frames = num_frames;
    bob->bpp = bpp;
    bob->curr_animation = bob->anim_counter = bob->anim_index = bob->anim_speed = 0;
    bob->x = static_cast<float>(x);
    bob->y = static_cast<float>(y);
    bob->vx = bob->vy = 0;
    bob->width = width;
    bob->height = height;
    std::fill(std::begin(bob->frames), std::end(bob->frames), nullptr);
    std::fill(std::begin(bob->sequences), std::end(bob->sequences), nullptr);
    for (int i = 0; i < num_frames; ++i) {
        bob->frames[i] =
            create_surface(static_cast<int>(surface_width), height, mem_flags, color_key);
        if (!bob->frames[i]) return 0;
    }
    return 1;
}

int bob_clone(const Bob* source, Bob* dest) {
    if (!source || !dest || source == dest) return 0;
    *dest = *source;
    dest->attr |= BOB_COPY;
    return 1;
}

int bob_destroy(Bob* bob) {
    if (!bob) return 0;
    if (bob->attr == 0) {
        for (DirectDrawSurface*& frame : bob->frames) {
            if (frame) frame->release();
        }
        for (std::int32_t*& list : bob->sequences) {
            if (list) free_sequence(list);
        }
    }
    std::fill(std::begin(bob->frames), std::end(bob->frames), nullptr);
    std::fill(std::begin(bob->sequences), std::end(bob->sequences), nullptr);
    return 1;
}

int bob_load_frame8(Bob* bob, const BitmapFile* bitmap, int frame, int cx, int cy, int mode) {
    return load_frame(bob, bitmap, frame, cx, cy, mode, 8);
}

int bob_load_frame16(Bob* bob, const BitmapFile* bitmap, int frame, int cx, int cy, int mode) {
    return load_frame(bob, bitmap, frame, cx, cy, mode, 16);
}

int bob_animate(Bob* bob) {
    if (!bob) return 0;
    if (bob->attr & BOB_ONE_FRAME) {
        bob->curr_frame = 0;
    } else if (bob->attr & BOB_FRAME_CYCLE) {
        if (count_call(bob) && ++bob->curr_frame >= bob->num_frames) bob->curr_frame = 0;
    } else if (bob->attr & BOB_SEQUENCED) {
        if (bob->curr_animation < 0 || bob->curr_animation >= BOB_MAX_ANIMATIONS ||
            !bob->sequences[bob->curr_animation])
            return 0;
        if (count_call(bob)) step_sequence(bob);
    }
    return 1;
}

int bob_move(Bob* bob) {
    if (!bob) return 0;
    bob->x += bob->vx;
    bob->y += bob->vy;
    float left = static_cast<float>(clip_left), right = static_cast<float>(clip_right);
    float top = static_cast<float>(clip_top), bottom = static_cast<float>(clip_bottom);
    float w = static_cast<float>(bob->width), h = static_cast<float>(bob->height);
    if (bob->attr & BOB_WRAP) {
        if (bob->x > right) {
            bob->x = left - w;
        } else if (bob->x < left - w) {
            bob->x = right;
        }
        if (bob->y > bottom) {
            bob->y = top - h;
        } else if (bob->y < top - h) {
            bob->y = bottom;
        }
    } else if (bob->attr & BOB_BOUNCE) {
        if (bob->x > right - w || bob->x < left) bob->vx = -bob->vx;
        if (bob->y > bottom - h || bob->y < top) bob->vy = -bob->vy;
    }
    return 1;
}

int bob_set_sequence(Bob* bob, int n, int count, const std::int32_t* list) {
    if (!bob || !list || n < 0 || n >= BOB_MAX_ANIMATIONS) return 0;
    if (count < 1 || count > kMaxSequenceLength) return 0;
    for (int i = 0; i < count; ++i) {
        if (list[i] < 0 || list[i] >= BOB_MAX_FRAMES) return 0;
    }
    std::unique_ptr<std::int32_t[]> copy(new (std::nothrow) std::int32_t[count + 1]);
    if (!copy) {
        bob->sequences[n] = nullptr;
        return 0;
    }
    std::copy(list, list + count, copy.get());
    copy[count] = -1;
    bob->sequences[n] = copy.get();
    sequence_lists().push_back(std::move(copy));
    return 1;
}

int bob_set_position(Bob* bob, int x, int y) {
    if (!bob) return 0;
    bob->x = static_cast<float>(x);
    bob->y = static_cast<float>(y);
    return 1;
}

int bob_set_velocity(Bob* bob, int vx, int vy) {
    if (!bob) return 0;
    bob->vx = static_cast<float>(vx);
    bob->vy = static_cast<float>(vy);
    return 1;
}

int bob_set_anim_speed(Bob* bob, int speed) {
    if (!bob) return 0;
    bob->anim_speed = speed;
    return 1;
}

int bob_set_animation(Bob* bob, int n) {
    if (!bob || n < 0 || n >= BOB_MAX_ANIMATIONS) return 0;
    bob->curr_animation = n;
    bob->anim_index = 0;
    return 1;
}

int bob_hide(Bob* bob) {
    if (!bob) return 0;
    bob->attr &= ~BOB_VISIBLE;
    return 1;
}

int bob_show(Bob* bob) {
    if (!bob) return 0;
    bob->attr |= BOB_VISIBLE;
    return 1;
}

int bob_draw(const Bob* bob, DirectDrawSurface* dest) {
    return bob ? draw(bob, bob->width, bob->height, dest) : 0;
}

int bob_draw_scaled(const Bob* bob, int width, int height, DirectDrawSurface* dest) {
    return draw(bob, width, height, dest);
}

int bob_draw16(const Bob* bob, DirectDrawSurface* dest) {
    return bob_draw(bob, dest);
}

int bob_draw_scaled16(const Bob* bob, int width, int height, DirectDrawSurface* dest) {
    return bob_draw_scaled(bob, width, height, dest);
}

int bob_overlap_at(float ax, float ay, int wa, int ha, float bx, float by, int wb, int hb) {
    int hwa = (wa >> 1) - (wa >> 3), hha = (ha >> 1) - (ha >> 3);
    int hwb = (wb >> 1) - (wb >> 3), hhb = (hb >> 1) - (hb >> 3);
    std::int64_t dx =
        truncate(bx + static_cast<float>(hwb)) - truncate(ax + static_cast<float>(hwa));
    std::int64_t dy =
        truncate(by + static_cast<float>(hhb)) - truncate(ay + static_cast<float>(hha));
    if (dx < 0) dx = -dx;
    if (dy < 0) dy = -dy;
    return dx < std::int64_t{hwa} + hwb && dy < std::int64_t{hha} + hhb ? 1 : 0;
}

int bob_overlap(const Bob* a, const Bob* b) {
    if (!a || !b) return 0;
    return bob_overlap_at(a->x, a->y, a->width, a->height, b->x, b->y, b->width, b->height);
}
