// WAV parser and converter. A cursor walks the chunks without running past the
// end of the bytes; every chunk size is checked against what is left of the
// file, not against the RIFF size, which writers often leave unfilled. Each
// sample becomes a signed 16-bit value (integers keep their top 16 bits, floats
// are scaled by 32768 and truncated, A-law and mu-law are expanded as G.711
// says), the channels of a frame are averaged, and the mono values are
// resampled to 11025 Hz by libsoxr in its high-quality setting: linear phase,
// flat to 0.01 dB up to 91% of 5512 Hz, everything above 5512 Hz removed to 20
// bits of precision. The top 8 bits of each value, made unsigned, are the
// buffer's samples. A file at 11025 Hz is not resampled at all.
#include "audio/wave_file.h"

#include <soxr.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/formats/file_io.h"

// MinGW's printf family is the C99 one here (__USE_MINGW_ANSI_STDIO), whose
// format checking has a name of its own.
#if defined(__MINGW32__)
#define V17_PRINTF __MINGW_PRINTF_FORMAT
#else
#define V17_PRINTF printf
#endif

namespace {

constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;
// Sample rates read. Below 1 kHz no file holds sound, and a few kilobytes at
// 1 Hz would expand 11025 times into tens of megabytes of converted samples.
constexpr std::uint32_t kMinRate = 1000;
constexpr std::uint32_t kMaxRate = 1000000;
// Frames decoded and handed to the resampler at a time.
constexpr std::size_t kBlockFrames = 16384;

// Formats the reason into *reason (when given); false, for the caller to return.
__attribute__((format(V17_PRINTF, 2, 3))) bool refuse(std::string* reason, const char* format,
                                                      ...) {
    if (!reason) return false;
    char text[96];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    *reason = text;
    return false;
}

// A chunk id as printable text: bytes outside ASCII's printable range become '?'.
struct Id {
    char text[5];
    explicit Id(const std::uint8_t* p) {
        for (int i = 0; i < 4; ++i)
            text[i] = p[i] >= 0x20 && p[i] < 0x7F ? static_cast<char>(p[i]) : '?';
        text[4] = '\0';
    }
};

std::uint32_t le(const std::uint8_t* p, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return v;
}

struct Chunk {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
};

// Finds the first "fmt " and "data" chunks from p on and stops once it has
// both, so that bytes after a whole form are never read as chunks. A chunk
// that claims more bytes than the file has left refuses the file.
bool find_chunks(const std::uint8_t* p, const std::uint8_t* end, Chunk* fmt, Chunk* data,
                 std::string* reason) {
    while (static_cast<std::size_t>(end - p) >= 8 && !(fmt->data && data->data)) {
        const std::uint8_t* id = p;
        std::uint32_t size = le(p + 4, 4);
        p += 8;
        auto left = static_cast<std::size_t>(end - p);
        if (size > left)
            return refuse(reason, "%s chunk of %u bytes, %zu left in the file", Id(id).text, size,
                          left);
        Chunk* found = std::equal(id, id + 4, "fmt ")   ? fmt
                       : std::equal(id, id + 4, "data") ? data
                                                        : nullptr;
        if (found && !found->data) *found = {p, size};
        p += std::min<std::size_t>(size + (size & 1u), left);  // chunks are padded to even
    }
    if (!fmt->data) return refuse(reason, "no fmt chunk");
    if (!data->data) return refuse(reason, "no data chunk");
    return true;
}

// The sample encoding read from a format chunk.
struct Format {
    int tag = 0;       // WAVE_TAG_PCM, _FLOAT, _ALAW or _MULAW
    int channels = 0;  // 1 or more
    int bits = 0;      // bits per sample as the chunk names them
    int bytes = 0;     // bytes each sample takes in a frame
    std::uint32_t rate = 0;
};

// The standard subformat GUIDs of an extensible chunk end in these 12 bytes;
// the first four hold the format tag.
constexpr std::uint8_t kSubformatTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                             0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool read_format(const Chunk& fmt, Format* f, std::string* reason) {
    const std::uint8_t* p = fmt.data;
    if (fmt.size < 16) return refuse(reason, "fmt chunk of %u bytes, under 16", fmt.size);
    int tag = static_cast<int>(le(p, 2));
    f->channels = static_cast<int>(le(p + 2, 2));
    f->rate = le(p + 4, 4);
    // Bytes per second and block alignment (p + 8 and p + 12) follow from the
    // rest and are not trusted.
    f->bits = static_cast<int>(le(p + 14, 2));
    if (tag == WAVE_TAG_EXTENSIBLE) {
        if (fmt.size < 40)
            return refuse(reason, "extensible fmt chunk of %u bytes, under 40", fmt.size);
        // cbSize, valid bits and channel mask come first (p + 16 .. 24). The
        // valid bits lie at the top of each sample, so the top 16 are read
        // whatever their number.
        const std::uint8_t* guid = p + 24;
        std::uint32_t sub = le(guid, 4);
        if (sub > 0xFFFF || !std::equal(guid + 4, guid + 16, kSubformatTail))
            return refuse(reason, "extensible subformat is not a format tag GUID");
        tag = static_cast<int>(sub);
    }
    f->tag = tag;
    f->bytes = (f->bits + 7) / 8;
    if (tag == WAVE_TAG_PCM) {
        if (f->bits < 1 || f->bits > 32)
            return refuse(reason, "PCM of %d bits per sample, not 1 to 32", f->bits);
    } else if (tag == WAVE_TAG_FLOAT) {
        if (f->bits != 32 && f->bits != 64)
            return refuse(reason, "float of %d bits per sample, not 32 or 64", f->bits);
    } else if (tag == WAVE_TAG_ALAW || tag == WAVE_TAG_MULAW) {
        if (f->bits != 8)
            return refuse(reason, "%s of %d bits per sample, not 8",
                          tag == WAVE_TAG_ALAW ? "A-law" : "mu-law", f->bits);
    } else {
        return refuse(reason, "format tag 0x%04X is not read", tag);
    }
    if (f->channels < 1) return refuse(reason, "fmt chunk names 0 channels");
    if (f->rate < kMinRate || f->rate > kMaxRate)
        return refuse(reason, "sample rate %u Hz, not 1000 to 1000000", f->rate);
    return true;
}

// G.711 expansions to 16-bit values.
constexpr int alaw_value(std::uint8_t a) {
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    int segment = (a & 0x70) >> 4;
    t = segment == 0 ? t + 8 : (t + 0x108) << (segment - 1);
    return (a & 0x80) ? t : -t;
}

constexpr int mulaw_value(std::uint8_t u) {
    u = static_cast<std::uint8_t>(~u);
    int t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
    return (u & 0x80) ? 0x84 - t : t - 0x84;
}

// A float sample, full scale at 1.0, as a 16-bit value: truncated toward zero,
// limited to the 16-bit range; NaN is silence.
int float_value(double v) {
    double x = v * 32768.0;
    if (!(x > -32768.0)) return x == x ? -32768 : 0;
    return x >= 32767.0 ? 32767 : static_cast<int>(x);
}

// One sample as a signed 16-bit value.
int sample_value(const std::uint8_t* p, const Format& f) {
    if (f.tag == WAVE_TAG_ALAW) return alaw_value(p[0]);
    if (f.tag == WAVE_TAG_MULAW) return mulaw_value(p[0]);
    if (f.tag == WAVE_TAG_FLOAT) {
        if (f.bytes == 4) {
            float v;
            std::memcpy(&v, p, 4);
            return float_value(v);
        }
        double v;
        std::memcpy(&v, p, 8);
        return float_value(v);
    }
    switch (f.bytes) {
        case 1:
            return (p[0] - 128) * 256;  // 8 bits and fewer are unsigned
        case 2:
            return static_cast<std::int16_t>(le(p, 2));
        case 3:
            return static_cast<std::int32_t>(le(p, 3) << 8) >> 16;
        default:
            return static_cast<std::int32_t>(le(p, 4)) >> 16;
    }
}

// One frame's channels averaged, truncated toward zero.
int mono_at(const std::uint8_t* data, std::size_t frame, const Format& f) {
    std::int64_t sum = 0;
    const std::uint8_t* p = data + frame * static_cast<std::size_t>(f.channels) * f.bytes;
    for (int ch = 0; ch < f.channels; ++ch, p += f.bytes) sum += sample_value(p, f);
    return static_cast<int>(sum / f.channels);
}

std::uint8_t to_unsigned8(int v) {
    return static_cast<std::uint8_t>(std::clamp((v >> 8) + 128, 0, 255));
}

// A resampled value, in 16-bit units, truncated toward zero and limited.
int resampled_value(float v) {
    return static_cast<int>(std::clamp(v, -32768.0f, 32767.0f));
}

// Resamples the frames' mono values to count samples at WAVE_RATE, a block at
// a time so that a long file never needs all its values at once.
bool resample(const Chunk& data, const Format& f, std::size_t frames, std::size_t count,
              std::vector<std::uint8_t>* out, std::string* reason) {
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_t r = soxr_create(f.rate, WAVE_RATE, 1, &error, &io, &quality, &runtime);
    if (!r) return refuse(reason, "resampler: %s", soxr_strerror(error));
    std::vector<float> in(kBlockFrames);
    // Room for the output of one block however the rates stand, and more.
    const std::size_t room = kBlockFrames * WAVE_RATE / f.rate + 1024;
    std::vector<float> got(room);
    out->clear();
    out->reserve(count);
    std::size_t at = 0;
    while (out->size() < count) {
        std::size_t n = std::min(kBlockFrames, frames - at);
        for (std::size_t i = 0; i < n; ++i)
            in[i] = static_cast<float>(mono_at(data.data, at + i, f));
        std::size_t used = 0, made = 0;
        // No input left: a null block drains what the resampler still holds.
        error = soxr_process(r, n ? in.data() : nullptr, n, &used, got.data(), room, &made);
        if (error) break;
        if (n && !used && !made) {
            error = "no progress";
            break;
        }
        at += used;
        made = std::min(made, count - out->size());
        for (std::size_t i = 0; i < made; ++i)
            out->push_back(to_unsigned8(resampled_value(got[i])));
        if (n == 0 && made == 0) break;
    }
    soxr_delete(r);
    if (error) return refuse(reason, "resampler: %s", soxr_strerror(error));
    out->resize(count, 128);  // a last fraction of a sample the resampler kept is silence
    return true;
}

bool convert(const Chunk& data, const Format& f, std::vector<std::uint8_t>* out,
             std::string* reason) {
    const std::size_t frame_bytes = static_cast<std::size_t>(f.channels) * f.bytes;
    const std::size_t frames = data.size / frame_bytes;
    const std::uint64_t count = frames * static_cast<std::uint64_t>(WAVE_RATE) / f.rate;
    if (count > WAVE_MAX_SAMPLES)
        return refuse(reason, "%llu samples at 11025 Hz, over %zu",
                      static_cast<unsigned long long>(count), WAVE_MAX_SAMPLES);
    if (f.rate != WAVE_RATE) return resample(data, f, frames, count, out, reason);
    out->resize(frames);
    for (std::size_t i = 0; i < frames; ++i) (*out)[i] = to_unsigned8(mono_at(data.data, i, f));
    return true;
}

}  // namespace

