// The data folder lookup. The executable's own path comes from the system
// (/proc/self/exe, or the module's file name on Windows), so that a game
// installed under any prefix finds the data installed with it, whatever folder
// it is started from. On Windows the data lies beside the executable, as a
// release unpacked from its archive has it. Names are UTF-8 throughout.
#include "shell/data_dir.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/system/host_paths.h"

namespace fs = std::filesystem;

std::vector<std::string> data_dir_candidates(const std::string& exe_path, const std::string& cwd) {
    std::vector<std::string> out;
    if (!exe_path.empty()) {
#if defined(_WIN32)
        fs::path installed = path_from_utf8(exe_path).parent_path();
#else
        fs::path installed = path_from_utf8(exe_path).parent_path() / ".." / "share" / "vantorel17";
#endif
        out.push_back(utf8_from_path(installed.lexically_normal()));
    }
    if (!cwd.empty()) out.push_back(utf8_from_path(path_from_utf8(cwd).lexically_normal()));
    return out;
}

int data_dir_holds_data(const std::string& folder) {
    if (folder.empty()) return 0;
    std::error_code error;
    return fs::is_regular_file(path_from_utf8(folder) / DATA_DIR_MARKER, error) ? 1 : 0;
}

std::string data_dir_first_found(const std::vector<std::string>& candidates) {
    for (const std::string& folder : candidates)
        if (data_dir_holds_data(folder)) return folder;
    return "";
}

std::string data_dir_for_this_program() {
    std::error_code error;
    fs::path cwd = fs::current_path(error);
    if (error) cwd.clear();
    std::vector<std::string> candidates =
        data_dir_candidates(executable_path(), utf8_from_path(cwd));
    std::string found = data_dir_first_found(candidates);
    if (found.empty()) {
        std::fprintf(stderr, "vantorel17: no game data (%s) found; looked in:\n", DATA_DIR_MARKER);
        for (const std::string& folder : candidates) std::fprintf(stderr, "  %s\n", folder.c_str());
        std::fprintf(stderr, "vantorel17: give the folder with --assets DIR\n");
    }
    return found;
}

int enter_data_dir(const std::string& folder, std::initializer_list<std::string*> paths) {
    std::error_code error;
    for (std::string* path : paths) {
        if (!path || path->empty()) continue;
        fs::path absolute = fs::absolute(path_from_utf8(*path), error);
        if (!error) *path = utf8_from_path(absolute);
    }
    if (folder.empty()) return 1;
    fs::current_path(path_from_utf8(folder), error);
    if (error) {
        std::fprintf(stderr, "vantorel17: cannot enter the asset folder %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return 0;
    }
    return 1;
}
