// The MIDI loader and player. The loader reads a file whole and checks it with
// the parser; the player plays it with the sequencer over the parsed tracks, and
// the General MIDI synthesizer is only what the sequencer sends its messages to.
// Both render on the output's thread inside mix_into, by the samples rendered,
// so the music keeps time with the output (and with virtual time in headless
// runs).
// Every call that touches the synthesizer or the current segment holds the
// mixer lock.
#include "platform/audio_engine/midi_player.h"

#include "platform/audio_engine/general_midi_synth.h"
#include "platform/audio_engine/recording_synth.h"
#include "platform/formats/file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// MIDI files are small; anything larger is refused.
constexpr std::size_t kMaxFileBytes = std::size_t{16} << 20;
// The synthesizer's output gain (its default is 0.2): with the bundled General
// MIDI font it brings the game's tunes to about -18 LUFS integrated, with their
// true peaks below -1 dBTP, the level players expect of game music.
constexpr double kSynthGain = 0.62;

const char* const kSoundFonts[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",   "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/soundfonts/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/sf_GMbank.sf2",  "/usr/share/soundfonts/default.sf2",
};

bool readable_file(const char* path) {
    struct stat st;
    return path && path[0] && stat(path, &st) == 0 && S_ISREG(st.st_mode) &&
           access(path, R_OK) == 0;
}

// The name as a path inside the search directory: '.' and empty parts left
// out, ".." taking back the part before it, '\\' a separator as '/' is, as on
// the system the game was written for. nullptr, or why the name is refused: it
// is absolute, goes above the directory at any point, or names a directory.
const char* path_inside(const char* name, std::string* path) {
    auto separator = [](char c) { return c == '/' || c == '\\'; };
    if (separator(name[0])) return "absolute name";
    if (separator(name[std::strlen(name) - 1])) return "name ends in a separator";
    std::vector<std::string> parts;
    std::string part;
    for (const char* p = name;; ++p) {
        if (*p && !separator(*p)) {
            part += *p;
            continue;
        }
        if (part == "..") {
            if (parts.empty()) return "name climbs out of the directory";
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
        if (!*p) break;
    }
    if (parts.empty()) return "name of the directory itself";
    path->clear();
    for (const std::string& p : parts) *path += (path->empty() ? "" : "/") + p;
    return nullptr;
}

}  // namespace

std::string find_sound_font() {
    const char* chosen = std::getenv("V17_SOUNDFONT");
    if (readable_file(chosen)) return chosen;
    const char* defaults = std::getenv("V17_SOUNDFONT_DEFAULTS");
    if (defaults && std::strcmp(defaults, "0") == 0) return {};
    for (const char* path : kSoundFonts) {
        if (readable_file(path)) return path;
    }
    return {};
}

// ---- segment ------------------------------------------------------------------

std::uint32_t MidiSegment::release() {
    if (player_) player_->stop(this);
    delete this;
    return 0;
}

// ---- loader -------------------------------------------------------------------

HRESULT midi_loader_create(MidiLoader** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) MidiLoader;
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT MidiLoader::set_search_directory(const char* dir) {
    if (!dir) return E_INVALIDARG;
    directory_ = dir;
    return S_OK;
}

HRESULT MidiLoader::get_object(const char* file_name, MidiSegment** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    refusal_.clear();
    if (!file_name || !file_name[0]) {
        refusal_ = "no file name";
        return E_INVALIDARG;
    }
    std::string inside;
    if (const char* why = path_inside(file_name, &inside)) {
        refusal_ = why;
        return E_ACCESSDENIED;
    }
    std::string path = directory_.empty() ? inside : directory_ + "/" + inside;
    std::vector<std::uint8_t> bytes;
    if (!read_file_bytes(path.c_str(), kMaxFileBytes, &bytes, &refusal_)) return E_FAIL;
    MidiFileInfo info{};
    if (!parse_midi_file(bytes.data(), bytes.size(), &info, &refusal_)) return E_INVALIDARG;
    *out = new (std::nothrow) MidiSegment(std::move(bytes), std::move(info));
    if (!*out) refusal_ = "out of memory";
    return *out ? S_OK : E_OUTOFMEMORY;
}

