// sf2subset: writes the part of a sound font that some tunes play.
//   sf2subset FONT OUTPUT TUNE...
// Says what it kept; exits 1 with the reason when a file cannot be read or
// written or is not what it should be.
#include <cstdio>
#include <string>
#include <vector>

#include "font_subset.h"
#include "platform/formats/file_io.h"

namespace {

int refuse(const std::string& what) {
    std::fprintf(stderr, "sf2subset: %s\n", what.c_str());
    return 1;
}

constexpr std::size_t kMaxFont = std::size_t{1} << 30;

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return refuse("usage: sf2subset FONT OUTPUT TUNE...");
    sf2::TuneNotes notes;
    std::string reason;
    for (int i = 3; i < argc; ++i) {
        std::vector<std::uint8_t> tune;
        if (!read_file_bytes(argv[i], kMaxFont, &tune, &reason) ||
            !sf2::add_tune_notes(tune.data(), tune.size(), &notes, &reason))
            return refuse(std::string(argv[i]) + ": " + reason);
    }
    std::vector<std::uint8_t> bytes;
    sf2::SoundFont font;
    if (!read_file_bytes(argv[1], kMaxFont, &bytes, &reason) ||
        !sf2::read_sound_font(bytes.data(), bytes.size(), &font, &reason))
        return refuse(std::string(argv[1]) + ": " + reason);
    sf2::SoundFont subset = sf2::subset_sound_font(font, notes);
    std::vector<std::uint8_t> out;
    if (!sf2::write_sound_font(subset, &out, &reason)) return refuse(reason);
    std::FILE* f = std::fopen(argv[2], "wb");
    bool written = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (f && std::fclose(f) != 0) written = false;
    if (!written) return refuse(std::string("cannot write ") + argv[2]);
    std::printf(
        "sf2subset: %zu of %zu presets, %zu of %zu instruments, %zu of %zu samples; "
        "%zu of %zu bytes\n",
        subset.presets.size(), font.presets.size(), subset.instruments.size(),
        font.instruments.size(), subset.samples.size(), font.samples.size(), out.size(),
        bytes.size());
    return 0;
}
