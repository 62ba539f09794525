// Scene timeline. The scenes are not composed yet: with these three steps
// empty, the frame loop presents the work frame as start-up left it, filled
// with the background index 127.
#include "demo/timeline.h"

void timeline_load() {}

void timeline_music_start() {}

void timeline_frame() {}
