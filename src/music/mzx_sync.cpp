// Sync helpers. Own the trigger clocks `aikaa_siita_kun_viimeksi_tavattu`,
// the callback registry and the snapshot of the player's state that the
// condition test reads. The music front end steps them once per player tick
// (update_sample_trig_times, right after pt_play); they read the player only
// through the state pt.h publishes.
//
// Threads: the clocks and the snapshot are written by whichever thread runs
// the ticks (SDL's audio or timer thread) and read on any thread. The clocks
// are atomic words; the snapshot is sequence-counted, written at the end of
// each tick without waiting. The registry belongs to the main thread.
#include "music/mzx_sync.h"

#include <array>
#include <atomic>
#include <thread>

#include "player/pt.h"

// ---- Constants ---------------------------------------------------------------

namespace {

constexpr int32_t k_counters = 32;       // one trigger clock per sample number 0..31
constexpr int32_t k_counter_start = 999999;
constexpr int32_t k_registry = 1024;
constexpr int32_t k_max_channels = 32;

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

}  // namespace

// ---- Public functions ----------------------------------------------------------

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
      // Tone portamento (effects 3 and 5) slides to the note instead of starting the
      // sample again. Sample numbers above 31 (a malformed module) have no clock.
      if (note < PT_NO_NOTE && effect != PT_EFFECT_TONE_PORTA && effect != PT_EFFECT_PORTA_VOLSLIDE &&
          sample < k_counters)
        started[sample] = true;
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
