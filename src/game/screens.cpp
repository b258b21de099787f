// The title screen with its two story pages, and the ending screen.
#include "game/screens.h"

#include "audio/music.h"
#include "game/movement.h"
#include "game/setup.h"
#include "game/world.h"
#include "gfx/display.h"
#include "support/clock.h"

namespace {

void show_picture(BitmapImage& picture) {
    fill_surface(back_surface, 0, nullptr);
    lock_back();
    draw_image8(&picture, back_pixels, back_pitch, 0);
    unlock_back();
}

// One press of Enter turns one page, however long it is held: a press counts
// on the first frame it is seen down after a frame in which it was up.
void enter_handling() {
    if (key_down(VK_RETURN)) {
        if (story_page == 0) play_music(story_music);
        if (enter_latch == 1) {
            ++story_page;
            enter_latch = 0;
        }
    } else {
        enter_latch = 1;
    }
}

}  // namespace

int title_frame(void*, int) {
    escape_check();
    start_clock();
    mouse_fetch();
    pointer_motion();
    pointer_clamp();
    enter_handling();
    if (story_page != 3) {
        show_picture(landscapes[story_page]);
        bob_draw(&cursor, back_surface);
        flip_display();
        wait_clock(30);
    } else {
        enter_level(STATE_LEVEL1);
    }
    return 1;
}

int ending_frame(void*, int) {
    escape_check();
    start_clock();
    show_picture(landscapes[4]);
    flip_display();
    wait_clock(30);
    return 1;
}
