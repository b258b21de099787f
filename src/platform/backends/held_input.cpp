// What the keyboard, the mouse and the controllers hold, merged and fed on.
#include "platform/backends/held_input.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/system/input_feed.h"
#include "platform/system/virtual_keys.h"

void HeldInput::set_key(int vk, bool down) {
    if (vk < 0 || vk > 255) return;
    keyboard_[vk] = down;
    feed_key(vk, down || pad_keys_[vk]);
}

void HeldInput::set_button(int button, bool down) {
    if (button < 0 || button > 3) return;
    mouse_buttons_[button] = down;
    feed_mouse_button(button, down || (button == 0 && pad_fire_));
}

void HeldInput::set_pad(const PadReading& r) {
    const std::pair<int, bool> keys[] = {{VK_LEFT, r.left},    {VK_RIGHT, r.right},
                                         {VK_UP, r.up},        {VK_DOWN, r.down},
                                         {VK_RETURN, r.enter}, {VK_ESCAPE, r.escape}};
    for (auto [vk, down] : keys) {
        if (pad_keys_[vk] == down) continue;
        pad_keys_[vk] = down;
        feed_key(vk, keyboard_[vk] || down);
    }
    if (pad_fire_ != r.fire) {
        pad_fire_ = r.fire;
        feed_mouse_button(0, mouse_buttons_[0] || pad_fire_);
    }
}

void HeldInput::release_all() {
    feed_release_all_keys();
    for (int button = 0; button < 4; ++button) feed_mouse_button(button, false);
    std::fill(std::begin(keyboard_), std::end(keyboard_), false);
    std::fill(std::begin(pad_keys_), std::end(pad_keys_), false);
    std::fill(std::begin(mouse_buttons_), std::end(mouse_buttons_), false);
    pad_fire_ = false;
}
