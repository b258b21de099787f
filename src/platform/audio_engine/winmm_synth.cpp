// The General MIDI synthesizer of Windows builds: the system's own, reached
// through the multimedia MIDI output (the MIDI mapper). It needs no sound font
// and renders nothing into the mixer. The sequencer hands each message over as
// the mixer renders the buffer its frame is in; the schedule gives it the time
// at which the output plays that frame, on the audio clock, and a thread of
// the synthesizer's own sends it then, so that the music keeps the audio's time
// within a millisecond or two rather than a buffer. Where no MIDI output opens,
// the player is told so (null) and keeps only the timing.
#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/audio_engine/general_midi_synth.h"
#include "platform/audio_engine/midi_schedule.h"

namespace {

constexpr std::uint32_t kMaxSysex = 64u << 10;  // longer messages are not sent
constexpr int kSysexWaitMs = 200;               // the longest wait for one to go out
constexpr int kChannels = 16;
// How long after its frame is rendered a message goes out: about one output
// buffer (1024 frames at 44.1 kHz), when the output plays that frame.
constexpr double kDelaySeconds = 0.025;

using Clock = std::chrono::steady_clock;

double seconds_now() {
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

Clock::time_point time_at(double seconds) {
    return Clock::time_point(
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)));
}

// One thing to send, at its time.
struct Pending {
    enum Kind { kShort, kSysex, kReset, kNotesOff } kind;
    double due;
    DWORD word;                       // kShort: status | data1 << 8 | data2 << 16
    std::vector<std::uint8_t> bytes;  // kSysex: F0 .. F7
};

class WinmmSynth final : public MidiSynth {
public:
    WinmmSynth(HMIDIOUT out, int rate) : out_(out), schedule_(rate, kDelaySeconds) {
        sender_ = std::thread([this] { send_in_time(); });
        timeBeginPeriod(1);  // the sender's waits to the millisecond
    }
    ~WinmmSynth() override {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        sender_.join();
        timeEndPeriod(1);
        midiOutReset(out_);
        midiOutClose(out_);
    }

    void reset() override { queue({Pending::kReset, 0, 0, {}}); }

    void send(const MidiMessage& m) override {
        if (m.status >= 0x80 && m.status < 0xF0) {
            queue({Pending::kShort,
                   0,
                   static_cast<DWORD>(m.status | m.data1 << 8 | m.data2 << 16),
                   {}});
        } else if (m.status == 0xF0 && m.sysex && m.sysex_size <= kMaxSysex) {
            std::vector<std::uint8_t> bytes{0xF0};
            bytes.insert(bytes.end(), m.sysex, m.sysex + m.sysex_size);
            bytes.push_back(0xF7);
            queue({Pending::kSysex, 0, 0, std::move(bytes)});
        }
    }

    void all_notes_off() override { queue({Pending::kNotesOff, 0, 0, {}}); }

    // The system's synthesizer plays on its own output: nothing to add, only
    // the frames to count.
    void render(float*, int frames) override {
        if (frames > 0) frames_ += static_cast<std::uint64_t>(frames);
    }

private:
    // Called with the mixer's lock held, as every call of the player is.
    void queue(Pending item) {
        item.due = schedule_.due(frames_, seconds_now());
        {
            std::lock_guard<std::mutex> hold(mutex_);
            pending_.push_back(std::move(item));
        }
        wake_.notify_one();
    }

    // The sender: each message at its time, in order (their times never go
    // back); what is left when the synthesizer goes is dropped, and the
    // output's reset silences it.
    void send_in_time() {
        std::unique_lock<std::mutex> hold(mutex_);
        while (!stopping_) {
            if (pending_.empty()) {
                wake_.wait(hold);
                continue;
            }
            if (Clock::now() < time_at(pending_.front().due)) {
                wake_.wait_until(hold, time_at(pending_.front().due));
                continue;
            }
            Pending item = std::move(pending_.front());
            pending_.pop_front();
            hold.unlock();
            deliver(item);
            hold.lock();
        }
    }

    void deliver(const Pending& item) {
        switch (item.kind) {
            case Pending::kShort:
                midiOutShortMsg(out_, item.word);
                break;
            case Pending::kSysex:
                send_sysex(item.bytes);
                break;
            case Pending::kReset: {
                // every note off, then General MIDI's own reset message, which
                // returns programs, controllers and pitch to their first state
                midiOutReset(out_);
                send_sysex({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
                for (int ch = 0; ch < kChannels; ++ch) short_message(0xB0 | ch, 121, 0);
                break;
            }
            case Pending::kNotesOff:
                for (int ch = 0; ch < kChannels; ++ch) {
                    short_message(0xB0 | ch, 64, 0);   // sustain pedal up
                    short_message(0xB0 | ch, 123, 0);  // all notes off
                }
                break;
        }
    }

    void short_message(int status, int data1, int data2) {
        midiOutShortMsg(out_, static_cast<DWORD>(status | data1 << 8 | data2 << 16));
    }

    // One system exclusive message; the header is held until the driver is
    // done with it, for at most kSysexWaitMs.
    void send_sysex(std::vector<std::uint8_t> bytes) {
        MIDIHDR header{};
        header.lpData = reinterpret_cast<LPSTR>(bytes.data());
        header.dwBufferLength = static_cast<DWORD>(bytes.size());
        header.dwBytesRecorded = header.dwBufferLength;
        if (midiOutPrepareHeader(out_, &header, sizeof header) != MMSYSERR_NOERROR) return;
        if (midiOutLongMsg(out_, &header, sizeof header) == MMSYSERR_NOERROR) {
            for (int waited = 0; !(header.dwFlags & MHDR_DONE) && waited < kSysexWaitMs; ++waited)
                Sleep(1);
        }
        midiOutUnprepareHeader(out_, &header, sizeof header);
    }

    HMIDIOUT out_;
    MidiSchedule schedule_;
    std::uint64_t frames_ = 0;  // frames rendered, under the mixer's lock

    std::mutex mutex_;  // guards pending_ and stopping_
    std::condition_variable wake_;
    std::deque<Pending> pending_;
    bool stopping_ = false;
    std::thread sender_;
};

}  // namespace

MidiSynth* open_general_midi_synth(const std::string&, int rate, double) {
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
    MidiSynth* made = nullptr;
    try {
        made = new (std::nothrow) WinmmSynth(out, rate);
    } catch (const std::system_error&) {  // no thread to send with
        made = nullptr;
    }
    if (!made) midiOutClose(out);
    return made;
}
