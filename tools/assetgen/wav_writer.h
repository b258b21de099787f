// Writes PCM WAV files of unsigned 8-bit mono samples: a RIFF "WAVE" file with
// an 18-byte "fmt " chunk (format tag 1, extra size 0) and a "data" chunk.
// No globals. Needs only the standard library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// the complete file image of the samples at rate samples per second
std::string encode_wav8(const std::vector<std::uint8_t>& samples, int rate);
// writes encode_wav8's result to path; 1, or 0 when the file cannot be written
int write_wav8(const char* path, const std::vector<std::uint8_t>& samples, int rate);
