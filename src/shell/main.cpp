// Entry point: parses the command line, chooses the backend and hands over to
// WinMain. Exit codes: WinMain's result; 1 when no window could be opened; 2
// for a fault in the command line or the input script.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "game/world.h"
#if defined(__EMSCRIPTEN__)
#include "platform/backends/web/web_backend.h"
#else
#include "platform/backends/headless/headless_backend.h"
#include "platform/backends/sdl/sdl_backend.h"
#endif
#include "shell/data_dir.h"
#include "shell/options.h"
#include "shell/trace.h"
#include "shell/winmain.h"

#if !defined(__EMSCRIPTEN__)
namespace {

bool can_create(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f) std::fclose(f);
    return f != nullptr;
}

}  // namespace
#endif

namespace {

int run_game(int argc, char** argv) {
    Options options;
    if (int code = parse_options(argc, argv, &options); code >= 0) return code;

    InputScript script;
    bool has_script = !options.input.empty();
    if (has_script) {
        std::string error;
        if (!load_input_script(options.input.c_str(), &script, &error)) {
            std::fprintf(stderr, "vantorel17: %s: %s\n", options.input.c_str(), error.c_str());
            return 2;
        }
    }
    // Files named on the command line are where the caller meant them, not in
    // the asset folder the game works in.
    for (std::string* path :
         {&options.record, &options.trace, &options.shots, &options.audio_out}) {
        if (!path->empty()) *path = std::filesystem::absolute(*path).string();
    }
    // Without --assets: the installed data, else the working directory.
    if (options.assets.empty()) options.assets = data_dir_for_this_program();
    if (!options.assets.empty() && chdir(options.assets.c_str()) != 0) {
        std::fprintf(stderr, "vantorel17: --assets %s: %s\n", options.assets.c_str(),
                     std::strerror(errno));
        return 2;
    }

    // A timedemo runs on the virtual clock, so that the game behaves as it does
    // paced while the waits return at once.
    // Scripted and recorded runs in a window also use the virtual clock, held
    // to real time, so that a recording replays exactly and a script plays the
    // same as headless whatever the machine's load.
    bool recorded_or_scripted = has_script || !options.record.empty();
    bool virtual_time = options.headless || options.timedemo || recorded_or_scripted;
    if (virtual_time) use_virtual_clock(options.start_tick);
#if defined(__EMSCRIPTEN__)
    // The browser build has the page only: no headless run and no files of
    // pictures or sound beside it.
    if (options.headless || !options.shots.empty() || !options.audio_out.empty()) {
        std::fprintf(stderr,
                     "vantorel17: --headless, --shots and --audio-out are for the native game\n");
        return 2;
    }
    WebBackendOptions web;
    web.has_script = has_script;
    web.pace_virtual_clock = recorded_or_scripted && !options.timedemo;
    web.script = std::move(script);
    web.webgl = options.renderer != "cpu";  // gl and auto: WebGL where it opens
    set_backend(make_web_backend(std::move(web)));
#else
    if (options.headless) {
        if (!options.audio_out.empty() && !can_create(options.audio_out)) {
            std::fprintf(stderr, "vantorel17: cannot write %s\n", options.audio_out.c_str());
            return 2;
        }
        HeadlessOutputs outputs;
        outputs.shots_dir = options.shots;
        outputs.shot_every = options.shot_every;
        outputs.audio_out = options.audio_out;
        set_backend(make_headless_backend(std::move(script), has_script, outputs));
    } else {
        SdlBackendOptions sdl;
        sdl.windowed = options.windowed;
        sdl.renderer = options.renderer == "gl"    ? SdlRenderer::gl
                       : options.renderer == "cpu" ? SdlRenderer::cpu
                                                   : SdlRenderer::automatic;
        sdl.has_script = has_script;
        sdl.pace_virtual_clock = recorded_or_scripted && !options.timedemo;
        sdl.script = std::move(script);
        set_backend(make_sdl_backend(std::move(sdl)));
    }
#endif
    set_frame_limit(options.frames);

    if (!options.record.empty() && !record_input(options.record.c_str())) {
        std::fprintf(stderr, "vantorel17: cannot write %s\n", options.record.c_str());
        return 2;
    }
    if (!options.trace.empty() && !open_trace(options.trace.c_str())) {
        std::fprintf(stderr, "vantorel17: cannot write %s\n", options.trace.c_str());
        return 2;
    }

    static char command_line[] = "";
    auto started = std::chrono::steady_clock::now();
    int code = WinMain(nullptr, nullptr, command_line, 1);
    bool opened = main_window_handle != nullptr;
    if (options.timedemo && opened) {
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        unsigned long long frames = pass_count() > 0 ? pass_count() - 1 : 0;
        std::printf("timedemo: %llu frames in %.3f s: %.1f frames per second\n", frames, seconds,
                    seconds > 0 ? static_cast<double>(frames) / seconds : 0.0);
    }

    stop_recording();
    close_trace();
    set_backend(nullptr);
    return opened ? code : 1;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__EMSCRIPTEN__)
    end_web_program(run_game(argc, argv));
#else
    return run_game(argc, argv);
#endif
}
