// The pictures folder from the desktop's user-dirs file (on Windows the
// Pictures known folder), the making of that folder, and a free name in it for
// a screenshot. Names are UTF-8.
#include "platform/backends/sdl/screenshot_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/formats/file_io.h"
#include "platform/system/host_paths.h"

#if defined(_WIN32)
#include <windows.h>
// after windows.h, which they need
#include <knownfolders.h>
#include <shlobj.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxDirsFileBytes = 64 << 10;  // a few lines of folder names

bool exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path_from_utf8(path), error);
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

#if defined(_WIN32)
std::string user_pictures_folder() {
    PWSTR wide = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(FOLDERID_Pictures, KF_FLAG_CREATE, nullptr, &wide) == S_OK && wide)
        folder = utf8_from_path(fs::path(wide));
    CoTaskMemFree(wide);
    if (!folder.empty()) return folder;
    const char* profile = std::getenv("USERPROFILE");
    return std::string(profile && profile[0] ? profile : ".") + "/Pictures";
}
#else
std::string user_pictures_folder() {
    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string h = home ? home : "";
    std::string dirs =
        (config && config[0] == '/' ? std::string(config) : (h.empty() ? "." : h) + "/.config") +
        "/user-dirs.dirs";
    return pictures_folder(dirs, h);
}
#endif

int make_folder(const std::string& folder) {
    if (folder.empty()) return 0;
    std::error_code error;
    fs::path path = path_from_utf8(folder);
    fs::create_directories(path, error);
    return fs::is_directory(path, error) ? 1 : 0;
}

std::string screenshot_path(const std::string& folder, std::time_t when) {
    std::tm local{};
#if defined(_WIN32)
    if (localtime_s(&local, &when) != 0) return "";
#else
    if (!localtime_r(&when, &local)) return "";
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    // joined as the system joins names ('\\' on Windows)
    std::string base =
        utf8_from_path(path_from_utf8(folder) / (std::string("vantorel17-") + stamp));
    if (!exists(base + ".png")) return base + ".png";
    for (int n = 2; n < 1000; ++n) {
        std::string path = base + "-" + std::to_string(n) + ".png";
        if (!exists(path)) return path;
    }
    return "";
}
