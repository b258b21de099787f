// The General MIDI synthesizer of the browser build: FluidSynth compiled for
// the web (the page loads it with js-synthesizer), made with the settings the
// native build gives FluidSynth, fed the same messages and rendered into the
// mixer's output in the same way. The JavaScript half is in web_platform.js.
#include <cstdint>
#include <new>

#include "platform/audio_engine/general_midi_synth.h"

extern "C" {
// web_platform.js: a synthesizer's handle, or 0 when none can be made
int v17_web_synth_open(const char* sound_font, int rate, double gain);
void v17_web_synth_close(int synth);
void v17_web_synth_reset(int synth);
void v17_web_synth_send(int synth, int status, int data1, int data2);
void v17_web_synth_sysex(int synth, const std::uint8_t* bytes, int size);
void v17_web_synth_all_notes_off(int synth);
void v17_web_synth_render(int synth, float* out, int frames);  // added into out
}

namespace {

constexpr std::uint32_t kMaxSysex = 16u << 20;  // no message is longer than a file

class WebSynth final : public MidiSynth {
public:
    explicit WebSynth(int handle) : handle_(handle) {}
    ~WebSynth() override { v17_web_synth_close(handle_); }

    void reset() override { v17_web_synth_reset(handle_); }
    void send(const MidiMessage& m) override {
        if (m.status == 0xF0) {
            if (m.sysex && m.sysex_size <= kMaxSysex)
                v17_web_synth_sysex(handle_, m.sysex, static_cast<int>(m.sysex_size));
            return;
        }
        if (m.status >= 0x80 && m.status < 0xF0)
            v17_web_synth_send(handle_, m.status, m.data1, m.data2);
    }
    void all_notes_off() override { v17_web_synth_all_notes_off(handle_); }
    void render(float* out, int frames) override {
        if (out && frames > 0) v17_web_synth_render(handle_, out, frames);
    }

private:
    int handle_;
};

}  // namespace

MidiSynth* open_general_midi_synth(const std::string& sound_font, int rate, double gain) {
    int handle = v17_web_synth_open(sound_font.c_str(), rate, gain);
    if (!handle) return nullptr;
    MidiSynth* made = new (std::nothrow) WebSynth(handle);
    if (!made) v17_web_synth_close(handle);
    return made;
}
