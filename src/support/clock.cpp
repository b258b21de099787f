// Frame clock over the platform's tick counter.
#include "support/clock.h"

#include "platform/system/win32.h"

std::uint32_t frame_start_ticks = 0;

std::uint32_t read_clock() {
    return get_tick_count();
}

std::uint32_t start_clock() {
    frame_start_ticks = read_clock();
    return frame_start_ticks;
}

std::uint32_t wait_clock(std::uint32_t count) {
    // The difference is taken unsigned so that a start just before the 32-bit
    // wrap still waits the full count.
    set_poll_deadline(frame_start_ticks + count);
    while (read_clock() - frame_start_ticks < count) yield_processor();
    clear_poll_deadline();
    return read_clock();
}
