// The per-frame trace: one JSON object per frame, taken after the frame
// function returns and written by a thread of its own.
#pragma once

// creates the file and installs the frame observer; 1, or 0 when it cannot
// (said on stderr)
int open_trace(const char* path);
// takes the line of the frame that just ran (its picture and palette copied);
// waits while the writer is several frames behind
void write_trace_line();
// writes the lines still waiting, closes the file and removes the observer; a
// failed write is said on stderr and counted in output_failures()
void close_trace();
