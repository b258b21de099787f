// The sound device and its buffers. Every buffer's state is read by the output's
// thread while it mixes, so each operation that touches it holds the mixer lock.
// Locking hands out a copy of the samples, stored back on unlock, so that the
// output never reads bytes while the caller writes them.
#include "platform/system/dsound.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr std::uint32_t kRate = 11025;  // the buffers' one rate, in Hz

// A level in hundredths of a decibel as a linear gain; the minimum is silence.
float gain_of(std::int32_t hundredths) {
    if (hundredths <= DSBVOLUME_MIN) return 0.0f;
    return std::pow(10.0f, static_cast<float>(hundredths) / 2000.0f);
}

bool is_device_format(const WAVEFORMATEX* f) {
    return f->wFormatTag == WAVE_FORMAT_PCM && f->nChannels == 1 && f->nSamplesPerSec == kRate &&
           f->wBitsPerSample == 8 && f->nBlockAlign == 1;
}

}  // namespace

// ---- buffer -------------------------------------------------------------------

DirectSoundBuffer::DirectSoundBuffer(DirectSound* device, std::uint32_t flags,
                                     std::shared_ptr<std::vector<std::uint8_t>> samples)
    : device_(device), flags_(flags), samples_(std::move(samples)) {}

HRESULT DirectSoundBuffer::lock(std::uint32_t offset, std::uint32_t bytes, void** ptr1,
                                std::uint32_t* len1, void** ptr2, std::uint32_t* len2,
                                std::uint32_t flags) {
    if (!ptr1 || !len1) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(mixer_mutex());
    if (locked_) return DSERR_INVALIDCALL;
    auto size = static_cast<std::uint32_t>(samples_->size());
    if (flags & DSBLOCK_FROMWRITECURSOR) offset = static_cast<std::uint32_t>(position_ >> 32);
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
    if (bytes == 0 || bytes > size || offset >= size) return DSERR_INVALIDPARAM;
    std::uint32_t first = std::min(bytes, size - offset);
    if (first < bytes && (!ptr2 || !len2)) return DSERR_INVALIDPARAM;
    staging_ = *samples_;
    locked_ = true;
    lock_offset_ = offset;
    lock_len1_ = first;
    lock_len2_ = bytes - first;
    *ptr1 = staging_.data() + offset;
    *len1 = lock_len1_;
    if (ptr2) *ptr2 = lock_len2_ ? staging_.data() : nullptr;
    if (len2) *len2 = lock_len2_;
    return DS_OK;
}

HRESULT DirectSoundBuffer::unlock(void* ptr1, std::uint32_t len1, void* ptr2, std::uint32_t len2) {
    std::lock_guard<std::mutex> hold(mixer_mutex());
    if (!locked_ || ptr1 != staging_.data() + lock_offset_ || len1 > lock_len1_)
        return DSERR_INVALIDPARAM;
    if (len2 > 0 && (ptr2 != staging_.data() || len2 > lock_len2_)) return DSERR_INVALIDPARAM;
    std::copy_n(staging_.begin() + lock_offset_, len1, samples_->begin() + lock_offset_);
    std::copy_n(staging_.begin(), len2, samples_->begin());
    locked_ = false;
    staging_ = {};
    return DS_OK;
}

HRESULT DirectSoundBuffer::get_current_position(std::uint32_t* play, std::uint32_t* write) {
    std::lock_guard<std::mutex> hold(mixer_mutex());
    auto at = static_cast<std::uint32_t>(position_ >> 32);
    if (play) *play = at;
    if (write) *write = at;
    return DS_OK;
}

HRESULT DirectSoundBuffer::set_current_position(std::uint32_t offset) {
    std::lock_guard<std::mutex> hold(mixer_mutex());
    if (offset >= samples_->size()) return DSERR_INVALIDPARAM;
    position_ = static_cast<std::uint64_t>(offset) << 32;
    return DS_OK;
}

