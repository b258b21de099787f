// Parser and writer of input scripts. The parser reads through the text line by
// line, checks every field's range before it is stored, and names the line of
// the first fault; nothing it is given can make it read past the text.
#include "platform/formats/input_script.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdlib>

#include "platform/formats/file_io.h"
#include "platform/system/virtual_keys.h"

namespace {

// A script file larger than this is refused: a recording of hours of play
// with the mouse moving on every pass is a few megabytes.
constexpr std::size_t kMaxScriptBytes = std::size_t{64} << 20;

struct KeyName {
    const char* name;
    int vk;
};

constexpr std::array<KeyName, 22> kNamedKeys = {{
    {"BACK", VK_BACK},         {"TAB", VK_TAB},
    {"RETURN", VK_RETURN},     {"SHIFT", VK_SHIFT},
    {"CONTROL", VK_CONTROL},   {"MENU", VK_MENU},
    {"ESCAPE", VK_ESCAPE},     {"SPACE", VK_SPACE},
    {"LEFT", VK_LEFT},         {"UP", VK_UP},
    {"RIGHT", VK_RIGHT},       {"DOWN", VK_DOWN},
    {"LSHIFT", VK_LSHIFT},     {"RSHIFT", VK_RSHIFT},
    {"LCONTROL", VK_LCONTROL}, {"RCONTROL", VK_RCONTROL},
    {"LMENU", VK_LMENU},       {"RMENU", VK_RMENU},
    {"ENTER", VK_RETURN},      {"ESC", VK_ESCAPE},
    {"CTRL", VK_CONTROL},      {"ALT", VK_MENU},
}};

// Letter and digit key names are the characters themselves.
char single_key_char(int vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return static_cast<char>(vk);
    return 0;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::vector<std::string_view> split_fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

template <typename T>
bool parse_number(std::string_view text, T* value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Parses the key field: "-" or names joined by commas.
bool parse_keys(std::string_view field, std::vector<std::uint8_t>* keys, std::string* why) {
    keys->clear();
    if (field == "-") return true;
    std::size_t start = 0;
    while (start <= field.size()) {
        std::size_t comma = field.find(',', start);
        if (comma == std::string_view::npos) comma = field.size();
        std::string_view name = field.substr(start, comma - start);
        int vk = script_key_code(name);
        if (vk < 0) {
            *why = "unknown key '" + std::string(name) + "'";
            return false;
        }
        keys->push_back(static_cast<std::uint8_t>(vk));
        start = comma + 1;
    }
    std::sort(keys->begin(), keys->end());
    keys->erase(std::unique(keys->begin(), keys->end()), keys->end());
    return true;
}

bool parse_line(std::string_view text, ScriptLine* line, std::string* why) {
    std::vector<std::string_view> f = split_fields(text);
    if (f.size() != 5) {
        *why = "expected 5 fields (count keys dx dy button), found " + std::to_string(f.size());
        return false;
    }
    if (!parse_number(f[0], &line->count) || line->count < 1 || line->count > SCRIPT_MAX_COUNT) {
        *why = "count '" + std::string(f[0]) + "' is not a number from 1 to " +
               std::to_string(SCRIPT_MAX_COUNT);
        return false;
    }
    if (!parse_keys(f[1], &line->keys, why)) return false;
    if (!parse_number(f[2], &line->dx) || !parse_number(f[3], &line->dy) ||
        std::abs(line->dx) > SCRIPT_MAX_MOTION || std::abs(line->dy) > SCRIPT_MAX_MOTION) {
        *why = "motion '" + std::string(f[2]) + " " + std::string(f[3]) +
               "' is not two numbers within +-" + std::to_string(SCRIPT_MAX_MOTION);
        return false;
    }
    if (f[4] != "0" && f[4] != "1") {
        *why = "button '" + std::string(f[4]) + "' is neither 0 nor 1";
        return false;
    }
    line->button = f[4] == "1" ? 1 : 0;
    return true;
}

}  // namespace

int script_key_code(std::string_view name) {
    if (name.size() == 1) {
        int c = std::toupper(static_cast<unsigned char>(name[0]));
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
        return -1;
    }
    for (const KeyName& k : kNamedKeys) {
        if (iequals(name, k.name)) return k.vk;
    }
    return -1;
}

std::string_view script_key_name(int vk) {
    static const std::array<std::string, 36> singles = [] {
        std::array<std::string, 36> s;
        for (int i = 0; i < 26; ++i) s[i] = std::string(1, static_cast<char>('A' + i));
        for (int i = 0; i < 10; ++i) s[26 + i] = std::string(1, static_cast<char>('0' + i));
        return s;
    }();
    if (char c = single_key_char(vk)) return c >= 'A' ? singles[c - 'A'] : singles[26 + c - '0'];
    for (const KeyName& k : kNamedKeys) {
        if (k.vk == vk) return k.name;  // the first name of a code is its own
    }
    return {};
}

int parse_input_script(std::string_view text, InputScript* out, std::string* error) {
    InputScript script;
    std::uint64_t pass = 0;
    int number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        ++number;
        if (std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        if (split_fields(line).empty()) continue;
        ScriptLine parsed;
        std::string why;
        if (!parse_line(line, &parsed, &why)) {
            if (error) *error = "line " + std::to_string(number) + ": " + why;
            return 0;
        }
        pass += parsed.count;
        script.lines.push_back(std::move(parsed));
        script.ends.push_back(pass);
    }
    if (out) *out = std::move(script);
    return 1;
}

int load_input_script(const char* path, InputScript* out, std::string* error) {
    if (!path) {
        if (error) *error = "no file name";
        return 0;
    }
    std::vector<std::uint8_t> bytes;
    if (!read_file_bytes(path, kMaxScriptBytes, &bytes, error)) return 0;
    return parse_input_script(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), out, error);
}

const ScriptLine* script_line_for_pass(const InputScript& script, std::uint64_t pass) {
    auto it = std::upper_bound(script.ends.begin(), script.ends.end(), pass);
    if (it == script.ends.end()) return nullptr;
    return &script.lines[static_cast<std::size_t>(it - script.ends.begin())];
}

std::uint64_t script_length(const InputScript& script) {
    return script.ends.empty() ? 0 : script.ends.back();
}

std::string format_script_line(const ScriptLine& line) {
    std::string keys;
    for (std::uint8_t vk : line.keys) {
        std::string_view name = script_key_name(vk);
        if (name.empty()) continue;  // keys without a name are not recorded
        if (!keys.empty()) keys += ',';
        keys += name;
    }
    // push_back rather than = "-", which GCC 12 at -O3 warns about (-Wrestrict) in error
    if (keys.empty()) keys.push_back('-');
    char text[96];
    std::snprintf(text, sizeof text, "%-8u %-16s %6d %6d  %d", line.count, keys.c_str(), line.dx,
                  line.dy, line.button);
    return text;
}

ScriptRecorder::~ScriptRecorder() {
    close();
}

int ScriptRecorder::open(const char* path) {
    close();
    if (!path || !out_.open(path)) return 0;
    out_.write("# count  keys            dx     dy  button\n");
    pending_ = ScriptLine{};
    return 1;
}

void ScriptRecorder::add(const ScriptLine& pass) {
    if (!out_.is_open()) return;
    bool same = pending_.count > 0 && pending_.keys == pass.keys && pending_.dx == pass.dx &&
                pending_.dy == pass.dy && pending_.button == pass.button &&
                pending_.count < SCRIPT_MAX_COUNT;
    if (same) {
        ++pending_.count;
        return;
    }
    flush_pending();
    pending_ = pass;
    pending_.count = 1;
}

void ScriptRecorder::flush_pending() {
    if (out_.is_open() && pending_.count > 0) {
        out_.write(format_script_line(pending_) + "\n");
        out_.flush();
    }
    pending_.count = 0;
}

void ScriptRecorder::close() {
    if (!out_.is_open()) return;
    flush_pending();
    out_.close();
}
