/// @file
/// The mixer: everything that sounds (the sound device's playing buffers, the
/// MIDI player) adds itself as an input, and the output pulls the sum as 32-bit
/// float stereo through a limiter that keeps it below full scale. One lock keeps the output's
/// thread out while the game thread changes what the inputs read. Needs the backend's audio output.
/// @ingroup sounds
#pragma once

#include <mutex>

/// @addtogroup sounds
/// @{

/// Something that sounds: it adds its frames into the mixer's output.
class MixerInput {
public:
    /// an input is removed from the mixer (mixer_remove) before it goes
    virtual ~MixerInput() = default;
    /// adds frames stereo frames (left, right interleaved) at rate Hz into out;
    /// called with the mixer lock held
    virtual void mix_into(float* out, int frames, int rate) = 0;
};

/// the lock that the output holds while it renders; inputs hold it while they change
std::mutex& mixer_mutex();
/// opens the backend's audio output on the first call (later calls only count);
/// the output rate in Hz, the default 44100 when there is no output
int mixer_open();
/// undoes one mixer_open; the last one closes the output
void mixer_close();
/// the output rate in Hz while open, 0 while closed
int mixer_rate();
/// adds an input (null or present already: nothing); takes the lock
void mixer_add(MixerInput* input);
/// removes an input; once this returns, the output no longer calls it; takes the lock
void mixer_remove(MixerInput* input);
/// renders frames stereo frames into out: zeros, every input added, then the
/// limiter, which holds every sample within -0.5 dBFS; takes the lock; silence
/// while closed
void mixer_render(float* out, int frames);
/// the smallest gain the limiter has applied since the output opened; 1 when it
/// has not had to act
float mixer_lowest_gain();

/// @}
