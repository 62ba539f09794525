// Demo driver: start-up, frame loop, the show again, and shutdown. Owns the
// two frames, the shared scratch areas, the per-scene start times and the
// volume levels; the screen surface itself lives with the palette functions
// (demo/gfx), the music without a device in demo_music, the screen's opening
// and presenting in demo_screen, the buttons in demo_input.
#include "demo/demo.h"

#include <cstdio>
#include <cstring>

#include "demo/framelog.h"
#include "demo/gfx.h"
#include "demo/options.h"
#include "demo/platform.h"
#include "demo/scenes.h"
#include "demo/timeline.h"
#include "demo/warning.h"
#include "gfx/view.h"
#include "music/cool_mzx.h"
#include "sys/sdlcall.h"

std::array<uint8_t, FRAME_ALLOC> buf;
std::array<uint8_t, FRAME_ALLOC> puh;
uint8_t* dest = buf.data();
char tst[200];
uint8_t palli[300];
int32_t tid = 0;
uint32_t ticks0 = 0;
int32_t scene_start[11];
int32_t prevstep = 0;
int32_t stopcount = 0;
int32_t vol_left = 0;
int32_t vol_right = 0;
int32_t frames_presented = 0;
int32_t demo_time_scale = 0;
bool demo_user_stop = false;
int32_t demo_shows = 0;
Uint32 (*demo_clock)() = demo_ticks;

Uint32 demo_ticks() { return sdl_getticks(); }

void demo_reset() {
  for (int32_t& s : scene_start) s = -1;
  stopcount = 0;
  prevstep = 0;
  dest = buf.data();
  std::memset(buf.data(), 127, FRAME_BYTES);
  timeline_song_order = -1;  // the music's start watches for the song's end
}

bool demo_open() {
  if (!platform_time_scale(&demo_time_scale)) return false;

  // 1. Every data file is read before the display opens.
  if (!assets_load()) return false;

  // 2. SDL and the pad. Without a sound device the audio subsystem cannot
  // start; the rest of the program must still run, so bring up what can be.
  // --mute asks for no sound device at all.
  const Uint32 flags = opt_mute ? DEMO_SDL_FLAGS & ~SDL_INIT_AUDIO : DEMO_SDL_FLAGS;
  // The window's scaling first: sdl12-compat reads how to scale when it starts.
  platform_window_setup();
  platform_quiet_begin();
  const bool sdl_up = sdl_init(flags) >= 0 || sdl_init(DEMO_SDL_FLAGS & ~SDL_INIT_AUDIO) >= 0;
  platform_quiet_end();
  if (!sdl_up) {
    std::fprintf(stderr, "zapcobbles: no display (%s); run it on a desktop, or with SDL_VIDEODRIVER=dummy\n",
                 sdl_error());
    sdl_quit();
    return false;
  }
  if (!platform_have_display()) {
    // SDL would draw into memory that nobody sees for the length of the song.
    std::fprintf(stderr, "zapcobbles: no display (DISPLAY is not set); run it on a desktop, or with "
                         "SDL_VIDEODRIVER=dummy to run without one\n");
    sdl_quit();
    return false;
  }
  sdl_joystickopen(0);
  platform_catch_signals();

  // The module goes to the player before the display opens, so that a module
  // it refuses stops the program before a window flashes up. With a time
  // scale the music is rendered by the frame loop, without an audio device.
  platform_quiet_begin();  // the sound output opens here
  const bool music = music_start_load(demo_time_scale != 0);
  platform_quiet_end();
  if (!music) {
    sdl_quit();
    return false;
  }

  // 3. The screen: a 320x240 8-bit software surface, cleared to index 0. The
  // borders (rows 0..19 and 220..239) are never written again.
  platform_fullscreen = false;
  platform_quiet_begin();
  scr = sdl_setvideomode(FRAME_W, SCREEN_H, 8, platform_video_flags());
  platform_quiet_end();
  if (!scr) {
    std::fprintf(stderr, "zapcobbles: no display: cannot open the 320x240 8-bit screen (%s)\n", sdl_error());
    sdl_quit();
    return false;
  }
  demo_clear_screen();
  gfx_getpalette(demo_start_palette);

  // 4. Caption, no cursor.
  sdl_wm_setcaption("Zap Cobbles", nullptr);
  sdl_showcursor(0);
  // --fullscreen: the window first, so that leaving full screen gives it
  // back at its size, centred.
  if (opt_fullscreen) demo_set_fullscreen(true);

  // 5. The hardware volume.
  platform_volume_read(&vol_left, &vol_right);

  // 6. Scene state; the music follows in demo_start_music.
  demo_reset();
  return true;
}

bool demo_startup() {
  if (!demo_open()) return false;
  demo_start_music();
  return true;
}

void demo_draw() {
  dest = buf.data();
  // Unsigned, so the product wraps (defined) rather than overflows.
  const uint32_t elapsed = demo_clock() - ticks0;
  tid = static_cast<int32_t>(demo_time_scale != 0 ? elapsed * static_cast<uint32_t>(demo_time_scale) : elapsed);
  if (demo_time_scale != 0) demo_music_pump(tid);
  if (framelog_on) framelog_step();
  timeline_frame();
}

void demo_frame_step(int32_t t) {
  dest = buf.data();
  tid = t;
  timeline_frame();
}

bool demo_step() {
  demo_poll_events();
  demo_draw();
  demo_present();
  return stopcount != 0;
}

bool demo_frame() {
  if (demo_step()) return true;
  platform_pace();
  return false;
}

int32_t demo_loop() {
  int32_t n = 0;
  for (;;) {
    n++;
    if (demo_frame()) return n;
  }
}

bool demo_reload() {
  // As at start-up: the data read again (the player converts the module's
  // patterns where they lie), a fresh device and player, no carry from the
  // last callback, both frames and the palette as they were.
  if (!assets_load()) return false;
  platform_quiet_begin();
  const bool music = music_start_load(demo_time_scale != 0);
  platform_quiet_end();
  if (!music) return false;
  luku = 0;
  puh.fill(0);
  gfx_setpalette(0, 256, demo_start_palette);
  demo_reset();
  return true;
}

bool demo_restart() {
  mzx_close();
  if (!demo_reload()) return false;
  opt_start = 1;  // --start chose where the first show begins; the next ones play whole
  demo_start_music();
  return true;
}

int demo_exit() {
  sdl_quit();
  platform_launcher();
  return 0;
}

int demo_run() {
  if (!demo_open()) return 1;
  // The show has flashing lights: the card says so before the first show
  // and lets the viewer choose the gentle one, unless that is chosen already.
  if (opt_gentle) {
    scene_gentle = true;
  } else if (opt_warning && warning_run() == WARNING_STOP) {
    const bool logged = framelog_close();
    const int status = demo_exit();
    return logged ? status : 1;
  }
  demo_start_music();
  demo_loop();
  while (opt_loop && !demo_user_stop) {
    if (!demo_restart()) return 1;
    demo_loop();
  }
  // The frame log (ZAP_FRAME_LOG) is written before the program goes.
  const bool logged = framelog_close();
  const int status = demo_exit();
  return logged ? status : 1;
}
