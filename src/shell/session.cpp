// Opening and closing the game in-process, from the pieces WinMain uses.
#include "shell/session.h"

#include <cstdio>

#include "game/world.h"
#include "platform/system/dinput.h"
#include "platform/system/win32.h"
#include "shell/data_dir.h"
#include "shell/startup.h"
#include "shell/winmain.h"

namespace {

bool backend_installed = false;  // game_open installed a backend that game_close drops
bool started = false;            // start-up ran and shutdown has not

}  // namespace

int game_open(const char* assets_dir, std::unique_ptr<Backend> backend) {
    if (backend_installed) {
        std::fprintf(stderr, "vantorel17: the game is open already\n");
        return 0;
    }
    if (assets_dir && !enter_data_dir(assets_dir)) return 0;
    set_backend(std::move(backend));
    backend_installed = true;
    if (!open_game_window(nullptr)) {
        std::fprintf(stderr, "vantorel17: the game window could not be opened\n");
        game_close();
        return 0;
    }
    started = true;
    if (!game_init(nullptr, 0)) {
        std::fprintf(stderr, "vantorel17: start-up could not make a sprite the game needs\n");
        game_close();
        return 0;
    }
    return 1;
}

int game_close() {
    if (started) game_shutdown(nullptr, 0);
    started = false;
    set_backend(nullptr);
    backend_installed = false;
    reset_window_system();
    reset_direct_input();
    world_reset();
    world_forget_handles();
    return 1;
}
