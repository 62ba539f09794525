// The music's start. The front end asks on standard input which output to
// use, and the demo answers itself; the module image that the assets loaded
// goes to the player; then the first tick is awaited, from the chosen output
// or, failing that, from the silent device's timer.
#include "demo/music_start.h"

#include <cstdio>
#include <string>

#include "demo/assets.h"
#include "demo/options.h"
#include "demo/timeline.h"
#include "music/cool_mzx.h"
#include "player/pt.h"
#include "player/pt_read.h"
#include "sound/sd_mix.h"
#include "sound/sd_ns.h"
#include "sys/sdlcall.h"

int32_t music_start_tick_wait_ms = 2000;

namespace {

// The position when the music start began: -37 before the song's first tick,
// or where a seek (--start) left it.
int32_t g_music_from = -37;

// From the song's start, the first tick sets the position to 0; from a seek's
// position, the next tick that moves it on.
bool first_tick_seen() {
  const int32_t pos = mzx_position();
  return g_music_from < 0 ? static_cast<uint32_t>(pos) <= 100u : pos != g_music_from;
}

// The music start's progress: waiting for the first tick from the chosen
// output, then (if that gave none in time) from the silent device's timer.
enum class music_wait { done, output, silent };
music_wait g_music_wait = music_wait::done;
uint32_t g_music_wait_t0 = 0;  // SDL ticks when the current wait began

}  // namespace

bool music_start_load(bool offline) {
  if (offline) {
    mzx_init_offline(SD_OUTPUT_RATE, MZX_DEMO_HZ);
  } else {
    // The front end asks which output to use; the demo answers "2" (the SDL
    // device at 44100 Hz) itself, pushed back in reverse order. Pushing the
    // answer into its own standard input is how the choice reaches the front
    // end, kept on purpose: mzx_init reads exactly these two characters.
    std::ungetc('\n', stdin);
    // With --mute it answers "0": no sound device, the silent timer.
    std::ungetc(opt_mute ? '0' : '2', stdin);
    if (!mzx_init()) {
      std::fprintf(stderr, "%s: the music output cannot be chosen (standard input refused it)\n", assets_program);
      return false;
    }
  }
  const std::string path = assets_data_path("da_plim.mod");
  if (!mzx_get(modbuf, modsize)) {
    std::fprintf(stderr, "%s: %s: %s\n", assets_program, path.c_str(), pt_read_refusal().c_str());
    return false;
  }
  if (pt_cutsample != 0) {
    std::fprintf(stderr, "%s: %s: sample %d is cut short by the end of the file\n", assets_program, path.c_str(),
                 static_cast<int>(pt_cutsample));
  }
  return true;
}

void music_start_begin() {
  g_music_from = mzx_position();
  timeline_song_order = 0;
  mzx_start(MZX_DEMO_HZ);
  g_music_wait = music_wait::output;
  g_music_wait_t0 = sdl_getticks();
}

bool music_start_poll() {
  if (g_music_wait == music_wait::done) return true;
  if (first_tick_seen()) {
    g_music_wait = music_wait::done;
    return true;
  }
  if (static_cast<int32_t>(sdl_getticks() - g_music_wait_t0) < music_start_tick_wait_ms) return false;
  if (g_music_wait == music_wait::output) {
    // An output that opened but never asks for sound would hold the position
    // at -37 for ever: run the music from the silent device's timer instead.
    const std::string why =
        "the sound output gives no sound within " + std::to_string(music_start_tick_wait_ms) + " ms";
    music_start_silent(why.c_str());
    g_music_wait = music_wait::silent;
    g_music_wait_t0 = sdl_getticks();
    return false;
  }
  std::fprintf(stderr, "%s: the music's clock does not run; the demo stays at its start\n", assets_program);
  g_music_wait = music_wait::done;
  return true;
}

void music_start_silent(const char* why) {
  std::fprintf(stderr, "%s: %s; the music runs silently\n", assets_program, why);
  mzx_close();
  sd_ns_init();
  laite = 0;
  mzx_start(MZX_DEMO_HZ);
}

void music_start_wait() {
  music_start_begin();
  while (!music_start_poll()) sdl_delay(1);
}
