// The asset generator's entry point: writes every asset file into the folder
// given, with --sheet also the contact sheet and the level previews, and with
// --icons the desktop icon in every size under ICON_DIR/hicolor.
// Usage: assetgen OUT_DIR [--sheet SHEET.png] [--fonts FONT_DIR] [--icons ICON_DIR]
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "assetgen.h"
#include "captions.h"
#include "icon.h"

int main(int argc, char** argv) {
    std::string out, sheet, icons, fonts = "/usr/share/fonts/truetype/dejavu";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--sheet") && i + 1 < argc) {
            sheet = argv[++i];
        } else if (!std::strcmp(argv[i], "--fonts") && i + 1 < argc) {
            fonts = argv[++i];
        } else if (!std::strcmp(argv[i], "--icons") && i + 1 < argc) {
            icons = argv[++i];
        } else if (argv[i][0] != '-' && out.empty()) {
            out = argv[i];
        } else {
            out.clear();
            break;
        }
    }
    if (out.empty()) {
        std::fprintf(
            stderr,
            "usage: assetgen OUT_DIR [--sheet SHEET.png] [--fonts FONT_DIR] [--icons DIR]\n");
        return 2;
    }
    mkdir(out.c_str(), 0755);
    std::string failed;
    if (!write_assets(out, fonts, &failed)) {
        std::fprintf(stderr, "assetgen: cannot make %s in %s\n", failed.c_str(), out.c_str());
        return 1;
    }
    if (!icons.empty() && !write_icons(icons, &failed)) {
        std::fprintf(stderr, "assetgen: cannot write %s\n", failed.c_str());
        return 1;
    }
    if (!sheet.empty()) {
        std::vector<NamedCanvas> pictures;
        std::vector<Canvas> frames;
        if (!captions_open(fonts.c_str())) return 1;
        make_pictures(&pictures, &frames);
        int ok = write_contact_sheet(sheet.c_str(), pictures, frames);
        for (const NamedCanvas& p : pictures)
            if (p.canvas.width == 1280)
                ok &= write_canvas_png((sheet + "." + p.name + ".png").c_str(), p.canvas);
        for (int level = 1; level <= 3; ++level)
            ok &= write_canvas_png((sheet + ".level" + std::to_string(level) + ".png").c_str(),
                                   level_preview(level, pictures, frames));
        captions_close();
        if (!ok) {
            std::fprintf(stderr, "assetgen: cannot write %s\n", sheet.c_str());
            return 1;
        }
    }
    return 0;
}
