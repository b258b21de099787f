// The scream of a death: a synthesized vocal cry whose pitch jumps up, wavers
// and falls, shaped by moving vowel formants, with breath noise; unsigned
// 8-bit mono samples, loud but never clipped. No globals. Standard library only.
#pragma once

#include <cstdint>
#include <vector>

constexpr int SCREAM_RATE = 11025;    // samples per second
constexpr int SCREAM_SAMPLES = 8269;  // 0.75 s
constexpr int SCREAM_PEAK = 118;      // largest distance from 128 after scaling

// the samples of the scream, SCREAM_SAMPLES long, centred on 128
std::vector<std::uint8_t> synthesize_scream();
