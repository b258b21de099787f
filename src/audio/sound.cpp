// Sound effect slots over the platform's sound device. Loading reads and
// converts the WAV file, makes a buffer in the device's one format and copies
// the samples in through a lock of the whole buffer. A slot number outside the
// table, -1 included, touches nothing and gives the operation's failure value.
#include "audio/sound.h"

#include <cstring>
#include <string>

#include "audio/wave_file.h"
#include "support/error_log.h"

SoundSlot sound_slots[MAX_SOUNDS];
DirectSound* sound_device = nullptr;
int sound_first_time = 1;

namespace {

bool in_table(int id) {
    return id >= 0 && id < MAX_SOUNDS;
}

// The buffer of a slot in the table, or null.
DirectSoundBuffer* buffer_of(int id) {
    return in_table(id) ? sound_slots[id].dsbuffer : nullptr;
}

int first_free_slot() {
    for (int i = 0; i < MAX_SOUNDS; ++i) {
        if (sound_slots[i].state == SOUND_STATE_FREE) return i;
    }
    return -1;
}

void clear_slot(int id) {
    sound_slots[id] = SoundSlot{nullptr, SOUND_STATE_FREE, 0, 0, id};
}

const WAVEFORMATEX kBufferFormat = {WAVE_FORMAT_PCM, 1, WAVE_RATE, WAVE_RATE, 1, 8, 0};

// Makes the buffer and copies the samples in; the buffer, or null.
DirectSoundBuffer* make_buffer(const WaveSound& wave, std::uint32_t control_flags) {
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = control_flags | DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE;
    desc.dwBufferBytes = static_cast<std::uint32_t>(wave.samples.size());
    desc.lpwfxFormat = &kBufferFormat;
    DirectSoundBuffer* buffer = nullptr;
    if (sound_device->create_sound_buffer(&desc, &buffer, nullptr) != DS_OK) return nullptr;
    void *p1 = nullptr, *p2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    bool ok =
        buffer->lock(0, desc.dwBufferBytes, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR) == DS_OK;
    if (ok) {
        std::memcpy(p1, wave.samples.data(), n1);
        if (n2) std::memcpy(p2, wave.samples.data() + n1, n2);
        ok = buffer->unlock(p1, n1, p2, n2) == DS_OK;
    }
    if (!ok) buffer->release();
    return ok ? buffer : nullptr;
}

}  // namespace

int sound_init() {
    if (sound_first_time) {
        std::memset(sound_slots, 0, sizeof sound_slots);
        sound_first_time = 0;
        if (direct_sound_create(nullptr, &sound_device, nullptr) != DS_OK) return 0;
        if (sound_device->set_cooperative_level(get_active_window(), DSSCL_NORMAL) != DS_OK)
            return 0;
    }
    for (int i = 0; i < MAX_SOUNDS; ++i) {
        if (sound_slots[i].dsbuffer) {
            sound_slots[i].dsbuffer->stop();
            sound_slots[i].dsbuffer->release();
        }
        clear_slot(i);
    }
    return sound_device ? 1 : 0;  // a device that could not be made the first time stays missing
}

int sound_shutdown() {
    stop_all_sounds();
    for (int i = 0; i < MAX_SOUNDS; ++i) clear_slot(i);  // the device frees the buffers
    if (sound_device) sound_device->release();
    sound_device = nullptr;
    sound_first_time = 1;
    return 1;
}

int load_wav(const char* filename, std::uint32_t control_flags) {
    int id = first_free_slot();
    if (id < 0 || !sound_device) return -1;
    WaveSound wave;
    std::string why;
    if (!load_wave_file(filename, &wave, &why)) {
        // The reason first: long names are cut at the end of the line.
        write_error("\nwav refused, %s: %s", why.c_str(), filename ? filename : "");
        return -1;
    }
    DirectSoundBuffer* buffer = make_buffer(wave, control_flags);
    if (!buffer) {
        write_error("\nwav refused, no sound buffer for %zu samples: %s", wave.samples.size(),
                    filename);
        return -1;
    }
    sound_slots[id] = SoundSlot{buffer, SOUND_STATE_LOADED, wave.rate,
                                static_cast<std::int32_t>(wave.samples.size()), id};
    return id;
}

int replicate_sound(int source_id) {
    if (!buffer_of(source_id) || !sound_device) return -1;
    int id = first_free_slot();
    if (id < 0) return -1;
    DirectSoundBuffer* copy = nullptr;
    if (sound_device->duplicate_sound_buffer(sound_slots[source_id].dsbuffer, &copy) != DS_OK)
        return -1;
    sound_slots[id] = sound_slots[source_id];
    sound_slots[id].dsbuffer = copy;
    sound_slots[id].id = id;
    return id;
}

int play_sound(int id, std::uint32_t flags, int, int, int) {
    if (!in_table(id)) return 0;
    DirectSoundBuffer* b = sound_slots[id].dsbuffer;
    if (!b) return 1;
    if (b->set_current_position(0) != DS_OK) return 0;
    return b->play(0, 0, flags) == DS_OK ? 1 : 0;
}

int stop_sound(int id) {
    if (!in_table(id)) return 0;
    if (DirectSoundBuffer* b = sound_slots[id].dsbuffer) {
        b->stop();
        b->set_current_position(0);
    }
    return 1;
}

int stop_all_sounds() {
    for (int i = 0; i < MAX_SOUNDS; ++i) stop_sound(i);
    return 1;
}

int delete_sound(int id) {
    if (!in_table(id)) return 0;
    stop_sound(id);
    if (sound_slots[id].dsbuffer) sound_slots[id].dsbuffer->release();
    clear_slot(id);
    return 1;
}

int delete_all_sounds() {
    for (int i = 0; i < MAX_SOUNDS; ++i) delete_sound(i);
    return 1;
}

int set_sound_volume(int id, int volume) {
    DirectSoundBuffer* b = buffer_of(id);
    // Worked out wide: a volume far outside 0..100 is refused, never wrapped.
    std::int64_t level = -30 * (100 - static_cast<std::int64_t>(volume));
    if (!b || level < DSBVOLUME_MIN || level > DSBVOLUME_MAX) return 0;
    return b->set_volume(static_cast<std::int32_t>(level)) == DS_OK ? 1 : 0;
}

int set_sound_frequency(int id, int frequency) {
    DirectSoundBuffer* b = buffer_of(id);
    if (!b || frequency < 0) return 0;
    return b->set_frequency(static_cast<std::uint32_t>(frequency)) == DS_OK ? 1 : 0;
}

int set_sound_pan(int id, int pan) {
    DirectSoundBuffer* b = buffer_of(id);
    return b && b->set_pan(pan) == DS_OK ? 1 : 0;
}

int sound_status(int id) {
    DirectSoundBuffer* b = buffer_of(id);
    std::uint32_t status = 0;
    if (!b || b->get_status(&status) != DS_OK) return -1;
    return static_cast<int>(status);
}
