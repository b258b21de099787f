// The sequencer on a synthesizer that writes down what it is sent and at which
// of its own output frames: messages land on their exact frame whatever the
// output's pull size, in track order at equal ticks, through tempo maps, SMPTE
// rates, format 2 patterns and sysex packets.
#include "platform/audio_engine/midi_sequencer.h"

#include "audio_files.h"
#include "test_util.h"

namespace {

constexpr int kRate = 44100;
constexpr int kReset = -1, kAllOff = -2;  // what, for the calls that are not messages

struct Sent {
    std::uint64_t frame;  // the synthesizer's output frames rendered before the call
    int what;             // the status byte, or kReset, kAllOff
    int data1, data2;
    std::string sysex;
    bool operator==(const Sent&) const = default;
};

class Recorder final : public MidiSynth {
public:
    void reset() override { log.push_back({frames, kReset, 0, 0, {}}); }
    void send(const MidiMessage& m) override {
        std::string sysex(reinterpret_cast<const char*>(m.sysex), m.sysex ? m.sysex_size : 0);
        log.push_back({frames, m.status, m.data1, m.data2, sysex});
    }
    void all_notes_off() override { log.push_back({frames, kAllOff, 0, 0, {}}); }
    void render(float* out, int n) override {
        for (int i = 0; i < 2 * n; ++i) out[i] += 1.0f;
        frames += static_cast<std::uint64_t>(n);
    }
    std::uint64_t frames = 0;
    std::vector<Sent> log;
};

// Plays the file for total frames in pulls of pull frames; what the synthesizer got.
std::vector<Sent> play(const std::string& file, int pull, std::uint64_t total) {
    MidiFileInfo info{};
    std::string reason;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.data());
    EXPECT_EQ(1, parse_midi_file(bytes, file.size(), &info, &reason)) << reason;
    MidiSequencer s;
    EXPECT_EQ(1, midi_sequencer_start(&s, bytes, &info, kRate));
    Recorder synth;
    std::vector<float> out(2 * static_cast<std::size_t>(pull));
    for (std::uint64_t done = 0; done < total;) {
        int n = static_cast<int>(std::min<std::uint64_t>(pull, total - done));
        std::fill(out.begin(), out.end(), 0.0f);
        EXPECT_EQ(1, midi_sequencer_render(&s, &synth, out.data(), n));
        for (int i = 0; i < 2 * n; ++i) EXPECT_EQ(1.0f, out[i]) << "every frame rendered once";
        done += static_cast<std::uint64_t>(n);
    }
    EXPECT_EQ(total, synth.frames);
    return synth.log;
}

// The first message with this status and first data byte.
const Sent* find(const std::vector<Sent>& log, int what, int data1 = -1) {
    for (const Sent& s : log)
        if (s.what == what && (data1 < 0 || s.data1 == data1)) return &s;
    return nullptr;
}

}  // namespace

TEST(MidiSequencer, MessagesLandOnTheirFrameWhateverThePullSize) {
    // 120 bpm, then 240 bpm from tick 960 (1 s); tracks meet at tick 960.
    std::string conductor = midi_track({tempo(0, 500000), tempo(960, 250000)});
    std::string a = midi_track({program(0, 0, 19),
                                note_on(100, 0, 60),
                                note_off(960, 0, 60),
                                {1000, std::string("\xE0\x00\x50", 3)}});
    std::string b = midi_track({note_on(960, 1, 64),
                                {961, std::string("\xB1\x07\x40", 3)},
                                {1100, std::string("\xD1\x30", 2)},
                                note_off(1440, 1, 64)});
    std::string file = midi_file({conductor, a, b});
    std::vector<Sent> log = play(file, 1024, 2 * kRate);
    EXPECT_EQ(log, play(file, 37, 2 * kRate));
    EXPECT_EQ(log, play(file, 1, 2 * kRate));

    auto frame_of = [](std::uint32_t tick) {
        double s = tick <= 960 ? tick / 960.0 : 1.0 + (tick - 960) * 0.25 / 480;
        return midi_frame_at(s, kRate);
    };
    std::vector<Sent> expected = {
        {0, kReset, 0, 0, {}},
        {0, 0xC0, 19, 0, {}},
        {frame_of(100), 0x90, 60, 100, {}},
        {kRate, 0x80, 60, 0, {}},  // track a before track b at the same tick
        {kRate, 0x91, 64, 100, {}},
        {frame_of(961), 0xB1, 7, 0x40, {}},
        {frame_of(1000), 0xE0, 0, 0x50, {}},
        {frame_of(1100), 0xD1, 0x30, 0, {}},
        {frame_of(1440), 0x81, 64, 0, {}},
        {frame_of(1440), kAllOff, 0, 0, {}},  // the end: tick 1440, 1.25 s
    };
    EXPECT_EQ(expected, log);
    EXPECT_EQ(55125u, frame_of(1440));
}

