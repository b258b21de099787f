// Plays a tune through the sequencer without a synthesizer: its messages come
// in the order the synthesizer would take them, all tracks merged.
#include "tune_notes.h"

#include "platform/audio_engine/midi_sequencer.h"
#include "platform/formats/midi_file.h"

namespace sf2 {
namespace {

constexpr int kDrumChannel = 9;
constexpr int kDrumBank = 128;

struct Channel {
    int bank = 0;  // the last bank select (controller 0)
    PresetId preset{0, 0};
};

void reset(Channel (&channels)[16]) {
    for (int ch = 0; ch < 16; ++ch)
        channels[ch] = Channel{0, {ch == kDrumChannel ? kDrumBank : 0, 0}};
}

// General MIDI system on (7E xx 09 01) or off (09 02) and GM2 on (09 03): the
// synthesizer resets.
bool resets(const MidiMessage& m) {
    return m.sysex_size >= 4 && m.sysex[0] == 0x7E && m.sysex[2] == 0x09 &&
           (m.sysex[3] >= 1 && m.sysex[3] <= 3);
}

}  // namespace

bool add_tune_notes(const std::uint8_t* bytes, std::size_t size, TuneNotes* notes,
                    std::string* reason) {
    MidiFileInfo info;
    if (!parse_midi_file(bytes, size, &info, reason)) return false;
    MidiSequencer sequencer;
    midi_sequencer_start(&sequencer, bytes, &info, 1000);
    Channel channels[16];
    reset(channels);
    std::uint64_t frame;
    MidiMessage m;
    while (midi_sequencer_next(&sequencer, &frame, &m)) {
        if (m.status == 0xF0) {
            if (resets(m)) reset(channels);
            continue;
        }
        Channel& c = channels[m.status & 0x0F];
        bool drum = (m.status & 0x0F) == kDrumChannel;
        switch (m.status & 0xF0) {
            case 0x90:
                if (m.data2 > 0) (*notes)[c.preset].insert({m.data1, m.data2});
                break;
            case 0xB0:
                if (m.data1 == 0) c.bank = m.data2;
                break;
            case 0xC0:
                c.preset = {drum ? kDrumBank : c.bank, m.data1};
                break;
        }
    }
    return true;
}

}  // namespace sf2
