// The audio clock's start, followed from the render calls, and each message's
// time from it.
#include "platform/audio_engine/midi_schedule.h"

#include <algorithm>

MidiSchedule::MidiSchedule(int rate, double delay)
    : rate_(std::max(rate, 1)), delay_(std::max(delay, 0.0)) {}

double MidiSchedule::due(std::uint64_t frame, double now) {
    double at = static_cast<double>(frame) / rate_;
    double start = now - at;
    if (!started_ || start > start_) {
        start_ = start;
        started_ = true;
    } else {
        start_ = std::max(start, start_ - std::max(at - last_at_, 0.0) * kMaxDrift);
    }
    last_at_ = at;
    return std::max(now, start_ + at + delay_);
}
