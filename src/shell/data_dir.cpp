// The data folder lookup. The executable's own path comes from /proc/self/exe,
// so that a game installed under any prefix finds the data installed with it,
// whatever folder it is started from.
#include "shell/data_dir.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::vector<std::string> data_dir_candidates(const std::string& exe_path, const std::string& cwd) {
    std::vector<std::string> out;
    if (!exe_path.empty()) {
        fs::path installed = fs::path(exe_path).parent_path() / ".." / "share" / "vantorel17";
        out.push_back(installed.lexically_normal().string());
    }
    if (!cwd.empty()) out.push_back(fs::path(cwd).lexically_normal().string());
    return out;
}

int data_dir_holds_data(const std::string& folder) {
    if (folder.empty()) return 0;
    std::error_code error;
    return fs::is_regular_file(fs::path(folder) / DATA_DIR_MARKER, error) ? 1 : 0;
}

std::string data_dir_first_found(const std::vector<std::string>& candidates) {
    for (const std::string& folder : candidates)
        if (data_dir_holds_data(folder)) return folder;
    return "";
}

std::string data_dir_for_this_program() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error) exe.clear();
    fs::path cwd = fs::current_path(error);
    if (error) cwd.clear();
    std::vector<std::string> candidates = data_dir_candidates(exe.string(), cwd.string());
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
        fs::path absolute = fs::absolute(*path, error);
        if (!error) *path = absolute.string();
    }
    if (folder.empty()) return 1;
    fs::current_path(folder, error);
    if (error) {
        std::fprintf(stderr, "vantorel17: cannot enter the asset folder %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return 0;
    }
    return 1;
}
