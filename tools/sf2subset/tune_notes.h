// The notes a General MIDI tune plays, by the preset each is played on: the
// channel's bank and program when the note starts, as the synthesizer chooses
// them (bank select takes effect at the next program change, the drum channel
// plays bank 128, and a reset or a General MIDI "system on" returns every
// channel to program 0 of bank 0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace sf2 {

// A preset a tune asks for: (bank, program), drum kits in bank 128.
using PresetId = std::pair<int, int>;

// One note: its key and velocity.
struct Note {
    int key, velocity;
    bool operator<(const Note& other) const {
        return key != other.key ? key < other.key : velocity < other.velocity;
    }
};

// The notes played on each preset asked for.
using TuneNotes = std::map<PresetId, std::set<Note>>;

// adds the notes of the standard MIDI file in bytes to *notes: true, or false
// with the parser's reason in *reason when the file is not one
bool add_tune_notes(const std::uint8_t* bytes, std::size_t size, TuneNotes* notes,
                    std::string* reason);

}  // namespace sf2
