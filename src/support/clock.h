/// @file
/// The frame clock: a remembered start tick and a busy wait measured from it.
/// The game starts it at the top of every frame and waits out 30 ms after the
/// flip; each step of a screen transition starts it again and waits 12 ms.
/// @ingroup clock_log
#pragma once

#include <cstdint>

/// @addtogroup clock_log
/// @{

extern std::uint32_t frame_start_ticks;  ///< tick count of the last start_clock; 0 before any

/// the tick counter in milliseconds, unsigned 32-bit, wrapping
std::uint32_t read_clock();
/// remembers read_clock() in frame_start_ticks and returns it
std::uint32_t start_clock();
/// spins until count ms have passed since the last start (unsigned, so across the
/// wrap too); returns at once when they already have; returns the tick count
std::uint32_t wait_clock(std::uint32_t count);

/// @}
