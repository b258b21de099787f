// A WAV file being written: 16-bit PCM stereo at one rate, sample frames added
// as they come. The header's sizes are brought up to date by finish, which can
// be called again after more frames. No globals; needs nothing.
#pragma once

#include <cstdint>
#include <cstdio>

class WavWriter {
public:
    WavWriter() = default;
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;
    ~WavWriter() { close(); }

    // creates the file with an empty stream at rate Hz; true, or false when it
    // cannot be created
    bool open(const char* path, int rate);
    // appends frames stereo float frames, each sample saturated to -1..1 and
    // scaled to 16 bits (truncated toward zero)
    void write(const float* stereo, int frames);
    // writes the header's sizes for the frames so far and flushes
    void finish();
    // finishes and closes; nothing when not open
    void close();
    bool is_open() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
    std::uint32_t data_bytes_ = 0;
};
