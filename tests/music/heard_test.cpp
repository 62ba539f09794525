// The sound being heard: the tick record looked up at sample counts the test
// chooses (across the wrap of the count, past the record's length, before its
// first tick), and the position a frame shows from the desktop estimate at
// chosen clock readings, with the user's offset and without a sounding device.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "music/cool_mzx.h"
#include "music/heard.h"
#include "player/pt.h"

namespace {

uint32_t g_now = 0;
uint32_t fake_clock() { return g_now; }

// Hands samples to the output without ticks, in buffers no longer than int32.
void hand(uint32_t samples) {
  while (samples != 0) {
    const uint32_t n = samples > 0x7FFFFFFFu ? 0x7FFFFFFFu : samples;
    heard_buffer(44100, static_cast<int32_t>(n));
    samples -= n;
  }
}

// One buffer with ticks at the given offsets, each setting its position.
struct tick {
  int32_t at, position;
};
void buffer(int32_t n, const std::vector<tick>& ticks) {
  heard_buffer(44100, n);
  for (const tick& t : ticks) {
    pt_position.store(t.position);
    heard_tick(t.at);
  }
}

TEST(Heard, LookupAtChosenSamples) {
  struct query {
    int64_t at;  // samples from the record's start (negative: before it)
    int32_t want;
  };
  std::vector<tick> many;
  for (int32_t k = 0; k < 100; k++) many.push_back({k * 938, k});
  const struct {
    const char* what;
    uint32_t start;  // samples handed before the record's first buffer
    std::vector<tick> ticks;
    std::vector<query> queries;
  } cases[] = {
      {"the demo's first ticks", 0, {{0, 0}, {938, 1}, {1876, 2}, {2814, 3}, {3752, 4}},
       {{-1, 0}, {0, 0}, {937, 0}, {938, 1}, {2813, 2}, {2814, 3}, {3752, 4}, {1000000, 4}}},
      {"across the wrap of the sample count", 0xFFFFFF9Cu, {{0, 500}, {938, 501}},
       {{-30, 500}, {99, 500}, {100, 500}, {937, 500}, {938, 501}, {5000, 501}}},
      {"more ticks than the record keeps", 12345, many,
       {{99 * 938, 99}, {50 * 938 + 1, 50}, {36 * 938, 36}, {36 * 938 - 1, 36}, {0, 36}}},
      {"nothing recorded", 0, {}, {{0, -37}, {5000, -37}}},
  };
  for (const auto& c : cases) {
    heard_start(1);
    pt_position.store(-37);
    hand(c.start);
    buffer(400000, c.ticks);
    for (const query& q : c.queries) {
      const uint32_t sample = c.start + static_cast<uint32_t>(q.at);  // wraps as the count does
      EXPECT_EQ(heard_position_at(sample), q.want) << c.what << ", sample " << q.at;
    }
  }
  heard_start(0);
}

TEST(Heard, FrameShowsTheSampleBeingOutput) {
  // Two 2048-sample buffers of the demo at 44100 Hz, the second 46.44 ms after
  // the first; the microsecond clock wraps between them. The player then
  // reads 9, which a frame shows only when no device sounds.
  constexpr uint32_t t0 = 0xFFFFC000u, t1 = t0 + 46440;
  const struct {
    const char* what;
    int32_t live, output;  // heard_start's argument, laite
    uint32_t now;
    int32_t offset_ms;
    int32_t want;
    int32_t path = 0;  // heard_path_samples
  } cases[] = {
      {"at the callback: the buffer's first sample (2048)", 1, 2, t1, 0, 2},
      {"17 ms later: sample 2797", 1, 2, t1 + 17000, 0, 2},
      {"18 ms later: sample 2841, the tick at 2814", 1, 2, t1 + 18000, 0, 3},
      {"40 ms later: sample 3812", 1, 2, t1 + 40000, 0, 4},
      {"a stalled output: held at the buffer's end", 1, 2, t1 + 500000, 0, 4},
      {"a clock reading before the callback counts as none played", 1, 2, t1 - 1000, 0, 2},
      {"a later sound holds the picture back: 20 ms", 1, 2, t1 + 18000, 20, 2},
      {"an earlier sound brings it forward: -20 ms", 1, 2, t1, -20, 3},
      {"the offset is held to 500 ms", 1, 2, t1 + 18000, 100000, 0},
      {"the offset is held to -500 ms", 1, 2, t1, -100000, 4},
      {"no device sounds: the player's position", 0, 2, t1 + 18000, 0, 9},
      {"the silent timer: the player's position", 1, 0, t1 + 18000, 20, 9},
      // The sound server holds the first buffer while the second is filled.
      {"a buffer held beyond the callback's: at the callback, sample 0", 1, 2, t1, 0, 0, 2048},
      {"a buffer held: 40 ms later, sample 1764", 1, 2, t1 + 40000, 0, 1, 2048},
      {"a buffer held: stalled, the second buffer's start (2048)", 1, 2, t1 + 500000, 0, 2, 2048},
      {"a buffer held, and the offset on top: 40 ms later less 20 ms", 1, 2, t1 + 40000, 20, 0, 2048},
  };
  uint32_t (*const clock)() = heard_clock_us;
  const int32_t output = laite;
  heard_clock_us = fake_clock;
  for (const auto& c : cases) {
    heard_start(c.live);
    g_now = t0;
    buffer(2048, {{0, 0}, {938, 1}, {1876, 2}});
    g_now = t1;
    buffer(2048, {{766, 3}, {1704, 4}});
    pt_position.store(9);
    laite = c.output;
    g_now = c.now;
    heard_offset_ms = c.offset_ms;
    heard_path_samples = c.path;
    EXPECT_EQ(heard_position(), c.want) << c.what;
    EXPECT_EQ(heard_shown, c.want) << c.what;
  }
  // Before the output's first buffer nothing is known: the player's position.
  laite = 2;
  heard_offset_ms = 0;
  heard_path_samples = 0;
  heard_start(1);
  EXPECT_EQ(heard_position(), 9);
  heard_start(0);
  heard_clock_us = clock;
  laite = output;
  pt_position.store(-37);
}

// What the driver SDL chose holds beyond the callback's buffer: one buffer in
// the sound server for the pulseaudio driver, nothing known for the others.
TEST(Heard, PathOfTheDriver) {
  const struct {
    const char* driver;
    int32_t buffer, want;
  } cases[] = {
      {"pulseaudio", 2048, 2048}, {"pulseaudio", 1024, 1024}, {"pulseaudio", 0, 0}, {"pulse", 2048, 0},
      {"alsa", 2048, 0},          {"dummy", 2048, 0},         {"disk", 2048, 0},    {"", 2048, 0},
      {nullptr, 2048, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(heard_path_for(c.driver, c.buffer), c.want) << (c.driver ? c.driver : "(none)") << ", " << c.buffer;
  }
}

}  // namespace
