#include "support/error_log.h"

#include <unistd.h>

#include <regex>

#include "test_util.h"

class ErrorLog : public ::testing::Test {
protected:
    void TearDown() override {
        if (error_file) close_error_file();
    }
};

TEST_F(ErrorLog, WritesBeforeOpeningAreDropped) {
    EXPECT_EQ(0, write_error("lost %d", 1));
    EXPECT_EQ(0, close_error_file());
}

TEST_F(ErrorLog, OpeningLineThenAppendedWritesThenClosingLine) {
    // A short name, so that the opening line fits the 79-character line buffer.
    ASSERT_EQ(0, chdir(V17_TEST_TMP));
    std::string path = "log.txt";
    write_file(path, "old contents that must go\n");
    ASSERT_EQ(1, open_error_file(path.c_str()));
    EXPECT_EQ(0, write_error(nullptr));
    EXPECT_EQ(1, write_error("\npixel format = %d", 8));
    // Written and flushed at once: the file holds it while the log is open.
    EXPECT_NE(std::string::npos, read_file(path).find("pixel format = 8"));
    EXPECT_EQ(1, write_error("%s", "100% sure"));
    EXPECT_EQ(1, close_error_file());
    EXPECT_EQ(nullptr, error_file);

    std::string text = read_file(path);
    std::regex opening(
        "\nOpening Error Output File \\(.*log\\.txt\\) on "
        "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{1,3}, \\d{4}\n\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(text, m, opening)) << text;
    EXPECT_EQ(0, m.position(0)) << "the file begins with an empty line, then the opening line";
    EXPECT_EQ(std::string::npos, text.find("old contents"));
    std::string rest = m.suffix();
    EXPECT_EQ("\npixel format = 8100% sure\nClosing Error Output File.", rest);
}

TEST_F(ErrorLog, LongMessagesAreCutAtSeventyNineCharacters) {
    std::string path = temp_path("long.txt");
    ASSERT_EQ(1, open_error_file(path.c_str()));
    std::string big(500, 'x');
    long before = static_cast<long>(read_file(path).size());
    EXPECT_EQ(1, write_error("%s", big.c_str()));
    close_error_file();
    std::string text = read_file(path);
    EXPECT_EQ(std::string(79, 'x'), text.substr(before, 79));
    EXPECT_EQ('\n', text[before + 79]);  // the closing line follows at once
}

TEST_F(ErrorLog, AdoptedStreamIsWrittenButNeverClosed) {
    std::string path = temp_path("stream.txt");
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(nullptr, f);
    ASSERT_EQ(1, open_error_file("STDOUT", f));
    EXPECT_EQ(f, error_file);
    write_error("hello");
    std::fclose(f);  // ours to close: the log only borrowed it
    error_file = nullptr;
    std::string text = read_file(path);
    EXPECT_EQ(0u, text.find("\nOpening Error Output File (STDOUT) on "));
    EXPECT_NE(std::string::npos, text.find("hello"));

    ASSERT_EQ(1, open_error_file("STDOUT", stdout));
    EXPECT_EQ(1, close_error_file());
    EXPECT_NE(EOF, std::fflush(stdout));  // still open
    EXPECT_NE(-1, std::fprintf(stdout, "%s", ""));
}

TEST_F(ErrorLog, UncreatableFileLeavesTheLogClosed) {
    EXPECT_EQ(0, open_error_file("/nonexistent-dir/log.txt"));
    EXPECT_EQ(nullptr, error_file);
    EXPECT_EQ(0, write_error("x"));
}
