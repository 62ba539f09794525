// Music front end: the one interface between the demo driver and the music.
//
// Owns the output choice (`laite`), the tick clock and the audio callback that
// runs the player's ticks in exact step with the mixed samples; after every
// tick it steps the sync helpers (mzx_sync.h). It touches the sound system
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

constexpr int32_t k_rate_low = 22050;    // laite 1: 8-bit unsigned mono
constexpr int32_t k_start_volume = 64;   // one step above the mixer's default 63
constexpr int32_t k_volume_unit = 63;    // mzx_set_mastervolume(1.0) -> 63
constexpr int32_t k_volume_ceiling = 252;
// Slowest and fastest tick clock accepted by mzx_start. Below 1 the slice and
// the timer interval divide by zero; above 1000 jacaja becomes 0 and mzx_time
// divides by zero. The slice at the slowest rate (22050 samples) is longer than
// a buffer, which the callback handles by carrying.
constexpr int32_t k_min_hz = 1;
constexpr int32_t k_max_hz = 1000;

}  // namespace

// ---- State -------------------------------------------------------------------

int32_t laite = 0;
int32_t screenHz = 0;
int32_t jacaja = 0;
uint32_t tix = 0;
uint32_t (*mzx_clock)() = mzx_ticks;
uint32_t mzx_ticks() { return sdl_getticks(); }
// Only the timer thread writes it once the clock runs (mzx_start sets it
// before, mzx_close waits for the timer to leave), so relaxed order is enough.
std::atomic<uint32_t> mzx_timer_done{0};
int32_t luku = 0;
int32_t off = 0;

