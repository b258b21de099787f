#include "platform/formats/input_script.h"
#include "platform/system/replay.h"

#include "platform/system/backend.h"
#include "platform/system/dinput.h"
#include "platform/system/replay.h"
#include "platform/system/win32.h"
#include "test_util.h"

TEST(InputScript, ParsesLinesCommentsAndKeyLists) {
    InputScript s;
    std::string error;
    ASSERT_EQ(1, parse_input_script("# header\n"
                                    "  40  -   0 0 0   # idle\n"
                                    "\n"
                                    "1 RETURN 0 0 0\r\n"
                                    "50 LSHIFT,J -5 -3 1\n"
                                    "2 j,lshift,J +4 0 0",  // no final newline
                                    &s, &error))
        << error;
    ASSERT_EQ(4u, s.lines.size());
    EXPECT_EQ(40u, s.lines[0].count);
    EXPECT_TRUE(s.lines[0].keys.empty());
    EXPECT_EQ(std::vector<std::uint8_t>{VK_RETURN}, s.lines[1].keys);
    EXPECT_EQ((std::vector<std::uint8_t>{'J', VK_LSHIFT}), s.lines[2].keys);
    EXPECT_EQ(-5, s.lines[2].dx);
    EXPECT_EQ(-3, s.lines[2].dy);
    EXPECT_EQ(1, s.lines[2].button);
    // Repeated and lower-case names fold into one sorted set.
    EXPECT_EQ(s.lines[2].keys, s.lines[3].keys);
    EXPECT_EQ(4, s.lines[3].dx);
    EXPECT_EQ(93u, script_length(s));
}

TEST(InputScript, PassesMapToTheirLines) {
    InputScript s;
    ASSERT_EQ(1, parse_input_script("2 - 0 0 0\n1 RETURN 0 0 0\n", &s, nullptr));
    EXPECT_EQ(&s.lines[0], script_line_for_pass(s, 0));
    EXPECT_EQ(&s.lines[0], script_line_for_pass(s, 1));
    EXPECT_EQ(&s.lines[1], script_line_for_pass(s, 2));
    EXPECT_EQ(nullptr, script_line_for_pass(s, 3));
    InputScript empty;
    ASSERT_EQ(1, parse_input_script("# nothing\n\n", &empty, nullptr));
    EXPECT_EQ(nullptr, script_line_for_pass(empty, 0));
}

TEST(InputScript, BadLinesNameTheirLineAndLeaveTheScriptUntouched) {
    struct Case {
        const char* text;
        const char* reason;
    } cases[] = {
        {"1 - 0 0\n", "expected 5 fields"},
        {"1 - 0 0 0 7\n", "expected 5 fields"},
        {"0 - 0 0 0\n", "count"},
        {"-3 - 0 0 0\n", "count"},
        {"x - 0 0 0\n", "count"},
        {"99999999999 - 0 0 0\n", "count"},
        {"1 FOO 0 0 0\n", "unknown key 'FOO'"},
        {"1 LEFT,,RIGHT 0 0 0\n", "unknown key ''"},
        {"1 LEFT, 0 0 0\n", "unknown key ''"},
        {"1 - 1.5 0 0\n", "motion"},
        {"1 - 0 2147483648 0\n", "motion"},
        {"1 - 0 200000 0\n", "motion"},
        {"1 - 0 0 2\n", "button"},
        {"1 - 0 0 -1\n", "button"},
    };
    for (const Case& c : cases) {
        InputScript s;
        s.lines.resize(7);
        std::string error;
        std::string text = std::string("# comment\n5 - 0 0 0\n") + c.text;
        EXPECT_EQ(0, parse_input_script(text, &s, &error)) << c.text;
        EXPECT_EQ(0u, error.find("line 3: ")) << error;
        EXPECT_NE(std::string::npos, error.find(c.reason)) << c.text << " -> " << error;
        EXPECT_EQ(7u, s.lines.size());
    }
}