std::uint32_t MidiLoader::release() {
    delete this;
    return 0;
}

// ---- player -------------------------------------------------------------------

HRESULT midi_player_create(MidiPlayer** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) MidiPlayer;
    if (!*out) return E_OUTOFMEMORY;
    int rate = mixer_open();
    (*out)->open_synth(rate);
    mixer_add(*out);
    return S_OK;
}

// Without a sound font there is nothing to hear, so no synthesizer is made and
// only the timing of the segments goes on. Windows' own synthesizer brings its
// instruments and needs no font; there the switch that leaves out the default
// fonts (V17_SOUNDFONT_DEFAULTS=0) turns the music off as a missing font does
// elsewhere. V17_MIDI_RECORD=FILE puts the recording synthesizer in its place.
void MidiPlayer::open_synth(int rate) {
    if (const char* record = std::getenv("V17_MIDI_RECORD"); record && record[0]) {
        synth_ = open_recording_synth(record);
        return;
    }
#if defined(_WIN32)
    const char* defaults = std::getenv("V17_SOUNDFONT_DEFAULTS");
    if (defaults && std::strcmp(defaults, "0") == 0) return;
    synth_ = open_general_midi_synth("", rate, kSynthGain);
#else
    sound_font_ = find_sound_font();
    if (sound_font_.empty()) return;
    synth_ = open_general_midi_synth(sound_font_, rate, kSynthGain);
    if (!synth_) sound_font_.clear();
#endif
}

HRESULT MidiPlayer::play_segment(MidiSegment* segment, MidiSegmentState** state) {
    if (!segment) return E_POINTER;
    int rate = mixer_rate();
    // The new start is made ready outside the lock and swapped in; the old one
    // is freed after the lock is let go.
    MidiSequencer start;
    midi_sequencer_start(&start, segment->bytes().data(), &segment->info(), rate > 0 ? rate : 1);
    {
        std::lock_guard<std::mutex> hold(mixer_mutex());
        stop_locked();
        segment->state_ = {0, midi_frame_at(segment->info().end_seconds, rate)};
        segment->player_ = this;
        current_ = segment;
        std::swap(sequencer_, start);
    }
    if (state) *state = &segment->state_;
    return S_OK;
}

HRESULT MidiPlayer::stop(MidiSegment* segment) {
    std::lock_guard<std::mutex> hold(mixer_mutex());
    if (!segment || segment == current_) stop_locked();
    return S_OK;
}

// Lets every sounding note go into its release, the sustain pedal lifted first
// so that none is held, and forgets the segment.
void MidiPlayer::stop_locked() {
    if (synth_ && current_) synth_->all_notes_off();
    if (current_) current_->player_ = nullptr;
    current_ = nullptr;
}

HRESULT MidiPlayer::is_playing(const MidiSegment* segment) {
    std::lock_guard<std::mutex> hold(mixer_mutex());
    if (!current_ || (segment && segment != current_)) return S_FALSE;
    const MidiSegmentState& s = current_->state_;
    return s.frames_played < s.end_frames ? S_OK : S_FALSE;
}

std::uint32_t MidiPlayer::release() {
    mixer_remove(this);
    {
        std::lock_guard<std::mutex> hold(mixer_mutex());
        stop_locked();
    }
    delete synth_;
    delete this;
    mixer_close();
    return 0;
}

void MidiPlayer::mix_into(float* out, int frames, int) {
    if (current_) current_->state_.frames_played += static_cast<std::uint64_t>(frames);
    if (!synth_) return;
    if (current_) {
        midi_sequencer_render(&sequencer_, synth_, out, frames);
    } else {
        synth_->render(out, frames);  // the last notes ring out
    }
}
