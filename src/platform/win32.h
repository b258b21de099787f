// Window, message queue, key state, pointer and tick counter: the services the
// shell and the game call as they would call the operating system. Each call is
// named after the one it stands in for and keeps its published constants. The
// pieces that differ between a real window and a headless run are behind the
// backend contract (backend.h); everything here is the same for both.
#pragma once

#include <cstdint>

// ---- handles and records ---------------------------------------------------

struct WindowRecord;
using HWND = WindowRecord*;  // a window; null is "none"
using HINSTANCE = void*;     // the program instance; opaque
using HICON = void*;         // stock icon handle; opaque
using HCURSOR = void*;       // stock pointer handle; opaque
using HBRUSH = void*;        // stock brush handle; opaque
using HDC = void*;           // paint context handle; opaque
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT = std::uint32_t;
using ATOM = std::uint16_t;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct POINT {
    std::int32_t x, y;
};

struct RECT {
    std::int32_t left, top, right, bottom;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::uint32_t time;  // tick count when the message was posted
    POINT pt;
};

struct WNDCLASSEX {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    const char* lpszMenuName;
    const char* lpszClassName;
    HICON hIconSm;
};

struct PAINTSTRUCT {
    HDC hdc;
    int fErase;
    RECT rcPaint;
};

// ---- published constants ---------------------------------------------------

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_OWNDC = 0x0020;

constexpr std::uint32_t WS_POPUP = 0x80000000u;
constexpr std::uint32_t WS_VISIBLE = 0x10000000u;

constexpr int BLACK_BRUSH = 4;
inline const char* const IDI_APPLICATION = reinterpret_cast<const char*>(32512);
inline const char* const IDC_ARROW = reinterpret_cast<const char*>(32512);

// Virtual key codes.
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;

// ---- window class and window -----------------------------------------------

// registers the class; returns a non-zero atom, or 0 for a null record, a
// missing name or procedure, or a name registered already
ATOM register_class_ex(const WNDCLASSEX* wc);
// creates the one window of a registered class, opens the backend's window and
// sends WM_CREATE to its procedure; returns null when the class is unknown, a
// window exists already or the backend cannot open one
HWND create_window_ex(std::uint32_t ex_style, const char* class_name, const char* caption,
                      std::uint32_t style, int x, int y, int width, int height, HWND parent,
                      void* menu, HINSTANCE instance, void* param);
// the one window of the program, or null before it is made
HWND get_active_window();
// the window's rectangle on the screen (right and bottom exclusive); 0 for no window
int get_window_rect(HWND hwnd, RECT* rect);
// stock handles: opaque non-null values that need no release
HICON load_icon(HINSTANCE instance, const char* name);
HCURSOR load_cursor(HINSTANCE instance, const char* name);
HBRUSH get_stock_object(int which);

// ---- messages --------------------------------------------------------------

// pumps the backend, then copies the oldest queued message into msg; with
// PM_REMOVE it is taken off the queue and the pass counter moves on; returns 1
// when a message was copied, 0 for an empty queue; never waits
int peek_message(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove);
// nothing to translate: key messages are not used; returns 0
int translate_message(const MSG* msg);
// hands the message to its window's procedure; returns what it returned, 0 for
// a message without a window
LRESULT dispatch_message(const MSG* msg);
// the default answers: WM_CLOSE posts WM_DESTROY, everything else gives 0
LRESULT def_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// queues a message behind all others; returns 1, 0 for a full queue
int post_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// queues WM_QUIT with the exit code as its wParam, behind all others
void post_quit_message(int exit_code);
// an empty paint: returns a context handle, clears the window's paint request
HDC begin_paint(HWND hwnd, PAINTSTRUCT* paint);
int end_paint(HWND hwnd, const PAINTSTRUCT* paint);

// ---- keys, pointer, time ---------------------------------------------------

// 0x8000 set when the key is down now; 0 otherwise and for codes outside 0..255
std::int16_t async_key_state(int vk);
// shows (1) or hides (0) the system pointer; returns the new display count
int show_cursor(int show);
// milliseconds since an arbitrary start, 32-bit unsigned, wrapping
std::uint32_t get_tick_count();
// one poll of a busy-wait loop: on the virtual clock it lets exactly 1 ms pass;
// on the real clock it only lets the window and audio keep up
void yield_processor();

// ---- set-up of the platform (used by the entry point and tests) ------------

// chooses the virtual tick counter, starting at start_tick; otherwise the real one
void use_virtual_clock(std::uint32_t start_tick);
// 1 while the tick counter is virtual (chosen, or no backend), else 0
int virtual_clock_in_use();
// after this many removing peeks, Escape is held down until the program ends; 0 = never
void set_frame_limit(std::uint64_t frames);
// removing peeks so far: the number of the pass now running is this minus one
std::uint64_t pass_count();
// forgets the window, the class, the queue, the key state and the pointer count
void reset_window_system();
// writes every pass's named keys, motion and left button to an input script;
// 1, or 0 when the file cannot be created
int record_input(const char* path);
// ends the recording, writing what is pending
void stop_recording();