TEST(InputScript, MissingFileIsAnErrorNotACrash) {
    InputScript s;
    std::string error;
    EXPECT_EQ(0, load_input_script("/nonexistent/script.txt", &s, &error));
    EXPECT_EQ("no such file", error);
    EXPECT_EQ(0, load_input_script(nullptr, &s, &error));
}

TEST(InputScript, KeyNamesRoundTrip) {
    for (const char* name : {"LEFT", "RIGHT", "UP", "DOWN", "RETURN", "ESCAPE", "LSHIFT", "SPACE",
                             "A", "Z", "0", "9"}) {
        int vk = script_key_code(name);
        ASSERT_GE(vk, 0) << name;
        EXPECT_EQ(name, script_key_name(vk));
    }
    EXPECT_EQ(VK_LSHIFT, 0xA0);
    EXPECT_EQ('J', script_key_code("j"));
    EXPECT_EQ(-1, script_key_code("F13"));
    EXPECT_EQ(-1, script_key_code("?"));
    EXPECT_TRUE(script_key_name(0xFF).empty());
}

TEST(InputScript, RecorderMergesRunsAndItsOutputParsesBack) {
    std::string path = temp_path("rec.txt");
    ScriptLine idle;
    ScriptLine walk;
    walk.keys = {VK_RIGHT};
    ScriptLine throw_pass;
    throw_pass.keys = {'J', VK_LSHIFT};
    throw_pass.dx = -5;
    throw_pass.dy = 3;
    throw_pass.button = 1;
    {
        ScriptRecorder r;
        ASSERT_EQ(1, r.open(path.c_str()));
        for (int i = 0; i < 3; ++i) r.add(idle);
        r.add(walk);
        r.add(walk);
        r.add(throw_pass);
        r.add(idle);
    }  // closed by its destructor
    InputScript s;
    std::string error;
    ASSERT_EQ(1, load_input_script(path.c_str(), &s, &error)) << error;
    ASSERT_EQ(4u, s.lines.size()) << read_file(path);
    EXPECT_EQ(3u, s.lines[0].count);
    EXPECT_EQ(2u, s.lines[1].count);
    EXPECT_EQ(walk.keys, s.lines[1].keys);
    EXPECT_EQ(throw_pass.keys, s.lines[2].keys);
    EXPECT_EQ(-5, s.lines[2].dx);
    EXPECT_EQ(3, s.lines[2].dy);
    EXPECT_EQ(1, s.lines[2].button);
    EXPECT_EQ(1u, s.lines[3].count);
}

TEST(InputScript, FeedingAPassSetsKeysMotionAndButtonThenEscapeAfterTheEnd) {
    reset_window_system();
    reset_direct_input();
    InputScript s;
    ASSERT_EQ(1, parse_input_script("1 LEFT 3 -2 1\n1 RIGHT 4 1 0\n", &s, nullptr));
    DirectInput* di = nullptr;
    MouseDevice* mouse = nullptr;
    ASSERT_EQ(DI_OK, direct_input8_create(nullptr, DIRECTINPUT_VERSION, &di));
    ASSERT_EQ(DI_OK, di->create_device(GUID_SysMouse, &mouse));
    mouse->set_data_format(&c_dfDIMouse);
    mouse->acquire();

    feed_script_pass(s, 0);
    EXPECT_TRUE(async_key_state(VK_LEFT) & 0x8000);
    feed_script_pass(s, 1);
    EXPECT_FALSE(async_key_state(VK_LEFT) & 0x8000);
    EXPECT_TRUE(async_key_state(VK_RIGHT) & 0x8000);
    DIMOUSESTATE st{};
    ASSERT_EQ(DI_OK, mouse->get_device_state(sizeof st, &st));
    EXPECT_EQ(7, st.lX);  // both passes' motion, as nobody read in between
    EXPECT_EQ(-1, st.lY);
    EXPECT_EQ(0, st.rgbButtons[0]);

    feed_script_pass(s, 2);
    EXPECT_TRUE(async_key_state(VK_ESCAPE) & 0x8000);
    EXPECT_FALSE(async_key_state(VK_RIGHT) & 0x8000);
    reset_direct_input();
}
