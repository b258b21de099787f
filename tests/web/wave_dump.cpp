// Loads a WAV file as the library does and writes the converted samples to
// stdout, two hex digits each, 64 to a line: built natively and for the
// browser, so that the browser tests can compare the two loads byte for byte.
#include <cstdio>
#include <string>

#include "audio/wave_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wave_dump FILE.wav\n");
        return 2;
    }
    WaveSound sound;
    std::string reason;
    if (!load_wave_file(argv[1], &sound, &reason)) {
        std::fprintf(stderr, "wave_dump: %s: %s\n", argv[1], reason.c_str());
        return 1;
    }
    std::printf("%d Hz, %d channels, %d bits: %zu samples\n", sound.rate, sound.channels,
                sound.bits, sound.samples.size());
    for (std::size_t i = 0; i < sound.samples.size(); ++i)
        std::printf("%02x%s", sound.samples[i], i % 64 == 63 ? "\n" : "");
    std::printf("\n");
    return 0;
}
