// The asset set: every file the game reads, made in memory and written into a
// folder. The names are the ones the game opens. No globals beyond the palette.
// Needs every module of the generator.
#pragma once

#include <string>
#include <vector>

#include "contact_sheet.h"

// the file names that write_assets makes, in the order it writes them
const std::vector<std::string>& asset_file_names();
// every picture of the asset set by file name (landscapes and sprite sheets'
// single frames), plus the 32 player frames; fonts must be open
void make_pictures(std::vector<NamedCanvas>* pictures, std::vector<Canvas>* player_frames);
// writes every asset file into folder (which must exist); 1, or 0 with the
// failing name in *failed when a file cannot be made or written
int write_assets(const std::string& folder, const std::string& font_folder, std::string* failed);
