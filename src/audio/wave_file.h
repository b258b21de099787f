// WAV files: a RIFF "WAVE" file of PCM samples read from memory and converted to
// the one format the sound buffers take, unsigned 8-bit mono at 11025 Hz. No
// globals; needs nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int WAVE_RATE = 11025;                    // the converted samples' rate, in Hz
constexpr std::size_t WAVE_MAX_SAMPLES = 1u << 26;  // longest converted sound (about 100 minutes)

struct WaveSound {
    int rate;                           // the file's sample rate, in Hz
    int channels;                       // the file's channels, 1 or 2
    int bits;                           // the file's bits per sample, 8 or 16
    std::vector<std::uint8_t> samples;  // unsigned 8-bit mono at WAVE_RATE
};

// parses a RIFF file of form "WAVE" held in bytes: a PCM "fmt " chunk of at
// least 16 bytes (1 or 2 channels, 8 or 16 bits, any rate) and a "data" chunk,
// every chunk inside the file; converts the samples (channels averaged,
// resampled by linear interpolation); 1, or 0 for any other file
int parse_wave(const std::uint8_t* bytes, std::size_t size, WaveSound* out);
// reads the named file whole (at most 256 MiB) and parses it; 1, or 0
int load_wave_file(const char* path, WaveSound* out);
