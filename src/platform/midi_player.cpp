// The MIDI loader and player. FluidSynth renders on the output's thread inside
// mix_into, with its file player driven by the samples rendered, so the music
// keeps time with the output (and with virtual time in headless runs). Every
// call that touches the synthesizer or the current segment holds the mixer lock.
#include "platform/midi_player.h"

#include <fluidsynth.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr long kMaxFileBytes = 16L << 20;  // MIDI files are small; anything larger is refused
constexpr int kChunk = 1024;               // frames the synthesizer renders at a time

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

// Reads a regular file whole; false when it cannot be opened, is not a regular
// file or is larger than limit.
bool read_whole_file(const std::string& path, long limit, std::vector<std::uint8_t>* out) {
    if (!readable_file(path.c_str())) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    bool ok = size >= 0 && size <= limit && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        out->resize(static_cast<std::size_t>(size));
        ok = std::fread(out->data(), 1, out->size(), f) == out->size();
    }
    std::fclose(f);
    return ok;
}

// FluidSynth's messages would reach the terminal; the player reports through
// its results instead.
void silence_synth_log() {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
        fluid_set_log_function(level, nullptr, nullptr);
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
    if (!file_name || !file_name[0]) return E_INVALIDARG;
    std::string path = directory_.empty() ? file_name : directory_ + "/" + file_name;
    std::vector<std::uint8_t> bytes;
    if (!read_whole_file(path, kMaxFileBytes, &bytes)) return E_FAIL;
    MidiFileInfo info{};
    if (!parse_midi_file(bytes.data(), bytes.size(), &info)) return E_INVALIDARG;
    *out = new (std::nothrow) MidiSegment(std::move(bytes), info);
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
// only the timing of the segments goes on.
void MidiPlayer::open_synth(int rate) {
    silence_synth_log();
    sound_font_ = find_sound_font();
    if (sound_font_.empty()) return;
    settings_ = new_fluid_settings();
    if (!settings_) return;
    fluid_settings_setnum(settings_, "synth.sample-rate", rate);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);  // the mixer lock serialises
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    synth_ = new_fluid_synth(settings_);
    if (synth_ && fluid_synth_sfload(synth_, sound_font_.c_str(), 1) == FLUID_FAILED) {
        delete_fluid_synth(synth_);
        synth_ = nullptr;
    }
    if (!synth_) sound_font_.clear();
    left_.resize(kChunk);
    right_.resize(kChunk);
}

HRESULT MidiPlayer::play_segment(MidiSegment* segment, MidiSegmentState** state) {
    if (!segment) return E_POINTER;
    int rate = mixer_rate();
    std::lock_guard<std::mutex> hold(mixer_mutex());
    stop_locked();
    double end = std::ceil(segment->info().end_seconds * rate);
    segment->state_ = {0, end < 1e18 ? static_cast<std::uint64_t>(end) : 1000000000000000000u};
    segment->player_ = this;
    current_ = segment;
    if (synth_) {
        sequencer_ = new_fluid_player(synth_);
        if (sequencer_) {
            fluid_player_add_mem(sequencer_, segment->bytes().data(), segment->bytes().size());
            fluid_player_play(sequencer_);
        }
    }
    if (state) *state = &segment->state_;
    return S_OK;
}

HRESULT MidiPlayer::stop(MidiSegment* segment) {
    std::lock_guard<std::mutex> hold(mixer_mutex());
    if (!segment || segment == current_) stop_locked();
    return S_OK;
}

// Stops the file player and lets every sounding note go into its release, the
// sustain pedal lifted first so that none is held.
void MidiPlayer::stop_locked() {
    if (sequencer_) {
        fluid_player_stop(sequencer_);
        delete_fluid_player(sequencer_);
        sequencer_ = nullptr;
    }
    if (synth_) {
        int channels = fluid_synth_count_midi_channels(synth_);
        for (int ch = 0; ch < channels; ++ch) fluid_synth_cc(synth_, ch, 64, 0);
        fluid_synth_all_notes_off(synth_, -1);
    }
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
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
    delete this;
    mixer_close();
    return 0;
}

void MidiPlayer::mix_into(float* out, int frames, int) {
    if (current_) current_->state_.frames_played += static_cast<std::uint64_t>(frames);
    if (!synth_) return;
    for (int done = 0; done < frames;) {
        int n = std::min(kChunk, frames - done);
        fluid_synth_write_float(synth_, n, left_.data(), 0, 1, right_.data(), 0, 1);
        float* o = out + 2 * done;
        for (int i = 0; i < n; ++i) {
            o[2 * i] += left_[i];
            o[2 * i + 1] += right_[i];
        }
        done += n;
    }
}
