// Entry point: parses the command line, chooses the backend and hands over to
// WinMain. Exit codes: WinMain's result; 1 when no window could be opened; 2
// for a fault in the command line or the input script.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/world.h"
#include "platform/headless/headless_backend.h"
#include "platform/sdl/sdl_backend.h"
#include "shell/options.h"
#include "shell/trace.h"
#include "shell/winmain.h"

int main(int argc, char** argv) {
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
    if (!options.assets.empty() && chdir(options.assets.c_str()) != 0) {
        std::fprintf(stderr, "vantorel17: --assets %s: %s\n", options.assets.c_str(),
                     std::strerror(errno));
        return 2;
    }

    if (options.headless) {
        use_virtual_clock(options.start_tick);
        set_backend(make_headless_backend(std::move(script), has_script, options.shots,
                                          options.shot_every));
    } else {
        SdlBackendOptions sdl;
        sdl.windowed = options.windowed;
        sdl.has_script = has_script;
        sdl.script = std::move(script);
        set_backend(make_sdl_backend(std::move(sdl)));
    }
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
    int code = WinMain(nullptr, nullptr, command_line, 1);
    bool opened = main_window_handle != nullptr;

    stop_recording();
    close_trace();
    set_backend(nullptr);
    return opened ? code : 1;
}
