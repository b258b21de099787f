/// @file
/// Replays: playing an input script in place of the devices, and recording the
/// devices' input as one, pass by pass. Both happen in the platform's own pass
/// (the removing peek of the message queue), after the backend has pumped its
/// events, so that what a frame polls is what the script or the recording holds.
/// @ingroup window_input
#pragma once

#include <cstdint>

#include "platform/formats/input_script.h"

/// @addtogroup window_input
/// @{

/// plays script from the next pass on: each pass takes its keys, motion and
/// left button from the line that covers it, and the devices' input is dropped;
/// past the script's end Escape alone is held
void play_input_script(InputScript script);
/// 1 while a script plays
int input_script_playing();
/// writes every pass's named keys, motion and left button to an input script;
/// 1, or 0 when the file cannot be created
int record_input(const char* path);
/// ends the recording, writing what is pending
void stop_recording();

/// after this many passes, Escape is held down until the program ends; 0 = never
void set_frame_limit(std::uint64_t frames);

/// feeds the pass of script into the platform as a playing script does
void feed_script_pass(const InputScript& script, std::uint64_t pass);
/// the platform's part of a new pass (numbered from 0), after the backend's: the
/// script's input, the frame limit's Escape, then the recording of the pass
void replay_pass(std::uint64_t pass);
/// stops playing and recording, and lifts the frame limit
void reset_replay();

/// @}
