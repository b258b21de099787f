/// @file
/// Input scripts: the text format that scripted runs read and `--record` writes.
/// One line per run of identical passes: count, keys ("-" or names joined by
/// commas), dx, dy, button; "#" starts a comment.
/// @ingroup window_input
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/formats/file_io.h"

/// @addtogroup window_input
/// @{

/// One line of a script: a run of identical passes.
struct ScriptLine {
    std::uint32_t count = 0;         ///< passes this line covers, at least 1
    std::vector<std::uint8_t> keys;  ///< virtual key codes held, ascending, no repeats
    std::int32_t dx = 0, dy = 0;     ///< mouse motion added on each pass
    int button = 0;                  ///< 1 while the left button is held
};

/// A parsed script.
struct InputScript {
    std::vector<ScriptLine> lines;    ///< the lines in order, comments and blank lines left out
    std::vector<std::uint64_t> ends;  ///< ends[i]: the first pass after lines[i]
};

constexpr std::uint32_t SCRIPT_MAX_COUNT = 100000000;  ///< largest count one line may give
constexpr std::int32_t SCRIPT_MAX_MOTION = 100000;     ///< largest dx or dy (either sign)

/// the virtual key code of a name (LEFT, RETURN, LSHIFT, a letter or digit, ...),
/// case-insensitive; -1 for an unknown name
int script_key_code(std::string_view name);
/// the name of a key code, or an empty view for a key that has none
std::string_view script_key_name(int vk);
/// parses the whole text; 1, or 0 with "line N: reason" in error and out untouched
int parse_input_script(std::string_view text, InputScript* out, std::string* error);
/// reads and parses a file; 0 with a reason for a file that is missing, not a
/// regular file, unreadable or over 64 MiB too
int load_input_script(const char* path, InputScript* out, std::string* error);
/// the line that covers the pass, or null once the script has ended
const ScriptLine* script_line_for_pass(const InputScript& script, std::uint64_t pass);
/// total passes the script covers
std::uint64_t script_length(const InputScript& script);
/// one line of the format, without the newline
std::string format_script_line(const ScriptLine& line);

/// Writes passes as a script, merging runs of identical passes into one line.
/// Each line is flushed as it is written, so that a run that ends abruptly
/// keeps its record; a failed write is said once on stderr and counted in
/// output_failures().
class ScriptRecorder {
public:
    /// writes what is pending and closes, as close does
    ~ScriptRecorder();
    /// creates the file and writes a header comment; 1, or 0 when it cannot
    /// (said on stderr)
    int open(const char* path);
    /// adds one pass; written lazily, when a different pass comes or on close
    void add(const ScriptLine& pass);
    /// writes what is pending and closes; safe to call twice
    void close();
    /// true between a successful open and close
    bool is_open() const { return out_.is_open(); }

private:
    void flush_pending();
    OutputFile out_;
    ScriptLine pending_;
};

/// @}
