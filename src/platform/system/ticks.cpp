// The tick counter, the waits' pacing and the pass count. Without a backend, or
// with one that has no real clock, time is virtual.
#include "platform/system/ticks.h"

#include <algorithm>

#include "platform/system/backend.h"

namespace {

// A wait on the real clock sleeps until this long before its deadline, then
// naps this short, so that it ends within a fraction of a millisecond of it.
constexpr std::int64_t kWakeEarlyUs = 500;
constexpr std::int64_t kLastNapUs = 100;
// Paced time that falls this far behind real time (a stall: the window was
// dragged, the machine was suspended) starts pacing afresh instead of running
// flat out until it has caught up.
constexpr std::int64_t kPacedCatchUpLimitUs = 100'000;

ClockMode mode = ClockMode::real;
std::uint32_t virtual_ticks = 0;
std::uint64_t passes = 0;
void (*present_hook)() = nullptr;
bool has_deadline = false;
std::uint32_t deadline = 0;
bool paced_origin_set = false;  // the origin below is taken at the first paced poll
std::uint64_t paced_real_origin_us = 0;
std::uint32_t paced_virtual_origin = 0;

Backend* clock_backend() {
    Backend* b = backend();
    return b && b->has_real_clock() ? b : nullptr;
}

void sleep_us(Backend* b, std::int64_t us) {
    b->sleep(static_cast<std::uint32_t>(us < 0 ? 0 : us > 1'000'000 ? 1'000'000 : us));
}

// Sleeps until the real clock is as far from the pacing's origin as the virtual one.
void pace_to_real_time(Backend* b) {
    std::uint64_t real_us = b->real_microseconds();
    if (!paced_origin_set) {
        paced_origin_set = true;
        paced_real_origin_us = real_us;
        paced_virtual_origin = virtual_ticks;
    }
    std::int64_t ahead_us = static_cast<std::int64_t>(virtual_ticks - paced_virtual_origin) * 1000 -
                            static_cast<std::int64_t>(real_us - paced_real_origin_us);
    if (ahead_us > 0) {
        sleep_us(b, ahead_us);
    } else if (ahead_us < -kPacedCatchUpLimitUs) {
        paced_real_origin_us = real_us;
        paced_virtual_origin = virtual_ticks;
    }
}

// Sleeps toward the deadline of the wait in progress, if it told one.
void sleep_toward_deadline(Backend* b) {
    if (!has_deadline) return;
    std::uint64_t real_us = b->real_microseconds();
    auto now_ms = static_cast<std::uint32_t>(real_us / 1000);
    auto left_ms = static_cast<std::int32_t>(deadline - now_ms);
    if (left_ms <= 0) return;
    std::int64_t left_us = std::int64_t{left_ms} * 1000 - static_cast<std::int64_t>(real_us % 1000);
    sleep_us(b, left_us > kWakeEarlyUs ? left_us - kWakeEarlyUs : std::min(left_us, kLastNapUs));
}

}  // namespace

std::uint32_t get_tick_count() {
    Backend* b = clock_backend();
    if (!b || mode != ClockMode::real) return virtual_ticks;
    return b->real_ticks();
}

void yield_processor() {
    Backend* b = clock_backend();
    if (!b || mode != ClockMode::real) ++virtual_ticks;
    if (b && mode == ClockMode::virtual_paced) pace_to_real_time(b);
    if (b && mode == ClockMode::real) sleep_toward_deadline(b);
    if (Backend* any = backend()) any->idle();
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

void set_clock_mode(ClockMode m, std::uint32_t start_tick) {
    mode = m;
    virtual_ticks = start_tick;
    paced_origin_set = false;
}

void use_virtual_clock(std::uint32_t start_tick) {
    set_clock_mode(ClockMode::virtual_time, start_tick);
}

ClockMode clock_mode() {
    return clock_backend() ? mode : ClockMode::virtual_time;
}

int virtual_clock_in_use() {
    return clock_mode() != ClockMode::real ? 1 : 0;
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
    set_clock_mode(ClockMode::real, 0);
    passes = 0;
    has_deadline = false;
}
