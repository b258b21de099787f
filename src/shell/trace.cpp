// Trace writer. `frame` is the pass number, `tick` the frame clock's start.
#include "shell/trace.h"

#include <cstdio>

#include "game/world.h"
#include "shell/winmain.h"
#include "support/clock.h"

namespace {
std::FILE* trace_file = nullptr;
}

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
    std::fprintf(trace_file, "{\"frame\":%llu,\"tick\":%u,\"state\":%d}\n", frame,
                 frame_start_ticks, game_state);
}

void close_trace() {
    if (trace_file) std::fclose(trace_file);
    trace_file = nullptr;
    if (frame_observer == write_trace_line) frame_observer = nullptr;
}
