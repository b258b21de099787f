// The headless backend: no window and no devices. Input comes from a script (or
// nothing at all), one script pass per removing peek; time is the virtual clock.
// Presented frames can be kept as PNG files and the mixed audio as a WAV file.
#pragma once

#include <memory>
#include <string>

#include "platform/formats/input_script.h"
#include "platform/system/backend.h"

constexpr int HEADLESS_AUDIO_RATE = 44100;  // the rate the headless output renders at, in Hz

// Where the headless run keeps what it shows and plays; empty: nowhere.
struct HeadlessOutputs {
    std::string shots_dir;  // every shot_every-th presented frame as frame_NNNNNN.png
    int shot_every = 1;     // numbered by the pass that shows it
    std::string audio_out;  // the mixed audio as 16-bit stereo WAV
};

// a backend that plays the script (with has_script false no key is ever held)
std::unique_ptr<Backend> make_headless_backend(InputScript script, bool has_script,
                                               const HeadlessOutputs& outputs = {});
