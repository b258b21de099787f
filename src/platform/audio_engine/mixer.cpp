// The mixer: a list of inputs summed into float stereo under one lock, then a
// peak limiter. It opens the backend's output with its first user and closes it
// with its last; the output (a device thread, a null output, or the headless
// pump) calls mixer_render through the pull function handed to the backend.
#include "platform/audio_engine/mixer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/system/backend.h"

namespace {

constexpr int kDefaultRate = 44100;  // the rate when no output is open to name one

std::mutex lock;
std::vector<MixerInput*> inputs;
int rate = 0;        // output rate; 0 while closed, so a pull renders silence
int open_count = 0;  // mixer_open calls not yet undone
bool output_open = false;

// The limiter: a sum louder than the ceiling is scaled down at once, from the
// frame that would pass it, and the gain comes back to 1 over about a tenth of
// a second. Below the ceiling, with the gain back at 1, samples pass unchanged.
// The state is the gain's distance below 1, which decays by a factor per frame
// and so keeps its precision all the way back.
constexpr float kCeiling = 0.944f;       // -0.5 dBFS
constexpr double kReleaseSeconds = 0.1;  // time constant of the gain's return to 1
constexpr float kLeastCut = 1e-4f;       // a smaller cut (under 0.001 dB) is dropped
float limiter_cut = 0.0f;                // 1 minus the gain applied to the last frame
float lowest_gain = 1.0f;                // the smallest gain since the output opened

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
    limiter_cut = 0.0f;
    lowest_gain = 1.0f;
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
    const float decay = static_cast<float>(std::exp(-1.0 / (kReleaseSeconds * rate)));
    float cut = limiter_cut;
    for (float* f = out; f < out + 2 * static_cast<long>(frames); f += 2) {
        cut = cut > kLeastCut ? cut * decay : 0.0f;
        // A sample that is not a number (a broken input) is silence, not a
        // gain of zero for the tenth of a second after it.
        if (!std::isfinite(f[0])) f[0] = 0.0f;
        if (!std::isfinite(f[1])) f[1] = 0.0f;
        float peak = std::max(std::fabs(f[0]), std::fabs(f[1]));
        if (peak * (1.0f - cut) > kCeiling) {
            cut = 1.0f - kCeiling / peak;
            lowest_gain = std::min(lowest_gain, 1.0f - cut);
        }
        if (cut > 0.0f) {
            f[0] *= 1.0f - cut;
            f[1] *= 1.0f - cut;
        }
    }
    limiter_cut = cut;
}

float mixer_lowest_gain() {
    std::lock_guard<std::mutex> hold(lock);
    return lowest_gain;
}
