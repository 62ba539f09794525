// Browser entry (see web.h): start-up, the click that starts the music, the
// frame callback and the replay. Owns the page state and the frame log.
#include "web/web.h"

#include <SDL.h>
#include <emscripten/emscripten.h>

#include <array>
#include <cstdio>

#include "demo/demo.h"
#include "demo/gfx.h"
#include "demo/options.h"
#include "demo/scenes.h"
#include "demo/timeline.h"
#include "music/cool_mzx.h"
#include "music/heard.h"

int32_t web_state = WEB_LOADING;

namespace {

std::array<int32_t, 2 * WEB_LOG_FRAMES> g_log;
int32_t g_logged = 0;
bool g_hold = false;
// The tick record's newest entries, for the page (web_heard_ticks).
std::array<uint32_t, HEARD_TICKS> g_tick_samples;
std::array<int32_t, HEARD_TICKS> g_tick_positions;

// The music's milliseconds that the way to the page's ?scene= took (the
// frames continue their tid from there).
int32_t g_seek_ms = 0;

// The browser's audio clock (seconds) when it last moved, and when that was.
double g_audio_clock = -1;
uint32_t g_audio_clock_seen = 0;

// The sample being output now, by Web Audio's clock. Emscripten's SDL starts
// each buffer it is handed right after the one before (SDL.audio.nextPlayTime
// is where the last one ends), so the sound still to come after the sample
// being output is nextPlayTime less the output's own time, which
// getOutputTimestamp gives for the moment it was taken (the output's latency
// included); it is carried forward to now. Without that call, the context's
// time less its latencies. Unknown (false) before the first buffer. (No comma
// may stand outside parentheses in the script: EM_ASM is a macro.)
bool web_heard_output(uint32_t* sample) {
  const double ahead = EM_ASM_DOUBLE({
    var a = SDL.audio;
    var c = SDL.audioContext;
    if (!a || !c || !a.nextPlayTime) return -1;
    var now = -1;
    if (c.getOutputTimestamp) {
      var ts = c.getOutputTimestamp();
      if (ts.contextTime > 0 && ts.performanceTime > 0)
        now = ts.contextTime + (performance.now() - ts.performanceTime) / 1000;
    }
    if (now < 0) now = c.currentTime - (c.baseLatency || 0) - (c.outputLatency || 0);
    return Math.max(0, a.nextPlayTime - now) * a.freq;
  });
  if (!(ahead >= 0)) return false;
  const uint32_t handed = heard_handed();
  // Never more than was handed: a stall leaves the queue empty, not negative.
  const uint32_t queued = ahead >= handed ? handed : static_cast<uint32_t>(ahead + 0.5);
  *sample = handed - queued;
  return true;
}

void set_state(int32_t s) {
  web_state = s;
  EM_ASM({ if (Module.zapState) Module.zapState($0); }, s);
}

// The frame step, logged with the position it showed (heard_position's: the
// sound being output, or with a time scale the one the step's own rendering
// left) and the tid it set. True at the stop.
bool logged_step() {
  const bool stop = demo_step();
  const int32_t pos = heard_shown;
  if (g_logged < WEB_LOG_FRAMES) {
    g_log[static_cast<size_t>(2 * g_logged)] = pos;
    g_log[static_cast<size_t>(2 * g_logged + 1)] = tid;
    g_logged++;
  }
  // A script that watches every frame (the browser test) hears of it here.
  EM_ASM({ if (Module.zapFrame) Module.zapFrame(); });
  return stop;
}

// The first frame, drawn before the music starts: the title scene at the
// position the music reads until its first tick, and tid 0. The scene's start
// time is then 0 of the time base that the music's first tick sets anew.
void first_frame() {
  g_logged = 0;
  ticks0 = demo_clock();
  logged_step();
}

void start_music() {
  if (demo_time_scale != 0) {
    // Silent and faster (ZAP_TIME_SCALE, as on a desktop): the frame step
    // renders the music itself, so there is nothing to wait for.
    demo_start_music();
    set_state(WEB_RUNNING);
    return;
  }
  // ?scene=N: the show runs unseen up to the scene, and the music from there.
  g_seek_ms = opt_start > 1 ? demo_seek(demo_scene_position(opt_start)) : 0;
  music_start_begin();
  g_audio_clock = -1;
  g_audio_clock_seen = SDL_GetTicks();
  set_state(WEB_STARTING);
}

// A browser's audio output may stop (or never start: a page that was not
// clicked keeps it suspended) after the first buffers were taken, and then
// the position would stand still. Once its clock has not moved for as long
// as the music start waits for a tick, the music goes on from the silent
// device's timer, as it does on a desktop whose output gives no sound.
void watch_audio_clock() {
  if (laite == 0 || demo_time_scale != 0) return;
  const double clock = EM_ASM_DOUBLE({ return SDL.audioContext ? SDL.audioContext.currentTime : -1; });
  const uint32_t now = SDL_GetTicks();
  if (clock != g_audio_clock) {
    g_audio_clock = clock;
    g_audio_clock_seen = now;
    return;
  }
  if (static_cast<int32_t>(now - g_audio_clock_seen) < music_start_tick_wait_ms) return;
  music_start_silent("the browser's sound output has stopped");
}

void frame() {
  switch (web_state) {
    case WEB_STARTING:
      if (!music_start_poll()) return;
      ticks0 = demo_clock() - static_cast<uint32_t>(g_seek_ms);
      set_state(WEB_RUNNING);
      [[fallthrough]];
    case WEB_RUNNING:
      watch_audio_clock();
      if (g_hold) return;
      if (logged_step()) {
        // The frame that set the stop is shown; the music ends here, as
        // SDL_Quit ends it on a desktop.
        mzx_close();
        set_state(WEB_ENDED);
      }
      return;
    default:
      return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  heard_output = web_heard_output;
  // The page passes ?scene=N as --start N; a value out of range is said on
  // the console and the show starts at its beginning.
  if (options_parse(argc, argv) == OPTIONS_BAD) {
    std::fputs(options_error.c_str(), stderr);
    opt_start = 1;
  }
  // The page asks for the gentle show with --gentle; it has its own warning
  // beside its start control, so the program's card is not shown here.
  scene_gentle = opt_gentle;
  if (!demo_open()) {
    set_state(WEB_FAILED);
    return 1;
  }
  first_frame();
  set_state(WEB_READY);
  emscripten_set_main_loop(frame, 0, 0);
  return 0;
}

int32_t web_start() {
  if (web_state != WEB_READY) return 0;
  // Inside the click's handler: the browser lets the audio output run now.
  EM_ASM({ if (SDL.audioContext && SDL.audioContext.state != 'running') SDL.audioContext.resume(); });
  start_music();
  return 1;
}

int32_t web_again() {
  if (web_state != WEB_ENDED) return 0;
  // As at program start (the music stopped at the end already).
  if (!demo_reload()) {
    set_state(WEB_FAILED);
    return 0;
  }
  first_frame();
  EM_ASM({ if (SDL.audioContext && SDL.audioContext.state != 'running') SDL.audioContext.resume(); });
  start_music();
  return 1;
}

void web_hold(int32_t on) { g_hold = on != 0; }

int32_t web_gentle(int32_t on) {
  // The scenes read it from their first frame on: it changes only between shows.
  if (web_state != WEB_READY && web_state != WEB_ENDED) return 0;
  scene_gentle = on != 0;
  return 1;
}

int32_t web_is_gentle() { return scene_gentle ? 1 : 0; }

int32_t web_status() { return web_state; }

int32_t web_position() { return mzx_position(); }

int32_t web_output() { return laite; }

int32_t web_log_count() { return g_logged; }

const int32_t* web_log() { return g_log.data(); }

uint32_t web_heard_handed() { return heard_handed(); }

int32_t web_heard_ticks() { return heard_recent(g_tick_samples.data(), g_tick_positions.data(), HEARD_TICKS); }

const uint32_t* web_heard_tick_samples() { return g_tick_samples.data(); }

const int32_t* web_heard_tick_positions() { return g_tick_positions.data(); }
