// Demo driver: start-up, frame loop and shutdown. Owns the two frames, the
// shared scratch areas, the per-scene start times and the volume levels; the
// screen surface itself lives with the palette functions (demo/gfx).
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
#include "music/mzx_sync.h"
#include "player/pt.h"
#include "sound/sd_mix.h"
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
int64_t demo_pumped = 0;
void (*demo_pump_sink)(const uint8_t* block, int32_t bytes) = nullptr;

namespace {

uint8_t pump_block[DEMO_PUMP_SAMPLES * 2];
// The palette of the screen as it opened, for a show played again.
uint8_t g_start_palette[768];

// Clears the whole screen to index 0: the borders (rows 0..19 and 220..239)
// are never written again.
void clear_screen() {
  sdl_locksurface(scr);
  for (int y = 0; y < SCREEN_H; y++) std::memset(static_cast<uint8_t*>(scr->pixels) + y * scr->pitch, 0, FRAME_W);
  sdl_unlocksurface(scr);
}

}  // namespace

Uint32 demo_ticks() { return sdl_getticks(); }

void demo_reset() {
  for (int32_t& s : scene_start) s = -1;
  stopcount = 0;
  prevstep = 0;
  dest = buf.data();
  std::memset(buf.data(), 127, FRAME_BYTES);
  timeline_song_order = -1;  // the music's start watches for the song's end
}

void demo_music_pump(int32_t ms) {
  const int64_t due = int64_t{ms} * SD_OUTPUT_RATE / 1000;
  // A frame sees the music as the audio thread would have left it when the
  // sample at its time is due to play: the buffer holding that sample has
  // been rendered. Frames closer together than a buffer render nothing new,
  // so the music keeps to the clock at any frame rate.
  // It stops at the end position: at a high time scale (or in a slow build)
  // one frame may span more music than the song stands there, and running on
  // would let the song restart before any frame saw the end.
  // So it stops where the song ends too: where the player drops back to its
  // restart position, the order index goes back.
  const int32_t order = mzx_position() < 0 ? 0 : mzx_position() / 100;
  while (demo_pumped <= due && mzx_position() < STOP_POSITION && mzx_position() / 100 >= order) {
    mix_newhand(nullptr, pump_block, static_cast<int>(sizeof pump_block));
    demo_pumped += DEMO_PUMP_SAMPLES;
    if (demo_pump_sink) demo_pump_sink(pump_block, static_cast<int32_t>(sizeof pump_block));
  }
}

