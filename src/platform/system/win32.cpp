// The window system: one window class table, one window, a first-in first-out
// message queue, the pointer count and the pass that each removing peek begins.
// The queue holds everything, WM_QUIT included, in the order it was posted.
#include "platform/system/win32.h"

#include <deque>
#include <string>
#include <vector>

#include "platform/system/backend.h"
#include "platform/system/input_feed.h"
#include "platform/system/replay.h"

struct WindowRecord {
    WNDPROC proc = nullptr;
    RECT rect{};
    bool paint_pending = false;
};

namespace {

constexpr std::size_t kQueueLimit = 10000;  // posts beyond this fail, as on the real queue

struct ClassEntry {
    std::string name;
    WNDPROC proc;
};

std::vector<ClassEntry> classes;
WindowRecord* the_window = nullptr;
std::deque<MSG> queue;
int cursor_count = 0;

int stock_object_token;  // the stock handles point here: non-null, never freed

bool in_filter(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
    if (hwnd && m.hwnd != hwnd) return false;
    if (lo == 0 && hi == 0) return true;
    return m.message >= lo && m.message <= hi;
}

// What the backend fed in besides keys and motion: the window's requests.
void take_window_requests() {
    if (take_paint_request() && the_window) the_window->paint_pending = true;
    for (int n = take_close_requests(); n > 0 && the_window; --n)
        post_message(the_window, WM_CLOSE, 0, 0);
}

void pump(bool new_pass) {
    if (Backend* b = backend()) b->pump(new_pass);
    take_window_requests();
}

// A removing peek starts a new pass: the backend feeds that pass's input from
// its devices, then the replay has its part (see replay.h).
void begin_pass() {
    std::uint64_t passes = count_pass();
    pump(true);
    replay_pass(passes - 1);
}

}  // namespace

// ---- window class and window --------------------------------------------------

ATOM register_class_ex(const WNDCLASSEX* wc) {
    if (!wc || !wc->lpfnWndProc || !wc->lpszClassName || !wc->lpszClassName[0]) return 0;
    for (const ClassEntry& c : classes) {
        if (c.name == wc->lpszClassName) return 0;
    }
    classes.push_back({wc->lpszClassName, wc->lpfnWndProc});
    return static_cast<ATOM>(0xC000 + classes.size());
}

HWND create_window_ex(std::uint32_t, const char* class_name, const char* caption, std::uint32_t,
                      int x, int y, int width, int height, HWND, void*, HINSTANCE, void*) {
    if (!class_name || the_window || width <= 0 || height <= 0) return nullptr;
    WNDPROC proc = nullptr;
    for (const ClassEntry& c : classes) {
        if (c.name == class_name) proc = c.proc;
    }
    if (!proc) return nullptr;
    if (backend() && !backend()->open_window(caption ? caption : "", width, height)) return nullptr;
    the_window = new WindowRecord;
    the_window->proc = proc;
    the_window->rect = {x, y, x + width, y + height};
    the_window->paint_pending = true;  // a new visible window asks to be painted
    proc(the_window, WM_CREATE, 0, 0);
    return the_window;
}

HWND get_active_window() {
    return the_window;
}

int get_window_rect(HWND hwnd, RECT* rect) {
    if (!hwnd || hwnd != the_window || !rect) return 0;
    *rect = hwnd->rect;
    if (Backend* b = backend()) {
        RECT r{};
        if (b->window_rect(&r.left, &r.top, &r.right, &r.bottom)) *rect = r;
    }
    return 1;
}

HICON load_icon(HINSTANCE, const char*) {
    return &stock_object_token;
}
HCURSOR load_cursor(HINSTANCE, const char*) {
    return &stock_object_token;
}
HBRUSH get_stock_object(int) {
    return &stock_object_token;
}

// ---- messages -----------------------------------------------------------------

int peek_message(MSG* msg, HWND hwnd, UINT lo, UINT hi, UINT remove) {
    run_present_hook();  // the screen shows palette and front changes without a flip
    if (remove & PM_REMOVE) {
        begin_pass();
    } else {
        pump(false);
    }
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (!in_filter(*it, hwnd, lo, hi)) continue;
        if (msg) *msg = *it;
        if (remove & PM_REMOVE) queue.erase(it);
        return 1;
    }
    // An empty queue hands out the window's paint request, as the real one does.
    if (the_window && the_window->paint_pending) {
        MSG paint{the_window, WM_PAINT, 0, 0, get_tick_count(), {0, 0}};
        if (in_filter(paint, hwnd, lo, hi)) {
            if (msg) *msg = paint;
            return 1;
        }
    }
    return 0;
}

int translate_message(const MSG*) {
    return 0;
}

LRESULT dispatch_message(const MSG* msg) {
    if (!msg || !msg->hwnd || msg->hwnd != the_window || !the_window->proc) return 0;
    return the_window->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT def_window_proc(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) post_message(hwnd, WM_DESTROY, 0, 0);
    if (message == WM_PAINT && hwnd) hwnd->paint_pending = false;
    return 0;
}

int post_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (queue.size() >= kQueueLimit) return 0;
    queue.push_back(MSG{hwnd, message, wparam, lparam, get_tick_count(), {0, 0}});
    return 1;
}

void post_quit_message(int exit_code) {
    // WM_QUIT takes its place behind everything posted before it; it is never
    // refused, so a full queue cannot keep the program from ending.
    queue.push_back(
        MSG{nullptr, WM_QUIT, static_cast<WPARAM>(exit_code), 0, get_tick_count(), {0, 0}});
}

HDC begin_paint(HWND hwnd, PAINTSTRUCT* paint) {
    if (!hwnd || hwnd != the_window) return nullptr;
    hwnd->paint_pending = false;
    if (paint) *paint = PAINTSTRUCT{&stock_object_token, 0, hwnd->rect};
    return &stock_object_token;
}

int end_paint(HWND hwnd, const PAINTSTRUCT*) {
    return hwnd && hwnd == the_window ? 1 : 0;
}

// ---- keys and pointer ---------------------------------------------------------

std::int16_t async_key_state(int vk) {
    if (vk < 0 || vk > 255) return 0;
    bool down = key_is_down(vk);
    // The side-neutral codes answer for either side.
    if (vk == VK_SHIFT) down = down || key_is_down(VK_LSHIFT) || key_is_down(VK_RSHIFT);
    if (vk == VK_CONTROL) down = down || key_is_down(VK_LCONTROL) || key_is_down(VK_RCONTROL);
    if (vk == VK_MENU) down = down || key_is_down(VK_LMENU) || key_is_down(VK_RMENU);
    return down ? static_cast<std::int16_t>(0x8000) : 0;
}

int show_cursor(int show) {
    cursor_count += show ? 1 : -1;
    if (Backend* b = backend()) b->set_pointer_visible(cursor_count >= 0);
    return cursor_count;
}

// ---- set-up -------------------------------------------------------------------

void reset_window_system() {
    reset_replay();
    classes.clear();
    if (Backend* b = backend()) b->close_window();
    delete the_window;
    the_window = nullptr;
    queue.clear();
    reset_keys_and_requests();
    cursor_count = 0;
    reset_ticks();
}
