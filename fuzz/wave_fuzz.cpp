// Fuzz entry of the WAV parser: any bytes are parsed; an accepted file must
// give samples no longer than the converted limit.
#include <cstdint>
#include <cstdlib>

#include "audio/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WaveSound sound{};
    if (parse_wave(data, size, &sound) && sound.samples.size() > WAVE_MAX_SAMPLES) std::abort();
    return 0;
}
