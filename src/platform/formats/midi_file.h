/// @file
/// Standard MIDI files read from memory: the header, the tracks it declares and
/// their events, and the tempo map that turns ticks into seconds. parse_midi_file
/// checks a file whole and says why it refuses one; a track reader then reads the
/// events of a checked file again, one at a time, for whoever plays it, so that
/// what is played is exactly what was checked. No globals; needs nothing.
/// @ingroup music
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// @addtogroup music
/// @{

constexpr std::uint32_t MIDI_DEFAULT_TEMPO = 500000;  ///< microseconds per quarter note: 120 bpm

/// Where one track chunk's events lie in the file.
struct MidiTrackSpan {
    std::size_t offset;  ///< first byte after the chunk's id and length
    std::size_t length;  ///< bytes of events
};

/// What parse_midi_file found in a file.
struct MidiFileInfo {
    int format;              ///< 0 one track, 1 simultaneous tracks, 2 patterns one after another
    int tracks;              ///< track chunks read: the header's count (later chunks are ignored)
    int division;            ///< the header's division word: ticks per quarter note, or SMPTE
    std::uint64_t end_tick;  ///< tick of the last event, End of Track included; for format 2 the
                             ///< patterns' lengths added up
    double end_seconds;      ///< that tick in seconds, through every tempo change before it
    int notes;               ///< note-on events with a velocity above 0, over all tracks
    std::vector<MidiTrackSpan> spans;  ///< the tracks read, in file order
};

/// One event of a track as the file holds it.
struct MidiFileEvent {
    std::uint64_t tick;        ///< ticks from the track's start
    std::uint8_t status;       ///< 0x80..0xEF a channel message (running status filled in), 0xF0
                               ///< or 0xF7 a sysex packet, 0xFF a meta event
    std::uint8_t data1;        ///< the first data byte, or the meta event's type
    std::uint8_t data2;        ///< the second data byte; 0 for messages with one
    const std::uint8_t* data;  ///< a sysex packet's or meta event's bytes, inside the file
    std::uint32_t length;      ///< bytes at data
};

/// Reads the events of one track chunk in order.
struct MidiTrackReader {
    const std::uint8_t* at;          ///< the next byte
    const std::uint8_t* end;         ///< the end of the chunk
    std::uint64_t tick;              ///< tick of the last event read; at the end, the track's end
    std::uint8_t running;            ///< the status a data byte in place of one continues, or 0
    bool done;                       ///< End of Track, the chunk's end or a broken event reached
    const char* problem;             ///< what broke the track; null while it reads well
    const std::uint8_t* problem_at;  ///< where that event starts, or the byte that broke it
    bool problem_byte;               ///< the problem is the byte at problem_at itself
};

/// a reader at the first event of the track chunk at span inside bytes
MidiTrackReader midi_track_reader(const std::uint8_t* bytes, const MidiTrackSpan& span);
/// reads the next event into *event: 1; 0 once the track has ended (End of Track
/// or the end of its chunk, reader->tick holding the end) or when the event is
/// broken (reader->problem says how); End of Track itself is not handed out
int midi_track_next(MidiTrackReader* reader, MidiFileEvent* event);

/// Ticks to seconds through the tempo changes, met in tick order.
struct MidiClock {
    int division;         ///< the header's division word
    std::uint64_t tick;   ///< tick of the last tempo change
    double seconds;       ///< its time
    std::uint32_t tempo;  ///< microseconds per quarter note from it on
};

/// a clock at tick 0 at the default tempo
MidiClock midi_clock_start(int division);
/// the time of tick, not before the clock's last tempo change, in seconds
double midi_clock_seconds(const MidiClock& clock, std::uint64_t tick);
/// takes a tempo change at tick (not before the last one); a tempo of 0, and any
/// change under SMPTE division where ticks are fixed lengths, keeps the old one
void midi_clock_tempo(MidiClock* clock, std::uint64_t tick, std::uint32_t tempo);

/// parses the file held in bytes: an "MThd" header of format 0..2 with at least
/// one track and a valid division, then as many track chunks as it declares
/// (other chunks between them skipped), each of whole events and holding at
/// least one note over all; 1 with info filled, or 0 with the failed check (the
/// chunk, the field, the value) in *reason when it is not null
int parse_midi_file(const std::uint8_t* bytes, std::size_t size, MidiFileInfo* info,
                    std::string* reason = nullptr);

/// @}
