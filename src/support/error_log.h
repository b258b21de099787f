/// @file
/// The error log: a text file, or an adopted open stream, that library code
/// writes diagnostic lines to in printf style. Closed, it drops every message.
/// @ingroup clock_log
#pragma once

#include <cstdio>

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
int write_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// @}
