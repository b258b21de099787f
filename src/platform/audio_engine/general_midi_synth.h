/// @file
/// The General MIDI synthesizer that the music player plays on. Each build links
/// one: FluidSynth from the system's library natively (fluid_synth.cpp),
/// FluidSynth compiled for the web in a browser (web/web_synth.cpp), and on
/// Windows the system's own synthesizer through its MIDI output
/// (winmm_synth.cpp), which needs no sound font and sounds on its own output.
/// The two FluidSynths make the same synthesizer with the same settings, so the
/// music sounds the same.
/// @ingroup music
#pragma once

#include <string>

#include "platform/audio_engine/midi_sequencer.h"

/// @addtogroup music
/// @{

/// a synthesizer at rate frames a second with the output gain given, playing the
/// sound font at sound_font (a readable file; ignored by a synthesizer with its
/// own instruments); null when it cannot be made. The
/// caller owns it and serialises every call to it.
MidiSynth* open_general_midi_synth(const std::string& sound_font, int rate, double gain);

/// @}
