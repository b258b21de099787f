// The MIDI loader and player. The loader reads a file whole and checks it with
// the parser; the player plays it with the sequencer over the parsed tracks, and
// FluidSynth is only the synthesizer the sequencer sends its messages to. Both
// render on the output's thread inside mix_into, by the samples rendered, so the
// music keeps time with the output (and with virtual time in headless runs).
// Every call that touches the synthesizer or the current segment holds the
// mixer lock.
#include "platform/midi_player.h"

#include <fluidsynth.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr long kMaxFileBytes = 16L << 20;  // MIDI files are small; anything larger is refused
constexpr int kChunk = 1024;               // frames the synthesizer renders at a time
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

// Reads a regular file whole; nullptr, or why it could not: it cannot be
// opened, is not a regular file or is larger than limit.
const char* read_whole_file(const std::string& path, long limit, std::vector<std::uint8_t>* out) {
    if (!readable_file(path.c_str())) return "no readable file of that name";
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return "cannot be opened";
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    const char* why = nullptr;
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) why = "cannot be read";
    if (!why && size > limit) why = "larger than 16 MiB";
    if (!why) {
        out->resize(static_cast<std::size_t>(size));
        if (std::fread(out->data(), 1, out->size(), f) != out->size()) why = "cannot be read";
    }
    std::fclose(f);
    return why;
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

// FluidSynth's messages would reach the terminal; the player reports through
// its results instead.
void silence_synth_log() {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
        fluid_set_log_function(level, nullptr, nullptr);
}

// The synthesizer the sequencer plays on: each message goes to FluidSynth's
// call for it, and its output is added into the mixer's.
class FluidSynth final : public MidiSynth {
public:
    FluidSynth(fluid_settings_t* settings, fluid_synth_t* synth)
        : settings_(settings), synth_(synth), left_(kChunk), right_(kChunk) {}
    ~FluidSynth() override {
        delete_fluid_synth(synth_);
        delete_fluid_settings(settings_);
    }

    void reset() override { fluid_synth_system_reset(synth_); }

    void send(const MidiMessage& m) override {
        int ch = m.status & 0x0F;
        switch (m.status & 0xF0) {
            case 0x80:
                fluid_synth_noteoff(synth_, ch, m.data1);
                break;
            case 0x90:
                if (m.data2 == 0)
                    fluid_synth_noteoff(synth_, ch, m.data1);
                else
                    fluid_synth_noteon(synth_, ch, m.data1, m.data2);
                break;
            case 0xA0:
                fluid_synth_key_pressure(synth_, ch, m.data1, m.data2);
                break;
            case 0xB0:
                fluid_synth_cc(synth_, ch, m.data1, m.data2);
                break;
            case 0xC0:
                fluid_synth_program_change(synth_, ch, m.data1);
                break;
            case 0xD0:
                fluid_synth_channel_pressure(synth_, ch, m.data1);
                break;
            case 0xE0:
                fluid_synth_pitch_bend(synth_, ch, m.data1 | m.data2 << 7);
                break;
            default:
                if (m.status == 0xF0 && m.sysex_size <= static_cast<std::uint32_t>(kMaxFileBytes))
                    fluid_synth_sysex(synth_, reinterpret_cast<const char*>(m.sysex),
                                      static_cast<int>(m.sysex_size), nullptr, nullptr, nullptr, 0);
                break;
        }
    }

    void all_notes_off() override {
        int channels = fluid_synth_count_midi_channels(synth_);
        for (int ch = 0; ch < channels; ++ch) fluid_synth_cc(synth_, ch, 64, 0);
        fluid_synth_all_notes_off(synth_, -1);
    }

    void render(float* out, int frames) override {
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

private:
    fluid_settings_t* settings_;
    fluid_synth_t* synth_;
    std::vector<float> left_, right_;  // the synthesizer's output before it is added
};

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
    if (const char* why = read_whole_file(path, kMaxFileBytes, &bytes)) {
        refusal_ = why;
        return E_FAIL;
    }
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
// only the timing of the segments goes on.
void MidiPlayer::open_synth(int rate) {
    silence_synth_log();
    sound_font_ = find_sound_font();
    if (sound_font_.empty()) return;
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings) {
        sound_font_.clear();
        return;
    }
    fluid_settings_setnum(settings, "synth.sample-rate", rate);
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);  // the mixer lock serialises
    fluid_settings_setnum(settings, "synth.gain", kSynthGain);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (synth && fluid_synth_sfload(synth, sound_font_.c_str(), 1) == FLUID_FAILED) {
        delete_fluid_synth(synth);
        synth = nullptr;
    }
    if (synth) synth_ = new (std::nothrow) FluidSynth(settings, synth);
    if (!synth_) {
        if (synth) delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        sound_font_.clear();
    }
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
