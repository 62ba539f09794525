// Music front end: the one interface between the demo driver and the music.
//
// Owns the output choice (`laite`) and the tick clock; the audio callback that
// runs the player's ticks in exact step with the mixed samples, and the
// silent device's timer, are mzx_ticks.cpp; after every tick they step the
// sync helpers (mzx_sync.h). It touches the sound system
// only through the operation table (sd_main.h), the mixer's block call
// sd_mix_mono and the SDL device's installer, and the player only through
// pt_init, pt_takemod, pt_play and the state pt.h publishes.
//
// Threads: mzx_init, mzx_get, mzx_start, mzx_close, mzx_position, mzx_time and
// mzx_set_mastervolume run on the main thread. The ticks run on SDL's audio
// thread (mix_newhand) or, with the silent device, on SDL's timer thread
// (timeri). The position crosses threads as the one atomic word pt_position.
#include "music/cool_mzx.h"

#include "sys/sdlcall.h"

#include <atomic>
#include <cmath>
#include <cstdio>

#include "music/heard.h"
#include "music/mzx_sync.h"
#include "player/pt.h"
#include "sound/sd_dsp16.h"
#include "sound/sd_main.h"
#include "sound/sd_mix.h"
#include "sound/sd_ns.h"

// ---- Constants ---------------------------------------------------------------

namespace {

constexpr int32_t k_volume_unit = 63;    // mzx_set_mastervolume(1.0) -> 63
constexpr int32_t k_volume_ceiling = MIX_MAINVOLUME_MAX;

}  // namespace

// ---- State -------------------------------------------------------------------

int32_t laite = 0;
int32_t screenHz = 0;
int32_t jacaja = 0;
uint32_t tix = 0;
uint32_t (*mzx_clock)() = mzx_ticks;
uint32_t mzx_ticks() { return sdl_getticks(); }

namespace {

// Installs the chosen device and brings it up the way the demo does. Returns 1
// when a device was installed and started.
int32_t open_device(char choice) {
  switch (choice) {
    case '0':
      laite = 0;
      sd_ns_init();
      break;
    case '1':
    case '2': {
      laite = choice - '0';
      if (!sd_dsp16_init(laite == 2 ? SD_OUTPUT_RATE : MZX_RATE_LOW, mix_newhand)) {
        // Without an output the music still has to run, because the
        // presentation's clock is the music position: fall back to the silent
        // device, whose ticks come from the timer.
        std::fprintf(stderr,
                     "zapcobbles: no audio output (SDL audio error: %s); the music runs silently\n",
                     sdl_error());
        laite = 0;
        sd_ns_init();
      }
      break;
    }
    default:
      return 0;
  }
  callbackcount = 0;
  mzx_closed.store(false);
  heard_start(laite != 0);
  // What the driver SDL chose keeps beyond the callback's buffer.
  char driver[32] = "";
  heard_path_samples = laite != 0 ? heard_path_for(sdl_audiodrivername(driver, sizeof driver), wanted.samples) : 0;
  sd_init();
  sd_setmainvolume(MZX_START_VOLUME);
  sd_start();
  return 1;
}

}  // namespace

// ---- Front end -----------------------------------------------------------------

int32_t mzx_init() {
  // The device prompt: an empty line on standard output, before the choice is
  // read from standard input. It is the front end's way of asking and is kept
  // as it is, though the demo answers itself (demo/music_start.cpp).
  std::fputs("\n", stdout);
  std::fflush(stdout);
  char word[100];
  // At most 99 characters, so the word always fits with its terminator. No
  // word at all (end of input) selects nothing, like an unknown choice.
  if (std::scanf("%99s", word) != 1) return 0;
  return open_device(word[0]);
}

int32_t mzx_init_offline(int32_t rate, int32_t screen_hz) {
  if (rate != SD_OUTPUT_RATE && rate != MZX_RATE_LOW) return 0;
  laite = rate == SD_OUTPUT_RATE ? 2 : 1;
  sd_mix_setfunctions();
  sd_mix_init(rate);
  heard_start(0);
  callbackcount = 0;
  mzx_closed.store(false);
  sd_setmainvolume(MZX_START_VOLUME);
  if (screen_hz < MZX_MIN_HZ) screen_hz = MZX_MIN_HZ;
  if (screen_hz > MZX_MAX_HZ) screen_hz = MZX_MAX_HZ;
  screenHz = screen_hz;
  jacaja = 1000 / screen_hz;
  luku = 0;
  off = 0;
  return 1;
}

