// Level steps shared by the three levels. Speeds are pixels per frame; float
// to int conversions truncate toward zero; arithmetic within one formula is done
// in double precision and stored as float.
#include "game/movement.h"

#include <cmath>
#include <cstdio>

#include "audio/music.h"
#include "game/world.h"
#include "gfx/display.h"
#include "gfx/text.h"
#include "raster/lines.h"
#include "support/clock.h"

namespace {

constexpr int kMaxSettleSteps = 1100;  // bounds a settle that the screen clamp cannot end

void set_player_sequence(int sequence, int speed) {
    bob_set_anim_speed(&player, speed);
    bob_set_animation(&player, sequence);
}

}  // namespace

int key_down(int vk) {
    return (async_key_state(vk) & 0x8000) ? 1 : 0;
}

int left_button_down() {
    return mouse_state.rgbButtons[0] != 0 ? 1 : 0;
}

void music_keep_alive() {
    if (music_status(game_music) == MUSIC_STATE_STOPPED) play_music(game_music);
}

void apply_gravity() {
    player.vy = static_cast<float>(player.vy + 1.0);
}

void pointer_motion() {
    mouse_x += mouse_state.lX;
    mouse_y += mouse_state.lY;
}

void stop_request() {
    if ((moving_left && !key_down(VK_LEFT)) || (moving_right && !key_down(VK_RIGHT)))
        stop_walking = 1;
}

void teleport() {
    if (key_down(VK_LSHIFT) && key_down('J')) {
        player.x = static_cast<float>(mouse_x);
        player.y = static_cast<float>(mouse_y);
    }
}

void pointer_clamp() {
    if (mouse_x >= display_width)
        mouse_x = display_width - 1;
    else if (mouse_x < 0)
        mouse_x = 0;
    if (mouse_y >= display_height)
        mouse_y = display_height - 1;
    else if (mouse_y < 0)
        mouse_y = 0;
    cursor.x = static_cast<float>(mouse_x - 16);
    cursor.y = static_cast<float>(mouse_y - 16);
}

void mouse_fetch() {
    if (lpdimouse) lpdimouse->get_device_state(sizeof(DIMOUSESTATE), &mouse_state);
}

void escape_check() {
    if (key_down(VK_ESCAPE)) post_message(main_window_handle, WM_DESTROY, 0, 0);
}

void draw_background() {
    start_clock();
    // A landscape that fills the screen overwrites every pixel of the clear
    // under it, so the clear is left out then; the frame is the same.
    const BitmapImage& land = landscapes[3];
    bool covers = (land.attr & IMAGE_ATTR_LOADED) && land.bpp == 8 && land.x == 0 && land.y == 0 &&
                  land.width == display_width && land.height == display_height;
    if (!covers) fill_surface(back_surface, 0, nullptr);
    lock_back();
    int drawn = draw_image8(&land, back_pixels, back_pitch, 0);
    unlock_back();
    if (covers && !drawn) fill_surface(back_surface, 0, nullptr);
}

void launch() {
    if (!charging || left_button_down()) return;
    if (!airborne) {
        airborne = 1;
        float dx = static_cast<float>(player.x + 33.0 - mouse_x);
        float dy = static_cast<float>(player.y + 36.0 - mouse_y - 20.0);
        float dist = std::fabs(dx) + std::fabs(dy);
        power = static_cast<float>(power + 15.0);
        int s = static_cast<int>(power);
        if (dist == 0.0f) {
            // The pointer stands on the reference point: no direction, no speed.
            player.vx = 0.0f;
            player.vy = 0.0f;
        } else {
            float qx = dx / dist;
            float qy = dy / dist;
            player.vx = static_cast<float>(std::fabs(qx) * static_cast<double>(dx > 0 ? -s : s));
            player.vy = static_cast<float>(std::fabs(qy) * static_cast<double>(dy > 0 ? -s : s));
        }
    }
    charging = 0;
    power = 0.0f;
}

void choose_animation() {
    int current = player.curr_animation;
    if (airborne) {
        int wanted = player.vx > 0.0f ? 2 : 3;
        if (current != 2 && current != 3) set_player_sequence(wanted, 1);
    } else if (current != 0 && current != 1) {
        set_player_sequence(0, 3);
    }
}

void charge() {
    if (!left_button_down()) return;
    charging = 1;
    if (power < 25.0f) power = static_cast<float>(power + 0.5);
}

void walk() {
    if (key_down(VK_RIGHT) && !airborne) {
        moving_right = 1;
        player.vx = static_cast<float>(player.vx + 4.0);
        walking = 1;
        if (player.curr_animation != 0) bob_set_animation(&player, 0);
    } else if (key_down(VK_LEFT) && !airborne) {
        moving_left = 1;
        player.vx = static_cast<float>(player.vx - 4.0);
        walking = 1;
        if (player.curr_animation != 1) bob_set_animation(&player, 1);
    }
}

void stop_walk() {
    if (stop_walking && !airborne) {
        player.vx = 0.0f;
        moving_left = moving_right = stop_walking = 0;
    }
}

void integrate() {
    player.y = static_cast<float>(player.y + (player.vy + 1.0));
    player.x = static_cast<float>(player.x + player.vx);
}

void animate_player() {
    if (walking || airborne) {
        bob_animate(&player);
    } else {
        int a = player.curr_animation;
        player.curr_frame = (a == 0 || a == 2) ? 0 : 8;
    }
}

// Scans the ground box for the ground colour and, while it holds some, lifts the
// player one pixel and stands it still.
void ground_settle() {
    lock_back();
    airborne = 1;
    for (int step = 0; step < kMaxSettleSteps; ++step) {
        int left = static_cast<int>(player.x + 16.0);
        int top = static_cast<int>(player.y + 24.0);
        int right = static_cast<int>(player.width + player.x - 32.0);
        int bottom = static_cast<int>(player.height + player.y - 12.0);
        if (!back_pixels || !scan_color8(left, top, right, bottom, GROUND_COLOR, GROUND_COLOR,
                                         back_pixels, back_pitch))
            break;
        player.vy = 0.0f;
        player.vx = 0.0f;
        airborne = moving_left = moving_right = stop_walking = 0;
        player.y = static_cast<float>(player.y - (player.vy + 1.0));
    }
    unlock_back();
}

void draw_hud() {
    COLORREF colour = rgb_color(255, 255, 255);
    if (power >= 25.0f)
        colour = rgb_color(255, 0, 0);
    else if (power >= 16.0f)
        colour = rgb_color(205, 140, 0);
    else if (power >= 8.0f)
        colour = rgb_color(255, 255, 0);
    std::snprintf(hud_text, sizeof hud_text, "power=%d", static_cast<int>(power * 4.0));
    draw_text_rgb(hud_text, 8, 8, colour, back_surface);
    std::snprintf(hud_text, sizeof hud_text, "Deaths=%d", deaths);
    draw_text_rgb(hud_text, 1100, 8, rgb_color(255, 255, 255), back_surface);
}

void screen_edges(int level) {
    int half = player.width >> 1;
    if (player.x > 1280 - half) {
        if (level == 3)
            player.x = static_cast<float>(-half);
        else
            player.x = static_cast<float>(player.x - 10.0);
    } else if (player.x < -half) {
        player.x = static_cast<float>(-half);
    } else {
        return;
    }
    player.vx = static_cast<float>(player.vx * -0.3);
    player.vy = static_cast<float>(player.vy * 0.3);
}

void finish_frame() {
    bob_draw(&cursor, back_surface);
    flip_display();
}
