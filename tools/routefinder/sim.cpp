// The in-process game for the route finder. A pass feeds its input through the
// same routine that plays script passes and runs game_frame, so a pass here and
// a pass of the program read the same keys, button and motion at the same time.
#include "sim.h"

#include "platform/backends/headless/headless_backend.h"
#include "platform/system/replay.h"
#include "platform/system/win32.h"
#include "shell/session.h"
#include "shell/winmain.h"
#include "support/clock.h"

int sim_start(const char* assets_dir) {
    use_virtual_clock(0);
    return game_open(assets_dir, make_headless_backend());
}

void sim_stop() {
    game_close();
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
    world_save(&s->world);
    // The unread motion is taken out of the device and fed back unchanged.
    DIMOUSESTATE unread{};
    s->pending_dx = s->pending_dy = 0;
    if (lpdimouse && lpdimouse->get_device_state(sizeof unread, &unread) == DI_OK) {
        s->pending_dx = unread.lX;
        s->pending_dy = unread.lY;
        feed_mouse_motion(unread.lX, unread.lY);
    }
    s->tick = get_tick_count();
    s->clock_start = frame_start_ticks;
}

void sim_restore(const WorldSnapshot& s) {
    world_restore(s.world);
    DIMOUSESTATE unread{};
    if (lpdimouse) lpdimouse->get_device_state(sizeof unread, &unread);  // drops what is there
    feed_mouse_motion(s.pending_dx, s.pending_dy);
    use_virtual_clock(s.tick);
    frame_start_ticks = s.clock_start;
}
