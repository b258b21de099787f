/// @file
/// A synthesizer that writes down what it is sent instead of sounding: one line
/// per call, the output frame first, so that two builds' sequencers can be
/// compared message for message. The music player makes one in place of the
/// General MIDI synthesizer when the environment variable V17_MIDI_RECORD names
/// a file. No globals; needs the sequencer's seam and file_io.
/// @ingroup music
#pragma once

#include <string>

#include "platform/audio_engine/midi_sequencer.h"

/// @addtogroup music
/// @{

/// a synthesizer that writes its messages to the file at path, one line each:
/// "FRAME reset", "FRAME notes-off", "FRAME SS DD DD" for a channel message
/// (hexadecimal bytes; one data byte for program change and channel pressure)
/// and "FRAME F0 BYTES.. F7" for a system exclusive message, where FRAME counts
/// the frames rendered before the call; null when the file cannot be made
MidiSynth* open_recording_synth(const std::string& path);

/// @}
