// The level set-ups: each places the objects of the level it begins and
// switches the music; they create and draw nothing. Each returns 1.
#pragma once

int setup_level1();
int setup_level2();
int setup_level3();
int setup_ending();
