// Command line parsing with CLI11.
#include "shell/options.h"

#include <CLI/CLI.hpp>
#include <cstdio>

// The build defines the project's version for this file.
#ifndef V17_VERSION
#error "V17_VERSION is not defined"
#endif

int parse_options(int argc, char** argv, Options* o) {
    CLI::App app{"Vantorel 17: a side-view platform game.", "vantorel17"};
    app.set_version_flag("--version", "vantorel17 " V17_VERSION);
    app.add_flag("--window", o->windowed, "a 1280x1024 window instead of full screen");
    CLI::Option* headless =
        app.add_flag("--headless", o->headless,
                     "no window or audio device: virtual clock, needs --input or --frames");
    app.add_option("--renderer", o->renderer,
                   "how the window is drawn: gl, cpu or auto (default: OpenGL where it runs on "
                   "a GPU, else the CPU)")
        ->check(CLI::IsMember({"auto", "gl", "cpu"}))
        ->excludes(headless);
    app.add_option("--input", o->input, "play an input script instead of the keyboard and mouse");
    app.add_option("--record", o->record, "write the keyboard and mouse of this run as a script");
    app.add_option("--trace", o->trace, "write one JSON line per frame");
    app.add_option("--frames", o->frames, "end the program after N frames, as Escape would")
        ->check(CLI::PositiveNumber);
    app.add_option("--assets", o->assets, "the working directory to read the asset files from");
    app.add_option("--start-tick", o->start_tick,
                   "headless: the virtual tick counter's first value (default 0)");
    app.add_option("--shots", o->shots, "headless: write presented frames as PNG into DIR");
    app.add_option("--shot-every", o->shot_every, "with --shots: every Nth frame (default 1)")
        ->check(CLI::PositiveNumber);
    app.add_option("--audio-out", o->audio_out, "headless: write the mixed audio as a WAV file")
        ->needs(headless);
    app.add_flag("--timedemo", o->timedemo,
                 "with --input: run unpaced and print frames per second at the end");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion& e) {
        std::printf("%s\n", e.what());
        return 0;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "vantorel17: %s\n\n%s", e.what(), app.help().c_str());
        return 2;
    }
    if (o->headless && o->input.empty() && o->frames == 0) {
        std::fprintf(stderr, "vantorel17: --headless needs --input or --frames\n\n%s",
                     app.help().c_str());
        return 2;
    }
    if (o->timedemo && o->input.empty()) {
        std::fprintf(stderr, "vantorel17: --timedemo needs --input\n\n%s", app.help().c_str());
        return 2;
    }
#if defined(__EMSCRIPTEN__)
    // The browser build has the page only: no headless run and no files of
    // pictures or sound beside it.
    if (o->headless || !o->shots.empty() || !o->audio_out.empty()) {
        std::fprintf(stderr,
                     "vantorel17: --headless, --shots and --audio-out are for the native game\n");
        return 2;
    }
#endif
    return -1;
}

BackendOptions backend_options(const Options& o) {
    BackendOptions b;
    b.windowed = o.windowed;
    b.renderer = o.renderer == "gl"    ? FrameRenderer::gl
                 : o.renderer == "cpu" ? FrameRenderer::cpu
                                       : FrameRenderer::automatic;
    b.shots_dir = o.shots;
    b.shot_every = o.shot_every;
    b.audio_out = o.audio_out;
    return b;
}

ClockMode clock_mode_for(const Options& o) {
    return o.headless || o.timedemo ? ClockMode::virtual_time : ClockMode::virtual_paced;
}
