// The demo, offline: its own start-up, music and frame step, driven by the
// tool's clock instead of SDL's, on a screen in memory. This file is the one
// place where zapcapture touches the demo's state; the rest of the tool sees
// frames, palettes and blocks of sound. Nothing here loads SDL.
#include <string>

#include "common/tool.h"
#include "demo/datadir.h"
#include "demo/demo.h"
#include "demo/gfx.h"
#include "demo/scenes.h"
#include "demo/timeline.h"
#include "demo/warning.h"
#include "music/cool_mzx.h"
#include "player/pt.h"
#include "zapcapture.h"

namespace {

std::string g_root;  // keeps assets_root's text alive

}  // namespace

bool session_open(const char* given) {
  // Where the demo looks (or --data alone). The timeline says where a
  // missing data directory is in the demo's words; the tool names the option.
  std::string looked;
  if (!datadir_find(given, g_root, looked)) {
    tool_error("no data directory (no data/da_plim.mod in %s); give --data DIR", looked.c_str());
    return false;
  }
  assets_root = g_root.c_str();
  assets_program = "zapcapture";
  // Start-up step 1: every data file, before the screen, as the demo does.
  if (!assets_load()) return false;

  // No window: the 8-bit surface and palette the demo draws on, in memory,
  // cleared to index 0.
  scr = gfx_memory_screen();
  demo_reset();
  return true;
}

bool session_music(void (*sink)(const uint8_t* block, int32_t bytes)) {
  if (!music_start_load(true)) return false;
  demo_pump_sink = sink;
  demo_pumped = 0;
  demo_music_pump(0);  // the first buffer runs the first tick: position 0
  timeline_song_order = 0;  // from here a song that ends before the end position ends the run, as in the demo
  return true;
}

void session_music_until(int32_t ms) { demo_music_pump(ms); }

void session_music_block() { demo_music_block(); }

int session_step(int32_t t) {
  demo_frame_step(t);
  return timeline_scene;
}

int session_step_at(int32_t pos, int32_t t) {
  // The player's published position is what mzx_position() reads; with no
  // music running nothing else writes it.
  pt_position.store(pos);
  return session_step(t);
}

void session_card_begin() { warning_begin(); }

void session_card_step(int32_t t) {
  dest = buf.data();
  warning_draw(buf.data(), t);
}

void session_card_end() {
  warning_end();
  // The frames and scene state as at start-up; the music has started already
  // and keeps its watch for the song's end.
  const int32_t order = timeline_song_order;
  demo_reset();
  timeline_song_order = order;
}

const uint8_t* session_frame() { return dest; }
bool session_frame_is_puh() { return dest == puh.data(); }
void session_palette(uint8_t rgb[CAP_PALETTE_BYTES]) { gfx_getpalette(rgb); }
int32_t session_stop() { return stopcount; }
int32_t session_position() { return mzx_position(); }

void session_gentle(bool on) { scene_gentle = on; }

void session_close() {
  demo_pump_sink = nullptr;
  scene_gentle = false;
  scr = nullptr;
}