int32_t mzx_get(uint8_t* module, int32_t size) {
  mzx_ready.store(false, std::memory_order_release);
  pt_songpos = 0;
  pt_rowcount = 0;
  pt_position.store(0, std::memory_order_relaxed);
  // The row of an earlier module (or none) is no row of this one: nothing
  // holds until this module's first tick.
  pt_lineptr = nullptr;
  mzx_publish_sync();
  // The loader registers samples through the operation table: with no device
  // installed (mzx_init refused the choice) there is nothing to call.
  if (sd_getsample == nullptr || sd_setactivechannels == nullptr || sd_selectchannel == nullptr) {
    return 0;
  }
  if (!pt_takemod(module, size)) return 0;
  pt_init();
  mzx_ready.store(true, std::memory_order_release);
  return 1;
}

void mzx_start(int32_t screen_hz) {
  if (screen_hz < MZX_MIN_HZ) screen_hz = MZX_MIN_HZ;
  if (screen_hz > MZX_MAX_HZ) screen_hz = MZX_MAX_HZ;
  // The timer's subsystem first, then the clock: the browser's SDL restarts
  // its millisecond clock in SDL_Init, and the silent timer counts its ticks
  // from tix on that clock.
  if (laite == 0) sdl_init(SDL_INIT_TIMER);
  tix = mzx_clock();
  // Whole milliseconds: 21 at 47 ticks a second, so the silent timer runs
  // 47.6 ticks a second, about 1.3% faster than the sound devices' 938-sample
  // ticks. That is the silent device's period as defined, kept on purpose:
  // nothing is heard from it, and the show's scenes follow it all the same.
  jacaja = 1000 / screen_hz;
  mzx_timer_done.store(0, std::memory_order_relaxed);
  mzx_closed.store(false);
  // Published with release: the audio thread loads it with acquire before it
  // reads anything else of ours, and SDL's pause flag is no synchronisation
  // that the program can rely on.
  std::atomic_ref<int32_t>(screenHz).store(screen_hz, std::memory_order_release);
  if (laite != 0) {
    sdl_pauseaudio(0);
  } else {
    sdl_settimer(static_cast<uint32_t>(jacaja), timeri);
  }
}

void mzx_close() {
  if (laite == 0) {
    mzx_closed.store(true);
    sdl_settimer(0, nullptr);
    while (mzx_timer_inside.load() != 0) sdl_delay(1);
  } else {
    if (sd_stop) sd_stop();
    if (sd_shutdown) sd_shutdown();
  }
  heard_start(0);  // nothing sounds any more
}

uint32_t mzx_time() {
  if (jacaja <= 0) return 0;
  return (mzx_clock() - tix) / static_cast<uint32_t>(jacaja);
}

int32_t mzx_position() { return pt_position.load(std::memory_order_relaxed); }

int32_t mzx_order_of(int32_t pos) { return pos < 0 ? 0 : pos / 100; }

bool mzx_song_went_back(int32_t pos, int32_t& highest) {
  const int32_t order = mzx_order_of(pos);
  if (order < highest) return true;
  highest = order;
  return false;
}

void mzx_set_mastervolume(double volume) {
  if (sd_setmainvolume == nullptr) return;
  // volume x 63, truncated toward zero. Converting a double outside int32's
  // range is undefined, and a negative main volume would turn the mixer's
  // unsigned gains into huge ones, so the product is held to 0..252 first;
  // the mixer itself also holds anything above 252.
  double v = volume * k_volume_unit;
  int32_t level;
  if (!(v > 0.0)) {
    level = 0;  // also NaN
  } else if (v >= k_volume_ceiling) {
    level = k_volume_ceiling;
  } else {
    level = static_cast<int32_t>(v);
  }
  // The mixer keeps the main volume as one word that it stores and loads
  // atomically, so this may run while the audio thread mixes.
  sd_setmainvolume(level);
}
