/// @file
/// Window, message queue, key state and pointer: the services the shell and the
/// game call as they would call the operating system, with the tick counter of
/// ticks.h beside them. Each call is named after the one it stands in for and
/// keeps its published constants. The pieces that differ between a real window
/// and a headless run are behind the backend contract (backend.h); everything
/// here is the same for both.
/// @ingroup window_input
#pragma once

#include <cstdint>

#include "platform/system/ticks.h"
#include "platform/system/types.h"
#include "platform/system/virtual_keys.h"

/// @addtogroup window_input
/// @{

// ---- handles and records ---------------------------------------------------

/// a window procedure: answers one message sent to its window
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

/// One message of the queue.
struct MSG {
    HWND hwnd;           ///< the window it is for; null for WM_QUIT
    UINT message;        ///< WM_ code
    WPARAM wParam;       ///< first parameter (WM_QUIT: the exit code)
    LPARAM lParam;       ///< second parameter
    std::uint32_t time;  ///< tick count when the message was posted
    POINT pt;            ///< pointer position: always 0, 0
};

/// A window class. Only the procedure and the name are used; the rest is kept
/// as given.
struct WNDCLASSEX {
    UINT cbSize;                ///< sizeof(WNDCLASSEX)
    UINT style;                 ///< CS_ bits
    WNDPROC lpfnWndProc;        ///< the procedure of its windows; required
    int cbClsExtra;             ///< extra class bytes: not used
    int cbWndExtra;             ///< extra window bytes: not used
    HINSTANCE hInstance;        ///< the program instance
    HICON hIcon;                ///< icon: not used
    HCURSOR hCursor;            ///< pointer: not used
    HBRUSH hbrBackground;       ///< background brush: not used
    const char* lpszMenuName;   ///< menu: not used
    const char* lpszClassName;  ///< the class name create_window_ex is given; required
    HICON hIconSm;              ///< small icon: not used
};

/// What begin_paint hands out.
struct PAINTSTRUCT {
    HDC hdc;       ///< a context handle (nothing is drawn through it)
    int fErase;    ///< 0
    RECT rcPaint;  ///< the window's rectangle
};

// ---- published constants ---------------------------------------------------

constexpr UINT WM_CREATE = 0x0001;   ///< sent to the procedure as the window is made
constexpr UINT WM_DESTROY = 0x0002;  ///< the window is to go (def_window_proc posts it on WM_CLOSE)
constexpr UINT WM_PAINT = 0x000F;    ///< the window asks to be painted (an empty queue gives it)
constexpr UINT WM_CLOSE = 0x0010;    ///< the window's close button was pressed
constexpr UINT WM_QUIT = 0x0012;     ///< the program is to end; wParam holds the exit code

constexpr UINT PM_NOREMOVE = 0x0000;  ///< peek_message leaves the message in the queue
constexpr UINT PM_REMOVE = 0x0001;    ///< peek_message takes it off and starts a new pass

// Class styles: kept, not used.
constexpr UINT CS_VREDRAW = 0x0001;  ///< class style: redraw on a change of height
constexpr UINT CS_HREDRAW = 0x0002;  ///< class style: redraw on a change of width
constexpr UINT CS_DBLCLKS = 0x0008;  ///< class style: double clicks
constexpr UINT CS_OWNDC = 0x0020;    ///< class style: a device context of its own

// Window styles: kept, not used (the backend decides how the window looks).
constexpr std::uint32_t WS_POPUP = 0x80000000u;    ///< window style: no frame
constexpr std::uint32_t WS_VISIBLE = 0x10000000u;  ///< window style: shown at once

constexpr int BLACK_BRUSH = 4;  ///< get_stock_object: the black brush

/// load_icon: the program's icon
inline const char* const IDI_APPLICATION = reinterpret_cast<const char*>(32512);
/// load_cursor: the arrow pointer
inline const char* const IDC_ARROW = reinterpret_cast<const char*>(32512);

// ---- window class and window -----------------------------------------------

/// registers the class; returns a non-zero atom, or 0 for a null record, a
/// missing name or procedure, or a name registered already
ATOM register_class_ex(const WNDCLASSEX* wc);
/// creates the one window of a registered class, opens the backend's window and
/// sends WM_CREATE to its procedure; returns null when the class is unknown, a
/// window exists already or the backend cannot open one
HWND create_window_ex(std::uint32_t ex_style, const char* class_name, const char* caption,
                      std::uint32_t style, int x, int y, int width, int height, HWND parent,
                      void* menu, HINSTANCE instance, void* param);
/// the one window of the program, or null before it is made
HWND get_active_window();
/// the window's rectangle on the screen (right and bottom exclusive); 0 for no window
int get_window_rect(HWND hwnd, RECT* rect);
/// a stock icon handle: an opaque non-null value that needs no release
HICON load_icon(HINSTANCE instance, const char* name);
/// a stock pointer handle, likewise
HCURSOR load_cursor(HINSTANCE instance, const char* name);
/// a stock brush handle, likewise
HBRUSH get_stock_object(int which);

// ---- messages --------------------------------------------------------------

/// pumps the backend, then copies the oldest queued message into msg; with
/// PM_REMOVE it is taken off the queue and the pass counter moves on; returns 1
/// when a message was copied, 0 for an empty queue; never waits
int peek_message(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove);
/// nothing to translate: key messages are not used; returns 0
int translate_message(const MSG* msg);
/// hands the message to its window's procedure; returns what it returned, 0 for
/// a message without a window
LRESULT dispatch_message(const MSG* msg);
/// the default answers: WM_CLOSE posts WM_DESTROY, everything else gives 0
LRESULT def_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
/// queues a message behind all others; returns 1, 0 for a full queue
int post_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
/// queues WM_QUIT with the exit code as its wParam, behind all others
void post_quit_message(int exit_code);
/// an empty paint: returns a context handle, clears the window's paint request
HDC begin_paint(HWND hwnd, PAINTSTRUCT* paint);
/// ends the paint; 1, 0 for a window that is not the program's
int end_paint(HWND hwnd, const PAINTSTRUCT* paint);

// ---- keys and pointer ------------------------------------------------------

/// 0x8000 set when the key is down now; 0 otherwise and for codes outside 0..255
std::int16_t async_key_state(int vk);
/// shows (1) or hides (0) the system pointer; returns the new display count
int show_cursor(int show);

// ---- set-up of the platform (used by the entry point and tests) ------------

/// forgets the window, the class, the queue, the key state, the pointer count and
/// the replay (see replay.h), and sets the tick counter and the pass count back
/// (see ticks.h)
void reset_window_system();

/// @}
