// Fuzz entry of the standard MIDI file checks: any bytes are parsed; an accepted
// file must report at least one track and a finite, non-negative end time.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MidiFileInfo info{};
    if (!parse_midi_file(data, size, &info)) return 0;
    if (info.tracks < 1 || !std::isfinite(info.end_seconds) || info.end_seconds < 0) std::abort();
    return 0;
}
