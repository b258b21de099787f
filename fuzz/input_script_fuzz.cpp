// Fuzz entry of the input script parser: any text is parsed; an accepted script
// is walked pass by pass at its line ends, and each line written back in the
// format must parse again to the same line.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/formats/input_script.h"

namespace {

bool same_line(const ScriptLine& a, const ScriptLine& b) {
    return a.count == b.count && a.keys == b.keys && a.dx == b.dx && a.dy == b.dy &&
           a.button == b.button;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputScript script;
    std::string error;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!parse_input_script(text, &script, &error)) return 0;
    for (std::size_t i = 0; i < script.lines.size(); ++i) {
        const ScriptLine& line = script.lines[i];
        if (script_line_for_pass(script, script.ends[i] - 1) != &line) std::abort();
        InputScript again;
        if (!parse_input_script(format_script_line(line) + "\n", &again, &error)) std::abort();
        if (again.lines.size() != 1 || !same_line(again.lines[0], line)) std::abort();
    }
    if (script_line_for_pass(script, script_length(script)) != nullptr) std::abort();
    return 0;
}
