// What happens when the player touches the objects of a level: platforms,
// trapdoors on their timers, walls, spikes (deaths), and the moving platform.
// Every contact is a box-overlap test at the object's position in this frame;
// the scratch record bobptr and the flag riding are world globals (game/world.h).
#pragma once

#include "gfx/bob.h"

// 1 when the reduced boxes of a (wa x ha) and b (wb x hb) overlap; 0 for a null record
int bob_overlap_sized(const Bob* a, const Bob* b, int wa, int ha, int wb, int hb);

// Platform contact against the sprite at its current position; for_riding marks
// the moving platform, which sets riding on any touch.
void platform_contact(const Bob& plat, bool for_riding);
// Landings on and side touches of the solid trapdoors in play.
void trapdoor_contacts();
// Countdown of each trapdoor in play, drawing those that stand.
void trapdoor_timing_and_drawing();
// The moving platform steps 2 pixels between left and right bounds, carrying a rider.
void moving_platform_motion(float left_bound, float right_bound);
// Level 1's wall, stretched to 300 x 600: land on top, or be sent to x = 0.
void wall_contact_level1();
// A wall piece of levels 2 and 3 at natural size: stop in the air, pushed on the ground.
void wall_contact(const Bob& piece);
// A death: to the respawn point, scream, count.
void player_death(float respawn_x, float respawn_y);
// One strip of count spikes drawn 30 x 30 from the sprite: piece i at
// (x0 + dx * i, y0 + dy * i); a touched piece kills, respawning at (rx, ry).
void spike_strip(const Bob& spike, int count, float x0, float y0, float dx, float dy, float rx,
                 float ry);
// Forgets the scratch copy at the end of the frame, releasing nothing it shares.
void discard_scratch();
