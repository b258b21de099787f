// The four tunes of the game, composed in code as note lists: the calm title
// piece, the mysterious story piece, the driving level piece (which loops
// without a seam) and the triumphant ending. Each has a melody, harmony, bass
// and drums on the General MIDI drum channel. No globals. Needs midi_writer.h.
#pragma once

#include <string>

#include "midi_writer.h"

constexpr int TUNE_TITLE = 0;  // title.mid
constexpr int TUNE_STORY = 1;  // story.mid
constexpr int TUNE_GAME = 2;   // game.mid
constexpr int TUNE_END = 3;    // end.mid
constexpr int TUNE_COUNT = 4;

// the file name of tune t, or "" for another number
std::string tune_file_name(int t);
// the song of tune t; an empty song (no tracks) for another number
MidiSong compose_tune(int t);
// composes tune t and writes it as a standard MIDI file; 1, or 0 on failure
int write_tune(const char* path, int t);
// the notes of a melody written as text, appended to track from tick start:
// tokens "[#|b]D['...|,...]L[.]" with D a scale degree 1 .. 7 of the scale
// above tonic ("'" an octave up, "," down) and L one of w h q e s (whole to
// sixteenth, "." dotted), "r" with a length for a rest, "|" between bars
// (ignored); returns the tick after the last token, or start for bad text
std::uint32_t add_melody(MidiTrack& track, const char* text, int tonic, bool minor,
                         std::uint32_t start, int velocity, int division);
