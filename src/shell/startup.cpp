// Start-up and shutdown. Every asset is loaded here and nothing later; a file
// that is missing or unreadable is named once on stderr, and what depends on it
// stays blank: no pixels are ever copied from a file that did not load.
#include "shell/startup.h"

#include <cstdio>

#include "audio/music.h"
#include "audio/sound.h"
#include "game/world.h"
#include "gfx/display.h"
#include "gfx/palette.h"
#include "platform/system/ddraw.h"
#include "platform/system/dsound.h"

BitmapFile work_bitmap = {};

namespace {

constexpr std::uint32_t kSpriteAttr = BOB_VISIBLE | BOB_SEQUENCED;  // every sprite but the pointer
constexpr std::uint32_t kCursorAttr = BOB_VISIBLE | BOB_ONE_FRAME;  // the pointer picture
// the scream's buffer can change its frequency, pan and volume
constexpr std::uint32_t kScreamControls =
    DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
constexpr int kPlayerSequences[4][8] = {
    {1, 2, 3, 4, 5, 6, 7, 0},
    {9, 10, 11, 12, 13, 14, 15, 0},
    {16, 17, 18, 19, 20, 21, 22, 23},
    {24, 25, 26, 27, 28, 29, 30, 31},
};
constexpr int kPlayerSequenceCounts[4] = {7, 7, 7, 8};

// Loads a bitmap file into work_bitmap; names a file that fails on stderr.
bool load_asset(const char* name) {
    if (load_bitmap_file(&work_bitmap, name)) return true;
    std::fprintf(stderr, "vantorel17: cannot read %s; it stays blank\n", name);
    return false;
}

void open_mouse() {
    direct_input8_create(main_instance, DIRECTINPUT_VERSION, &lpdi);
    if (lpdi) lpdi->create_device(GUID_SysMouse, &lpdimouse);
    if (!lpdimouse) return;
    lpdimouse->set_cooperative_level(main_window_handle, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    lpdimouse->set_data_format(&c_dfDIMouse);
    lpdimouse->acquire();
}

void load_sound_and_music() {
    sound_init();
    music_init();
    scream_sound = load_wav("scream.WAV", kScreamControls);
    title_music = load_midi("title.mid");
    story_music = load_midi("story.mid");
    game_music = load_midi("game.mid");
    end_music = load_midi("end.mid");
    const struct {
        int id;
        const char* name;
    } loaded[] = {{scream_sound, "scream.WAV"},
                  {title_music, "title.mid"},
                  {story_music, "story.mid"},
                  {game_music, "game.mid"},
                  {end_music, "end.mid"}};
    for (const auto& l : loaded) {
        if (l.id < 0) std::fprintf(stderr, "vantorel17: cannot read %s; it stays silent\n", l.name);
    }
}

void load_landscapes() {
    char filename[80];
    for (int n = 0; n < 5; ++n) {
        std::snprintf(filename, sizeof filename, "LANDSCAPE%d.BMP", n);
        bool ok = load_asset(filename);
        create_image(&landscapes[n], 0, 0, 1280, 1024, 8);
        if (ok) load_image8(&landscapes[n], &work_bitmap, 0, 0, 1);
        // Unloading frees the pixels only: the colours of the last file read
        // stay in work_bitmap for the palette.
        unload_bitmap_file(&work_bitmap);
    }
}

// Frame 0 of a one-frame sprite from cell (0, 0) of the named file.
void load_single_frame(Bob* bob, const char* name) {
    if (load_asset(name)) bob_load_frame8(bob, &work_bitmap, 0, 0, 0, 0);
    unload_bitmap_file(&work_bitmap);
}

bool make_player() {
    if (!bob_create(&player, 0, 0, 72, 74, 32, kSpriteAttr, DDSCAPS_SYSTEMMEMORY, 0, 8))
        return false;
    char filename[80];
    for (int n = 0; n < 4; ++n) {
        std::snprintf(filename, sizeof filename, "QUENSP%d.BMP", n);
        if (load_asset(filename)) {
            for (int c = 0; c < 4; ++c) bob_load_frame8(&player, &work_bitmap, 8 * n + c, c, 0, 0);
            for (int c = 0; c < 4; ++c)
                bob_load_frame8(&player, &work_bitmap, 8 * n + 4 + c, c, 1, 0);
        }
        unload_bitmap_file(&work_bitmap);
        bob_set_sequence(&player, n, kPlayerSequenceCounts[n], kPlayerSequences[n]);
    }
    bob_set_animation(&player, 0);
    bob_set_anim_speed(&player, 3);
    bob_set_velocity(&player, 0, 0);
    bob_set_position(&player, 16, 680);
    return true;
}

// A scenery sprite: created, its one frame loaded, still, at (x, y).
bool make_scenery(Bob* bob, int w, int h, const char* file, int x, int y) {
    if (!bob_create(bob, 0, 0, w, h, 1, kSpriteAttr, DDSCAPS_SYSTEMMEMORY, 0, 8)) return false;
    load_single_frame(bob, file);
    bob_set_velocity(bob, 0, 0);
    bob_set_position(bob, x, y);
    return true;
}

}  // namespace

int game_init(void*, int) {
    world_reset();
    display_init(1280, 1024, 8, 0);
    open_mouse();
    load_sound_and_music();
    mouse_x = display_width / 2;
    mouse_y = display_height / 2;
    load_landscapes();
    set_palette(work_bitmap.palette);

    if (!make_player()) return 0;
    bool cursor_file = load_asset("PAINT.BMP");
    bob_create(&cursor, mouse_x, mouse_y, 31, 33, 1, kCursorAttr, DDSCAPS_SYSTEMMEMORY, 0, 8);
    if (cursor_file) bob_load_frame8(&cursor, &work_bitmap, 0, 0, 0, 0);
    unload_bitmap_file(&work_bitmap);

    if (!make_scenery(&platform, 100, 60, "Platform.BMP", 100, 150)) return 0;
    bool trapdoor_file = load_asset("trapdoor.BMP");
    bob_create(&trapdoor, 0, 0, 100, 60, 1, kSpriteAttr, DDSCAPS_SYSTEMMEMORY, 0, 8);
    if (trapdoor_file) bob_load_frame8(&trapdoor, &work_bitmap, 0, 0, 0, 0);
    unload_bitmap_file(&work_bitmap);
    bob_set_velocity(&trapdoor, 0, 0);
    bob_set_position(&trapdoor, 0, 0);
    for (int i = 0; i < MAX_TRAPDOORS; ++i) {
        trapdoors[i] = trapdoor;  // plain copies: they share the template's frame
        trapdoor_states[i].solid = 1;
    }
    if (!make_scenery(&spike_left, 400, 400, "spikeleft.BMP", 250, 420)) return 0;
    if (!make_scenery(&spike_down, 400, 400, "SpikeDown.BMP", 250, 420)) return 0;
    if (!make_scenery(&spike_right, 400, 400, "spikeright.BMP", 250, 420)) return 0;
    if (!make_scenery(&spike_up, 400, 400, "spikeup.BMP", 250, 420)) return 0;
    if (!make_scenery(&wall, 180, 180, "Wall.BMP", 280, 240)) return 0;
    if (!make_scenery(&door, 80, 100, "Door.BMP", 900, 600)) return 0;

    RECT screen_rect = {0, 0, display_width, display_height};
    back_clipper = attach_clipper(back_surface, 1, &screen_rect);
    show_cursor(0);
    play_music(title_music);
    return 1;
}

int game_shutdown(void*, int) {
    for (BitmapImage& image : landscapes) destroy_image(&image);
    for (Bob* bob : {&player, &cursor, &door, &wall, &platform, &spike_left, &spike_right,
                     &spike_up, &spike_down, &trapdoor})
        bob_destroy(bob);
    stop_all_sounds();
    delete_all_sounds();
    sound_shutdown();
    delete_all_music();
    music_shutdown();
    display_shutdown();
    return 1;
}
