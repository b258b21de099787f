// Music slots over the platform's MIDI loader and player. A file is read whole
// and checked at load, so a bad file is refused then and never at play. A slot
// number outside the table, -1 included, touches nothing and gives the
// operation's failure value.
#include "audio/music.h"

#include <unistd.h>

#include <climits>

#include "support/error_log.h"

MusicSlot music_slots[MAX_MUSIC];
MidiPlayer* music_performance = nullptr;
MidiLoader* music_loader = nullptr;
int current_music = -1;

namespace {

bool in_table(int id) {
    return id >= 0 && id < MAX_MUSIC;
}

// The segment of a slot in the table that holds a piece, or null.
MidiSegment* segment_of(int id) {
    if (!in_table(id) || music_slots[id].state == MUSIC_STATE_NONE) return nullptr;
    return music_slots[id].segment;
}

void clear_slot(int id) {
    music_slots[id] = MusicSlot{nullptr, nullptr, id, MUSIC_STATE_NONE};
}

int first_empty_slot() {
    for (int i = 0; i < MAX_MUSIC; ++i) {
        if (music_slots[i].state == MUSIC_STATE_NONE) return i;
    }
    return -1;
}

}  // namespace

int music_init() {
    if (music_performance || music_loader) music_shutdown();
    if (midi_player_create(&music_performance) != S_OK) return 0;
    if (midi_loader_create(&music_loader) != S_OK) return 0;
    for (int i = 0; i < MAX_MUSIC; ++i) clear_slot(i);
    current_music = -1;
    return 1;
}

int music_shutdown() {
    if (music_performance) music_performance->stop(nullptr);
    delete_all_music();
    if (music_performance) music_performance->release();
    if (music_loader) music_loader->release();
    music_performance = nullptr;
    music_loader = nullptr;
    current_music = -1;
    return 1;
}

int load_midi(const char* filename) {
    int id = first_empty_slot();
    if (id < 0 || !music_loader || !music_performance || !filename) return -1;
    char dir[PATH_MAX];
    if (!getcwd(dir, sizeof dir) || music_loader->set_search_directory(dir) != S_OK) return -1;
    MidiSegment* segment = nullptr;
    if (music_loader->get_object(filename, &segment) != S_OK) {
        // the reason first: long names are cut
        write_error("\nmidi refused, %s: %s", music_loader->refusal().c_str(), filename);
        return -1;
    }
    music_slots[id] = MusicSlot{segment, nullptr, id, MUSIC_STATE_LOADED};
    return id;
}

int play_music(int id) {
    MidiSegment* segment = segment_of(id);
    if (!segment) return 0;
    if (current_music != -1) stop_music(current_music);
    music_performance->play_segment(segment, &music_slots[id].segment_state);
    music_slots[id].state = MUSIC_STATE_PLAYING;
    current_music = id;
    return 1;
}

int stop_music(int id) {
    MidiSegment* segment = segment_of(id);
    if (!segment) return 0;
    music_performance->stop(segment);
    music_slots[id].state = MUSIC_STATE_STOPPED;
    current_music = -1;
    return 1;
}

int music_status(int id) {
    MidiSegment* segment = segment_of(id);
    if (!segment) return 0;
    bool playing = music_performance->is_playing(segment) == S_OK;
    music_slots[id].state = playing ? MUSIC_STATE_PLAYING : MUSIC_STATE_STOPPED;
    return music_slots[id].state;
}

int delete_music(int id) {
    if (!in_table(id)) return 0;
    if (music_slots[id].segment) music_slots[id].segment->release();
    clear_slot(id);
    return 1;
}

int delete_all_music() {
    for (int i = 0; i < MAX_MUSIC; ++i) delete_music(i);
    return 1;
}
