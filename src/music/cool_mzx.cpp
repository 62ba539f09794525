// Music front end: the one interface between the demo driver and the music.
//
// Owns the output choice (`laite`), the tick clock and the audio callback that
// runs the player's ticks in exact step with the mixed samples, and the sync
// helpers (per-sample trigger clock, condition test, callback registry). It
// touches the sound system only through the operation table (sd_main.h) and
// the mixer's block call sd_mix_mono, and the player only through pt_init,
// pt_takemod, pt_play and the state pt.h publishes.
//
// Threads: mzx_init, mzx_get, mzx_start, mzx_close, mzx_position, mzx_time and
// mzx_set_mastervolume run on the main thread. The ticks run on SDL's audio
// thread (mix_newhand) or, with the silent device, on SDL's timer thread
// (timeri). The position crosses threads as the one atomic word pt_position;
// the sync helpers' view of the player as a sequence-counted snapshot that the
// tick thread writes at the end of each tick without waiting, and the trigger
// clocks as atomic words.
#include "music/cool_mzx.h"

#include "sys/sdlcall.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

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
constexpr int32_t k_counters = 32;       // one trigger clock per sample number 0..31
constexpr int32_t k_counter_start = 999999;
constexpr int32_t k_registry = 1024;
constexpr int32_t k_no_note = 84;        // player cell: note index 84 = no note
constexpr int32_t k_max_channels = 32;
// Slowest and fastest tick clock accepted by mzx_start. Below 1 the slice and
// the timer interval divide by zero; above 1000 jacaja becomes 0 and mzx_time
// divides by zero. The slice at the slowest rate (22050 samples) is longer than
// a buffer, which the callback handles by carrying.
constexpr int32_t k_min_hz = 1;
constexpr int32_t k_max_hz = 1000;

// Condition record layout: (low, high) pairs and the row modulus.
enum : int {
  rec_channel = 0,
  rec_sample = 2,
  rec_unused = 4,
  rec_effect = 6,
  rec_param = 8,
  rec_order = 10,
  rec_modulus = 12,
  rec_row = 13,
  rec_tick = 15,
};

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

std::atomic<int32_t> aikaa_siita_kun_viimeksi_tavattu[32] = {
    k_counter_start, k_counter_start, k_counter_start, k_counter_start, k_counter_start,
    k_counter_start, k_counter_start, k_counter_start, k_counter_start, k_counter_start,
    k_counter_start, k_counter_start, k_counter_start, k_counter_start, k_counter_start,
    k_counter_start, k_counter_start, k_counter_start, k_counter_start, k_counter_start,
    k_counter_start, k_counter_start, k_counter_start, k_counter_start, k_counter_start,
    k_counter_start, k_counter_start, k_counter_start, k_counter_start, k_counter_start,
    k_counter_start, k_counter_start};
int32_t callbacks[1024];
int32_t cbhandles[1024];
int32_t callbackcount = 0;
int32_t curhandle = 1;

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


// The player state the condition test reads, as the tick thread left it at the
// end of its last tick. A sequence count guards it: odd while the tick thread
// writes, so a reader on another thread retries until it has read one whole
// snapshot between two equal even counts. The writer never waits. Every field
// is atomic (stored with release, loaded with acquire), which also keeps the
// reads after the data loads and the odd count before the data stores.
struct sync_view {
  std::atomic<uint32_t> seq{0};
  std::atomic<int32_t> channels{0};  // 0 until the first tick of a module: nothing holds
  std::atomic<int32_t> songpos{0}, rowcount{0}, vbcount{0};
  std::array<std::atomic<int32_t>, k_max_channels> sample{};  // pt_cursample
  std::array<std::atomic<int32_t>, k_max_channels> effect{};  // the current row's cell: effect, low 4 bits
  std::array<std::atomic<int32_t>, k_max_channels> param{};   // and parameter
};
sync_view g_view;

// A snapshot as one reader got it.
struct sync_state {
  int32_t channels, songpos, rowcount, vbcount;
  std::array<int32_t, k_max_channels> sample, effect, param;
};

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
      if (!sd_dsp16_init(laite == 2 ? SD_OUTPUT_RATE : k_rate_low)) {
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
  sd_init();
  sd_setmainvolume(k_start_volume);
  sd_start();
  return 1;
}

}  // namespace

// ---- Front end -----------------------------------------------------------------

int32_t mzx_init() {
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
    if (ready) run_tick();
    mix_at(stream, off, s, sixteen);
    off += s;
  }
  if (off == n) {
    luku = 0;
    return;
  }
  const int32_t r = n - off;
  if (ready) run_tick();
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

// ---- Sync ----------------------------------------------------------------------

int32_t inrange(int32_t value, int32_t low, int32_t high) {
  if (high < 0) return 1;
  return (low <= value && value <= high) ? 1 : 0;
}

