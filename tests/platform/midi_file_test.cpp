// Standard MIDI files: the time of the last event through tempo changes and
// division, and the files that are refused.
#include "platform/formats/midi_file.h"

#include "audio_files.h"
#include "test_util.h"

namespace {

int parse(const std::string& file, MidiFileInfo* info, std::string* reason = nullptr) {
    return parse_midi_file(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), info,
                           reason);
}

}  // namespace

TEST(MidiFile, EndTimeFollowsTempoChangesFromAnyTrack) {
    // Track 0 holds the tempo map: 120 bpm, then twice as fast from tick 960.
    // Track 1 plays until tick 1920: 1 s + 0.5 s.
    std::string conductor = midi_track({tempo(0, 500000), tempo(960, 250000)});
    std::string notes = midi_track({note_on(0, 0, 60), note_off(1920, 0, 60)});
    MidiFileInfo info{};
    ASSERT_EQ(1, parse(midi_file({conductor, notes}), &info));
    EXPECT_EQ(1, info.format);
    EXPECT_EQ(2, info.tracks);
    EXPECT_EQ(1920u, info.end_tick);
    EXPECT_DOUBLE_EQ(1.5, info.end_seconds);

    // The same map in the last track, and an End of Track that lies later than
    // the last note: the piece lasts until it.
    std::string late_end = midi_track({note_on(0, 0, 60), note_off(480, 0, 60)}, 2880);
    ASSERT_EQ(1, parse(midi_file({late_end, conductor}), &info));
    EXPECT_EQ(2880u, info.end_tick);
    EXPECT_DOUBLE_EQ(1.0 + 1920 * 0.25 / 480, info.end_seconds);
}

TEST(MidiFile, RunningStatusSysexAndSmpteDivision) {
    // Note on, then two more notes by running status, a sysex, an unknown chunk.
    std::string body = vlq(0) + "\x90\x3C\x64" + vlq(10) + "\x3E\x64" + vlq(10) + "\x40\x64" +
                       vlq(0) + std::string("\xF0\x03\x7E\x01\xF7", 5) + vlq(980) +
                       std::string("\xFF\x2F\x00", 3);
    std::string track = "MTrk" + be32(static_cast<std::uint32_t>(body.size())) + body;
    std::string alien = "XFIH" + be32(3) + "abc";
    // 25 frames a second, 40 ticks a frame: 1000 ticks a second, whatever the tempo.
    std::string file = midi_file({track}, 0xE728, 0) + alien;
    MidiFileInfo info{};
    ASSERT_EQ(1, parse(file, &info));
    EXPECT_EQ(1000u, info.end_tick);
    EXPECT_DOUBLE_EQ(1.0, info.end_seconds);
}

TEST(MidiFile, RefusesWhatIsNotAWholeStandardMidiFile) {
    std::string good = one_note_midi(960);
    std::string track = midi_track({note_on(0, 0, 60), note_off(960, 0, 60)});
    auto header = [](int length, int format, int tracks, int division) {
        return "MThd" + be32(length) + be16(format) + be16(tracks) + be16(division) +
               std::string(static_cast<std::size_t>(std::max(0, length - 6)), '\0');
    };
    const std::string eot("\x00\xFF\x2F\x00", 4);
    struct Case {
        const char* why;
        std::string file;
        const char* reason;  // what the refusal says
    } cases[] = {
        {"empty", "", "no MThd header"},
        {"a WAV file", wav_file(pcm8({1, 2, 3, 4})), "no MThd header"},
        {"RIFF-wrapped", "RIFF" + le32(static_cast<std::uint32_t>(good.size())) + good,
         "no MThd header"},
        {"header cut short", good.substr(0, 12), "MThd length 6 past the end"},
        {"header length 5", header(5, 0, 1, 480) + track, "MThd length 5, less than 6"},
        {"header length past the end", "MThd" + be32(600) + good.substr(8), "MThd length 600 past"},
        {"format 3", header(6, 3, 1, 480) + track, "MThd format 3"},
        {"no tracks declared", header(6, 0, 0, 480), "declares no tracks"},
        {"division 0", header(6, 0, 1, 0) + track, "division of 0 ticks"},
        {"SMPTE 26 fps", header(6, 0, 1, 0xE628) + track, "SMPTE division of 26 frames"},
        {"SMPTE 0 ticks a frame", header(6, 0, 1, 0xE700) + track, "0 ticks a frame"},
        {"fewer tracks than declared", header(6, 1, 2, 480) + track, "track 2 of 2 missing"},
        {"track past the end", good.substr(0, good.size() - 1), "track 1 length 16 past"},
        {"chunk past the end", header(6, 0, 1, 480) + "XFIH" + be32(99) + track,
         "chunk XFIH length 99 past"},
        {"event cut short", header(6, 0, 1, 480) + raw_track(std::string("\x00\x90\x3C", 3)),
         "track 1: channel message cut short at byte 22"},
        {"running status first",
         header(6, 0, 1, 480) + raw_track(std::string("\x00\x3C\x40", 3) + eot),
         "data byte, no running status (0x3C at byte 23)"},
        {"a status byte among the data",
         header(6, 0, 1, 480) + raw_track(std::string("\x00\x90\x3C\x90", 4) + eot),
         "status byte in place of data (0x90"},
        {"delta of five bytes",
         header(6, 0, 1, 480) + raw_track("\x81\x81\x81\x81\x01\x90\x3C\x40" + eot),
         "number longer than 4 bytes"},
        {"meta past the track",
         header(6, 0, 1, 480) + raw_track(std::string("\x00\xFF\x01\x09hi", 6)),
         "meta event past the track's end"},
        {"system message",
         header(6, 0, 1, 480) + raw_track(std::string("\x00\xF2\x00\x00", 4) + eot),
         "system message in a file (0xF2"},
        {"no note anywhere", midi_file({midi_track({tempo(0, 400000), note_on(0, 0, 60, 0)})}),
         "no note to play in 1 tracks"},
    };
    for (const Case& c : cases) {
        MidiFileInfo info{};
        std::string reason;
        EXPECT_EQ(0, parse(c.file, &info, &reason)) << c.why;
        EXPECT_NE(std::string::npos, reason.find(c.reason)) << c.why << ": " << reason;
    }
    MidiFileInfo info{};
    EXPECT_EQ(1, parse(good + std::string(3, '\0'), &info)) << "stray padding after the last chunk";
}

TEST(MidiFile, OddShapesReadWithTheirEndTimes) {
    for (const OddMidi& f : odd_midi_files()) {
        MidiFileInfo info{};
        std::string reason;
        ASSERT_EQ(1, parse(f.bytes, &info, &reason)) << f.shape << ": " << reason;
        EXPECT_EQ(1, info.notes) << f.shape;
        EXPECT_NEAR(f.last_event, info.end_seconds, 1e-12) << f.shape;
        EXPECT_EQ(static_cast<std::size_t>(info.tracks), info.spans.size()) << f.shape;
    }
}
