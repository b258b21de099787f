/// @file
/// The error log: a text file, or an adopted open stream, that library code
/// writes diagnostic lines to in printf style. Closed, it drops every message.
/// @ingroup clock_log
#pragma once

#include <cstdio>

// MinGW's printf family is the C99 one here (__USE_MINGW_ANSI_STDIO), whose
// format checking has a name of its own.
#if defined(__MINGW32__)
#define V17_PRINTF __MINGW_PRINTF_FORMAT  ///< the printf family write_error's format is checked as
#else
#define V17_PRINTF printf  ///< the printf family write_error's format is checked as
#endif

/// @addtogroup clock_log
/// @{

extern std::FILE* error_file;  ///< the open log stream, or null while closed

/// adopts stream when it is not null, else creates the named file (a log already
/// open is not closed first); writes the opening line; 1, or 0 for neither a
/// stream nor a name, or a file that cannot be created or reopened
int open_error_file(const char* filename, std::FILE* stream = nullptr);
/// writes the closing line and closes the log (stdout and stderr are left open,
/// any other stream is closed, adopted or not); 1, or 0 when no log is open
int close_error_file();
/// formats one message (cut at 79 characters), writes and flushes it; 1, or 0 for
/// a null format or a closed log
int write_error(const char* format, ...) __attribute__((format(V17_PRINTF, 1, 2)));

/// @}
