// Start-up and shutdown. TEMPORARY: only the variables, the display and the
// mouse exist so far; sound, music and the assets join as they are built.
#include "shell/startup.h"

#include "game/world.h"
#include "gfx/display.h"

int game_init(void*, int) {
    game_state = STATE_TITLE;
    display_init(1280, 1024, 8, 0);

    // The mouse is shared with the system and read whether or not the window has
    // the focus. No result is looked at: a frame uses whatever the state holds.
    direct_input8_create(main_instance, DIRECTINPUT_VERSION, &lpdi);
    if (lpdi) lpdi->create_device(GUID_SysMouse, &lpdimouse);
    if (lpdimouse) {
        lpdimouse->set_cooperative_level(main_window_handle, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
        lpdimouse->set_data_format(&c_dfDIMouse);
        lpdimouse->acquire();
    }
    show_cursor(0);
    return 1;
}

int game_shutdown(void*, int) {
    display_shutdown();
    return 1;
}
