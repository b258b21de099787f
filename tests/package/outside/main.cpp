// Uses every part of the installed core library, with no SDL, and checks what
// each gives: a triangle, a span and a polygon in memory of its own; on the
// headless display a bitmap file loaded and drawn as a sprite, a line of text
// and a screen transition; a sound loaded from a 44.1 kHz WAV file (resampled
// on loading) and mixed; a MIDI file loaded and rendered to its end.
//   outside ASSETS WORK   (ASSETS holds Door.BMP; WORK is a scratch folder)
// Exit code 0 when the library behaves; 1 otherwise, saying what did not.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/sound.h"
#include "gfx/bob.h"
#include "gfx/display.h"
#include "gfx/palette.h"
#include "gfx/text.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/formats/wav_writer.h"
#include "platform/system/ticks.h"
#include "platform/system/win32.h"
#include "raster/lines.h"
#include "raster/polygons.h"
#include "raster/spans.h"
#include "raster/transitions.h"

namespace {

bool check(bool ok, const char* what) {
    if (!ok) std::printf("outside project: %s: wrong\n", what);
    return ok;
}

bool draws_into_memory() {
    display_width = 64;
    display_height = 48;
    clip_left = 0;
    clip_top = 0;
    clip_right = 63;
    clip_bottom = 47;
    std::vector<std::uint8_t> pixels(64 * 48, 0);
    draw_triangle8(10, 10, 30, 10, 20, 30, 7, pixels.data(), 64);
    hline8(-5, 100, 40, 3, pixels.data(), 64);
    PolygonVertex square[4] = {{0, 0}, {5, 0}, {5, 5}, {0, 5}};
    Polygon p{1, 4, 40, 10, 0, 0, 9, square};
    fill_polygon8(&p, pixels.data(), 64);
    return check(pixels[20 * 64 + 20] == 7 && pixels[9 * 64 + 20] == 0 &&
                     pixels[40 * 64 + 0] == 3 && pixels[40 * 64 + 63] == 3 &&
                     pixels[12 * 64 + 42] == 9 && fast_distance2d(3, 4) == 6,
                 "drawing into memory");
}

// The door sprite at (100, 50) shows every non-key pixel of its file; the
// text inks some pixels; a closing box then blackens the whole screen.
bool draws_on_the_display(const std::string& assets) {
    WNDCLASSEX wc{};
    wc.lpfnWndProc = def_window_proc;
    wc.lpszClassName = "OUTSIDE";
    if (!register_class_ex(&wc) ||
        !create_window_ex(0, "OUTSIDE", "outside", WS_POPUP | WS_VISIBLE, 0, 0, 320, 200, nullptr,
                          nullptr, nullptr, nullptr) ||
        !display_init(320, 200, 8, 0))
        return check(false, "the headless display");
    PALETTEENTRY palette[256] = {};
    palette[200] = {255, 255, 255, 0};
    BitmapFile door{};
    Bob bob{};
    bool ok =
        check(load_bitmap_file(&door, (assets + "/Door.BMP").c_str()) &&
                  bob_create(&bob, 100, 50, door.info_header.biWidth, door.info_header.biHeight, 1,
                             BOB_VISIBLE, DDSCAPS_SYSTEMMEMORY, 0, 8) &&
                  bob_load_frame8(&bob, &door, 0, 0, 0, 1),
              "loading the bitmap into a sprite");
    ok = ok && set_palette(palette) && fill_surface(back_surface, 0, nullptr) &&
         bob_draw(&bob, back_surface) && draw_text_index("Outside", 4, 4, 200, back_surface) &&
         flip_display();
    if (ok) {
        const std::uint8_t* shown = front_surface->pixels();
        const int pitch = front_surface->pitch();
        int inked = 0, wrong = 0, drawn = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 80; ++x) inked += shown[y * pitch + x] == 200;
        for (int y = 0; y < bob.height; ++y)
            for (int x = 0; x < bob.width; ++x) {
                std::uint8_t want = door.buffer[y * bob.width + x];
                drawn += want != 0;
                wrong += want != 0 && shown[(50 + y) * pitch + 100 + x] != want;
            }
        ok = check(inked > 40, "the text") && check(drawn > 1000 && wrong == 0, "the sprite");
    }
    if (ok && lock_front()) {
        screen_transition(CLOSE_BOX, front_pixels, front_pitch);
        unlock_front();
        const std::uint8_t* shown = front_surface->pixels();
        ok = check(std::all_of(shown, shown + 200 * front_surface->pitch(),
                               [](std::uint8_t v) { return v == 0; }),
                   "the transition");
    }
    bob_destroy(&bob);
    unload_bitmap_file(&door);
    display_shutdown();
    return ok;
}

