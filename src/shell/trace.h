// The per-frame trace: one JSON object per frame, written after the frame
// function returns.
#pragma once

// creates the file and installs the frame observer; 1, or 0 when it cannot
int open_trace(const char* path);
// writes the line of the frame that just ran
void write_trace_line();
// closes the file and removes the observer
void close_trace();
