// Time and passes: the millisecond tick counter (real, from the backend, or
// virtual), the poll that a busy-wait makes, the count of message-loop passes,
// and the present hook that the display installs so that the message pump and
// every poll show what changed on screen. Nothing here waits.
#pragma once

#include <cstdint>

// milliseconds since an arbitrary start, 32-bit unsigned, wrapping
std::uint32_t get_tick_count();
// one poll of a busy-wait loop: on the virtual clock it lets exactly 1 ms pass;
// on the real clock it lets the window and audio keep up; then runs the present hook
void yield_processor();

// tells the polls that follow the tick count their busy-wait waits for, so that
// a backend on the real clock may sleep through most of the time left
void set_poll_deadline(std::uint32_t tick);
// the wait is over: polls no longer know a deadline
void clear_poll_deadline();
// 1 with the deadline in *tick while a busy-wait has told one, else 0
int poll_deadline(std::uint32_t* tick);

// chooses the virtual tick counter, starting at start_tick; otherwise the real one
void use_virtual_clock(std::uint32_t start_tick);
// 1 while the tick counter is virtual (chosen, or no backend), else 0
int virtual_clock_in_use();

// removing peeks so far: the number of the pass now running is this minus one
std::uint64_t pass_count();
// counts one more pass; returns the new count
std::uint64_t count_pass();

// installs the hook that shows the screen's changes (null: none)
void set_present_hook(void (*hook)());
// runs the present hook, if one is installed
void run_present_hook();

// the real clock again, the virtual counter at 0, no passes counted
void reset_ticks();
