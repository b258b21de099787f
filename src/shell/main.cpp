// Entry point: parses the command line, sets the platform up as it asks (the
// backend, the clock, the replay) and hands over to WinMain. Exit codes:
// WinMain's result; 1 when no window could be opened; 2 for a fault in the
// command line, the input script or the asset folder, or an output file that
// cannot be created; 4 when an output file failed while the run wrote it (the
// file and the reason are on stderr).
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "game/world.h"
#if defined(__EMSCRIPTEN__)
#include "platform/backends/web/web_backend.h"
#else
#include "platform/backends/headless/headless_backend.h"
#include "platform/backends/sdl/sdl_backend.h"
#endif
#include "platform/formats/file_io.h"
#include "platform/system/host_console.h"
#include "platform/system/host_paths.h"
#include "platform/system/replay.h"
#include "shell/data_dir.h"
#include "shell/options.h"
#include "shell/trace.h"
#include "shell/winmain.h"

namespace {

std::unique_ptr<Backend> make_backend(const Options& options) {
#if defined(__EMSCRIPTEN__)
    return make_web_backend(backend_options(options));
#else
    return options.headless ? make_headless_backend(backend_options(options))
                            : make_sdl_backend(backend_options(options));
#endif
}

// Plays the script named by --input, if any; 0 with the reason on stderr.
int play_script_option(const std::string& path) {
    if (path.empty()) return 1;
    InputScript script;
    std::string error;
    if (!load_input_script(path.c_str(), &script, &error)) {
        std::fprintf(stderr, "vantorel17: %s: %s\n", path.c_str(), error.c_str());
        return 0;
    }
    play_input_script(std::move(script));
    return 1;
}

// Creates the files the run writes as it goes; 0 when one cannot be (the
// writer names it on stderr).
int open_outputs(const Options& options) {
    if (!options.record.empty() && !record_input(options.record.c_str())) return 0;
    if (!options.trace.empty() && !open_trace(options.trace.c_str())) return 0;
    return 1;
}

// Ends what the run writes; 4 when an output file failed, else code.
int close_outputs(int code) {
    stop_recording();
    close_trace();
    set_backend(nullptr);
    return output_failures() > 0 ? 4 : code;
}

void print_timedemo(std::chrono::steady_clock::time_point started) {
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    unsigned long long frames = pass_count() > 0 ? pass_count() - 1 : 0;
    std::printf("timedemo: %llu frames in %.3f s: %.1f frames per second\n", frames, seconds,
                seconds > 0 ? static_cast<double>(frames) / seconds : 0.0);
}

int run_game(int argc, char** argv) {
    Options options;
    if (int code = parse_options(argc, argv, &options); code >= 0) return code;
    // Without --assets: the installed data, else the working directory.
    if (options.assets.empty()) options.assets = data_dir_for_this_program();
    if (!enter_data_dir(options.assets, {&options.input, &options.record, &options.trace,
                                         &options.shots, &options.audio_out}))
        return 2;
    if (!play_script_option(options.input) || !open_outputs(options)) return 2;
    set_frame_limit(options.frames);
    set_clock_mode(clock_mode_for(options), options.start_tick);
    set_backend(make_backend(options));
    if (output_failures() > 0) {  // the audio file could not be made
        close_outputs(2);
        return 2;
    }

    static char command_line[] = "";
    auto started = std::chrono::steady_clock::now();
    int code = WinMain(nullptr, nullptr, command_line, 1);
    bool opened = main_window_handle != nullptr;
    if (options.timedemo && opened) print_timedemo(started);
    return close_outputs(opened ? code : 1);
}

}  // namespace

int main(int argc, char** argv) {
    attach_parent_console();
    // The arguments as UTF-8, whatever the system's code page.
    std::vector<std::string> args = utf8_arguments(argc, argv);
    std::vector<char*> arg_pointers;
    for (std::string& arg : args) arg_pointers.push_back(arg.data());
    arg_pointers.push_back(nullptr);
    int count = static_cast<int>(args.size());
#if defined(__EMSCRIPTEN__)
    end_web_program(run_game(count, arg_pointers.data()));
#else
    return run_game(count, arg_pointers.data());
#endif
}
