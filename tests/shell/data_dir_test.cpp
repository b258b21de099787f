// The data folder lookup: the installed folder beside the executable first, then
// the working directory; and the game binary copied into a prefix of its own,
// started from elsewhere.
#include "shell/data_dir.h"

#include <filesystem>

#include "test_util.h"

namespace fs = std::filesystem;

namespace {

// a fresh folder for the running test
fs::path fresh(const std::string& name) {
    fs::path p = temp_path(name);
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

}  // namespace

TEST(DataDir, InstalledFolderComesFirstThenTheWorkingDirectory) {
    fs::path root = fresh("root");
    fs::path cwd = root / "here";
    fs::path installed = root / "usr" / "share" / "vantorel17";
    fs::create_directories(cwd);
    fs::create_directories(installed);
    std::string exe = (root / "usr" / "bin" / "vantorel17").string();

    std::vector<std::string> c = data_dir_candidates(exe, cwd.string() + "/.");
    ASSERT_EQ(2u, c.size());
    EXPECT_EQ(installed.string(), c[0]);
    EXPECT_EQ(cwd.string() + "/", c[1]);
    EXPECT_EQ(std::vector<std::string>{cwd.string()}, data_dir_candidates("", cwd.string()));

    // nothing anywhere; a folder named like the marker is no data either
    fs::create_directories(installed / DATA_DIR_MARKER);
    EXPECT_EQ("", data_dir_first_found(c));
    fs::remove(installed / DATA_DIR_MARKER);

    write_file((cwd / DATA_DIR_MARKER).string(), "0 0 0 0\n");
    EXPECT_EQ(c[1], data_dir_first_found(c));
    write_file((installed / DATA_DIR_MARKER).string(), "0 0 0 0\n");
    EXPECT_EQ(c[0], data_dir_first_found(c));
    EXPECT_EQ(0, data_dir_holds_data(""));
}

TEST(DataDir, CopiedGameFindsItsDataFromAnyFolderAndNamesWhereItLooked) {
    fs::path prefix = fresh("prefix");
    fs::path elsewhere = fresh("elsewhere");
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share");
    fs::path game = prefix / "bin" / "vantorel17";
    fs::copy_file(V17_GAME_BINARY, game);
    std::string run =
        "cd " + elsewhere.string() + " && " + game.string() + " --headless --frames 2";

    RunResult none = run_command(run);
    EXPECT_EQ(0, none.exit_code) << none.output;
    EXPECT_NE(std::string::npos, none.output.find((prefix / "share" / "vantorel17").string()))
        << none.output;
    EXPECT_NE(std::string::npos, none.output.find(elsewhere.string())) << none.output;
    EXPECT_NE(std::string::npos, none.output.find("cannot read")) << none.output;

    fs::create_directory_symlink(V17_ASSET_DIR, prefix / "share" / "vantorel17");
    RunResult found = run_command(run);
    EXPECT_EQ(0, found.exit_code) << found.output;
    EXPECT_EQ(std::string::npos, found.output.find("cannot read")) << found.output;
    EXPECT_EQ(std::string::npos, found.output.find("no game data")) << found.output;
}
