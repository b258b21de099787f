/// @file
/// Checked file access: the one way every loader reads its file and the run's
/// output files (trace, recording, audio, pictures) are written. A read takes
/// regular files only (never a directory, a FIFO or a device, which could block
/// or never end) up to a size the caller names. A written file checks every
/// write, flush and close; its first failure is said on stderr as "vantorel17:
/// cannot write PATH: REASON" (or handed to the caller) and counted, so that a
/// run can end with a status that says an output was lost. Global: the count of
/// failed output files.
/// @ingroup files
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

/// @addtogroup files
/// @{

/// reads the regular file at path whole into *out; 1, or 0 with a short reason
/// in *reason (no such file, a directory / FIFO / device / socket, cannot be
/// opened or read, larger than limit bytes) and *out left as it was
int read_file_bytes(const char* path, std::size_t limit, std::vector<std::uint8_t>* out,
                    std::string* reason);

/// the number of output files that could not be created or written since the
/// program started (thread-safe)
int output_failures();

/// Where an output file's failure is said: one line on stderr, or kept for the
/// caller to say in its own words (failure()).
enum class FailureReport {
    stderr_line,  ///< "vantorel17: cannot write PATH: REASON" on stderr
    caller        ///< nothing said: the caller reads failure()
};

/// An output file: created by open, written by write, ended by close. After the
/// first failure (open, write, seek, flush or close) the file is failed: the
/// failure is counted once and said once, and later calls do nothing but
/// return false.
class OutputFile {
public:
    /// a file not yet open
    OutputFile() = default;
    /// not copied: one object per file
    OutputFile(const OutputFile&) = delete;
    /// not copied: one object per file
    OutputFile& operator=(const OutputFile&) = delete;
    /// closes the file, as close does
    ~OutputFile() { close(); }

    /// creates (or empties) the file at path; true, or false when it cannot be
    /// (then failed, as after any failure)
    bool open(const char* path, FailureReport report = FailureReport::stderr_line);
    /// appends n bytes; false when the file is not open or has failed
    bool write(const void* bytes, std::size_t n);
    /// appends the text's bytes; false as write
    bool write(const std::string& text) { return write(text.data(), text.size()); }
    /// moves the write position to offset bytes from the start (or to the end
    /// for a negative offset); false as write
    bool seek(long offset);
    /// hands what is buffered to the system; false as write
    bool flush();
    /// flushes and closes; true when every step since open succeeded, false
    /// after a failure or when nothing was open
    bool close();
    /// true between a successful open and close
    bool is_open() const { return file_ != nullptr; }
    /// true once a step has failed (it stays so after close, until the next open)
    bool failed() const { return failed_; }
    /// "cannot write PATH: REASON" once failed, else empty
    const std::string& failure() const { return failure_; }

private:
    void fail(int error_number);
    std::FILE* file_ = nullptr;
    std::string path_;
    FailureReport report_ = FailureReport::stderr_line;
    bool failed_ = false;
    std::string failure_;
};

/// @}
