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
extern int32_t timeline_pos;    // the music position the last frame step showed
// The highest order index the frame steps have read since the music started,
// for the song's end; -1 while it is not watched (frame steps driven by hand;
// demo_reset sets it), and the music's start sets it to 0.
extern int32_t timeline_song_order;

// The scene (1..10) whose window holds music position pos.
int timeline_scene_of(int32_t pos);
// True when position pos lies in an earlier order entry than the frame steps
// have read since the music started: the song has ended and the player has
// dropped back to its restart position. Otherwise it notes pos's order.
bool timeline_song_ended(int32_t pos);
// Draws one frame by the music position into buf/puh, may set dest, sets the
// palette on a scene's first frame and sets stopcount where the show ends: at
// the end position, or where the song ends before it (timeline_song_ended;
// that frame shows the last one drawn again).
void timeline_frame();
