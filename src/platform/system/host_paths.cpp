// Host file names: UTF-8 throughout, converted to UTF-16 only at Windows' own
// calls.
#include "platform/system/host_paths.h"

#include <cerrno>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>
#endif

namespace fs = std::filesystem;

fs::path path_from_utf8(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8_from_path(const fs::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

#if defined(_WIN32)

std::string executable_path() {
    std::wstring name(MAX_PATH, L'\0');
    for (int tries = 0; tries < 8; ++tries) {
        DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return "";
        if (n < name.size()) {
            name.resize(n);
            return utf8_from_path(fs::path(name));
        }
        name.resize(name.size() * 2);  // cut short: a longer buffer
    }
    return "";
}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> out;
    if (!wide) {
        for (int i = 0; i < argc; ++i) out.emplace_back(argv[i] ? argv[i] : "");
        return out;
    }
    for (int i = 0; i < count; ++i) out.push_back(utf8_from_path(fs::path(wide[i])));
    LocalFree(wide);
    return out;
}

std::FILE* open_file_utf8(const char* utf8_path, const char* mode) {
    if (!utf8_path || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path_from_utf8(utf8_path).c_str(), wide_mode.c_str());
}

#else

std::string executable_path() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? "" : exe.string();
}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
    std::vector<std::string> out;
    for (int i = 0; i < argc; ++i) out.emplace_back(argv[i] ? argv[i] : "");
    return out;
}

std::FILE* open_file_utf8(const char* utf8_path, const char* mode) {
    return std::fopen(utf8_path, mode);
}

#endif
