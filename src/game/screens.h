// The frame function of each screen and level. Each runs one whole frame and
// paces it to 30 ms (but the frame that changes the screen, which returns at
// once); the parameters are not read; each returns 1.
#pragma once

int title_frame(void* parms = nullptr, int num_parms = 0);
int level1_frame(void* parms = nullptr, int num_parms = 0);
int level2_frame(void* parms = nullptr, int num_parms = 0);
int level3_frame(void* parms = nullptr, int num_parms = 0);
int ending_frame(void* parms = nullptr, int num_parms = 0);
