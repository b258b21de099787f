// The in-process game for the route finder. A pass feeds its input through the
// same routine that plays script passes and runs game_frame, so a pass here and
// a pass of the program read the same keys, button and motion at the same time.
#include "sim.h"

#include <unistd.h>

#include <cstdio>

#include "game/contacts.h"
#include "game/movement.h"
#include "platform/headless/headless_backend.h"
#include "platform/win32.h"
#include "shell/startup.h"
#include "shell/winmain.h"
#include "support/clock.h"

namespace {

bool started = false;

}  // namespace

int sim_start(const char* assets_dir) {
    if (started) return 1;
    if (!assets_dir || chdir(assets_dir) != 0) {
        std::fprintf(stderr, "routefinder: cannot enter the asset folder %s\n",
                     assets_dir ? assets_dir : "(none)");
        return 0;
    }
    use_virtual_clock(0);
    set_backend(make_headless_backend(InputScript{}, false));
    WNDCLASSEX wc{};
    wc.cbSize = sizeof(WNDCLASSEX);
    wc.lpfnWndProc = WindowProc;
    wc.lpszClassName = "WINCLASS1";
    if (!register_class_ex(&wc)) return 0;
    main_window_handle = create_window_ex(0, "WINCLASS1", "Vantorel 17", WS_POPUP | WS_VISIBLE, 0,
                                          0, 1280, 1024, nullptr, nullptr, nullptr, nullptr);
    if (!main_window_handle || !game_init(nullptr, 0)) {
        std::fprintf(stderr, "routefinder: the game could not start in %s\n", assets_dir);
        return 0;
    }
    started = true;
    return 1;
}

void sim_stop() {
    if (!started) return;
    game_shutdown(nullptr, 0);
    set_backend(nullptr);
    reset_window_system();
    reset_direct_input();
    started = false;
}

void sim_pass(const ScriptLine& line) {
    InputScript one;
    one.lines.push_back(line);
    one.lines.back().count = 1;
    one.ends.push_back(1);
    feed_script_pass(one, 0);
    game_frame(nullptr, 0);
}

void sim_save(WorldSnapshot* s) {
    s->state = game_state;
    s->page = story_page;
    s->latch = enter_latch;
    s->pointer_x = mouse_x;
    s->pointer_y = mouse_y;
    s->mouse = mouse_state;
    // The unread motion is taken out of the device and fed back unchanged.
    DIMOUSESTATE unread{};
    s->pending_dx = s->pending_dy = 0;
    if (lpdimouse && lpdimouse->get_device_state(sizeof unread, &unread) == DI_OK) {
        s->pending_dx = unread.lX;
        s->pending_dy = unread.lY;
        feed_mouse_motion(unread.lX, unread.lY);
    }
    s->death_count = deaths;
    s->charge_power = power;
    s->in_air = airborne;
    s->is_charging = charging;
    s->walk_left = moving_left;
    s->walk_right = moving_right;
    s->stop_request = stop_walking;
    for (int i = 0; i < NUM_PLATFORMS_LEVEL1; ++i) {
        s->plat_x[i] = platX[i];
        s->plat_y[i] = platY[i];
    }
    s->trapdoors_in_play = num_trapdoors;
    for (int i = 0; i < MAX_TRAPDOORS; ++i) {
        s->trapdoor[i] = trapdoor_states[i];
        s->trapdoor_bobs[i] = trapdoors[i];
    }
    s->moving_dir = platform_dir;
    s->player_bob = player;
    s->cursor_bob = cursor;
    s->platform_bob = platform;
    s->scratch_bob = bobptr;
    s->wall_bob = wall;
    s->door_bob = door;
    s->spike_bobs[0] = spike_left;
    s->spike_bobs[1] = spike_down;
    s->spike_bobs[2] = spike_right;
    s->spike_bobs[3] = spike_up;
    s->is_riding = riding;
    s->is_walking = walking;
    s->tick = get_tick_count();
    s->clock_start = frame_start_ticks;
}

void sim_restore(const WorldSnapshot& s) {
    game_state = s.state;
    story_page = s.page;
    enter_latch = s.latch;
    mouse_x = s.pointer_x;
    mouse_y = s.pointer_y;
    mouse_state = s.mouse;
    DIMOUSESTATE unread{};
    if (lpdimouse) lpdimouse->get_device_state(sizeof unread, &unread);  // drops what is there
    feed_mouse_motion(s.pending_dx, s.pending_dy);
    deaths = s.death_count;
    power = s.charge_power;
    airborne = s.in_air;
    charging = s.is_charging;
    moving_left = s.walk_left;
    moving_right = s.walk_right;
    stop_walking = s.stop_request;
    for (int i = 0; i < NUM_PLATFORMS_LEVEL1; ++i) {
        platX[i] = s.plat_x[i];
        platY[i] = s.plat_y[i];
    }
    num_trapdoors = s.trapdoors_in_play;
    for (int i = 0; i < MAX_TRAPDOORS; ++i) {
        trapdoor_states[i] = s.trapdoor[i];
        trapdoors[i] = s.trapdoor_bobs[i];
    }
    platform_dir = s.moving_dir;
    player = s.player_bob;
    cursor = s.cursor_bob;
    platform = s.platform_bob;
    bobptr = s.scratch_bob;
    wall = s.wall_bob;
    door = s.door_bob;
    spike_left = s.spike_bobs[0];
    spike_down = s.spike_bobs[1];
    spike_right = s.spike_bobs[2];
    spike_up = s.spike_bobs[3];
    riding = s.is_riding;
    walking = s.is_walking;
    use_virtual_clock(s.tick);
    frame_start_ticks = s.clock_start;
}
