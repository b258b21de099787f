/// @file
/// The sound device and its static sound buffers: one buffer per sound, in the
/// one format the device takes (PCM, unsigned 8-bit, mono, 11025 Hz), played once
/// or looping at its own volume, frequency and pan through the mixer. The device
/// owns its buffers and frees those left when it is released. Needs the mixer.
/// @ingroup sounds
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio_engine/mixer.h"
#include "platform/system/win32.h"

/// @addtogroup sounds
/// @{

/// a call's result: 0 or positive for success, negative for an error
using HRESULT = std::int32_t;

// ---- published constants ---------------------------------------------------

/// success
constexpr HRESULT DS_OK = 0;
/// a null pointer, a value out of range or a bad description
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
/// not now: the buffer is locked already
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);
/// the buffer was made without the control asked for (DSBCAPS_CTRL...)
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001Eu);
/// a format other than the device's one
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
/// no memory for the buffer or the device
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

// Cooperative levels: recorded, and all alike here.
constexpr std::uint32_t DSSCL_NORMAL = 1;        ///< cooperative level: normal
constexpr std::uint32_t DSSCL_PRIORITY = 2;      ///< cooperative level: priority
constexpr std::uint32_t DSSCL_EXCLUSIVE = 3;     ///< cooperative level: exclusive
constexpr std::uint32_t DSSCL_WRITEPRIMARY = 4;  ///< cooperative level: writes the primary buffer

constexpr std::uint32_t DSBCAPS_STATIC = 0x2;          ///< a static buffer (every buffer is one)
constexpr std::uint32_t DSBCAPS_LOCSOFTWARE = 0x8;     ///< mixed in software (every buffer is)
constexpr std::uint32_t DSBCAPS_CTRLFREQUENCY = 0x20;  ///< the frequency can be set
constexpr std::uint32_t DSBCAPS_CTRLPAN = 0x40;        ///< the pan can be set
constexpr std::uint32_t DSBCAPS_CTRLVOLUME = 0x80;     ///< the volume can be set

constexpr std::uint32_t DSBPLAY_LOOPING = 0x1;          ///< play: start again at the end
constexpr std::uint32_t DSBLOCK_FROMWRITECURSOR = 0x1;  ///< lock: from the write cursor
constexpr std::uint32_t DSBLOCK_ENTIREBUFFER = 0x2;     ///< lock: the whole buffer

constexpr std::uint32_t DSBSTATUS_PLAYING = 0x1;     ///< status: the buffer plays
constexpr std::uint32_t DSBSTATUS_BUFFERLOST = 0x2;  ///< status: memory lost (never, here)
constexpr std::uint32_t DSBSTATUS_LOOPING = 0x4;     ///< status: it plays looped

constexpr std::int32_t DSBVOLUME_MIN = -10000;      ///< hundredths of a decibel: silence
constexpr std::int32_t DSBVOLUME_MAX = 0;           ///< full volume
constexpr std::int32_t DSBPAN_LEFT = -10000;        ///< right side silent
constexpr std::int32_t DSBPAN_CENTER = 0;           ///< both sides at full volume
constexpr std::int32_t DSBPAN_RIGHT = 10000;        ///< left side silent
constexpr std::uint32_t DSBFREQUENCY_ORIGINAL = 0;  ///< the buffer's own rate
constexpr std::uint32_t DSBFREQUENCY_MIN = 100;     ///< lowest playback rate, Hz
constexpr std::uint32_t DSBFREQUENCY_MAX = 200000;  ///< highest playback rate, Hz
constexpr std::uint32_t DSBSIZE_MIN = 4;            ///< smallest buffer, bytes
constexpr std::uint32_t DSBSIZE_MAX = 0x0FFFFFFF;   ///< largest buffer, bytes

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;  ///< format tag of integer PCM samples

// ---- records ---------------------------------------------------------------

/// The format of a buffer's samples: only unsigned 8-bit mono PCM at 11025 Hz.
struct WAVEFORMATEX {
    std::uint16_t wFormatTag;       ///< WAVE_FORMAT_PCM
    std::uint16_t nChannels;        ///< 1
    std::uint32_t nSamplesPerSec;   ///< 11025
    std::uint32_t nAvgBytesPerSec;  ///< nBlockAlign x nSamplesPerSec
    std::uint16_t nBlockAlign;      ///< bytes per sample frame: 1
    std::uint16_t wBitsPerSample;   ///< 8
    std::uint16_t cbSize;           ///< extra format bytes: 0
};

/// What create_sound_buffer makes.
struct DSBUFFERDESC {
    std::uint32_t dwSize;             ///< sizeof(DSBUFFERDESC)
    std::uint32_t dwFlags;            ///< DSBCAPS_ bits
    std::uint32_t dwBufferBytes;      ///< DSBSIZE_MIN .. DSBSIZE_MAX
    std::uint32_t dwReserved;         ///< 0
    const WAVEFORMATEX* lpwfxFormat;  ///< the samples' format: the device's one
};

class DirectSound;

