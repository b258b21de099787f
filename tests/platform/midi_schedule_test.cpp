// The schedule of a synthesizer on its own output: the messages of one buffer,
// handed over at once, go out spread as their frames are, a fixed delay later;
// a late buffer moves the schedule later at once, an early one only as far as
// a clock's drift could.
#include "platform/audio_engine/midi_schedule.h"

#include <gtest/gtest.h>

namespace {

constexpr int kRate = 1000;  // a frame a millisecond
constexpr double kDelay = 0.025;
constexpr double kClose = 1e-4;  // a tenth of a millisecond

}  // namespace

TEST(MidiSchedule, SpreadsABuffersMessagesByTheirFramesOnTheAudioClock) {
    MidiSchedule s(kRate, kDelay);
    // buffers of 20 frames rendered at 10.000 s and 10.020 s: all of a buffer's
    // messages are handed over at the time it is rendered
    EXPECT_DOUBLE_EQ(10.025, s.due(0, 10.0));
    EXPECT_NEAR(10.025 + 0.007, s.due(7, 10.0), kClose);
    EXPECT_NEAR(10.025 + 0.019, s.due(19, 10.0), kClose);
    EXPECT_NEAR(10.025 + 0.020, s.due(20, 10.020), kClose);
    EXPECT_NEAR(10.025 + 0.033, s.due(33, 10.020), kClose);
    // a buffer rendered 5 ms late: the output fell behind, and so do the messages
    EXPECT_NEAR(10.030 + 0.040, s.due(40, 10.045), kClose);
    EXPECT_NEAR(10.030 + 0.051, s.due(51, 10.045), kClose);
    // one rendered 3 ms early (jitter) hardly moves them back...
    EXPECT_NEAR(10.030 + 0.060, s.due(60, 10.062), kClose);
    // ...but a clock that keeps ahead is followed in time
    EXPECT_NEAR(10.027 + 100.0 + kDelay, s.due(100000, 10.027 + 100.0), 1e-9);
    // never before the time asked at
    MidiSchedule now(kRate, 0.0);
    EXPECT_DOUBLE_EQ(5.0, now.due(100, 5.0));
    EXPECT_DOUBLE_EQ(5.2, now.due(100, 5.2));
}
