// The scream of a death: a synthesized vocal cry whose pitch jumps up, wavers
// and falls, shaped by moving vowel formants, with breath noise; unsigned
// 8-bit mono samples, at their loudest 400 ms about 6 LU above the music. No
// globals. Standard library only.
#pragma once

#include <cstdint>
#include <vector>

constexpr int SCREAM_RATE = 11025;    // samples per second
constexpr int SCREAM_SAMPLES = 8269;  // 0.75 s
// largest distance from 128 after scaling: a momentary loudness of about -12
// LUFS when played at full volume, 6 LU above the -18 LUFS of the tunes
constexpr int SCREAM_PEAK = 48;

// the samples of the scream, SCREAM_SAMPLES long, centred on 128
std::vector<std::uint8_t> synthesize_scream();
