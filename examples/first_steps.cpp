// A first program: the hero of the game's sprite sheet walks where the arrow
// keys push it at 30 frames a second, Enter shouts, the title tune plays on and
// Escape ends it; in a window, in a browser page (the web build), or with
// --headless SCRIPT on the virtual clock, its keys read from an input script. Its
// files are in the working directory: build/default/assets, /usr/share/vantorel17.
#include <cstdio>
#include <string>

#include "audio/music.h"
#include "audio/sound.h"
#include "gfx/bob.h"
#include "gfx/display.h"
#include "gfx/palette.h"
#include "gfx/text.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/backends/sdl/sdl_backend.h"
#if defined(__EMSCRIPTEN__)
#include "platform/backends/web/web_backend.h"
#endif
#include "platform/system/replay.h"
#include "platform/system/win32.h"
#include "support/clock.h"

int main(int argc, char** argv) {
    constexpr std::uint32_t FRAME_MS = 1000 / 30;  // the frame clock's wait: 30 frames a second
    constexpr int STEP = 4;                        // pixels the hero moves in a frame
    auto down = [](int vk) { return (async_key_state(vk) & 0x8000) != 0; };
    InputScript script;
    std::string error;
    bool headless = argc == 3 && std::string(argv[1]) == "--headless";
    if (argc != 1 && !(headless && load_input_script(argv[2], &script, &error))) {
        std::fprintf(stderr, "usage: first_steps [--headless SCRIPT] %s\n", error.c_str());
        return 2;
    }
    if (headless) play_input_script(std::move(script));  // in place of the keyboard
    if (headless) use_virtual_clock(0);
    BackendOptions window;
    window.windowed = true;
#if defined(__EMSCRIPTEN__)
    set_backend(make_web_backend(window));  // the page's canvas, keys and Web Audio
#else
    set_backend(headless ? make_headless_backend() : make_sdl_backend(window));
#endif
    WNDCLASSEX wc{};
    wc.lpfnWndProc = def_window_proc;
    wc.lpszClassName = "FIRST";
    BitmapFile sheet{};
    Bob hero{};
    if (!register_class_ex(&wc) ||
        !create_window_ex(0, "FIRST", "First steps", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                          nullptr, nullptr, nullptr) ||
        !display_init(640, 480, 8, 0) || !load_bitmap_file(&sheet, "QUENSP0.BMP") ||
        !bob_create(&hero, 284, 203, 72, 74, 4, BOB_VISIBLE | BOB_FRAME_CYCLE | BOB_WRAP,
                    DDSCAPS_SYSTEMMEMORY, 0, 8)) {
        std::fprintf(stderr, "first_steps: no display, or no QUENSP0.BMP here\n");
        return 1;
    }
    set_palette(sheet.palette);  // the sheet's colours are the game's palette
    for (int cell = 0; cell < 4; ++cell) bob_load_frame8(&hero, &sheet, cell, cell, 0, 0);
    bob_set_anim_speed(&hero, 3);  // a new walking frame every third frame
    unload_bitmap_file(&sheet);
    sound_init();
    music_init();
    int shout = load_wav("scream.WAV", 0), tune = load_midi("title.mid");
    int frames = 0, shouts = 0;
    for (bool enter_was_down = false;; ++frames) {
        start_clock();
        MSG msg{};
        if (peek_message(&msg, nullptr, 0, 0, PM_REMOVE)) dispatch_message(&msg);
        if (msg.message == WM_DESTROY || down(VK_ESCAPE)) break;          // closed, or Escape
        if (music_status(tune) != MUSIC_STATE_PLAYING) play_music(tune);  // again from its start
        if (down(VK_RETURN) && !enter_was_down && play_sound(shout, 0)) ++shouts;
        enter_was_down = down(VK_RETURN);
        int dx = down(VK_RIGHT) - down(VK_LEFT), dy = down(VK_DOWN) - down(VK_UP);
        bob_set_velocity(&hero, STEP * dx, STEP * dy);
        bob_move(&hero);  // wraps round the screen's edges
        if (dx || dy) bob_animate(&hero);
        fill_surface(back_surface, 2, nullptr);
        bob_draw(&hero, back_surface);
        draw_text_rgb("Arrows walk, Enter shouts, Escape ends", 16, 16, 0xFFFFFF, back_surface);
        flip_display();
        wait_clock(FRAME_MS);
    }
    std::printf("first_steps: %d frames, hero at %d,%d, shouts: %d, music %s\n", frames,
                static_cast<int>(hero.x), static_cast<int>(hero.y), shouts,
                music_status(tune) == MUSIC_STATE_PLAYING ? "playing" : "silent");
    music_shutdown();
    sound_shutdown();
    display_shutdown();
    set_backend(nullptr);
#if defined(__EMSCRIPTEN__)
    end_web_program(0);  // in a browser, a main that has waited returns to nobody
#endif
    return 0;
}
