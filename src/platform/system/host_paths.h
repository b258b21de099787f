/// @file
/// File and folder names as the host system takes them. The library holds every
/// name as UTF-8; on Windows, whose file calls take UTF-16, these convert at
/// the call, and the arguments of the program are read as the system gave them
/// (UTF-16) rather than in the local code page. No globals.
/// @ingroup files
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

/// @addtogroup files
/// @{

/// the path named by the UTF-8 string utf8
std::filesystem::path path_from_utf8(const std::string& utf8);
/// the path as UTF-8 (its separators as the system writes them)
std::string utf8_from_path(const std::filesystem::path& path);
/// the running program's own file (from /proc/self/exe, or the module's file
/// name on Windows), as UTF-8; "" when the system does not say
std::string executable_path();
/// the program's arguments as UTF-8, argv[0] first: argv as given on POSIX
/// systems, the UTF-16 command line converted on Windows
std::vector<std::string> utf8_arguments(int argc, char** argv);
/// std::fopen of the UTF-8 name (the wide call on Windows); null with errno set
/// when the file cannot be opened
std::FILE* open_file_utf8(const char* utf8_path, const char* mode);

/// @}
