/// @file
/// When a message for a synthesizer that plays on its own output (Windows' MIDI
/// synthesizer) should go out. The sequencer hands a message over as the mixer
/// renders the audio buffer that holds its frame, a buffer ahead of what is
/// heard and all of a buffer's messages at once; the schedule spreads them out
/// again on the audio clock: the mixer's render calls come on that clock, so
/// the earliest (time - frame / rate) seen is when frame 0 was rendered, and a
/// message at frame goes out that long after it plus a fixed delay of about a
/// buffer. A later render call (a late output) moves that start later at once;
/// an earlier one moves it back by at most kMaxDrift of the audio time passed
/// since the message before, so that a clock that drifts is followed without
/// the buffer's jitter. No globals.
/// @ingroup music
#pragma once

#include <cstdint>

/// @addtogroup music
/// @{

/// The times at which the messages of one output go out.
class MidiSchedule {
public:
    /// the most the start moves earlier, in seconds a second of audio (far more
    /// than two clocks drift apart)
    static constexpr double kMaxDrift = 0.001;

    /// a schedule for an output at rate frames a second (at least 1) that sends
    /// each message delay seconds after its frame is rendered
    MidiSchedule(int rate, double delay);
    /// the time, on the clock that now reads, at which the message at frame goes
    /// out: never before now
    double due(std::uint64_t frame, double now);

private:
    double rate_;
    double delay_;
    bool started_ = false;
    double start_ = 0;    // when frame 0 was rendered, on the caller's clock
    double last_at_ = 0;  // the audio time of the message before, in seconds
};

/// @}
