// The tick counter and the pass count. Without a backend there is no real
// clock either, so time is virtual then.
#include "platform/system/ticks.h"

#include "platform/system/backend.h"

namespace {

bool virtual_clock = false;
std::uint32_t virtual_ticks = 0;
std::uint64_t passes = 0;
void (*present_hook)() = nullptr;
bool has_deadline = false;
std::uint32_t deadline = 0;

}  // namespace

std::uint32_t get_tick_count() {
    Backend* b = backend();
    if (virtual_clock || !b) return virtual_ticks;
    return b->real_ticks();
}

void yield_processor() {
    Backend* b = backend();
    if (virtual_clock || !b) ++virtual_ticks;
    if (b) b->idle();
    run_present_hook();
}

void set_poll_deadline(std::uint32_t tick) {
    has_deadline = true;
    deadline = tick;
}

void clear_poll_deadline() {
    has_deadline = false;
}

int poll_deadline(std::uint32_t* tick) {
    if (has_deadline && tick) *tick = deadline;
    return has_deadline ? 1 : 0;
}

void use_virtual_clock(std::uint32_t start_tick) {
    virtual_clock = true;
    virtual_ticks = start_tick;
}

int virtual_clock_in_use() {
    return virtual_clock || !backend() ? 1 : 0;
}

std::uint64_t pass_count() {
    return passes;
}

std::uint64_t count_pass() {
    return ++passes;
}

void set_present_hook(void (*hook)()) {
    present_hook = hook;
}

void run_present_hook() {
    if (present_hook) present_hook();
}

void reset_ticks() {
    virtual_clock = false;
    virtual_ticks = 0;
    passes = 0;
    has_deadline = false;
}
