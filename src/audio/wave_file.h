/// @file
/// WAV files: a RIFF "WAVE" file read from memory and converted to the one
/// format the sound buffers take, unsigned 8-bit mono at 11025 Hz. Reads integer
/// PCM of up to 32 bits, IEEE float of 32 and 64 bits, A-law and mu-law, in any
/// number of channels, plain or in an extensible format chunk. No globals; needs
/// the resampler library.
/// @ingroup sounds
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// @addtogroup sounds
/// @{

constexpr int WAVE_RATE = 11025;                    ///< the converted samples' rate, in Hz
constexpr std::size_t WAVE_MAX_SAMPLES = 1u << 26;  ///< longest converted sound (about 100 minutes)

// Sample formats of a format chunk (an extensible chunk names one in its subformat).
constexpr int WAVE_TAG_PCM = 0x0001;         ///< integer PCM
constexpr int WAVE_TAG_FLOAT = 0x0003;       ///< IEEE float
constexpr int WAVE_TAG_ALAW = 0x0006;        ///< A-law
constexpr int WAVE_TAG_MULAW = 0x0007;       ///< mu-law
constexpr int WAVE_TAG_EXTENSIBLE = 0xFFFE;  ///< the format is named in the subformat

/// A WAV file read and converted.
struct WaveSound {
    int rate;                           ///< the file's sample rate, in Hz
    int channels;                       ///< the file's channels, 1 or more
    int bits;                           ///< the file's bits per sample
    int format;                         ///< WAVE_TAG_PCM, _FLOAT, _ALAW or _MULAW
    std::vector<std::uint8_t> samples;  ///< unsigned 8-bit mono at WAVE_RATE
};

/// parses a RIFF file of form "WAVE" held in bytes: its first "fmt " chunk (16
/// bytes or more) and first "data" chunk, both wholly inside the bytes wherever
/// the RIFF size says the form ends; converts the samples (each to a signed
/// 16-bit value, channels averaged, resampled band-limited to 11025 Hz, the top
/// 8 bits made unsigned); 1, or 0 with the check that failed in reason
int parse_wave(const std::uint8_t* bytes, std::size_t size, WaveSound* out,
               std::string* reason = nullptr);
/// reads the named file whole (at most 256 MiB) and parses it; 1, or 0 with the
/// reason (the file cannot be opened or read, or what parse_wave found)
int load_wave_file(const char* path, WaveSound* out, std::string* reason = nullptr);

/// @}
