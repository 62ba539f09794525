// The music's two tick sources (see mzx_ticks.cpp): the SDL audio callback
// and the silent device's timer, and what they share with the front end.
#pragma once

#include <atomic>
#include <cstdint>

// Timer ticks counted done since mzx_start: run, or dropped after a stall.
extern std::atomic<uint32_t> mzx_timer_done;
extern int32_t luku;  // samples of the last started tick still to mix
extern int32_t off;   // write position within the running callback's buffer

// Set by mzx_get once the player has accepted a module and been reset; until
// then a tick would walk channels of a module that is not there (or through an
// empty operation table), so the tick sources do nothing. Written on the main
// thread before the clock starts; the release/acquire pair also carries the
// player's loaded state to whichever thread runs the ticks.
extern std::atomic<bool> mzx_ready;

// Set by mzx_close, cleared when a device is set up or the clock started.
// SDL's timer may already be inside timeri when it is stopped, so timeri counts
// itself in and out and mzx_close waits for the count to drop: after mzx_close
// no tick runs, and the player may be reset or reloaded. The flag and the count
// are sequentially consistent, so either timeri sees the flag set or
// mzx_close sees timeri inside.
extern std::atomic<bool> mzx_closed;
extern std::atomic<int32_t> mzx_timer_inside;  // timeri calls running now

// One player tick: the player first, then the trigger clocks, which look at
// the row the tick has just set up.
void mzx_run_tick();
// SDL audio callback: ticks the player and mixes len bytes into stream.
void mix_newhand(void* userdata, uint8_t* stream, int len);
// SDL timer callback for the silent device: runs every tick due by mzx_clock
// since mzx_start (at most screenHz of them: after a longer stall the rest is
// dropped); returns interval.
uint32_t timeri(uint32_t interval);
