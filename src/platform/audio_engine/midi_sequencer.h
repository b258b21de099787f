/// @file
/// The MIDI sequencer: plays a checked standard MIDI file on a synthesizer at
/// exact output frames. It merges the tracks in tick order (format 2: one pattern
/// after another), follows the tempo map or the SMPTE rate, joins system
/// exclusive messages sent in packets, and hands each channel message and sysex
/// to a MidiSynth at the frame where it falls, splitting the synthesizer's
/// rendering there, so that the timing does not depend on how many frames an
/// output asks for at a time. It knows no particular synthesizer. No globals;
/// needs the MIDI file reader.
/// @ingroup music
#pragma once

#include <cstdint>
#include <vector>

#include "platform/formats/midi_file.h"

/// @addtogroup music
/// @{

/// One message for a synthesizer.
struct MidiMessage {
    std::uint8_t status;  ///< 0x80..0xEF a channel message, 0xF0 a system exclusive message
    std::uint8_t data1;   ///< the first data byte
    std::uint8_t data2;   ///< the second data byte; 0 for messages with one

    /// for 0xF0: the bytes between F0 and F7, valid until the next read
    const std::uint8_t* sysex;
    std::uint32_t sysex_size;  ///< bytes at sysex
};

/// A General MIDI synthesizer that the sequencer plays on.
class MidiSynth {
public:
    /// frees the synthesizer
    virtual ~MidiSynth() = default;
    /// returns every channel to its first state (programs, controllers, pitch),
    /// no note sounding
    virtual void reset() = 0;
    /// takes one message at the output frame reached
    virtual void send(const MidiMessage& message) = 0;
    /// lifts the sustain pedal on every channel and lets every note go into its release
    virtual void all_notes_off() = 0;
    /// adds frames stereo frames (left, right interleaved) of its output into out
    virtual void render(float* out, int frames) = 0;
};

/// Where the playing of one file has got to.
struct MidiSequencer {
    const std::uint8_t* bytes = nullptr;  ///< the file, kept by the caller while it plays
    const MidiFileInfo* info = nullptr;   ///< what parse_midi_file found in it, kept likewise
    int rate = 0;                         ///< output frames a second
    std::uint64_t position = 0;           ///< frames rendered since the start
    std::uint64_t end_frame = 0;          ///< frame of the file's last event, End of Track included
    bool reset = false;                   ///< the synthesizer has been reset for this start
    bool ended = false;                   ///< the end reached and every note let go

    std::vector<MidiTrackReader> readers;  ///< one per track

    /// each track's next event, its tick from the file's start
    std::vector<MidiFileEvent> pending;
    std::vector<int> heap;            ///< tracks with an event pending, earliest on top
    int next_pattern = 0;             ///< format 2: the track that begins after this one
    std::uint64_t pattern_start = 0;  ///< format 2: the tick where the current pattern began
    MidiClock clock{};                ///< the tempo map as far as it has been read
    std::vector<std::uint8_t> sysex;  ///< a sysex message being joined from its packets
    bool in_sysex = false;            ///< a packet without the closing F7 came last

    bool has_next = false;         ///< render's look-ahead: a message read and not yet sent
    std::uint64_t next_frame = 0;  ///< its frame
    MidiMessage next{};            ///< the message
};

/// makes s play the file from its start at rate frames a second; 1, or 0 for a
/// null argument or a rate of 0 or less
int midi_sequencer_start(MidiSequencer* s, const std::uint8_t* bytes, const MidiFileInfo* info,
                         int rate);
/// reads the next message in time order into *message with its frame (never
/// earlier than the one before, never after s->end_frame) into *frame; 1, or 0
/// when none is left; meta events and sysex packets that do not end a message
/// are taken in passing
int midi_sequencer_next(MidiSequencer* s, std::uint64_t* frame, MidiMessage* message);
/// renders frames stereo frames of synth added into out: the synthesizer reset
/// first after a start, each message sent at its frame (those at the frame where
/// the render stops included), every note let go at the end frame; 1, or 0 for a
/// null argument or a sequencer not started
int midi_sequencer_render(MidiSequencer* s, MidiSynth* synth, float* out, int frames);
/// the frame at which seconds fall at rate frames a second: rounded up, at most 10^18
std::uint64_t midi_frame_at(double seconds, int rate);

/// @}
