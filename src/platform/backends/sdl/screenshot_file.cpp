// The pictures folder from the desktop's user-dirs file, the making of that
// folder, and a free name in it for a screenshot.
#include "platform/backends/sdl/screenshot_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/formats/file_io.h"

namespace {

constexpr std::size_t kMaxDirsFileBytes = 64 << 10;  // a few lines of folder names

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string pictures_folder(const std::string& dirs_file, const std::string& home_dir) {
    std::string home = home_dir.empty() ? "." : home_dir;
    // a file that cannot be read (missing, not a regular file) names no folder
    std::vector<std::uint8_t> bytes;
    read_file_bytes(dirs_file.c_str(), kMaxDirsFileBytes, &bytes, nullptr);
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::string key = "XDG_PICTURES_DIR=";
    for (std::size_t at = 0; at < text.size();) {
        std::size_t eol = std::min(text.find('\n', at), text.size());
        std::string line(text.substr(at, eol - at));
        at = eol + 1;
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
