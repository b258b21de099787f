// Trace writer. `frame` is the pass number, `tick` the frame clock's start;
// floats are printed exactly. The hashes cover the 8-bit picture last shown
// (its visible bytes, row by row) and the palette it was shown with.
#include "shell/trace.h"

#include <cstdio>

#include "game/world.h"
#include "gfx/display.h"
#include "gfx/palette.h"
#include "shell/winmain.h"
#include "support/clock.h"

namespace {

std::FILE* trace_file = nullptr;

std::uint32_t fnv1a(std::uint32_t h, const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) h = (h ^ bytes[i]) * 16777619u;
    return h;
}

// Reads the picture without a lock: a lock and unlock would count as a change
// of the screen and have it shown again.
std::uint32_t front_hash() {
    std::uint32_t h = 2166136261u;
    const std::uint8_t* pixels = front_surface ? front_surface->pixels() : nullptr;
    if (!pixels) return 0;
    int pitch = front_surface->pitch();
    for (int y = 0; y < display_height; ++y)
        h = fnv1a(h, pixels + static_cast<std::size_t>(y) * pitch, display_width);
    return h;
}

std::uint32_t palette_hash() {
    return fnv1a(2166136261u, reinterpret_cast<const std::uint8_t*>(palette_entries),
                 sizeof palette_entries);
}

}  // namespace

int open_trace(const char* path) {
    close_trace();
    trace_file = path ? std::fopen(path, "w") : nullptr;
    if (!trace_file) return 0;
    frame_observer = write_trace_line;
    return 1;
}

void write_trace_line() {
    if (!trace_file) return;
    unsigned long long frame = pass_count() > 0 ? pass_count() - 1 : 0;
    std::fprintf(trace_file,
                 "{\"frame\":%llu,\"tick\":%u,\"state\":%d,\"page\":%d,\"x\":%.9g,\"y\":%.9g,"
                 "\"vx\":%.9g,\"vy\":%.9g,\"airborne\":%d,\"power\":%.9g,\"charging\":%d,"
                 "\"deaths\":%d,\"mouse_x\":%d,\"mouse_y\":%d,\"anim\":%d,\"cur_frame\":%d,"
                 "\"frame_hash\":\"%08x\",\"palette_hash\":\"%08x\"}\n",
                 frame, frame_start_ticks, game_state, story_page, player.x, player.y, player.vx,
                 player.vy, airborne, power, charging, deaths, mouse_x, mouse_y,
                 player.curr_animation, player.curr_frame, front_hash(), palette_hash());
}

void close_trace() {
    if (trace_file) std::fclose(trace_file);
    trace_file = nullptr;
    if (frame_observer == write_trace_line) frame_observer = nullptr;
}
