/// @file
/// Music: a table of 64 slots, each holding one standard MIDI file loaded from
/// the current directory; one piece plays at a time, and starting a piece stops
/// the one started before. Owns music_slots, music_performance, music_loader and
/// current_music; needs the platform's MIDI loader and player.
/// @ingroup music
#pragma once

#include <cstdint>

#include "platform/audio_engine/midi_player.h"

/// @addtogroup music
/// @{

constexpr int MAX_MUSIC = 64;                    ///< slots of the music table
constexpr std::int32_t MUSIC_STATE_NONE = 0;     ///< empty slot
constexpr std::int32_t MUSIC_STATE_LOADED = 1;   ///< loaded, not yet started
constexpr std::int32_t MUSIC_STATE_PLAYING = 2;  ///< started, and playing when last polled
constexpr std::int32_t MUSIC_STATE_STOPPED = 3;  ///< stopped, or found finished when polled

/// One piece of music in the table.
struct MusicSlot {
    MidiSegment* segment;  ///< the loaded piece, or null

    /// where its last start has got to; null after load and delete
    MidiSegmentState* segment_state;
    std::int32_t id;     ///< the slot's own index, 0..63
    std::int32_t state;  ///< MUSIC_STATE_NONE .. MUSIC_STATE_STOPPED
};

extern MusicSlot music_slots[MAX_MUSIC];  ///< every piece; a piece's number is its index
extern MidiPlayer* music_performance;     ///< the player, null before music_init
extern MidiLoader* music_loader;          ///< the file loader, null before music_init
extern int current_music;                 ///< the piece last started, -1 for none

/// makes the player and the loader and clears every slot (a second call starts
/// over); 1, or 0 when either cannot be had
int music_init();
/// stops the music, deletes every piece, frees the player and the loader; 1
int music_shutdown();
/// reads a standard MIDI file, named relative to the current directory, into the
/// first empty slot; the slot 0..63, or -1 for a full table, a name that is
/// absolute or leaves the current directory however it is spelt, a file that is
/// missing or is not a standard MIDI file (the reason goes to the error log), or
/// music not started
int load_midi(const char* filename);
/// stops the piece last started and plays this one from its beginning; 1, or 0
/// for a slot that is empty or outside the table
int play_music(int id);
/// stops the piece, state 3, and no piece is current; 1, or 0 for a slot that is
/// empty or outside the table
int stop_music(int id);
/// 2 while the piece plays (started and its last event not yet passed), else 3,
/// and records it in the slot; 0 for a slot that is empty or outside the table
int music_status(int id);
/// frees the piece (it stops if it plays) and empties the slot; current_music is
/// left as it was; 1, or 0 for a slot outside the table
int delete_music(int id);
/// delete_music on every slot; 1
int delete_all_music();

/// @}
