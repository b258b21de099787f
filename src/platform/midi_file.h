// Standard MIDI files read from memory: the header, every track's events and the
// tempo map, enough to know that a file is whole and when its last event falls.
// No globals; needs nothing.
#pragma once

#include <cstddef>
#include <cstdint>

struct MidiFileInfo {
    int format;              // 0 one track, 1 simultaneous tracks, 2 sequential patterns
    int tracks;              // track chunks read, at least the header's count
    int division;            // the header's division word: ticks per quarter note, or SMPTE
    std::uint64_t end_tick;  // tick of the last event of any track, End of Track included
    double end_seconds;      // that tick in seconds, through every tempo change before it
};

// parses the file held in bytes: "MThd" header of format 0..2 with at least one
// track and a non-zero division, then chunks whose sizes stay inside the file,
// and in each track chunk events that are whole; 1 with info filled, or 0 for a
// file that is not a standard MIDI file or is cut short
int parse_midi_file(const std::uint8_t* bytes, std::size_t size, MidiFileInfo* info);
