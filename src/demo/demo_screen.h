// The screen as the frame loop uses it (see demo_screen.cpp).
#pragma once

#include <cstdint>

// The palette of the screen as it opened (start-up step 3), for a show
// played again.
extern uint8_t demo_start_palette[768];

// Clears the whole screen to index 0: the borders (rows 0..19 and 220..239)
// are never written again.
void demo_clear_screen();
// Switches between window and full screen (desktop): the screen opened
// anew, its palette and picture kept; the window comes back at its size.
void demo_set_fullscreen(bool on);
// Copies the 64000 bytes of dest to rows 20..219 of the screen.
void demo_blit();
// demo_blit, then the palette's changes and the flip (SDL's own calls).
void demo_present();