namespace {

// Set by mzx_get once the player has accepted a module and been reset; until
// then a tick would walk channels of a module that is not there (or through an
// empty operation table), so the tick sources do nothing. Written on the main
// thread before the clock starts; the release/acquire pair also carries the
// player's loaded state to whichever thread runs the ticks.
std::atomic<bool> g_ready{false};

// Set by mzx_close, cleared when a device is set up or the clock started.
// SDL's timer may already be inside timeri when it is stopped, so timeri counts
// itself in and out and mzx_close waits for the count to drop: after mzx_close
// no tick runs, and the player may be reset or reloaded. The flag and the count
// are sequentially consistent, so either timeri sees the flag set or
// mzx_close sees timeri inside.
std::atomic<bool> g_closed{false};
std::atomic<int32_t> g_timer_inside{0};

// ---- Helpers -----------------------------------------------------------------

// One player tick: the player first, then the trigger clocks, which look at
// the row the tick has just set up.
inline void run_tick() {
  pt_play();
  update_sample_trig_times();
}

// Mixes count samples at sample position at of stream.
inline void mix_at(uint8_t* stream, int32_t at, int32_t count, bool sixteen) {
  if (sixteen) {
    sd_mix_mono(stream + static_cast<size_t>(at) * 2, count, 1);
  } else {
    sd_mix_mono(stream + at, count, 0);
  }
}

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
      if (!sd_dsp16_init(laite == 2 ? SD_OUTPUT_RATE : k_rate_low, mix_newhand)) {
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
  g_closed.store(false);
  heard_start(laite != 0);
  // What the driver SDL chose keeps beyond the callback's buffer.
  char driver[32] = "";
  heard_path_samples = laite != 0 ? heard_path_for(sdl_audiodrivername(driver, sizeof driver), wanted.samples) : 0;
  sd_init();
  sd_setmainvolume(k_start_volume);
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
  if (rate != SD_OUTPUT_RATE && rate != k_rate_low) return 0;
  laite = rate == SD_OUTPUT_RATE ? 2 : 1;
  sd_mix_setfunctions();
  sd_mix_init(rate);
  heard_start(0);
  callbackcount = 0;
  g_closed.store(false);
  sd_setmainvolume(k_start_volume);
  if (screen_hz < k_min_hz) screen_hz = k_min_hz;
  if (screen_hz > k_max_hz) screen_hz = k_max_hz;
  screenHz = screen_hz;
  jacaja = 1000 / screen_hz;
  luku = 0;
  off = 0;
  return 1;
}

int32_t mzx_get(uint8_t* module, int32_t size) {
  g_ready.store(false, std::memory_order_release);
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
  g_ready.store(true, std::memory_order_release);
  return 1;
}

void mzx_start(int32_t screen_hz) {
  if (screen_hz < k_min_hz) screen_hz = k_min_hz;
  if (screen_hz > k_max_hz) screen_hz = k_max_hz;
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
  g_closed.store(false);
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

namespace {

// SDL's timer drops a call that falls due while the previous one is still
// running or the thread is not scheduled, so under load a tick per call lets
// the music fall behind the clock (a 204 s song took 280 s). Each call runs
// every tick that is due by the clock since mzx_start instead, at most a
// second's worth: after a longer stall (a suspended process) the rest is let
// go, so the music resumes where it stopped rather than racing to catch up.
void mzx_timer_catch_up() {
  const int32_t hz = std::atomic_ref<int32_t>(screenHz).load(std::memory_order_acquire);
  if (jacaja <= 0 || hz <= 0) return;
  const uint32_t due = (mzx_clock() - tix) / static_cast<uint32_t>(jacaja);
  const uint32_t done = mzx_timer_done.load(std::memory_order_relaxed);
  // Signed: a due count behind the done one (a clock read early) runs nothing.
  const int32_t behind = static_cast<int32_t>(due - done);
  if (behind <= 0) return;
  const int32_t run = behind < hz ? behind : hz;
  for (int32_t i = 0; i < run; i++) run_tick();
  mzx_timer_done.store(due, std::memory_order_relaxed);
}

}  // namespace

uint32_t timeri(uint32_t interval) {
  g_timer_inside.fetch_add(1);
  // The flags first: their acquire makes laite (set before the module was
  // taken) visible on the timer thread.
  if (!g_closed.load() && g_ready.load(std::memory_order_acquire) && laite == 0) mzx_timer_catch_up();
  g_timer_inside.fetch_sub(1);
  return interval;
}

// The buffer is cut into tick slices of rate / screenHz samples. A tick runs
// before the first sample of its slice is mixed; a slice that does not fit is
// finished at the start of the next buffer (the carry, luku), so every tick
// lasts exactly one slice however the buffers fall. With 2048-sample buffers at
// 44100 Hz and 47 ticks per second (slice 938): ticks at 0, 938, 1876, carry
// 766; then 766 mixed, ticks at 766, 1704, carry 594; and so on.
void mix_newhand(void* userdata, uint8_t* stream, int len) {
  (void)userdata;
  // Acquire loads first: they make the set-up done on the main thread (device
  // choice, module, player reset, tick rate) visible on the audio thread.
  const int32_t hz = std::atomic_ref<int32_t>(screenHz).load(std::memory_order_acquire);
  const bool ready = g_ready.load(std::memory_order_acquire);
  int32_t rate;
  int32_t n;
  bool sixteen;
  if (laite == 1) {
    rate = k_rate_low;
    n = len;
    sixteen = false;
  } else if (laite == 2) {
    rate = SD_OUTPUT_RATE;
    n = len / 2;
    sixteen = true;
  } else {
    return;
  }
  if (n <= 0 || hz <= 0) return;
  const int32_t s = rate / hz;
  if (s <= 0) return;
  heard_buffer(rate, n);

  off = 0;
  if (luku != 0) {
    // The rest of the tick started in an earlier buffer. A slice longer than
    // the buffer is finished over as many buffers as it takes.
    if (luku >= n) {
      mix_at(stream, 0, n, sixteen);
      luku -= n;
      off = n;
      return;
    }
    mix_at(stream, 0, luku, sixteen);
    off = luku;
  }
  while (off + s <= n) {
    if (ready) {
      run_tick();
      heard_tick(off);
    }
    mix_at(stream, off, s, sixteen);
    off += s;
  }
  if (off == n) {
    luku = 0;
    return;
  }
  const int32_t r = n - off;
  if (ready) {
    run_tick();
    heard_tick(off);
  }
  mix_at(stream, off, r, sixteen);
  luku = s - r;
}

void mzx_close() {
  if (laite == 0) {
    g_closed.store(true);
    sdl_settimer(0, nullptr);
    while (g_timer_inside.load() != 0) sdl_delay(1);
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
