// The headless backend: no window and no devices. Input comes from a script (or
// nothing at all), one script pass per removing peek; time is the virtual clock.
#pragma once

#include <memory>
#include <string>

#include "platform/backend.h"
#include "platform/input_script.h"

// a backend that plays the script; with has_script false no key is ever held.
// With shots_dir set, every shot_every-th frame it is shown goes there as
// frame_NNNNNN.png, numbered by the pass that shows it
std::unique_ptr<Backend> make_headless_backend(InputScript script, bool has_script,
                                               std::string shots_dir = {}, int shot_every = 1);