bool demo_open() {
  if (!platform_time_scale(&demo_time_scale)) return false;

  // 1. Every data file is read before the display opens.
  if (!timeline_load()) return false;

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
  const bool music = timeline_music_load(demo_time_scale != 0);
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
  clear_screen();
  gfx_getpalette(g_start_palette);

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

int32_t demo_scene_position(int scene) {
  // Every scene's window begins on the first row of an order entry.
  int32_t pos = 0;
  while (pos < STOP_POSITION && timeline_scene_of(pos) < scene) pos += 100;
  return pos;
}

namespace {

// The silent device has no mixer to render through: its ticks are run as its
// timer would run them, one every 1/TIMELINE_HZ s of music.
void seek_ticks(int32_t ms, int64_t& ticks) {
  const int64_t due = int64_t{ms} * TIMELINE_HZ / 1000 + 1;
  const int32_t order = mzx_position() < 0 ? 0 : mzx_position() / 100;
  while (ticks < due && mzx_position() < STOP_POSITION && mzx_position() / 100 >= order) {
    pt_play();
    update_sample_trig_times();
    ticks++;
  }
}

}  // namespace

int32_t demo_seek(int32_t to) {
  // No frame is shown and no sound heard: the device (if any) is still
  // paused, so the music is rendered here as the frame loop does without one.
  demo_pumped = 0;
  int64_t ticks = 0;
  timeline_song_order = 0;
  // The callback runs at the rate the music will start at (mzx_start sets it
  // again, and only then un-pauses the device).
  if (screenHz <= 0) screenHz = TIMELINE_HZ;
  int32_t t = 0;
  for (;;) {
    if (laite == 0) {
      seek_ticks(t, ticks);
    } else {
      demo_music_pump(t);
    }
    if (mzx_position() >= to || stopcount != 0) return t;
    dest = buf.data();
    tid = t;
    timeline_frame();
    if (stopcount != 0 || t >= DEMO_SEEK_LIMIT_MS) return t;
    t += DEMO_SEEK_STEP_MS;
  }
}

void demo_start_music() {
  // 6. The music; this returns once its first tick has run. With --start the
  // show is first run unseen up to the scene, and the music goes on from there.
  // 7. The time base (buf already holds a frame of background): the first
  // frame's tid continues from where the seek left the music.
  const int32_t from = opt_start > 1 ? demo_scene_position(opt_start) : 0;
  const int32_t ms = from > 0 ? demo_seek(from) : 0;
  if (demo_time_scale != 0) {
    if (from == 0) {
      demo_pumped = 0;
      demo_music_pump(0);
    }
    timeline_song_order = 0;
  } else {
    timeline_music_start();
  }
  const int32_t scale = demo_time_scale != 0 ? demo_time_scale : 1;
  ticks0 = demo_clock() - static_cast<uint32_t>(ms / scale);
  demo_shows++;
}

bool demo_startup() {
  if (!demo_open()) return false;
  demo_start_music();
  return true;
}

void demo_button(int button) {
  switch (button) {
    case BUTTON_STOP_A:
    case BUTTON_STOP_B:
      stopcount++;
      demo_user_stop = true;
      break;
    case BUTTON_VOL_UP:
      vol_left += 10;
      vol_right += 10;
      if (vol_left > 99) vol_left = 99;
      if (vol_right > 99) vol_right = 99;
      break;
    case BUTTON_VOL_DOWN:
      vol_left -= 10;
      vol_right -= 10;
      if (vol_left < 0) vol_left = 0;
      if (vol_right < 0) vol_right = 0;
      break;
    default:
      break;
  }
  // Every press writes the volume, whichever the button.
  platform_volume_write(vol_left, vol_right);
}

void demo_set_fullscreen(bool on) {
  if (on == platform_fullscreen) return;
  // The screen is opened anew, and SDL may give another surface with a new
  // palette: the palette goes over, the borders are cleared again, and the
  // next frame fills the picture. When full screen cannot be had, the window
  // stays as it was.
  uint8_t palette[768];
  gfx_getpalette(palette);
  platform_fullscreen = on;
  platform_quiet_begin();
  SDL_Surface* s = sdl_setvideomode(FRAME_W, SCREEN_H, 8, platform_video_flags());
  if (!s) {
    std::fprintf(stderr, "zapcobbles: cannot %s full screen (%s)\n", on ? "go to" : "leave", sdl_error());
    platform_fullscreen = !on;
    s = sdl_setvideomode(FRAME_W, SCREEN_H, 8, platform_video_flags());
  }
  platform_quiet_end();
  if (!s) return;  // scr stays; the next flip says what SDL makes of it
  scr = s;
  clear_screen();
  gfx_setpalette(0, 256, palette);
  sdl_showcursor(0);
}

void demo_poll_events() {
  SDL_Event ev;
  while (sdl_pollevent(&ev)) {
    const int button = platform_button(ev);
    if (button == BUTTON_FULLSCREEN) {
      demo_set_fullscreen(!platform_fullscreen);
    } else if (button >= 0) {
      demo_button(button);
    }
  }
  if (platform_signalled()) {
    // A termination signal that SDL does not turn into the close request, as a stop button.
    stopcount++;
    demo_user_stop = true;
  }
}

void demo_blit() {
  sdl_locksurface(scr);
  uint8_t* pixels = static_cast<uint8_t*>(scr->pixels);
  if (scr->pitch == FRAME_W) {
    std::memcpy(pixels + SCREEN_OFFSET, dest, FRAME_BYTES);
  } else {
    // A surface with padded rows (never the case for a 320-wide 8-bit software
    // surface, but SDL does not promise it) gets one row at a time.
    for (int y = 0; y < FRAME_H; y++) std::memcpy(pixels + (20 + y) * scr->pitch, dest + y * FRAME_W, FRAME_W);
  }
  sdl_unlocksurface(scr);
}

void demo_present() {
  demo_blit();
  gfx_present_palette();
  sdl_flip(scr);
  frames_presented++;
  if (framelog_on) framelog_note();
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

bool demo_restart() {
  // As at start-up: the data read again (the player converts the module's
  // patterns where they lie), a fresh device and player, no carry from the
  // last callback, both frames and the palette as they were.
  mzx_close();
  if (!timeline_load()) return false;
  platform_quiet_begin();
  const bool music = timeline_music_load(demo_time_scale != 0);
  platform_quiet_end();
  if (!music) return false;
  luku = 0;
  puh.fill(0);
  gfx_setpalette(0, 256, g_start_palette);
  demo_reset();
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
