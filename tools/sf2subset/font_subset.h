// A sound font cut down to what some tunes play: the presets they ask for (or
// the ones the synthesizer falls back to when the font lacks one), of those
// presets the zones some played note reaches, the instruments those zones use
// and of them the zones a note reaches through them, and the samples those
// zones play, with their data. Indices, sample offsets and loop points are
// rewritten; everything kept is as it was, so the tunes sound the same.
#pragma once

#include "sound_font.h"
#include "tune_notes.h"

namespace sf2 {

// the part of font that plays notes
SoundFont subset_sound_font(const SoundFont& font, const TuneNotes& notes);

}  // namespace sf2
