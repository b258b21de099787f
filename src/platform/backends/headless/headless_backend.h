/// @file
/// The headless backend: no window, no devices and no real clock, so time is
/// virtual and no device feeds input.
/// Presented frames can be kept as PNG files and the mixed audio as a WAV file.
/// @ingroup backends
#pragma once

#include <memory>
#include <string>

#include "platform/system/backend.h"

/// @addtogroup backends
/// @{

constexpr int HEADLESS_AUDIO_RATE = 44100;  ///< the rate the headless output renders at, in Hz

/// a backend that keeps frames and audio where options.shots_dir and
/// options.audio_out say (empty: nowhere); the other options are not its own
std::unique_ptr<Backend> make_headless_backend(const BackendOptions& options = {});

/// @}
