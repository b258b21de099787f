// The pictures folder read from the desktop's user-dirs.dirs, and a free file
// name in it made from the local time.
#include "platform/backends/sdl/screenshot_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string pictures_folder(const std::string& dirs_file, const std::string& home_dir) {
    std::string home = home_dir.empty() ? "." : home_dir;
    std::ifstream in(dirs_file);
    std::string line;
    const std::string key = "XDG_PICTURES_DIR=";
    while (std::getline(in, line)) {
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
        std::string value = line.substr(start + key.size());
        std::size_t end = value.find_last_not_of(" \t\r");
        value = end == std::string::npos ? "" : value.substr(0, end + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
        // an absolute path or $HOME/...; the desktop takes "$HOME/" alone as no folder
        if (value.empty() || value[0] != '/' || value == home + "/") continue;
        return value;
    }
    return home + "/Pictures";
}

std::string user_pictures_folder() {
    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string h = home ? home : "";
    std::string dirs =
        (config && config[0] == '/' ? std::string(config) : (h.empty() ? "." : h) + "/.config") +
        "/user-dirs.dirs";
    return pictures_folder(dirs, h);
}

int make_folder(const std::string& folder) {
    if (folder.empty()) return 0;
    for (std::size_t i = 1; i <= folder.size(); ++i) {
        if (i < folder.size() && folder[i] != '/') continue;
        std::string part = folder.substr(0, i);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return 0;
    }
    struct stat st {};
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
}

std::string screenshot_path(const std::string& folder, std::time_t when) {
    std::tm local{};
    if (!localtime_r(&when, &local)) return "";
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string base = folder + "/vantorel17-" + stamp;
    if (!exists(base + ".png")) return base + ".png";
    for (int n = 2; n < 1000; ++n) {
        std::string path = base + "-" + std::to_string(n) + ".png";
        if (!exists(path)) return path;
    }
    return "";
}