HRESULT DirectSoundBuffer::play(std::uint32_t reserved, std::uint32_t, std::uint32_t flags) {
    if (reserved != 0) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(mixer_mutex());
    playing_ = true;
    looping_ = (flags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
}

HRESULT DirectSoundBuffer::stop() {
    std::lock_guard<std::mutex> hold(mixer_mutex());
    playing_ = false;
    return DS_OK;
}

HRESULT DirectSoundBuffer::set_volume(std::int32_t volume) {
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(mixer_mutex());
    volume_ = volume;
    return DS_OK;
}

HRESULT DirectSoundBuffer::get_volume(std::int32_t* volume) {
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (!volume) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(mixer_mutex());
    *volume = volume_;
    return DS_OK;
}

HRESULT DirectSoundBuffer::set_frequency(std::uint32_t frequency) {
    if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (frequency != DSBFREQUENCY_ORIGINAL &&
        (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(mixer_mutex());
    frequency_ = frequency;
    return DS_OK;
}

HRESULT DirectSoundBuffer::get_frequency(std::uint32_t* frequency) {
    if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (!frequency) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(mixer_mutex());
    *frequency = frequency_ ? frequency_ : kRate;
    return DS_OK;
}

HRESULT DirectSoundBuffer::set_pan(std::int32_t pan) {
    if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(mixer_mutex());
    pan_ = pan;
    return DS_OK;
}

HRESULT DirectSoundBuffer::get_pan(std::int32_t* pan) {
    if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (!pan) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(mixer_mutex());
    *pan = pan_;
    return DS_OK;
}

HRESULT DirectSoundBuffer::get_status(std::uint32_t* status) {
    if (!status) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(mixer_mutex());
    *status = 0;
    if (playing_) *status |= DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0);
    return DS_OK;
}

std::uint32_t DirectSoundBuffer::release() {
    {
        std::lock_guard<std::mutex> hold(mixer_mutex());
        device_->forget(this);
    }
    delete this;
    return 0;
}

// Resamples by linear interpolation from the play cursor, a 32.32 fixed-point
// sample position. A looping buffer interpolates its last sample toward its
// first, so the wrap is as smooth as any other step; a buffer played once holds
// its last sample and stops, back at 0, when the cursor passes its end.
void DirectSoundBuffer::mix_into(float* out, int frames, int rate) {
    if (!playing_) return;
    const std::uint8_t* s = samples_->data();
    const std::uint64_t n = samples_->size();
    const std::uint64_t end = n << 32;
    const std::uint64_t step = (static_cast<std::uint64_t>(frequency_ ? frequency_ : kRate) << 32) /
                               static_cast<std::uint64_t>(rate);
    const float level = gain_of(volume_) / 128.0f;
    const float left = level * (pan_ > 0 ? gain_of(-pan_) : 1.0f);
    const float right = level * (pan_ < 0 ? gain_of(pan_) : 1.0f);
    for (int i = 0; i < frames; ++i) {
        if (position_ >= end) {
            if (!looping_) break;
            position_ %= end;
        }
        std::uint64_t at = position_ >> 32;
        float frac = static_cast<float>(position_ & 0xFFFFFFFFu) * (1.0f / 4294967296.0f);
        int a = s[at] - 128;
        int b = at + 1 < n ? s[at + 1] - 128 : looping_ ? s[0] - 128 : a;
        float v = static_cast<float>(a) + static_cast<float>(b - a) * frac;
        out[2 * i] += v * left;
        out[2 * i + 1] += v * right;
        position_ += step;
    }
    if (!looping_ && position_ >= end) {
        playing_ = false;
        position_ = 0;
    }
}

// ---- device -------------------------------------------------------------------

HRESULT direct_sound_create(const void*, DirectSound** out, void* outer) {
    if (!out || outer) return DSERR_INVALIDPARAM;
    *out = new (std::nothrow) DirectSound;
    if (!*out) return DSERR_OUTOFMEMORY;
    mixer_open();
    mixer_add(*out);
    return DS_OK;
}

HRESULT DirectSound::set_cooperative_level(HWND, std::uint32_t level) {
    if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
    level_ = level;
    return DS_OK;
}

HRESULT DirectSound::create_sound_buffer(const DSBUFFERDESC* desc, DirectSoundBuffer** out,
                                         void* outer) {
    if (!desc || !out || outer || desc->dwSize != sizeof(DSBUFFERDESC) || !desc->lpwfxFormat)
        return DSERR_INVALIDPARAM;
    if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX)
        return DSERR_INVALIDPARAM;
    if (!is_device_format(desc->lpwfxFormat)) return DSERR_BADFORMAT;
    std::shared_ptr<std::vector<std::uint8_t>> samples;
    try {
        // Unsigned 8-bit silence is the middle value.
        samples = std::make_shared<std::vector<std::uint8_t>>(desc->dwBufferBytes, 128);
    } catch (const std::bad_alloc&) {
        return DSERR_OUTOFMEMORY;
    }
    *out = adopt(new DirectSoundBuffer(this, desc->dwFlags, std::move(samples)));
    return DS_OK;
}

HRESULT DirectSound::duplicate_sound_buffer(DirectSoundBuffer* original, DirectSoundBuffer** out) {
    if (!original || !out) return DSERR_INVALIDPARAM;
    std::unique_lock<std::mutex> hold(mixer_mutex());
    if (std::find(buffers_.begin(), buffers_.end(), original) == buffers_.end())
        return DSERR_INVALIDPARAM;
    auto* copy = new DirectSoundBuffer(this, original->flags_, original->samples_);
    copy->volume_ = original->volume_;
    copy->frequency_ = original->frequency_;
    copy->pan_ = original->pan_;
    hold.unlock();
    *out = adopt(copy);
    return DS_OK;
}

std::uint32_t DirectSound::release() {
    mixer_remove(this);  // the output no longer reads the buffers after this
    for (DirectSoundBuffer* b : buffers_) delete b;
    buffers_.clear();
    delete this;
    mixer_close();
    return 0;
}

void DirectSound::mix_into(float* out, int frames, int rate) {
    for (DirectSoundBuffer* b : buffers_) b->mix_into(out, frames, rate);
}

DirectSoundBuffer* DirectSound::adopt(DirectSoundBuffer* buffer) {
    std::lock_guard<std::mutex> hold(mixer_mutex());
    buffers_.push_back(buffer);
    return buffer;
}

void DirectSound::forget(DirectSoundBuffer* buffer) {
    buffers_.erase(std::remove(buffers_.begin(), buffers_.end(), buffer), buffers_.end());
}