int parse_wave(const std::uint8_t* bytes, std::size_t size, WaveSound* out, std::string* reason) {
    if (!bytes || !out) return refuse(reason, "no bytes");
    if (size < 12) return refuse(reason, "%zu bytes, shorter than a RIFF header", size);
    if (!std::equal(bytes, bytes + 4, "RIFF"))
        return refuse(reason, "starts with \"%s\", not \"RIFF\"", Id(bytes).text);
    if (!std::equal(bytes + 8, bytes + 12, "WAVE"))
        return refuse(reason, "RIFF form \"%s\", not \"WAVE\"", Id(bytes + 8).text);
    Chunk fmt, data;
    Format f;
    if (!find_chunks(bytes + 12, bytes + size, &fmt, &data, reason) ||
        !read_format(fmt, &f, reason))
        return 0;
    WaveSound result{static_cast<int>(f.rate), f.channels, f.bits, f.tag, {}};
    if (!convert(data, f, &result.samples, reason)) return 0;
    *out = std::move(result);
    return 1;
}

int load_wave_file(const char* path, WaveSound* out, std::string* reason) {
    if (!path || !out) return refuse(reason, "no file name");
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!read_file_bytes(path, kMaxFileBytes, &bytes, &why))
        return refuse(reason, "%s", why.c_str());
    return parse_wave(bytes.data(), bytes.size(), out, reason);
}
