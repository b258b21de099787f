// The recording synthesizer: the sequencer's calls as lines of text, written
// through the checked output file.
#include "platform/audio_engine/recording_synth.h"

#include <cinttypes>
#include <cstdio>
#include <new>

#include "platform/formats/file_io.h"

namespace {

class RecordingSynth final : public MidiSynth {
public:
    bool open(const std::string& path) { return out_.open(path.c_str()); }
    ~RecordingSynth() override { out_.close(); }

    void reset() override { line("reset"); }

    void send(const MidiMessage& m) override {
        std::string text;
        if (m.status == 0xF0) {
            text = "F0";
            for (std::uint32_t i = 0; m.sysex && i < m.sysex_size; ++i) text += hex(m.sysex[i]);
            text += " F7";
        } else {
            int kind = m.status & 0xF0;
            bool one_byte = kind == 0xC0 || kind == 0xD0;
            text = hex(m.status).substr(1) + hex(m.data1) + (one_byte ? "" : hex(m.data2));
        }
        line(text);
    }

    void all_notes_off() override { line("notes-off"); }

    void render(float*, int frames) override {
        if (frames > 0) frame_ += static_cast<std::uint64_t>(frames);
    }

private:
    static std::string hex(std::uint8_t byte) {
        char text[4];
        std::snprintf(text, sizeof text, " %02X", byte);
        return text;
    }

    void line(const std::string& text) {
        char frame[24];
        std::snprintf(frame, sizeof frame, "%" PRIu64 " ", frame_);
        std::string all = frame + text + "\n";
        out_.write(all.data(), all.size());
    }

    OutputFile out_;
    std::uint64_t frame_ = 0;
};

}  // namespace

MidiSynth* open_recording_synth(const std::string& path) {
    auto* synth = new (std::nothrow) RecordingSynth;
    if (synth && !synth->open(path)) {
        delete synth;
        return nullptr;
    }
    return synth;
}
