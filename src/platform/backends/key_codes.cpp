// The key table: letters, digits and function keys follow from their runs of
// usages and names; every other key is one row giving its usage, its browser
// name and its virtual code, searched by either.
#include "platform/backends/key_codes.h"

#include <cstring>

#include "platform/system/virtual_keys.h"

namespace {

struct Key {
    int usage;         // USB HID usage, keyboard page
    const char* code;  // KeyboardEvent.code
    int vk;
};

// The keys beyond the letters, digits and function keys, which follow runs.
constexpr Key kKeys[] = {
    {39, "Digit0", '0'},
    {40, "Enter", VK_RETURN},
    {41, "Escape", VK_ESCAPE},
    {42, "Backspace", VK_BACK},
    {43, "Tab", VK_TAB},
    {44, "Space", VK_SPACE},
    {79, "ArrowRight", VK_RIGHT},
    {80, "ArrowLeft", VK_LEFT},
    {81, "ArrowDown", VK_DOWN},
    {82, "ArrowUp", VK_UP},
    {88, "NumpadEnter", VK_RETURN},
    {224, "ControlLeft", VK_LCONTROL},
    {225, "ShiftLeft", VK_LSHIFT},
    {226, "AltLeft", VK_LMENU},
    {228, "ControlRight", VK_RCONTROL},
    {229, "ShiftRight", VK_RSHIFT},
    {230, "AltRight", VK_RMENU},
};

// Letters A-Z are usages 4-29, digits 1-9 are 30-38, F1-F12 are 58-69.
constexpr int kFirstLetter = 4, kFirstDigit = 30, kFirstFunction = 58;
constexpr int VK_F1 = 0x70;

// "Name" followed by a decimal number from first to last: that number, else 0.
int numbered(const char* code, const char* name, int first, int last) {
    std::size_t n = std::strlen(name);
    if (std::strncmp(code, name, n) != 0 || !code[n]) return 0;
    int value = 0;
    for (const char* p = code + n; *p; ++p) {
        if (*p < '0' || *p > '9' || value > 100) return 0;
        value = value * 10 + (*p - '0');
    }
    if (code[n] == '0') return 0;  // no leading zeros: "F01" is no key
    return value >= first && value <= last ? value : 0;
}

}  // namespace

int vk_from_usb_usage(int usage) {
    if (usage >= kFirstLetter && usage < kFirstLetter + 26) return 'A' + (usage - kFirstLetter);
    if (usage >= kFirstDigit && usage < kFirstDigit + 9) return '1' + (usage - kFirstDigit);
    if (usage >= kFirstFunction && usage < kFirstFunction + 12)
        return VK_F1 + (usage - kFirstFunction);
    for (const Key& k : kKeys) {
        if (k.usage == usage) return k.vk;
    }
    return -1;
}

int vk_from_key_code(const char* code) {
    if (!code) return -1;
    if (std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && !code[4])
        return code[3];
    if (std::strncmp(code, "Digit", 5) == 0 && code[5] >= '1' && code[5] <= '9' && !code[6])
        return code[5];
    if (int f = numbered(code, "F", 1, 12)) return VK_F1 + f - 1;
    for (const Key& k : kKeys) {
        if (std::strcmp(k.code, code) == 0) return k.vk;
    }
    return -1;
}
