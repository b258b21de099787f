// WAV parser and converter. A cursor walks the RIFF chunks without running
// past the end; every chunk size is checked against what is left. Conversion
// works on 16-bit signed values: channels averaged, linear interpolation to
// 11025 Hz in integers, then the top 8 bits made unsigned.
#include "audio/wave_file.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr long kMaxFileBytes = 256L << 20;
// Sample rates read. Below 1 kHz no file holds sound, and a few kilobytes at
// 1 Hz would expand 11025 times into tens of megabytes of converted samples.
constexpr std::uint32_t kMinRate = 1000;
constexpr std::uint32_t kMaxRate = 1000000;

struct Cursor {
    const std::uint8_t* p;
    const std::uint8_t* end;

    std::size_t left() const { return static_cast<std::size_t>(end - p); }
    std::uint32_t le(int n) {  // n little-endian bytes; the caller checked left()
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
        p += n;
        return v;
    }
    bool tag(const char* name) {
        if (left() < 4 || !std::equal(name, name + 4, p)) return false;
        p += 4;
        return true;
    }
};

struct Chunk {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
};

// Finds the first "fmt " and "data" chunks among the RIFF form's chunks;
// false when a chunk claims more bytes than the form holds.
bool find_chunks(Cursor c, Chunk* fmt, Chunk* data) {
    while (c.left() >= 8) {
        bool is_fmt = c.tag("fmt ");
        bool is_data = !is_fmt && c.tag("data");
        if (!is_fmt && !is_data) c.p += 4;
        std::uint32_t size = c.le(4);
        if (size > c.left()) return false;
        Chunk* found = is_fmt ? fmt : is_data ? data : nullptr;
        if (found && !found->data) *found = {c.p, size};
        c.p += std::min<std::size_t>(size + (size & 1u), c.left());  // chunks are padded to even
    }
    return true;
}

// The format chunk's fields; false for anything but 8- or 16-bit PCM in one or
// two channels at 1 kHz to 1 MHz.
bool read_format(const Chunk& fmt, WaveSound* out) {
    if (!fmt.data || fmt.size < 16) return false;
    Cursor c{fmt.data, fmt.data + fmt.size};
    std::uint32_t tag = c.le(2);
    out->channels = static_cast<int>(c.le(2));
    std::uint32_t rate = c.le(4);
    c.le(4);  // bytes per second: derived, not trusted
    c.le(2);  // block alignment: likewise
    out->bits = static_cast<int>(c.le(2));
    if (tag != 1 || rate < kMinRate || rate > kMaxRate) return false;
    out->rate = static_cast<int>(rate);
    return (out->channels == 1 || out->channels == 2) && (out->bits == 8 || out->bits == 16);
}

// One sample frame as a signed 16-bit value, its channels averaged.
int mono_at(const std::uint8_t* data, std::size_t frame, int channels, int bits) {
    int sum = 0;
    const std::uint8_t* p = data + frame * static_cast<std::size_t>(channels * bits / 8);
    for (int ch = 0; ch < channels; ++ch) {
        if (bits == 8) {
            sum += (p[ch] - 128) * 256;
        } else {
            sum += static_cast<std::int16_t>(p[2 * ch] | p[2 * ch + 1] << 8);
        }
    }
    return sum / channels;
}

bool convert(const Chunk& data, WaveSound* out) {
    const std::size_t frames = data.size / static_cast<std::size_t>(out->channels * out->bits / 8);
    const auto rate = static_cast<std::uint64_t>(out->rate);
    const std::uint64_t count = frames * static_cast<std::uint64_t>(WAVE_RATE) / rate;
    if (count > WAVE_MAX_SAMPLES) return false;
    out->samples.resize(static_cast<std::size_t>(count));
    for (std::uint64_t j = 0; j < count; ++j) {
        // Output sample j lies at input frame j * rate / 11025.
        std::uint64_t at = j * rate;
        auto i = static_cast<std::size_t>(at / WAVE_RATE);
        auto frac = static_cast<int>(at % WAVE_RATE);
        int a = mono_at(data.data, i, out->channels, out->bits);
        int b = i + 1 < frames ? mono_at(data.data, i + 1, out->channels, out->bits) : a;
        int v = a + (b - a) * frac / WAVE_RATE;
        out->samples[j] = static_cast<std::uint8_t>(std::clamp((v >> 8) + 128, 0, 255));
    }
    return true;
}

}  // namespace

int parse_wave(const std::uint8_t* bytes, std::size_t size, WaveSound* out) {
    if (!bytes || !out) return 0;
    Cursor c{bytes, bytes + size};
    if (!c.tag("RIFF") || c.left() < 4) return 0;
    std::uint32_t riff = c.le(4);
    if (riff > c.left() || riff < 4) return 0;
    Cursor form{c.p, c.p + riff};
    if (!form.tag("WAVE")) return 0;
    Chunk fmt, data;
    if (!find_chunks(form, &fmt, &data) || !data.data) return 0;
    WaveSound result{};
    if (!read_format(fmt, &result) || !convert(data, &result)) return 0;
    *out = std::move(result);
    return 1;
}

int load_wave_file(const char* path, WaveSound* out) {
    if (!path || !out) return 0;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return 0;
    std::vector<std::uint8_t> bytes;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    bool ok = size >= 0 && size <= kMaxFileBytes && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
    std::fclose(f);
    return ok && parse_wave(bytes.data(), bytes.size(), out);
}
