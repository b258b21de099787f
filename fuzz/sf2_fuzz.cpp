// Fuzz entry of the SF2 reader and the subsetter: any bytes are read; an
// accepted font is cut for notes across every key on every preset it holds
// (and on one it lacks), and the cut font must write, read back and write
// again to the same bytes, every sample inside its data.
#include <cstdint>
#include <cstdlib>

#include "font_subset.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sf2::SoundFont font;
    std::string reason;
    if (!sf2::read_sound_font(data, size, &font, &reason)) {
        if (reason.empty()) std::abort();
        return 0;
    }
    sf2::TuneNotes notes;
    for (const sf2::Preset& p : font.presets)
        for (int key = 0; key < 128; key += 5) notes[{p.bank, p.program}].insert({key, 100});
    notes[{128, 57}].insert({60, 1});
    sf2::SoundFont cut = sf2::subset_sound_font(font, notes);
    std::vector<std::uint8_t> once, twice;
    if (!sf2::write_sound_font(cut, &once, &reason)) return 0;
    sf2::SoundFont again;
    if (!sf2::read_sound_font(once.data(), once.size(), &again, &reason)) std::abort();
    if (!sf2::write_sound_font(again, &twice, &reason) || twice != once) std::abort();
    return 0;
}
