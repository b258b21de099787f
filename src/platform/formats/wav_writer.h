/// @file
/// A WAV file being written: 16-bit PCM stereo at one rate, sample frames added
/// as they come. The header's sizes are brought up to date by finish, which can
/// be called again after more frames. A failed write is said once on stderr and
/// counted in output_failures(). No globals; needs file_io.
/// @ingroup files
#pragma once

#include <cstdint>

#include "platform/formats/file_io.h"

/// @addtogroup files
/// @{

/// A 16-bit stereo WAV file, written as the frames come.
class WavWriter {
public:
    /// a writer with no file open
    WavWriter() = default;
    /// not copied: one object per file
    WavWriter(const WavWriter&) = delete;
    /// not copied: one object per file
    WavWriter& operator=(const WavWriter&) = delete;
    /// finishes and closes the file, as close does
    ~WavWriter() { close(); }

    /// creates the file with an empty stream at rate Hz; true, or false when it
    /// cannot be created (said on stderr, but for a null path)
    bool open(const char* path, int rate);
    /// appends frames stereo float frames, each sample saturated to -1..1 and
    /// scaled to 16 bits (truncated toward zero)
    void write(const float* stereo, int frames);
    /// writes the header's sizes for the frames so far and flushes
    void finish();
    /// finishes and closes; nothing when not open
    void close();
    /// true between a successful open and close
    bool is_open() const { return out_.is_open(); }

private:
    OutputFile out_;
    std::uint32_t data_bytes_ = 0;
};

/// @}
