/// @file
/// Sound effects: a table of 256 slots, each holding one sound loaded from a WAV
/// file into a static sound buffer of the sound device; a sound's number is its
/// slot. Owns sound_slots, sound_device and sound_first_time; needs the
/// platform's sound device and the WAV loader.
/// @ingroup sounds
#pragma once

#include <cstdint>

#include "platform/system/dsound.h"

/// @addtogroup sounds
/// @{

constexpr int MAX_SOUNDS = 256;                 ///< slots of the sound table
constexpr std::int32_t SOUND_STATE_FREE = 0;    ///< the slot holds no sound
constexpr std::int32_t SOUND_STATE_LOADED = 1;  ///< the slot holds a sound

/// One sound of the table.
struct SoundSlot {
    DirectSoundBuffer* dsbuffer;  ///< the sound's buffer, or null
    std::int32_t state;           ///< SOUND_STATE_FREE or SOUND_STATE_LOADED
    std::int32_t rate;            ///< sample rate the file named, in Hz (not used for playback)
    std::int32_t size;            ///< bytes of converted samples, and of the buffer
    std::int32_t id;              ///< the slot's own index, 0..255
};

extern SoundSlot sound_slots[MAX_SOUNDS];  ///< every sound; a sound's number is its index
extern DirectSound* sound_device;          ///< the sound device, null until the first sound_init
extern int sound_first_time;  ///< 1 until sound_init makes the device; set again by sound_shutdown

/// makes the device the first time, then stops, frees and clears every slot; 1,
/// or 0 when the device or its cooperative level cannot be had
int sound_init();
/// stops every sound, frees every buffer and the device; 1
int sound_shutdown();
/// loads a WAV file into the first free slot, its buffer made with the control
/// flags (DSBCAPS_ bits) plus DSBCAPS_STATIC and DSBCAPS_LOCSOFTWARE; samples in
/// another format than 8-bit mono at 11025 Hz are converted; the slot 0..255, or
/// -1 for a full table, a file that cannot be read or converted (the reason goes
/// to the error log), or a refused buffer
int load_wav(const char* filename, std::uint32_t control_flags);
/// a new slot whose buffer shares the source's samples and plays on its own; the
/// slot, or -1 for a source without a sound, a full table or a refused copy
int replicate_sound(int source_id);
/// rewinds the sound and plays it, once (flags 0) or looping (DSBPLAY_LOOPING);
/// volume, rate and pan are not used; 1, also for an empty slot; 0 for a slot
/// outside the table or a refused play
int play_sound(int id, std::uint32_t flags, int volume = 0, int rate = 0, int pan = 0);
/// stops the sound and rewinds it; 1, or 0 for a slot outside the table
int stop_sound(int id);
/// stop_sound on every slot; 1
int stop_all_sounds();
/// stops the sound, frees its buffer and frees the slot; 1, or 0 for a slot
/// outside the table
int delete_sound(int id);
/// delete_sound on every slot; 1
int delete_all_sounds();
/// sets the volume to -30 x (100 - volume) hundredths of a decibel (100 full, 0
/// at -30 dB); 1, or 0 when the buffer refuses it or the slot holds no sound
int set_sound_volume(int id, int volume);
/// plays the sound at frequency Hz (100..200000, 0 for its own rate); 1, or 0
/// when the buffer refuses it or the slot holds no sound
int set_sound_frequency(int id, int frequency);
/// pans the sound, -10000 left .. 10000 right; 1, or 0 when the buffer refuses
/// it or the slot holds no sound
int set_sound_pan(int id, int pan);
/// the buffer's DSBSTATUS_ bits (5 for a looping sound that plays), or -1 for a
/// slot without a sound
int sound_status(int id);

/// @}