/// One static buffer of 8-bit mono samples. Copies made by duplication share the
/// samples and have their own position, state and controls.
class DirectSoundBuffer {
public:
    /// hands out the bytes from offset (or from the write cursor, or the whole
    /// buffer, by flags) as up to two pieces, the second from the buffer's start
    /// when the range wraps; DS_OK, or invalid for a range longer than the buffer
    /// or a buffer locked already
    HRESULT lock(std::uint32_t offset, std::uint32_t bytes, void** ptr1, std::uint32_t* len1,
                 void** ptr2, std::uint32_t* len2, std::uint32_t flags);
    /// stores what was written into the pieces that lock handed out; DS_OK, or
    /// invalid for pieces that lock did not hand out
    HRESULT unlock(void* ptr1, std::uint32_t len1, void* ptr2, std::uint32_t len2);
    /// the play and write cursors in bytes (the same here: no hardware lead)
    HRESULT get_current_position(std::uint32_t* play, std::uint32_t* write);
    /// moves the play cursor to offset bytes, below the size; DS_OK or invalid
    HRESULT set_current_position(std::uint32_t offset);
    /// plays from the play cursor, once or looping (DSBPLAY_LOOPING); reserved 0
    HRESULT play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags);
    /// stops where it is; the cursor stays
    HRESULT stop();
    /// volume in hundredths of a decibel, DSBVOLUME_MIN .. DSBVOLUME_MAX;
    /// needs DSBCAPS_CTRLVOLUME
    HRESULT set_volume(std::int32_t volume);
    /// the volume into *volume; needs DSBCAPS_CTRLVOLUME
    HRESULT get_volume(std::int32_t* volume);
    /// playback rate in Hz, DSBFREQUENCY_MIN .. DSBFREQUENCY_MAX, or 0 for the
    /// buffer's own 11025; needs DSBCAPS_CTRLFREQUENCY
    HRESULT set_frequency(std::uint32_t frequency);
    /// the playback rate in Hz into *frequency (11025 while it plays at its own);
    /// needs DSBCAPS_CTRLFREQUENCY
    HRESULT get_frequency(std::uint32_t* frequency);
    /// pan -10000 .. 10000: the other side is lowered by that many hundredths of
    /// a decibel; needs DSBCAPS_CTRLPAN
    HRESULT set_pan(std::int32_t pan);
    /// the pan into *pan; needs DSBCAPS_CTRLPAN
    HRESULT get_pan(std::int32_t* pan);
    /// DSBSTATUS_ bits: playing, and looping while it plays looped
    HRESULT get_status(std::uint32_t* status);
    /// frees the buffer; its samples go with the last buffer that shares them; 0
    std::uint32_t release();

private:
    friend class DirectSound;
    DirectSoundBuffer(DirectSound* device, std::uint32_t flags,
                      std::shared_ptr<std::vector<std::uint8_t>> samples);
    // adds this buffer's next frames into out; the mixer lock is held
    void mix_into(float* out, int frames, int rate);

    DirectSound* device_;
    std::uint32_t flags_;
    std::shared_ptr<std::vector<std::uint8_t>> samples_;
    std::vector<std::uint8_t> staging_;  // what lock hands out, stored back by unlock
    bool locked_ = false;
    std::uint32_t lock_offset_ = 0;                // where the first piece starts
    std::uint32_t lock_len1_ = 0, lock_len2_ = 0;  // the lengths handed out
    std::uint64_t position_ = 0;                   // play cursor in samples, 32 fraction bits
    bool playing_ = false;
    bool looping_ = false;
    std::int32_t volume_ = 0;
    std::uint32_t frequency_ = 0;
    std::int32_t pan_ = 0;
};

/// The sound device: it makes the buffers and mixes those that play.
class DirectSound final : public MixerInput {
public:
    /// records the cooperation with the window; DS_OK, or invalid for a level
    /// outside DSSCL_NORMAL .. DSSCL_WRITEPRIMARY
    HRESULT set_cooperative_level(HWND hwnd, std::uint32_t level);
    /// makes a static buffer of the described size in the device's one format;
    /// DS_OK, invalid for a bad description or size, bad format for another format
    HRESULT create_sound_buffer(const DSBUFFERDESC* desc, DirectSoundBuffer** out, void* outer);
    /// a new buffer sharing the original's samples and controls, stopped at 0;
    /// DS_OK, or invalid for a null or foreign original
    HRESULT duplicate_sound_buffer(DirectSoundBuffer* original, DirectSoundBuffer** out);
    /// frees every buffer still held and the device, and lets the output go; 0
    std::uint32_t release();

    void mix_into(float* out, int frames, int rate) override;

private:
    friend HRESULT direct_sound_create(const void*, DirectSound**, void*);
    friend class DirectSoundBuffer;
    DirectSound() = default;
    ~DirectSound() override = default;
    DirectSoundBuffer* adopt(DirectSoundBuffer* buffer);
    void forget(DirectSoundBuffer* buffer);

    std::vector<DirectSoundBuffer*> buffers_;
    std::uint32_t level_ = 0;
};

/// makes the device on the default output (guid null) and opens the mixer; DS_OK,
/// or invalid for a null target or aggregation (outer not null)
HRESULT direct_sound_create(const void* guid, DirectSound** out, void* outer);

/// @}
