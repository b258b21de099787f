// The asset set: draws every picture, frames the sprite sheets, synthesizes the
// scream, composes the four tunes and writes them all with the palette file.
// No globals. Needs every module of the generator.
#include "assetgen.h"

#include "bmp_writer.h"
#include "captions.h"
#include "gfx/palette.h"
#include "palette.h"
#include "pictures.h"
#include "scream.h"
#include "sprites.h"
#include "tunes.h"
#include "wav_writer.h"

namespace {

// the single-picture sprite files, each one cell of the picture's size
constexpr const char* kSpriteFiles[] = {"PAINT.BMP",     "Platform.BMP",  "trapdoor.BMP",
                                        "spikeleft.BMP", "SpikeDown.BMP", "spikeright.BMP",
                                        "spikeup.BMP",   "Wall.BMP",      "Door.BMP"};

Canvas sprite_by_name(const std::string& name) {
    if (name == "PAINT.BMP") return pointer_picture();
    if (name == "Platform.BMP") return platform_picture();
    if (name == "trapdoor.BMP") return trapdoor_picture();
    if (name == "spikeup.BMP") return spike_picture(0);
    if (name == "spikeright.BMP") return spike_picture(1);
    if (name == "SpikeDown.BMP") return spike_picture(2);
    if (name == "spikeleft.BMP") return spike_picture(3);
    if (name == "Wall.BMP") return wall_picture();
    if (name == "Door.BMP") return door_picture();
    return Canvas{};
}

int write_canvas(const std::string& path, const Canvas& c) {
    return write_bmp8(path.c_str(), c.width, c.height, c.pixels.data(), asset_palette);
}

}  // namespace

const std::vector<std::string>& asset_file_names() {
    static const std::vector<std::string> names = {
        "PALDATA2.PAL",   "LANDSCAPE0.BMP", "LANDSCAPE1.BMP", "LANDSCAPE2.BMP", "LANDSCAPE3.BMP",
        "LANDSCAPE4.BMP", "QUENSP0.BMP",    "QUENSP1.BMP",    "QUENSP2.BMP",    "QUENSP3.BMP",
        "PAINT.BMP",      "Platform.BMP",   "trapdoor.BMP",   "spikeleft.BMP",  "SpikeDown.BMP",
        "spikeright.BMP", "spikeup.BMP",    "Wall.BMP",       "Door.BMP",       "scream.WAV",
        "title.mid",      "story.mid",      "game.mid",       "end.mid"};
    return names;
}

void make_pictures(std::vector<NamedCanvas>* pictures, std::vector<Canvas>* player_frames) {
    build_palette();
    for (int n = 0; n < 5; ++n)
        pictures->push_back({"LANDSCAPE" + std::to_string(n) + ".BMP", landscape(n)});
    for (const char* name : kSpriteFiles) pictures->push_back({name, sprite_by_name(name)});
    for (int f = 0; f < 32; ++f) player_frames->push_back(player_frame(f));
}

int write_assets(const std::string& folder, const std::string& font_folder, std::string* failed) {
    auto fail = [&](const std::string& name) {
        if (failed) *failed = name;
        captions_close();
        return 0;
    };
    build_palette();
    PALETTEENTRY entries[256];
    palette_entries_of(entries);
    if (!save_palette_file((folder + "/PALDATA2.PAL").c_str(), entries))
        return fail("PALDATA2.PAL");
    if (!captions_open(font_folder.c_str()))
        return fail("the captions (fonts in " + font_folder + ")");
    for (int n = 0; n < 5; ++n) {
        std::string name = "LANDSCAPE" + std::to_string(n) + ".BMP";
        if (!write_canvas(folder + "/" + name, landscape(n))) return fail(name);
    }
    captions_close();
    for (int file = 0; file < 4; ++file) {
        Canvas frames[8];
        for (int i = 0; i < 8; ++i) frames[i] = player_frame(file * 8 + i);
        std::string name = "QUENSP" + std::to_string(file) + ".BMP";
        if (!write_canvas(folder + "/" + name, cell_sheet(frames, 8, 4, 2))) return fail(name);
    }
    for (const char* name : kSpriteFiles) {
        Canvas one = sprite_by_name(name);
        if (!write_canvas(folder + "/" + name, cell_sheet(&one, 1, 1, 1))) return fail(name);
    }
    if (!write_wav8((folder + "/scream.WAV").c_str(), synthesize_scream(), SCREAM_RATE))
        return fail("scream.WAV");
    for (int t = 0; t < TUNE_COUNT; ++t) {
        std::string name = tune_file_name(t);
        if (!write_tune((folder + "/" + name).c_str(), t)) return fail(name);
    }
    return 1;
}
