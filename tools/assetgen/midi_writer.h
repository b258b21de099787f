// Writes standard MIDI files of format 1: a conductor track with the tempo and
// the time signature, then one track per part with its name, instrument,
// volume and pan and its notes. Times are in ticks of the song's division.
// No globals. Needs only the standard library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MidiNote {
    std::uint32_t start;   // tick of the note-on
    std::uint32_t length;  // ticks until the note-off, at least 1
    int key;               // 0 .. 127
    int velocity;          // 1 .. 127
};

struct MidiTrack {
    std::string name;
    int channel = 0;   // 0 .. 15; 9 is the General MIDI drum channel
    int program = 0;   // General MIDI instrument 0 .. 127 (ignored on channel 9)
    int volume = 100;  // controller 7
    int pan = 64;      // controller 10
    std::vector<MidiNote> notes;
};

struct MidiSong {
    int division = 480;        // ticks per quarter note
    int tempo_bpm = 120;       // quarter notes per minute
    int beats_per_bar = 4;     // time signature numerator over 4
    std::uint32_t length = 0;  // tick at which every track ends
    std::vector<MidiTrack> tracks;
};

// appends v as a variable-length quantity (7 bits a byte, high bit on all but
// the last); values above 0x0FFFFFFF are cut to that
void put_vlq(std::string& out, std::uint32_t v);
// the complete file image of the song; notes are clamped into 0 .. 127 and
// into the song's length; empty for a song without tracks or length
std::string encode_midi(const MidiSong& song);
// writes encode_midi's result; 1, or 0 for an empty song or a failed write
int write_midi(const char* path, const MidiSong& song);