// Renders steps of 10 ms of the mixer's output; the loudest sample.
float render_peak(int steps) {
    std::vector<float> out(2 * 441);
    float peak = 0;
    for (int step = 0; step < steps; ++step) {
        mixer_render(out.data(), 441);
        for (float v : out) peak = std::max(peak, std::fabs(v));
    }
    return peak;
}

// 0.1 s of a 441 Hz square wave at half scale, written at 44.1 kHz, is 1102
// or 1103 bytes once converted to 8-bit mono at 11025 Hz, and sounds mixed.
bool mixes_a_resampled_sound() {
    WavWriter wav;
    std::vector<float> tone(2 * 4410);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = (i / 100) % 2 ? 0.5f : -0.5f;
    if (!wav.open("tone.wav", 44100)) return check(false, "writing the WAV file");
    wav.write(tone.data(), 4410);
    wav.close();
    int id = sound_init() ? load_wav("tone.wav", 0) : -1;
    bool ok = check(id >= 0 && std::abs(sound_slots[id].size - 1102) <= 1, "loading the sound") &&
              check(play_sound(id, 0) && render_peak(10) > 0.3f, "mixing the sound");
    sound_shutdown();
    return ok;
}

// One note of 480 ticks at 120 beats a minute: the piece ends after 0.5 s.
bool renders_music() {
    // Format 0, one track, 480 ticks a quarter note; the track: a piano, note 60
    // on and, 480 ticks later, off; the end of the track.
    const char note[] =
        "MThd\0\0\0\6\0\0\0\1\1\xE0"
        "MTrk\0\0\0\x10"
        "\0\xC0\0\0\x90\x3C\x64\x83\x60\x80\x3C\0\0\xFF\x2F\0";
    std::FILE* f = std::fopen("note.mid", "wb");
    bool written = f && std::fwrite(note, sizeof note - 1, 1, f) == 1;
    if (f && std::fclose(f) != 0) written = false;
    if (!written) return check(false, "writing the MIDI file");
    int id = music_init() ? load_midi("note.mid") : -1;
    bool ok = check(id >= 0 && play_music(id), "loading the music");
    float peak = render_peak(49);
    ok = ok && check(music_status(id) == MUSIC_STATE_PLAYING, "the music's length");
    render_peak(2);
    ok = ok && check(music_status(id) == MUSIC_STATE_STOPPED, "the music's end") &&
         check(music_performance->sound_font().empty() || peak > 0.01f, "the music's sound");
    music_shutdown();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || chdir(argv[2]) != 0) {
        std::fprintf(stderr, "usage: outside ASSETS WORK\n");
        return 2;
    }
    bool memory = draws_into_memory();
    use_virtual_clock(0);
    set_backend(make_headless_backend());
    bool display = draws_on_the_display(argv[1]);
    bool sound = mixes_a_resampled_sound();
    bool music = renders_music();
    set_backend(nullptr);
    reset_window_system();
    bool ok = memory && display && sound && music;
    std::printf("outside project: %s\n", ok ? "ok" : "failed");
    return ok ? 0 : 1;
}
