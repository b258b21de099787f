// Where the game reads its data: the folder given, or when none is, the
// installed data beside the executable (../share/vantorel17 from the
// executable's folder), else the working directory; and the one way into it,
// which every program of the game uses. No globals.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

constexpr const char* DATA_DIR_MARKER = "PALDATA2.PAL";  // the file whose presence marks the data

// the folders to look in, in order: exe_path's folder/../share/vantorel17 (on
// Windows exe_path's folder itself; left out when exe_path is empty), then cwd;
// each lexically normalised
std::vector<std::string> data_dir_candidates(const std::string& exe_path, const std::string& cwd);
// 1 when folder holds the game's data (its marker is a regular file), else 0
int data_dir_holds_data(const std::string& folder);
// the first of the candidates that holds the data, or "" when none does
std::string data_dir_first_found(const std::vector<std::string>& candidates);
// the folder to read the data from for this process (from the executable's own
// path and the working directory), or "" after naming on stderr every folder looked in
std::string data_dir_for_this_program();
// makes folder the working directory, so that the game's file names read from
// it; each of paths that is relative is first made absolute, so that files named
// on the command line stay where the caller meant them. An empty folder leaves
// the working directory as it is. 1, or 0 with a message on stderr
int enter_data_dir(const std::string& folder, std::initializer_list<std::string*> paths = {});
