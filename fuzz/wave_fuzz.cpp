// Fuzz entry of the WAV parser: any bytes are parsed, through every decoder
// and the resampler; an accepted file must give samples no longer than the
// converted limit, and a refused one must say why.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "audio/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WaveSound sound{};
    std::string reason;
    if (parse_wave(data, size, &sound, &reason)) {
        if (sound.samples.size() > WAVE_MAX_SAMPLES) std::abort();
    } else if (reason.empty()) {
        std::abort();
    }
    return 0;
}
