#include "platform/backends/key_codes.h"

#include <gtest/gtest.h>

#include "platform/system/virtual_keys.h"

// A key gives the same code whether a window names it by its USB usage or a
// browser by its code name.
TEST(KeyCodes, BothNamingsOfAKeyGiveTheSameCode) {
    struct Pair {
        int usage;
        const char* code;
        int vk;
    };
    const Pair pairs[] = {{4, "KeyA", 'A'},
                          {29, "KeyZ", 'Z'},
                          {30, "Digit1", '1'},
                          {39, "Digit0", '0'},
                          {58, "F1", 0x70},
                          {69, "F12", 0x7B},
                          {40, "Enter", VK_RETURN},
                          {88, "NumpadEnter", VK_RETURN},
                          {41, "Escape", VK_ESCAPE},
                          {44, "Space", VK_SPACE},
                          {80, "ArrowLeft", VK_LEFT},
                          {82, "ArrowUp", VK_UP},
                          {225, "ShiftLeft", VK_LSHIFT},
                          {230, "AltRight", VK_RMENU}};
    for (const Pair& p : pairs) {
        EXPECT_EQ(p.vk, vk_from_usb_usage(p.usage)) << p.code;
        EXPECT_EQ(p.vk, vk_from_key_code(p.code)) << p.code;
    }
    for (int usage : {0, 3, 70, 255, -1, 100000}) EXPECT_EQ(-1, vk_from_usb_usage(usage)) << usage;
    for (const char* code : {"", "Key", "KeyAA", "Keya", "F0", "F13", "F01", "F1x", "Digit",
                             "Digit10", "arrowleft", "Unidentified"})
        EXPECT_EQ(-1, vk_from_key_code(code)) << code;
    EXPECT_EQ(-1, vk_from_key_code(nullptr));
}
