// Scene timeline: the script of the presentation. The frame loop enters it at
// three points: asset loading (start-up step 1), music start (step 6) and the
// frame step (once per frame).
#pragma once

// Loads every asset the scenes use, before the display opens.
void timeline_load();
// Starts the music; returns once the music's first tick has run.
void timeline_music_start();
// Draws one frame by the music position into buf/puh, may set dest, sets the
// palette on a scene's first frame and sets stopcount at the end position.
void timeline_frame();