TEST(MidiSequencer, OddShapesSendTheirNoteOnTime) {
    for (const OddMidi& f : odd_midi_files()) {
        std::vector<Sent> log = play(f.bytes, 1024, 2 * kRate);
        ASSERT_FALSE(log.empty()) << f.shape;
        EXPECT_EQ(kReset, log.front().what) << f.shape;
        const Sent* on = nullptr;
        for (const Sent& s : log)
            if ((s.what & 0xF0) == 0x90 && s.data2 > 0 && !on) on = &s;
        ASSERT_NE(nullptr, on) << f.shape;
        EXPECT_EQ(midi_frame_at(f.first_note, kRate), on->frame) << f.shape;
        EXPECT_EQ(60, on->data1) << f.shape;
        EXPECT_EQ(kAllOff, log.back().what) << f.shape << ": nothing after the end";
        EXPECT_EQ(midi_frame_at(f.last_event, kRate), log.back().frame) << f.shape;
        if (std::string(f.shape).find("sysex") != std::string::npos) {
            const Sent* sysex = find(log, 0xF0);
            ASSERT_NE(nullptr, sysex) << f.shape;
            EXPECT_EQ(std::string("\x7E\x7F\x09\x01", 4), sysex->sysex) << f.shape;
        }
    }
}

TEST(MidiSequencer, SmpteRatesAndPatternsKeepTheirTime) {
    // 100 ticks a frame; a note at tick 1000: 1000 / (rate * 100) seconds.
    const std::pair<int, std::uint64_t> rates[] = {
        {24, 18375}, {25, 17640}, {29, 14715}, {30, 14700}};  // 29: drop frame, 29.97 a second
    for (auto [fps, frame] : rates) {
        int division = (256 - fps) << 8 | 100;
        std::string file =
            midi_file({midi_track({tempo(0, 100000), note_on(1000, 0, 60), note_off(2000, 0, 60)})},
                      division, 0);
        std::vector<Sent> log = play(file, 1024, kRate);
        const Sent* on = find(log, 0x90);
        ASSERT_NE(nullptr, on) << fps;
        EXPECT_EQ(frame, on->frame) << fps;
    }
    // A pattern sets 240 bpm and lasts 480 ticks, 0.25 s; the next keeps the tempo.
    std::string patterns = midi_file({midi_track({tempo(0, 250000)}, 480),
                                      midi_track({note_on(480, 0, 60), note_off(960, 0, 60)})},
                                     480, 2);
    std::vector<Sent> log = play(patterns, 1024, kRate);
    ASSERT_NE(nullptr, find(log, 0x90));
    EXPECT_EQ(kRate / 2, find(log, 0x90)->frame);
    EXPECT_EQ(kRate * 3 / 4, find(log, kAllOff)->frame);
}

TEST(MidiSequencer, SysexPacketsAreJoinedAndEscapesSentWhenWhole) {
    using S = std::string;
    S body = S("\x00\xF0\x02\x41\x10", 5) +  // dropped: a new message begins
             S("\x00\xF0\x02\x7E\x7F", 5) +  // joined with the two packets after it
             S("\x00\x90\x3C\x64", 4) +      // a note between packets goes as it comes
             S("\x0A\xF7\x01\x09", 4) + S("\x0A\xF7\x02\x01\xF7", 5) +
             S("\x00\xF7\x01\xFA", 4) +              // a real-time byte sent as it is: nothing
             S("\x00\xF7\x04\xF0\x43\x10\xF7", 7) +  // a whole message sent as it is
             S("\x00\x80\x3C\x00\x00\xFF\x2F\x00", 8);
    std::vector<Sent> log = play(midi_file({raw_track(body)}), 64, 4410);
    std::vector<Sent> expected = {
        {0, kReset, 0, 0, {}},
        {0, 0x90, 60, 100, {}},
        {midi_frame_at(20 / 960.0, kRate), 0xF0, 0, 0, S("\x7E\x7F\x09\x01", 4)},
        {midi_frame_at(20 / 960.0, kRate), 0xF0, 0, 0, S("\x43\x10", 2)},
        {midi_frame_at(20 / 960.0, kRate), 0x80, 60, 0, {}},
        {midi_frame_at(20 / 960.0, kRate), kAllOff, 0, 0, {}},
    };
    EXPECT_EQ(expected, log);
}
