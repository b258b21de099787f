// Helpers shared by the test programs: temporary files and running the game.
#pragma once

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// A path in the build tree's scratch folder, unique to the running test.
inline std::string temp_path(const std::string& name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string test = info ? std::string(info->test_suite_name()) + "." + info->name() : "any";
    return std::string(V17_TEST_TMP) + "/" + test + "." + name;
}

inline void write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<std::string> read_lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct RunResult {
    int exit_code = -1;
    std::string output;  // standard output and standard error together
};

// Runs a shell command, standard error joined to standard output.
inline RunResult run_command(const std::string& command_line) {
    std::string command = command_line + " 2>&1";
    RunResult r;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.output.append(buf, n);
    int status = pclose(pipe);
#if defined(_WIN32)
    r.exit_code = status;  // the program's own exit code
#else
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return r;
}

// Runs the game binary with the arguments (already quoted where needed), with
// the environment assignments in env ("NAME=value ...") added.
inline RunResult run_game(const std::string& args, const std::string& env = "") {
    return run_command((env.empty() ? "" : "env " + env + " ") + std::string(V17_GAME_BINARY) +
                       " " + args);
}

// The integer value of "key": in one trace line, or -1 when it is absent.
inline long long json_int(const std::string& line, const std::string& key) {
    std::string pattern = "\"" + key + "\":";
    std::size_t at = line.find(pattern);
    if (at == std::string::npos) return -1;
    return std::atoll(line.c_str() + at + pattern.size());
}
