// Sync helpers: a per-sample trigger clock stepped on every player tick, a
// condition test on the player's state and a callback registry. What the
// clock and the condition test read is published at the end of every tick,
// so the main thread may use them while the music plays.
#pragma once

#include <atomic>
#include <cstdint>

// Ticks since each sample last started; each word is stored once per tick,
// with its final value, by the tick thread.
extern std::atomic<int32_t> aikaa_siita_kun_viimeksi_tavattu[32];
// The callback registry: callbackcount values and their handles, in order of
// registration; curhandle is the handle the next registration gets. The
// front end empties it when it installs a device.
extern int32_t callbacks[1024];
extern int32_t cbhandles[1024];
extern int32_t callbackcount;
extern int32_t curhandle;

// 1 when high < 0 or low <= value <= high (signed), else 0.
int32_t inrange(int32_t value, int32_t low, int32_t high);
// Called once per player tick, right after pt_play: steps the clocks, then
// publishes them and the player state ehto_toteutuu reads (mzx_publish_sync).
void update_sample_trig_times();
// Publishes the player's row, counters and per-channel sample, effect and
// parameter for ehto_toteutuu, as one consistent snapshot. Runs at the end of
// every tick; call it by hand only while no ticks run.
void mzx_publish_sync();
// 1 when the 17-value condition record holds on at least one channel of the
// snapshot of the last tick; a record with row modulus 0 never holds, and
// nothing holds before the first tick of a module. Safe on any thread.
int32_t ehto_toteutuu(const int32_t* record);
// Registers value: its handle, or 0 when the registry is full.
int32_t mzx_set_callback(int32_t value);
