// Standard output of a windows-subsystem program: the parent's console when
// nothing else receives it.
#include "platform/system/host_console.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstdio>

namespace {

// A handle that leads somewhere: a file, a pipe or a console.
bool leads_somewhere(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void attach_parent_console() {
    if (leads_somewhere(STD_OUTPUT_HANDLE) || leads_somewhere(STD_ERROR_HANDLE)) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;  // started from Explorer: no console
    if (!std::freopen("CONOUT$", "w", stdout) || !std::freopen("CONOUT$", "w", stderr)) return;
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

#else

void attach_parent_console() {}

#endif
