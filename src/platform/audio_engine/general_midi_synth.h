/// @file
/// The General MIDI synthesizer that the music player plays on. Each build links
/// one: FluidSynth from the system's library natively (fluid_synth.cpp), and
/// FluidSynth compiled for the web in a browser (web/web_synth.cpp). Both make
/// the same synthesizer with the same settings, so the music sounds the same.
/// @ingroup music
#pragma once

#include <string>

#include "platform/audio_engine/midi_sequencer.h"

/// @addtogroup music
/// @{

/// a synthesizer at rate frames a second with the output gain given, playing the
/// sound font at sound_font (a readable file); null when it cannot be made. The
/// caller owns it and serialises every call to it.
MidiSynth* open_general_midi_synth(const std::string& sound_font, int rate, double gain);

/// @}
