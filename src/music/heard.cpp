// The sound being heard (see heard.h). Owns the tick record the audio
// callback writes and the estimate of the sample being output; reads the
// music position (mzx_position) and the output choice (laite) of the front
// end, and nothing of the sound system.
//
// Threads: heard_buffer and heard_tick run in the audio callback (SDL's audio
// thread on a desktop, the main thread in a browser); the readers run on the
// main thread. The record crosses threads without a lock: each tick's entry
// carries a stamp, odd while the callback writes it and even (naming the
// tick's index) once it is whole, and a reader keeps an entry only when it
// saw the same even stamp before and after reading it. The last buffer's
// record is guarded the same way by one sequence count. Every field is atomic
// (stored with release, loaded with acquire), which also keeps the reads after
// the data loads and the odd stamp before the data stores. The callback never
// waits for a reader.
#include "music/heard.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>

#include "music/cool_mzx.h"

// ---- Constants ---------------------------------------------------------------

namespace {

constexpr uint32_t k_ticks = HEARD_TICKS;
static_assert((k_ticks & (k_ticks - 1)) == 0, "the ring's index wraps with the count");
// A callback older than this is a stalled output: the buffer has played out.
constexpr int32_t k_stale_us = 10'000'000;
// A reader retries a record the callback was writing at most this often.
constexpr int32_t k_read_tries = 16;

constexpr auto rel = std::memory_order_release;
constexpr auto acq = std::memory_order_acquire;
constexpr auto rlx = std::memory_order_relaxed;

// ---- Types -------------------------------------------------------------------

// One tick: the sample at which it began and the position it set.
struct tick_entry {
  std::atomic<uint32_t> stamp{0};  // 2i + 1 while tick i is written, 2i + 2 once it is whole
  std::atomic<uint32_t> sample{0};
  std::atomic<int32_t> position{0};
};

// The last buffer handed to the output and when its callback began.
struct buffer_view {
  std::atomic<uint32_t> seq{0};  // odd while the callback writes
  std::atomic<uint32_t> end{0};  // heard_handed() after the buffer
  std::atomic<int32_t> n{0};     // its length in samples; 0 before the first
  std::atomic<int32_t> rate{0};
  std::atomic<uint32_t> t_us{0};  // heard_clock_us() when its callback began
};

uint32_t steady_us() {
  // The count in microseconds, wrapped to 32 bits (a defined conversion).
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

// ---- State -------------------------------------------------------------------

int32_t g_live = 0;                  // main thread only
std::atomic<uint32_t> g_handed{0};   // samples handed since heard_start
std::atomic<uint32_t> g_base{0};     // first sample of the running buffer (the callback's own)
std::array<tick_entry, k_ticks> g_ring;
std::atomic<uint32_t> g_count{0};    // ticks written since program start
std::atomic<uint32_t> g_first{0};    // the first tick since heard_start
buffer_view g_buffer;

// ---- Helpers -------------------------------------------------------------------

// Tick i of the record, if it is whole and still there.
bool read_tick(uint32_t i, uint32_t& sample, int32_t& position) {
  const tick_entry& e = g_ring[i & (k_ticks - 1)];
  const uint32_t want = 2 * i + 2;
  if (e.stamp.load(acq) != want) return false;
  sample = e.sample.load(acq);
  position = e.position.load(acq);
  return e.stamp.load(rlx) == want;
}

}  // namespace

// ---- Public state --------------------------------------------------------------

int32_t heard_path_samples = 0;
int32_t heard_offset_ms = 0;
uint32_t (*heard_clock_us)() = steady_us;
bool (*heard_output)(uint32_t* sample) = heard_output_desktop;
int32_t heard_shown = 0;

// ---- Writer: the audio callback --------------------------------------------------

void heard_start(int32_t live) {
  g_live = live != 0 ? 1 : 0;
  g_handed.store(0, rel);
  g_base.store(0, rlx);
  g_first.store(g_count.load(rlx), rel);
  const uint32_t seq = g_buffer.seq.load(rlx);
  g_buffer.seq.store(seq + 1, rlx);
  g_buffer.n.store(0, rel);
  g_buffer.end.store(0, rel);
  g_buffer.seq.store(seq + 2, rel);
}

void heard_buffer(int32_t rate, int32_t n) {
  const uint32_t t = heard_clock_us();
  const uint32_t base = g_handed.load(rlx);
  const uint32_t end = base + static_cast<uint32_t>(n);
  g_base.store(base, rlx);
  const uint32_t seq = g_buffer.seq.load(rlx);
  g_buffer.seq.store(seq + 1, rlx);
  g_buffer.end.store(end, rel);
  g_buffer.n.store(n, rel);
  g_buffer.rate.store(rate, rel);
  g_buffer.t_us.store(t, rel);
  g_buffer.seq.store(seq + 2, rel);
  g_handed.store(end, rel);
}

void heard_tick(int32_t at) {
  const uint32_t i = g_count.load(rlx);
  tick_entry& e = g_ring[i & (k_ticks - 1)];
  e.stamp.store(2 * i + 1, rlx);
  e.sample.store(g_base.load(rlx) + static_cast<uint32_t>(at), rel);
  e.position.store(mzx_position(), rel);
  e.stamp.store(2 * i + 2, rel);
  g_count.store(i + 1, rel);
}

// ---- Readers -------------------------------------------------------------------

int32_t heard_path_for(const char* driver, int32_t buffer) {
  if (driver == nullptr || buffer <= 0) return 0;
  return std::strcmp(driver, "pulseaudio") == 0 ? buffer : 0;
}

uint32_t heard_handed() { return g_handed.load(acq); }

int32_t heard_rate() { return g_buffer.rate.load(acq); }

bool heard_output_desktop(uint32_t* sample) {
  for (int32_t tries = 0; tries < k_read_tries; tries++) {
    const uint32_t before = g_buffer.seq.load(acq);
    if (before & 1u) continue;
    const uint32_t end = g_buffer.end.load(acq);
    const int32_t n = g_buffer.n.load(acq);
    const int32_t rate = g_buffer.rate.load(acq);
    const uint32_t t = g_buffer.t_us.load(acq);
    if (g_buffer.seq.load(rlx) != before) continue;
    if (n <= 0 || rate <= 0) return false;
    // What has played of the last buffer since its callback began: the
    // buffer is queued behind nothing of ours, so it starts playing then.
    // A difference of two readings of the wrapping clock, signed: a reading
    // before the callback's (none on a monotonic clock) counts as none played.
    int32_t elapsed = static_cast<int32_t>(heard_clock_us() - t);
    if (elapsed < 0) elapsed = 0;
    if (elapsed > k_stale_us) elapsed = k_stale_us;
    uint64_t played = static_cast<uint64_t>(elapsed) * static_cast<uint32_t>(rate) / 1'000'000u;
    if (played > static_cast<uint32_t>(n)) played = static_cast<uint32_t>(n);
    const uint32_t path = heard_path_samples > 0 ? static_cast<uint32_t>(heard_path_samples) : 0u;
    *sample = end - static_cast<uint32_t>(n) + static_cast<uint32_t>(played) - path;  // wraps, as every count
    return true;
  }
  return false;
}

int32_t heard_position_at(uint32_t sample) {
  const uint32_t count = g_count.load(acq);
  uint32_t avail = count - g_first.load(acq);
  if (avail > k_ticks) avail = k_ticks;
  bool any = false;
  int32_t earliest = 0;
  for (uint32_t k = 1; k <= avail; k++) {
    uint32_t s;
    int32_t p;
    // Written over since the count was read: the older ones are gone too.
    if (!read_tick(count - k, s, p)) break;
    if (static_cast<int32_t>(sample - s) >= 0) return p;
    earliest = p;
    any = true;
  }
  return any ? earliest : mzx_position();
}

int32_t heard_position() {
  uint32_t sample = 0;
  if (g_live == 0 || laite == 0 || !heard_output(&sample)) {
    heard_shown = mzx_position();
    return heard_shown;
  }
  int32_t ms = heard_offset_ms;
  if (ms > HEARD_OFFSET_MAX_MS) ms = HEARD_OFFSET_MAX_MS;
  if (ms < -HEARD_OFFSET_MAX_MS) ms = -HEARD_OFFSET_MAX_MS;
  // 500 ms times a 32-bit rate needs 64 bits.
  const int64_t shift = int64_t{ms} * heard_rate() / 1000;
  sample -= static_cast<uint32_t>(shift);  // wraps on purpose, as every sample count
  heard_shown = heard_position_at(sample);
  return heard_shown;
}

int32_t heard_recent(uint32_t* samples, int32_t* positions, int32_t max) {
  const uint32_t count = g_count.load(acq);
  uint32_t avail = count - g_first.load(acq);
  if (avail > k_ticks) avail = k_ticks;
  if (max < 0) max = 0;
  if (avail > static_cast<uint32_t>(max)) avail = static_cast<uint32_t>(max);
  int32_t got = 0;
  for (uint32_t i = count - avail; i != count; i++) {
    uint32_t s;
    int32_t p;
    if (!read_tick(i, s, p)) continue;  // written over while we read: the next is newer
    samples[got] = s;
    positions[got] = p;
    got++;
  }
  return got;
}
