// The General MIDI synthesizer of Windows builds: the system's own, reached
// through the multimedia MIDI output (the MIDI mapper, device -1). It needs no
// sound font and renders nothing into the mixer: the sequencer hands each
// message over inside the mixer's render, at the frame it falls on, so the
// music keeps the audio clock's time, to within one output buffer. Where no
// MIDI output opens, the player is told so (null) and keeps only the timing.
#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

#include <cstdint>
#include <cstdio>
#include <new>
#include <vector>

#include "platform/audio_engine/general_midi_synth.h"

namespace {

constexpr std::uint32_t kMaxSysex = 64u << 10;  // longer messages are not sent
constexpr int kSysexWaitMs = 200;               // the longest wait for one to go out
constexpr int kChannels = 16;

class WinmmSynth final : public MidiSynth {
public:
    explicit WinmmSynth(HMIDIOUT out) : out_(out) {}
    ~WinmmSynth() override {
        midiOutReset(out_);
        midiOutClose(out_);
    }

    // Every note off, then General MIDI's own reset message, which returns
    // programs, controllers and pitch to their first state.
    void reset() override {
        midiOutReset(out_);
        static const std::uint8_t kGmOn[] = {0x7E, 0x7F, 0x09, 0x01};
        send_sysex(kGmOn, sizeof kGmOn);
        for (int ch = 0; ch < kChannels; ++ch) short_message(0xB0 | ch, 121, 0);
    }

    void send(const MidiMessage& m) override {
        if (m.status >= 0x80 && m.status < 0xF0) {
            short_message(m.status, m.data1, m.data2);
        } else if (m.status == 0xF0 && m.sysex && m.sysex_size <= kMaxSysex) {
            send_sysex(m.sysex, m.sysex_size);
        }
    }

    void all_notes_off() override {
        for (int ch = 0; ch < kChannels; ++ch) {
            short_message(0xB0 | ch, 64, 0);   // sustain pedal up
            short_message(0xB0 | ch, 123, 0);  // all notes off
        }
    }

    // The system's synthesizer plays on its own output: nothing to add.
    void render(float*, int) override {}

private:
    void short_message(int status, int data1, int data2) {
        midiOutShortMsg(out_, static_cast<DWORD>(status | data1 << 8 | data2 << 16));
    }

    // One system exclusive message, F0 and F7 around the bytes; the header is
    // held until the driver is done with it, for at most kSysexWaitMs.
    void send_sysex(const std::uint8_t* bytes, std::uint32_t size) {
        buffer_.assign(1, 0xF0);
        buffer_.insert(buffer_.end(), bytes, bytes + size);
        buffer_.push_back(0xF7);
        MIDIHDR header{};
        header.lpData = reinterpret_cast<LPSTR>(buffer_.data());
        header.dwBufferLength = static_cast<DWORD>(buffer_.size());
        header.dwBytesRecorded = header.dwBufferLength;
        if (midiOutPrepareHeader(out_, &header, sizeof header) != MMSYSERR_NOERROR) return;
        if (midiOutLongMsg(out_, &header, sizeof header) == MMSYSERR_NOERROR) {
            for (int waited = 0; !(header.dwFlags & MHDR_DONE) && waited < kSysexWaitMs; ++waited)
                Sleep(1);
        }
        midiOutUnprepareHeader(out_, &header, sizeof header);
    }

    HMIDIOUT out_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

MidiSynth* open_general_midi_synth(const std::string&, int, double) {
    HMIDIOUT out = nullptr;
    MMRESULT result = midiOutOpen(&out, MIDI_MAPPER, 0, 0, CALLBACK_NULL);
    if (result != MMSYSERR_NOERROR) {
        static bool said = false;  // once a run, however often the music starts
        if (!said) {
            wchar_t text[MAXERRORLENGTH] = L"";
            midiOutGetErrorTextW(result, text, MAXERRORLENGTH);
            std::fprintf(stderr, "vantorel17: no MIDI output opens (%ls): the music is silent\n",
                         text);
            said = true;
        }
        return nullptr;
    }
    MidiSynth* made = new (std::nothrow) WinmmSynth(out);
    if (!made) midiOutClose(out);
    return made;
}
