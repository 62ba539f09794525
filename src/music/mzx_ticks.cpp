// The music's two tick sources: the SDL audio callback, which runs the
// player's ticks in exact step with the samples it mixes, and the silent
// device's timer. Owns the carry between callbacks and the flags that let a
// tick run (set by the front end, cool_mzx.cpp).
#include "music/mzx_ticks.h"

#include <atomic>

#include "music/cool_mzx.h"
#include "music/heard.h"
#include "music/mzx_sync.h"
#include "player/pt.h"
#include "sound/sd_mix.h"

// Only the timer thread writes it once the clock runs (mzx_start sets it
// before, mzx_close waits for the timer to leave), so relaxed order is enough.
std::atomic<uint32_t> mzx_timer_done{0};
int32_t luku = 0;
int32_t off = 0;
std::atomic<bool> mzx_ready{false};
std::atomic<bool> mzx_closed{false};
std::atomic<int32_t> mzx_timer_inside{0};

void mzx_run_tick() {
  pt_play();
  update_sample_trig_times();
}

namespace {

// Mixes count samples at sample position at of stream.
inline void mix_at(uint8_t* stream, int32_t at, int32_t count, bool sixteen) {
  if (sixteen) {
    sd_mix_mono(stream + static_cast<size_t>(at) * 2, count, 1);
  } else {
    sd_mix_mono(stream + at, count, 0);
  }
}

}  // namespace

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
  for (int32_t i = 0; i < run; i++) mzx_run_tick();
  mzx_timer_done.store(due, std::memory_order_relaxed);
}

}  // namespace

uint32_t timeri(uint32_t interval) {
  mzx_timer_inside.fetch_add(1);
  // The flags first: their acquire makes laite (set before the module was
  // taken) visible on the timer thread.
  if (!mzx_closed.load() && mzx_ready.load(std::memory_order_acquire) && laite == 0) mzx_timer_catch_up();
  mzx_timer_inside.fetch_sub(1);
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
  const bool ready = mzx_ready.load(std::memory_order_acquire);
  int32_t rate;
  int32_t n;
  bool sixteen;
  if (laite == 1) {
    rate = MZX_RATE_LOW;
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
      mzx_run_tick();
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
    mzx_run_tick();
    heard_tick(off);
  }
  mix_at(stream, off, r, sixteen);
  luku = s - r;
}
