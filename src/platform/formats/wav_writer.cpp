// The WAV writer: a 44-byte RIFF header (fixed "fmt " chunk of 16 bytes, then
// "data"), little-endian samples after it. A stream that would pass the 4 GiB
// RIFF limit stops growing.
#include "platform/formats/wav_writer.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kHeaderBytes = 44;
constexpr std::uint32_t kMaxData = 0xFFFFFFFFu - kHeaderBytes;

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

void make_header(std::uint8_t* h, int rate, std::uint32_t data_bytes) {
    auto r = static_cast<std::uint32_t>(rate);
    std::copy_n("RIFF", 4, h);
    put32(h + 4, kHeaderBytes - 8 + data_bytes);
    std::copy_n("WAVEfmt ", 8, h + 8);
    put32(h + 16, 16);     // fmt chunk size
    put16(h + 20, 1);      // PCM
    put16(h + 22, 2);      // channels
    put32(h + 24, r);      // frames per second
    put32(h + 28, r * 4);  // bytes per second
    put16(h + 32, 4);      // bytes per frame
    put16(h + 34, 16);     // bits per sample
    std::copy_n("data", 4, h + 36);
    put32(h + 40, data_bytes);
}

}  // namespace

bool WavWriter::open(const char* path, int rate) {
    close();
    if (!path || !out_.open(path)) return false;
    data_bytes_ = 0;
    std::uint8_t header[kHeaderBytes];
    make_header(header, rate, 0);
    out_.write(header, sizeof header);
    return true;
}

void WavWriter::write(const float* stereo, int frames) {
    if (!out_.is_open() || frames <= 0) return;
    std::uint8_t block[4096];
    std::size_t used = 0;
    for (long i = 0; i < 2L * frames; ++i) {
        if (data_bytes_ + used + 2 > kMaxData) break;
        float s = std::clamp(stereo[i], -1.0f, 1.0f);
        put16(block + used, static_cast<std::uint16_t>(
                                static_cast<std::int16_t>(static_cast<int>(s * 32767.0f))));
        used += 2;
        if (used == sizeof block) {
            out_.write(block, used);
            data_bytes_ += static_cast<std::uint32_t>(used);
            used = 0;
        }
    }
    out_.write(block, used);
    data_bytes_ += static_cast<std::uint32_t>(used);
}

void WavWriter::finish() {
    if (!out_.is_open()) return;
    std::uint8_t sizes[4];
    put32(sizes, kHeaderBytes - 8 + data_bytes_);
    out_.seek(4);
    out_.write(sizes, 4);
    put32(sizes, data_bytes_);
    out_.seek(40);
    out_.write(sizes, 4);
    out_.seek(-1);
    out_.flush();
}

void WavWriter::close() {
    if (!out_.is_open()) return;
    finish();
    out_.close();
}
