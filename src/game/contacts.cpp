// Contacts, hazards and deaths. Objects drawn many times (spikes, wall pieces,
// fixed platforms) are copies of one sprite record placed in the scratch
// record bobptr, tested and drawn one piece at a time.
#include "game/contacts.h"

#include <cmath>

#include "audio/sound.h"
#include "game/world.h"
#include "gfx/display.h"

namespace {

// The landing shared by platforms, trapdoors and the level-1 wall.
void land() {
    player.y = static_cast<float>(player.y - std::fabs(player.vy));
    player.vy = 0.0f;
    player.vx = 0.0f;
    airborne = 0;
}

// Undoes the step the player took in the last integrate.
void step_back() {
    player.x = static_cast<float>(player.x - player.vx);
    player.y = static_cast<float>(player.y - player.vy);
}

}  // namespace

int bob_overlap_sized(const Bob* a, const Bob* b, int wa, int ha, int wb, int hb) {
    if (!a || !b) return 0;
    return bob_overlap_at(a->x, a->y, wa, ha, b->x, b->y, wb, hb);
}

void platform_contact(const Bob& plat, bool for_riding) {
    if (!bob_overlap(&player, &plat)) return;
    if (player.y < plat.y - 50.0) {
        land();
    } else {
        step_back();
        player.vx = 0.0f;
        player.vy = 0.0f;
    }
    if (for_riding) riding = 1;
}

void trapdoor_contacts() {
    for (int i = 0; i < num_trapdoors && i < MAX_TRAPDOORS; ++i) {
        TrapdoorState& state = trapdoor_states[i];
        if (!state.solid || !bob_overlap(&player, &trapdoors[i])) continue;
        if (player.y < trapdoors[i].y - 50.0) {
            land();
            if (!state.triggered) {
                state.triggered = 1;
                state.trigger_time = get_tick_count();
            }
        } else {
            step_back();
            player.vx = static_cast<float>(player.vx * 0.3);
            player.vy = 0.0f;
        }
    }
}

void trapdoor_timing_and_drawing() {
    for (int i = 0; i < num_trapdoors && i < MAX_TRAPDOORS; ++i) {
        TrapdoorState& state = trapdoor_states[i];
        if (!state.triggered) {
            bob_draw(&trapdoors[i], back_surface);
            continue;
        }
        std::uint32_t elapsed = get_tick_count() - state.trigger_time;
        if (elapsed < 2000) {
            bob_draw(&trapdoors[i], back_surface);
        } else if (elapsed < 7000) {
            state.solid = 0;
        } else if (elapsed > 7000) {
            state.trigger_time = 0;
            state.triggered = 0;
            state.solid = 1;
        }
    }
}

void moving_platform_motion(float left_bound, float right_bound) {
    // The bound is tested before the step, so the platform takes one more step
    // past it before it turns.
    if (platform_dir == 0) {
        if (platform.x > right_bound) platform_dir = 1;
        platform.x = static_cast<float>(platform.x + 2.0);
        if (riding) player.x = static_cast<float>(player.x + 2.0);
    } else {
        if (platform.x < left_bound) platform_dir = 0;
        platform.x = static_cast<float>(platform.x - 2.0);
        if (riding) player.x = static_cast<float>(player.x - 2.0);
    }
}

void wall_contact_level1() {
    if (!bob_overlap_sized(&player, &wall, player.width, player.height, 300, 600)) return;
    if (player.y < wall.y - 50.0) {
        land();
    } else {
        player.x = 0.0f;
        player.vx = static_cast<float>(player.vx * -0.3);
        player.vy = static_cast<float>(player.vy * 0.3);
    }
}

void wall_contact(const Bob& piece) {
    if (!bob_overlap(&player, &piece)) return;
    if (airborne) {
        step_back();
        player.vx = 0.0f;
        player.vy = 0.0f;
    } else if (player.curr_animation == 0) {
        player.vx = static_cast<float>(player.vx - 5.0);
    } else {
        player.vx = static_cast<float>(player.vx + 5.0);
    }
}

void player_death(float respawn_x, float respawn_y) {
    player.x = respawn_x;
    player.y = respawn_y;
    player.vx = 0.0f;
    player.vy = 0.0f;
    play_sound(scream_sound, 0);
    ++deaths;
}

void spike_strip(const Bob& spike, int count, float x0, float y0, float dx, float dy, float rx,
                 float ry) {
    // The scratch record is the spike throughout; only its place changes.
    if (count > 0) bobptr = spike;
    for (int i = 0; i < count; ++i) {
        bobptr.x = static_cast<float>(x0 + static_cast<double>(dx) * i);
        bobptr.y = static_cast<float>(y0 + static_cast<double>(dy) * i);
        if (bob_overlap_sized(&player, &bobptr, player.width, player.height, 30, 30))
            player_death(rx, ry);
        bob_draw_scaled(&bobptr, 30, 30, back_surface);
    }
}

void discard_scratch() {
    // bob_destroy on a record with attribute bits only forgets the shared frame
    // and sequence references; the scratch copy never has BOB_COPY, and a copy
    // of an unmade record (attr 0) is simply cleared so that nothing it shares
    // is ever released through it.
    if (bobptr.attr != 0)
        bob_destroy(&bobptr);
    else
        bobptr = Bob{};
}
