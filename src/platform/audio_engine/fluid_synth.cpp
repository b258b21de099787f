// The General MIDI synthesizer of native builds: FluidSynth, with no audio
// driver of its own. Each message goes to FluidSynth's call for it, and its
// output is added into the mixer's.
#include <fluidsynth.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "platform/audio_engine/general_midi_synth.h"

namespace {

constexpr int kChunk = 1024;                    // frames rendered at a time
constexpr std::uint32_t kMaxSysex = 16u << 20;  // no message is longer than a file

// FluidSynth's messages would reach the terminal; the player reports through
// its results instead.
void silence_synth_log() {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
        fluid_set_log_function(level, nullptr, nullptr);
}

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
                if (m.status == 0xF0 && m.sysex_size <= kMaxSysex)
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

MidiSynth* open_general_midi_synth(const std::string& sound_font, int rate, double gain) {
    silence_synth_log();
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings) return nullptr;
    fluid_settings_setnum(settings, "synth.sample-rate", rate);
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);  // the caller serialises
    fluid_settings_setnum(settings, "synth.gain", gain);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (synth && fluid_synth_sfload(synth, sound_font.c_str(), 1) == FLUID_FAILED) {
        delete_fluid_synth(synth);
        synth = nullptr;
    }
    MidiSynth* made = synth ? new (std::nothrow) FluidSynth(settings, synth) : nullptr;
    if (!made) {
        if (synth) delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }
    return made;
}
