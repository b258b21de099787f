// The mixer: a list of inputs summed into float stereo under one lock. It opens
// the backend's output with its first user and closes it with its last; the
// output (a device thread, a null output, or the headless pump) calls
// mixer_render through the pull function handed to the backend.
#include "platform/mixer.h"

#include <algorithm>
#include <vector>

#include "platform/backend.h"

namespace {

constexpr int kDefaultRate = 44100;  // the rate when no output is open to name one

std::mutex lock;
std::vector<MixerInput*> inputs;
int rate = 0;        // output rate; 0 while closed, so a pull renders silence
int open_count = 0;  // mixer_open calls not yet undone
bool output_open = false;

void pull(float* stereo, int frames, void*) {
    mixer_render(stereo, frames);
}

}  // namespace

std::mutex& mixer_mutex() {
    return lock;
}

int mixer_open() {
    if (open_count++ > 0) return mixer_rate();
    // The output may start pulling before its rate is known here; until then
    // it renders silence, because rate is still 0.
    int output_rate = 0;
    Backend* b = backend();
    output_open = b && b->open_audio(pull, nullptr, &output_rate);
    if (!output_open || output_rate <= 0) output_rate = kDefaultRate;
    std::lock_guard<std::mutex> hold(lock);
    rate = output_rate;
    return rate;
}

void mixer_close() {
    if (open_count == 0 || --open_count > 0) return;
    {
        std::lock_guard<std::mutex> hold(lock);
        rate = 0;
    }
    // Closing waits for a pull in progress, so it must not hold the lock.
    Backend* b = backend();
    if (output_open && b) b->close_audio();
    output_open = false;
}

int mixer_rate() {
    std::lock_guard<std::mutex> hold(lock);
    return rate;
}

void mixer_add(MixerInput* input) {
    std::lock_guard<std::mutex> hold(lock);
    if (input && std::find(inputs.begin(), inputs.end(), input) == inputs.end())
        inputs.push_back(input);
}

void mixer_remove(MixerInput* input) {
    std::lock_guard<std::mutex> hold(lock);
    inputs.erase(std::remove(inputs.begin(), inputs.end(), input), inputs.end());
}

void mixer_render(float* out, int frames) {
    if (!out || frames <= 0) return;
    std::fill(out, out + 2 * static_cast<long>(frames), 0.0f);
    std::lock_guard<std::mutex> hold(lock);
    if (rate == 0) return;
    for (MixerInput* input : inputs) input->mix_into(out, frames, rate);
    for (long i = 0; i < 2 * static_cast<long>(frames); ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
}
