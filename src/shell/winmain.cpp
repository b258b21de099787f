// WinMain, the window procedure and the game-state dispatcher.
#include "shell/winmain.h"

#include "game/screens.h"
#include "game/world.h"
#include "shell/startup.h"

FrameFunction frame_functions[5] = {title_frame, level1_frame, level2_frame, level3_frame,
                                    ending_frame};
void (*frame_observer)() = nullptr;

LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            begin_paint(hwnd, &ps);
            end_paint(hwnd, &ps);
            return 0;
        }
        case WM_DESTROY:
            post_quit_message(0);
            return 0;
        default:
            return def_window_proc(hwnd, msg, wparam, lparam);
    }
}

int game_frame(void* parms, int num_parms) {
    unsigned state = static_cast<unsigned>(game_state);
    FrameFunction frame = state <= 4 ? frame_functions[state] : frame_functions[0];
    frame(parms, num_parms);
    return 1;
}

HWND open_game_window(HINSTANCE instance) {
    WNDCLASSEX winclass{};
    winclass.cbSize = sizeof(WNDCLASSEX);
    winclass.style = CS_DBLCLKS | CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    winclass.lpfnWndProc = WindowProc;
    winclass.cbClsExtra = 0;
    winclass.cbWndExtra = 0;
    winclass.hInstance = instance;
    winclass.hIcon = load_icon(nullptr, IDI_APPLICATION);
    winclass.hCursor = load_cursor(nullptr, IDC_ARROW);
    winclass.hbrBackground = static_cast<HBRUSH>(get_stock_object(BLACK_BRUSH));
    winclass.lpszMenuName = nullptr;
    winclass.lpszClassName = "WINCLASS1";
    winclass.hIconSm = load_icon(nullptr, IDI_APPLICATION);
    main_instance = instance;

    if (!register_class_ex(&winclass)) return nullptr;
    HWND hwnd = create_window_ex(0, "WINCLASS1", "Vantorel 17", WS_POPUP | WS_VISIBLE, 0, 0, 1280,
                                 1024, nullptr, nullptr, instance, nullptr);
    if (hwnd) main_window_handle = hwnd;
    return hwnd;
}

int WinMain(HINSTANCE instance, HINSTANCE, char*, int) {
    if (!open_game_window(instance)) return 0;
    game_init(nullptr, 0);  // the loop runs with whatever start-up made

    MSG msg{};
    for (;;) {
        if (peek_message(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) break;
            translate_message(&msg);
            dispatch_message(&msg);
        }
        game_frame(nullptr, 0);
        if (frame_observer) frame_observer();
    }

    game_shutdown(nullptr, 0);
    return static_cast<int>(msg.wParam);
}
