// SF2 sound fonts in memory: the RIFF file's INFO list kept as it is, its
// sample data, and its presets, instruments and samples read out of the pdta
// tables into records, so that a font can be cut down and written again.
// read_sound_font checks every size, count and index before it uses one and
// says why it refuses a file; write_sound_font writes the records back as the
// nine pdta tables with their terminal records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sf2 {

constexpr std::uint16_t kGenKeyRange = 43;
constexpr std::uint16_t kGenVelRange = 44;
constexpr std::uint16_t kGenInstrument = 41;
constexpr std::uint16_t kGenSampleId = 53;

struct Generator {
    std::uint16_t oper;
    std::uint16_t amount;
};

struct Modulator {
    std::uint8_t bytes[10];  // source, destination, amount, amount source, transform
};

struct Zone {
    std::vector<Generator> generators;
    std::vector<Modulator> modulators;
};

struct Preset {
    char name[20];
    std::uint16_t program;
    std::uint16_t bank;
    std::uint32_t library, genre, morphology;
    std::vector<Zone> zones;
};

struct Instrument {
    char name[20];
    std::vector<Zone> zones;
};

struct Sample {
    char name[20];
    std::uint32_t start, end, loop_start, loop_end;  // in sample points of the smpl chunk
    std::uint32_t rate;
    std::uint8_t original_key;
    std::int8_t correction;
    std::uint16_t link, type;
};

struct SoundFont {
    std::vector<std::uint8_t> info;  // the INFO list's contents after its "INFO" id
    std::vector<std::uint8_t> smpl;  // 16-bit sample points, little-endian, as in the file
    std::vector<std::uint8_t> sm24;  // the low bytes of 24-bit samples; empty when absent
    std::vector<Preset> presets;
    std::vector<Instrument> instruments;
    std::vector<Sample> samples;
};

// the generator oper of zone, or null
const Generator* find_generator(const Zone& zone, std::uint16_t oper);

// reads the SF2 file in bytes into *font: true, or false with why in *reason
bool read_sound_font(const std::uint8_t* bytes, std::size_t size, SoundFont* font,
                     std::string* reason);
// writes font as an SF2 file into *out: true, or false with why in *reason when
// a table outgrows the format's 16-bit indices
bool write_sound_font(const SoundFont& font, std::vector<std::uint8_t>* out, std::string* reason);

}  // namespace sf2
