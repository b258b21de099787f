// Fuzz entry of the standard MIDI file checks and of the sequencer's reading:
// any bytes are parsed; an accepted file must report its declared tracks and a
// finite, non-negative end time, and the sequencer must read it to its end
// with every message well formed, in time order and not after the end frame.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/audio_engine/midi_sequencer.h"
#include "platform/formats/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MidiFileInfo info{};
    if (!parse_midi_file(data, size, &info)) return 0;
    if (info.tracks < 1 || info.spans.size() != static_cast<std::size_t>(info.tracks) ||
        info.notes < 1 || !std::isfinite(info.end_seconds) || info.end_seconds < 0)
        std::abort();
    MidiSequencer s;
    if (!midi_sequencer_start(&s, data, &info, 44100)) std::abort();
    std::uint64_t frame = 0, last = 0;
    MidiMessage m;
    int notes = 0;
    while (midi_sequencer_next(&s, &frame, &m)) {
        if (frame < last || frame > s.end_frame) std::abort();
        last = frame;
        if (m.status == 0xF0) {
            if (!m.sysex || m.sysex_size == 0) std::abort();
            volatile std::uint8_t touch = m.sysex[0] ^ m.sysex[m.sysex_size - 1];
            (void)touch;
        } else if (m.status < 0x80 || m.status > 0xEF || m.data1 > 0x7F || m.data2 > 0x7F) {
            std::abort();
        }
        if ((m.status & 0xF0) == 0x90 && m.data2 > 0) ++notes;
    }
    if (notes != info.notes) std::abort();  // the sequencer plays every note the parser found
    return 0;
}