void update_sample_trig_times() {
  // Which clocks a note starts on this tick; each clock word is then stored
  // once, with its final value, so no reader sees the -1 of the rule.
  std::array<bool, k_counters> started{};
  if (pt_vbcount == 0 && pt_lineptr != nullptr) {
    const uint32_t channels = pt_channels < 0 ? 0u : static_cast<uint32_t>(pt_channels);
    for (uint32_t ch = 0; ch < channels && ch < k_max_channels; ch++) {
      const uint8_t* cell = pt_lineptr + 4 * ch;
      const uint8_t sample = cell[0];
      const uint8_t note = cell[1];
      const uint8_t effect = cell[2];
      // Tone portamento (3 and 5) slides to the note instead of starting the
      // sample again. Sample numbers above 31 (a malformed module) have no clock.
      if (note < k_no_note && effect != 3 && effect != 5 && sample < k_counters) started[sample] = true;
    }
  }
  for (int32_t s = 0; s < k_counters; s++) {
    std::atomic<int32_t>& c = aikaa_siita_kun_viimeksi_tavattu[s];
    // -1 for a started sample, then + 1 for every clock; wraps on purpose after 2^31 ticks.
    const uint32_t before = started[s] ? 0xFFFFFFFFu : static_cast<uint32_t>(c.load(std::memory_order_relaxed));
    c.store(static_cast<int32_t>(before + 1u), std::memory_order_relaxed);
  }
  mzx_publish_sync();
}

void mzx_publish_sync() {
  const uint32_t seq = g_view.seq.load(std::memory_order_relaxed);
  g_view.seq.store(seq + 1, std::memory_order_relaxed);
  const int32_t channels =
      pt_lineptr == nullptr || pt_channels < 0 ? 0 : (pt_channels > k_max_channels ? k_max_channels : pt_channels);
  constexpr auto rel = std::memory_order_release;
  g_view.channels.store(channels, rel);
  g_view.songpos.store(pt_songpos, rel);
  g_view.rowcount.store(pt_rowcount, rel);
  g_view.vbcount.store(pt_vbcount, rel);
  for (int32_t i = 0; i < channels; i++) {
    const uint8_t* cell = pt_lineptr + 4 * i;
    g_view.sample[i].store(pt_cursample[i], rel);
    g_view.effect[i].store(cell[2] & 15, rel);
    g_view.param[i].store(cell[3], rel);
  }
  g_view.seq.store(seq + 2, rel);
}

namespace {

// Copies one whole snapshot: retries while the tick thread is writing or has
// written in between (it never waits for us, so this ends once it is done).
sync_state read_view() {
  constexpr auto acq = std::memory_order_acquire;
  sync_state v{};
  for (;;) {
    const uint32_t before = g_view.seq.load(acq);
    if ((before & 1u) == 0) {
      v.channels = g_view.channels.load(acq);
      v.songpos = g_view.songpos.load(acq);
      v.rowcount = g_view.rowcount.load(acq);
      v.vbcount = g_view.vbcount.load(acq);
      for (int32_t i = 0; i < v.channels && i < k_max_channels; i++) {
        v.sample[i] = g_view.sample[i].load(acq);
        v.effect[i] = g_view.effect[i].load(acq);
        v.param[i] = g_view.param[i].load(acq);
      }
      if (g_view.seq.load(std::memory_order_relaxed) == before) return v;
    }
    std::this_thread::yield();
  }
}

}  // namespace

// A record with row modulus 0 is malformed (there is no remainder to take) and
// holds on no channel.
int32_t ehto_toteutuu(const int32_t* record) {
  const int32_t m = record[rec_modulus];
  if (m == 0) return 0;
  const sync_state v = read_view();
  const int32_t rowmod = static_cast<int32_t>(static_cast<uint32_t>(v.rowcount) % static_cast<uint32_t>(m));
  for (int32_t i = 0; i < v.channels && i < k_max_channels; i++) {
    if (inrange(i, record[rec_channel], record[rec_channel + 1]) &&
        inrange(v.sample[i], record[rec_sample], record[rec_sample + 1]) &&
        inrange(v.effect[i], record[rec_effect], record[rec_effect + 1]) &&
        inrange(v.param[i], record[rec_param], record[rec_param + 1]) &&
        inrange(v.songpos, record[rec_order], record[rec_order + 1]) &&
        inrange(rowmod, record[rec_row], record[rec_row + 1]) &&
        inrange(v.vbcount, record[rec_tick], record[rec_tick + 1])) {
      return 1;
    }
  }
  return 0;
}

int32_t mzx_set_callback(int32_t value) {
  if (callbackcount >= k_registry) return 0;
  if (callbackcount < 0) callbackcount = 0;
  callbacks[callbackcount] = value;
  cbhandles[callbackcount] = curhandle;
  callbackcount++;
  const int32_t handle = curhandle;
  curhandle = static_cast<int32_t>(static_cast<uint32_t>(curhandle) + 1u);
  return handle;
}
