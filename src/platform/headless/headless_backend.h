// The headless backend: no window and no devices. Input comes from a script (or
// nothing at all), one script pass per removing peek; time is the virtual clock,
// and audio is rendered at each removing peek for the virtual time that passed.
#pragma once

#include <memory>
#include <string>

#include "platform/backend.h"
#include "platform/input_script.h"

constexpr int HEADLESS_AUDIO_RATE = 44100;  // the rate the headless output renders at, in Hz

// a backend that plays the script (with has_script false no key is ever held);
// with audio_out not empty, the mixed audio goes to that file as 16-bit stereo WAV
std::unique_ptr<Backend> make_headless_backend(InputScript script, bool has_script,
                                               const std::string& audio_out = {});
