// The steps that the three level frames share: input, the player's physics
// (gravity, walking, the mouse launch), the ground settle on the landscape's
// ground colour, the screen edges, the animation choice and the HUD. Each step
// works on the world globals (walking and hud_text among them, game/world.h);
// the level frames call them in their own order.
#pragma once

// 1 while the key is down now
int key_down(int vk);
// 1 while the left mouse button is down in the last fetched mouse state
int left_button_down();

void music_keep_alive();       // restarts the game music once it has stopped
void apply_gravity();          // vy += 1
void pointer_motion();         // adds the last fetched mouse motion to the pointer
void stop_request();           // a walk key released: the walk stops when grounded
void teleport();               // left Shift with J: the player jumps to the pointer
void pointer_clamp();          // keeps the pointer on screen; places the cursor picture
void mouse_fetch();            // reads the mouse into mouse_state
void escape_check();           // Escape down: posts WM_DESTROY; the frame goes on
void draw_background();        // starts the clock, clears, draws the level landscape
void launch();                 // button released on the ground: thrown toward the pointer
void choose_animation();       // air or ground sequence, and its speed
void charge();                 // button down: charging, power grows up to 25
void walk();                   // arrow keys on the ground: 4 pixels this frame
void stop_walk();              // a stop request on the ground ends the walk
void integrate();              // moves the player by its velocity plus the extra fall
void animate_player();         // steps the animation, or shows a standing frame
void ground_settle();          // lifts the player out of ground-coloured pixels
void draw_hud();               // "power=%d" and "Deaths=%d" at the top of the screen
void screen_edges(int level);  // pushes the player back from the left and right edges
void finish_frame();           // draws the cursor, flips and waits out the 30 ms
