// Scene timeline: the frame step. Reads the music position once, runs the
// one scene whose window holds it and requests the stop at the end: the end
// position, or the song's end when the song drops back before it.
//
// Scene windows, by position (order x 100 + row; looks::window_starts):
//   1 title ..199, 2 group rings ..399, 3 first drawing ..699, 4 kaleidoscope
//   ..899, 5 star scroll ..1099, 6 greetings ..1499, 7 bounce ..1799,
//   8 mosaic rings ..2099, 9 credits ..2299, 10 finale from 2300.
#include "demo/timeline.h"

#include "demo/demo.h"
#include "demo/scene_looks.h"
#include "music/cool_mzx.h"
#include "music/heard.h"

int32_t timeline_scene = 0;
int32_t timeline_pos = 0;
int32_t timeline_song_order = -1;

namespace {

uint8_t* g_last_dest = nullptr;  // the frame the last frame step presented

}  // namespace

int timeline_scene_of(int32_t pos) {
  int s = 1;
  while (s < looks::SCENES && pos >= looks::window_starts[static_cast<size_t>(s - 1)]) s++;
  return s;
}

bool timeline_song_ended(int32_t pos) {
  return timeline_song_order >= 0 && mzx_song_went_back(pos, timeline_song_order);
}

void timeline_frame() {
  const int32_t pos = heard_position();  // the position of the sound heard now
  timeline_pos = pos;
  if (timeline_song_ended(pos)) {
    // The song has ended and started again: the show stops, and the last
    // frame stays on screen rather than one of the title.
    stopcount = 1;
    if (g_last_dest != nullptr) {
      dest = g_last_dest;
      return;
    }
  }
  const int32_t row = pos % 100;
  timeline_scene = timeline_scene_of(pos);
  switch (timeline_scene) {
    case 1: scene_title(pos); break;
    case 2: scene_rings(row); break;
    case 3: scene_drawing(row); break;
    case 4: scene_kaleido(pos, row); break;
    case 5: scene_stars(); break;
    case 6: scene_greetings(row); break;
    case 7: scene_bounce(pos, row); break;
    case 8: scene_mosaic(row); break;
    case 9: scene_credits(pos); break;
    default: scene_finale(); break;
  }
  if (pos >= STOP_POSITION) stopcount = 1;
  g_last_dest = dest;
}
