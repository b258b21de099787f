// Error log. Each message is formatted into an 80-byte line buffer; a longer
// one is cut at 79 characters. Every write is flushed at once so that the log
// is whole even if the program ends abruptly.
#include "support/error_log.h"

#include <sys/time.h>

#include <cstdarg>
#include <cstring>
#include <ctime>

#include "platform/system/host_paths.h"

std::FILE* error_file = nullptr;

namespace {

constexpr int kLineBytes = 80;  // a message with its ending zero

// "Tue Dec  8 16:56:58.123, 2026\n": ctime's text with the milliseconds
// placed after the seconds.
void format_time_string(char* out, std::size_t size) {
    timeval now{};
    gettimeofday(&now, nullptr);
    time_t seconds = now.tv_sec;
    tm local{};
    char text[32];
#if defined(_WIN32)
    bool dated = localtime_s(&local, &seconds) == 0 && asctime_s(text, sizeof text, &local) == 0;
#else
    bool dated = localtime_r(&seconds, &local) && asctime_r(&local, text);
#endif
    if (!dated) std::strcpy(text, "??? ??? ?? ??:??:?? ????\n");
    unsigned short millis = static_cast<unsigned short>(now.tv_usec / 1000);
    std::snprintf(out, size, "%.19s.%hu, %s", text, millis, text + 20);
}

}  // namespace

int write_error(const char* format, ...) {
    if (!format || !error_file) return 0;
    char buffer[kLineBytes];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    std::fputs(buffer, error_file);
    std::fflush(error_file);
    return 1;
}

int open_error_file(const char* filename, std::FILE* stream) {
    if (stream) {
        error_file = stream;
    } else {
        if (!filename) return 0;
        error_file = open_file_utf8(filename, "wb");
        if (!error_file) return 0;
    }
    char timestring[64];
    format_time_string(timestring, sizeof timestring);
    write_error("\nOpening Error Output File (%s) on %s\n", filename ? filename : "", timestring);
    if (stream) return 1;
    // Everything after the opening line is appended.
    std::fclose(error_file);
    error_file = open_file_utf8(filename, "a+b");
    return error_file ? 1 : 0;
}

int close_error_file() {
    if (!error_file) return 0;
    write_error("\nClosing Error Output File.");
    if (error_file != stdout && error_file != stderr) std::fclose(error_file);
    error_file = nullptr;
    return 1;
}
