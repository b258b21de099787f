// The WAV writer. The format chunk carries the 2-byte extra-size field (0), so
// that a reader that takes 18 bytes of format finds them inside the chunk.
// An odd-sized data chunk gets the pad byte that RIFF asks for.
// No globals. Needs only the standard library.
#include "wav_writer.h"

#include "file_bytes.h"

std::string encode_wav8(const std::vector<std::uint8_t>& samples, int rate) {
    const std::uint32_t n = static_cast<std::uint32_t>(samples.size());
    const std::uint32_t pad = n & 1;
    std::string out;
    out += "RIFF";
    put_u32(out, 4 + (8 + 18) + (8 + n + pad));
    out += "WAVE";
    out += "fmt ";
    put_u32(out, 18);
    put_u16(out, 1);  // PCM
    put_u16(out, 1);  // mono
    put_u32(out, static_cast<std::uint32_t>(rate));
    put_u32(out, static_cast<std::uint32_t>(rate));  // bytes per second
    put_u16(out, 1);                                 // block alignment
    put_u16(out, 8);                                 // bits per sample
    put_u16(out, 0);                                 // no extra format bytes
    out += "data";
    put_u32(out, n);
    out.append(reinterpret_cast<const char*>(samples.data()), samples.size());
    if (pad) out += '\0';
    return out;
}

int write_wav8(const char* path, const std::vector<std::uint8_t>& samples, int rate) {
    return write_whole_file(path, encode_wav8(samples, rate));
}
