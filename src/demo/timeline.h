// Scene timeline: the script of the presentation. The frame loop enters it at
// asset loading (start-up step 1, demo/assets.h), the music's loading (after
// SDL starts and before the display opens, so that a module the player
// refuses stops the program first), the music start (step 6; both
// demo/music_start.h) and the frame step (once per frame, here), which runs
// the scene (demo/scenes.h) whose window holds the music position.
//
// The frame step reads the music position only through heard_position() (the
// sound being heard; mzx_position() when no device sounds) and the time only
// through tid, so tests and offline tools can drive it with any position and time.
//
// This header is the timeline's public face: it brings in the parts above,
// so a caller includes it alone.
#pragma once

#include <cstdint>

#include "demo/assets.h"
#include "demo/music_start.h"
#include "demo/scenes.h"

// From this position on the frame step requests the stop.
inline constexpr int32_t STOP_POSITION = 2500;

extern int32_t timeline_scene;  // scene 1..10 that the last frame step ran

// The scene (1..10) whose window holds music position pos.
int timeline_scene_of(int32_t pos);
// Draws one frame by the music position into buf/puh, may set dest, sets the
// palette on a scene's first frame and sets stopcount at the end position.
void timeline_frame();
