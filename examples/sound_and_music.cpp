// Example: sound effects and music. Loads a WAV file and a MIDI file from the
// assets directory, starts the music, plays the sound at 2010 ms and again at
// 3000 ms, and runs 30 ms frames until the music has ended and the sounds have
// died away, saying on stdout when each thing happens. Headless by default
// (virtual clock; --audio-out keeps what was heard as a WAV file); --sdl plays
// it on the real clock through the audio device. In a browser page (the web
// build) it plays on the real clock through the page's Web Audio, and takes
// neither --sdl nor --audio-out.
//
//   sound_and_music [--sdl] [--audio-out FILE] [--assets DIR] [SOUND.WAV] [MUSIC.MID]
//
// Exit codes: 0 when everything played, 1 when a file did not load, 2 for a
// fault in the command line.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "audio/music.h"
#include "audio/sound.h"
#if defined(__EMSCRIPTEN__)
#include "platform/backends/web/web_backend.h"
#else
#include "platform/backends/headless/headless_backend.h"
#include "platform/backends/sdl/sdl_backend.h"
#endif
#include "platform/system/win32.h"
#include "support/clock.h"

namespace {

constexpr std::uint32_t kFrameMs = 30;
constexpr std::uint32_t kSoundTimes[] = {2010, 3000};  // ms after the start
constexpr std::uint32_t kTailMs = 1000;  // runs on this long after the last sound starts

struct Args {
    bool sdl = false;
    std::string audio_out, assets = ".", sound = "scream.WAV", music = "title.mid";
};

int usage() {
    std::fprintf(stderr,
                 "usage: sound_and_music [--sdl] [--audio-out FILE] [--assets DIR] "
                 "[SOUND.WAV] [MUSIC.MID]\n");
    return 2;
}

// Reads the command line; false for a fault in it.
bool parse(int argc, char** argv, Args* a) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool has_value = i + 1 < argc;
        if (arg == "--sdl") {
            a->sdl = true;
        } else if (arg == "--audio-out" && has_value) {
            a->audio_out = argv[++i];
        } else if (arg == "--assets" && has_value) {
            a->assets = argv[++i];
        } else if (arg[0] != '-' && files < 2) {
            (files++ == 0 ? a->sound : a->music) = arg;
        } else {
            return false;
        }
    }
#if defined(__EMSCRIPTEN__)
    return !a->sdl && a->audio_out.empty();  // the browser's output is the page's Web Audio
#else
    return !(a->sdl && !a->audio_out.empty());  // the WAV file is the headless output's
#endif
}

// The frames: one removing peek each (the headless output renders the time
// that passed), then the sound and music orders of that moment.
void run(int sound, int music, std::uint32_t start) {
    play_music(music);
    std::printf("music starts at 0 ms\n");
    bool music_ended = false;
    std::size_t next = 0;  // the next of kSoundTimes to play
    const std::size_t count = sizeof kSoundTimes / sizeof kSoundTimes[0];
    for (;;) {
        std::uint32_t now = start_clock() - start;
        MSG msg;
        peek_message(&msg, nullptr, 0, 0, PM_REMOVE);
        if (!music_ended && music_status(music) == MUSIC_STATE_STOPPED) {
            music_ended = true;
            std::printf("music ended at %u ms\n", now);
        }
        // The first frame at or after each time plays it (on the real clock a
        // frame can start a little late).
        if (next < count && now >= kSoundTimes[next]) {
            play_sound(sound, 0);
            std::printf("sound at %u ms\n", now);
            ++next;
        }
        if (music_ended && next == count && now >= kSoundTimes[count - 1] + kTailMs) break;
        wait_clock(kFrameMs);
    }
}

int play(int argc, char** argv) {
    Args args;
    if (!parse(argc, argv, &args)) return usage();
    if (chdir(args.assets.c_str()) != 0) {
        std::fprintf(stderr, "sound_and_music: --assets %s: %s\n", args.assets.c_str(),
                     std::strerror(errno));
        return 2;
    }
#if defined(__EMSCRIPTEN__)
    set_backend(make_web_backend());
#else
    if (args.sdl) {
        set_backend(make_sdl_backend());
    } else {
        use_virtual_clock(0);
        BackendOptions outputs;
        outputs.audio_out = args.audio_out;
        set_backend(make_headless_backend(outputs));
    }
#endif
    sound_init();
    music_init();
    int sound =
        load_wav(args.sound.c_str(), DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME);
    int music = load_midi(args.music.c_str());
    if (sound < 0) std::fprintf(stderr, "sound_and_music: cannot load %s\n", args.sound.c_str());
    if (music < 0) std::fprintf(stderr, "sound_and_music: cannot load %s\n", args.music.c_str());
    int code = sound >= 0 && music >= 0 ? 0 : 1;
    if (code == 0) run(sound, music, get_tick_count());
    music_shutdown();
    sound_shutdown();
    set_backend(nullptr);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__EMSCRIPTEN__)
    end_web_program(play(argc, argv));  // main's caller is gone once the program has waited
#else
    return play(argc, argv);
#endif
}
