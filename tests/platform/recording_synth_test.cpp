// The recording synthesizer writes each call as a line at the frame it came
// at: the format two builds' records are compared in.
#include "platform/audio_engine/recording_synth.h"

#include <memory>

#include "test_util.h"

TEST(RecordingSynth, WritesEachCallAtItsFrameInTheRecordFormat) {
    std::string path = temp_path("midi.txt");
    {
        std::unique_ptr<MidiSynth> synth(open_recording_synth(path));
        ASSERT_NE(nullptr, synth);
        float out[2 * 100] = {};
        synth->reset();
        synth->send({0xC3, 0x30, 0x00, nullptr, 0});  // program change: one data byte
        synth->render(out, 100);
        synth->render(out, 0);
        synth->send({0x93, 0x3C, 0x7F, nullptr, 0});
        const std::uint8_t gm_on[] = {0x7E, 0x7F, 0x09, 0x01};
        synth->render(out, 28);
        synth->send({0xF0, 0, 0, gm_on, sizeof gm_on});
        synth->all_notes_off();
        for (float sample : out) EXPECT_EQ(0.0f, sample);  // it sounds nothing
    }
    EXPECT_EQ("0 reset\n0 C3 30\n100 93 3C 7F\n128 F0 7E 7F 09 01 F7\n128 notes-off\n",
              read_file(path));
    EXPECT_EQ(nullptr, open_recording_synth(temp_path("no-folder") + "/midi.txt"));
}
