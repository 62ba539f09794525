// An hour of the demo's module through the callback path (44100 Hz, 47 ticks
// a second, 2048-sample buffers): every tick starts exactly one slice after
// the last however the buffers fall, and the callback's tick record says so
// too; the music position stays a valid walk through the song across every
// wrap and repeats it pass for pass, and no memory is taken: no allocator
// call on the path and no growth of the resident set.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "music/cool_mzx.h"
#include "music/heard.h"
#include "player/pt.h"
#include "probe.h"
#include "song.h"
#include "ticks.h"

namespace {

// About 1 s in Release, 15 s unoptimised under AddressSanitizer, 30 s under
// ThreadSanitizer, 6 s under qemu-arm.
constexpr int64_t k_seconds = 60 * 60;
constexpr int32_t k_rate = 44100, k_hz = 47, k_buffer = 2048;
constexpr int32_t k_slice = k_rate / k_hz;  // 938

// Resident set size in kB.
long resident_kb() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

// One pass through the song, from its restart position back to it.
struct pass {
  int64_t ticks = 0;
  uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a of the positions
};

TEST(LongRun, AnHourKeepsTimeAndPlace) {
  int32_t size = 0;
  std::vector<uint8_t> module = load_demo_module(size);
  ASSERT_GT(size, 0) << "cannot read " << k_demo_module;
  ASSERT_EQ(mzx_init_offline(k_rate, k_hz), 1);
  ASSERT_EQ(mzx_get(module.data(), size), 1) << pt_errorstr;
  const int32_t songlen = pt_songlen, restart = pt_repstart;

  std::vector<uint8_t> buf(k_buffer * 2);
  std::vector<pass> passes;
  passes.reserve(64);
  pass current;
  int64_t ticks = 0, base = 0;
  int32_t last = mzx_position();
  rt_counts total;
  uint32_t rec_samples[RT_TICKS_MAX];
  int32_t rec_positions[RT_TICKS_MAX];
  long rss_warm = 0;
  const int64_t calls = k_seconds * k_rate / k_buffer;
  for (int64_t call = 0; call < calls; call++, base += k_buffer) {
    rt_ticks_clear();
    rt_add(total, rt_watch([&] { mix_newhand(nullptr, buf.data(), static_cast<int>(buf.size())); }));
    ASSERT_LE(rt_nticks, RT_TICKS_MAX);
    // The tick record holds the same ticks, counted from the first sample.
    ASSERT_EQ(heard_recent(rec_samples, rec_positions, rt_nticks), rt_nticks);
    for (int32_t k = 0; k < rt_nticks; k++, ticks++) {
      const rt_tick& t = rt_ticks[static_cast<size_t>(k)];
      // Time: tick n starts n slices into the output.
      ASSERT_EQ(base + t.off, ticks * k_slice) << "tick " << ticks << " drifted";
      ASSERT_EQ(rec_samples[k], static_cast<uint32_t>(base + t.off)) << "tick " << ticks << " recorded";
      ASSERT_EQ(rec_positions[k], t.position) << "tick " << ticks << " recorded";
      // Place: a row of an order of the song, and from the last tick either
      // the same row, the next row, row 0 of the next order, or, after the
      // last row of the last order, the restart position. The demo's module
      // has no jumps, breaks or loops, so this is the whole walk.
      const int32_t p = t.position, order = p / 100, row = p % 100;
      ASSERT_TRUE(order >= 0 && order < songlen && row >= 0 && row <= 63) << "tick " << ticks << ": " << p;
      const bool wraps = last == (songlen - 1) * 100 + 63 && p == restart * 100;
      const bool steps = p == last || (p == last + 1 && row != 0) ||
                         (last % 100 == 63 && p == (last / 100 + 1) * 100) || (ticks == 0 && p == 0);
      ASSERT_TRUE(wraps || steps) << "tick " << ticks << ": from " << last << " to " << p;
      if (wraps) {
        passes.push_back(current);
        current = pass{};
      }
      current.ticks++;
      current.hash = (current.hash ^ static_cast<uint32_t>(p)) * 0x100000001b3ull;
      last = p;
    }
    if (passes.size() == 1 && rss_warm == 0) rss_warm = resident_kb();
  }
  // Every output sample belongs to a tick that has started.
  EXPECT_EQ(ticks, (base + k_slice - 1) / k_slice);
  // Each pass takes the same ticks through the same positions. The first
  // starts at order 0, so it is one of them only when the song restarts there.
  const size_t ref = restart == 0 ? 0 : 1;
  ASSERT_GE(passes.size(), ref + 2) << "the song did not wrap twice";
  for (size_t i = ref + 1; i < passes.size(); i++) {
    EXPECT_EQ(passes[i].ticks, passes[ref].ticks) << "pass " << i;
    EXPECT_EQ(passes[i].hash, passes[ref].hash) << "pass " << i;
  }
  EXPECT_FALSE(total.any()) << "the audio path called the allocator or a lock: " << rt_describe(total);
  // No growth after the first pass: a little slack for pages first touched.
  EXPECT_LE(resident_kb() - rss_warm, 256) << "resident set grew from " << rss_warm << " kB";
  std::printf("%lld s of music: %lld ticks, %zu passes of %lld ticks\n", static_cast<long long>(k_seconds),
              static_cast<long long>(ticks), passes.size(), static_cast<long long>(passes[ref].ticks));

  static uint8_t none[1084] = {};
  mzx_get(none, sizeof none);
}

}  // namespace
