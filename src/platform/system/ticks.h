/// @file
/// Time and passes: the millisecond tick counter in one of its three modes (the
/// backend's real clock; a virtual counter; a virtual counter held to real time),
/// the poll that a busy-wait makes, the count of message-loop passes, and the
/// present hook that the display installs so that the message pump and every
/// poll show what changed on screen. The waiting itself is done here, through
/// the backend's one sleep call; backends only sleep as told.
/// @ingroup window_input
#pragma once

#include <cstdint>

/// @addtogroup window_input
/// @{

/// How the tick counter moves.
enum class ClockMode {
    /// the backend's real millisecond clock; a busy-wait sleeps through most of
    /// the time up to its deadline
    real,
    /// a virtual counter that moves only while a busy-wait polls: each poll lets
    /// exactly 1 ms pass, so a paced frame lasts 30 virtual ms wherever it runs
    virtual_time,
    /// the virtual counter, held to real time: a poll that finds the counter
    /// ahead of the real time passed sleeps until real time has caught up, so
    /// scripted and recorded runs behave as headless ones at the speed of play
    virtual_paced,
};

/// milliseconds since an arbitrary start, 32-bit unsigned, wrapping
std::uint32_t get_tick_count();
/// one poll of a busy-wait loop: moves the virtual counter on, or sleeps toward
/// the wait's deadline on the real clock (or toward real time, paced); lets the
/// backend keep its window alive; then runs the present hook
void yield_processor();

/// tells the polls that follow the tick count their busy-wait waits for, so that
/// on the real clock they may sleep through most of the time left
void set_poll_deadline(std::uint32_t tick);
/// the wait is over: polls no longer know a deadline
void clear_poll_deadline();
/// 1 with the deadline in *tick while a busy-wait has told one, else 0
int poll_deadline(std::uint32_t* tick);

/// chooses how the counter moves; the virtual counter starts at start_tick. A
/// backend without a real clock (headless) always runs on the virtual counter.
void set_clock_mode(ClockMode mode, std::uint32_t start_tick = 0);
/// the virtual counter from start_tick, unpaced: set_clock_mode(virtual_time, ...)
void use_virtual_clock(std::uint32_t start_tick);
/// the mode in effect: the one chosen, or virtual_time with no real clock behind it
ClockMode clock_mode();
/// 1 while the tick counter is virtual (paced or not), else 0
int virtual_clock_in_use();

/// removing peeks so far: the number of the pass now running is this minus one
std::uint64_t pass_count();
/// counts one more pass; returns the new count
std::uint64_t count_pass();

/// installs the hook that shows the screen's changes (null: none)
void set_present_hook(void (*hook)());
/// runs the present hook, if one is installed
void run_present_hook();

/// the real clock again, the virtual counter at 0, no passes counted
void reset_ticks();

/// @}
