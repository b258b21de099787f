// TEMPORARY: frame skeletons that stand in for the screens and levels until the
// game itself is built. Each checks Escape, starts the clock, reads the mouse,
// clears the back buffer and flips when there is a display, and waits out the
// frame, which is all the loop, the pacing and the presentation need.
#include "game/screens.h"

#include "game/world.h"
#include "gfx/display.h"
#include "support/clock.h"

namespace {

int skeleton_frame() {
    if (async_key_state(VK_ESCAPE) & 0x8000) post_message(main_window_handle, WM_DESTROY, 0, 0);
    start_clock();
    if (lpdimouse) lpdimouse->get_device_state(sizeof(DIMOUSESTATE), &mouse_state);
    if (back_surface) {
        fill_surface(back_surface, 0, nullptr);
        flip_display();
    }
    wait_clock(30);
    return 1;
}

}  // namespace

int title_frame(void*, int) { return skeleton_frame(); }
int level1_frame(void*, int) { return skeleton_frame(); }
int level2_frame(void*, int) { return skeleton_frame(); }
int level3_frame(void*, int) { return skeleton_frame(); }
int ending_frame(void*, int) { return skeleton_frame(); }
