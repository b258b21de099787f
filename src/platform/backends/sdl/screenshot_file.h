/// @file
/// Where screenshots go: the player's pictures folder as the desktop names it
/// (XDG_PICTURES_DIR in the user's user-dirs.dirs, else ~/Pictures), under a
/// name of the time taken that no earlier file has.
/// @ingroup backends
#pragma once

#include <ctime>
#include <string>

/// @addtogroup backends
/// @{

/// the pictures folder from the user-dirs.dirs file at dirs_file (its
/// XDG_PICTURES_DIR, with $HOME expanded) or else home + "/Pictures"; an empty
/// home gives "." as the home
std::string pictures_folder(const std::string& dirs_file, const std::string& home);
/// the pictures folder of the user running us, from $XDG_CONFIG_HOME (or
/// ~/.config)/user-dirs.dirs and $HOME
std::string user_pictures_folder();
/// makes the folder and its parents where missing; 1 when it exists after, else 0
int make_folder(const std::string& folder);
/// folder/vantorel17-YYYYMMDD-HHMMSS.png of the local time when, with -2, -3 ...
/// before .png while that name is taken; empty when no free name is found
std::string screenshot_path(const std::string& folder, std::time_t when);

/// @}
