// The audio callback's tick slicing: where ticks start inside the buffers, the
// carry between buffers, the two output formats, buffers shorter than a slice,
// and the music position the ticks produce.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "music/cool_mzx.h"
#include "music_harness.h"
#include "player/pt.h"

namespace {

class TickSlicing : public ::testing::Test {
 protected:
  void TearDown() override { forget_module(); }
  // Offline set-up at rate and 47 ticks per second, the module loaded, ticks
  // recorded from here on.
  void load(int32_t rate, const mb_module& m, int32_t hz = 47) {
    ASSERT_EQ(mzx_init_offline(rate, hz), 1);
    image_ = std::make_unique<module_image>(m.build());
    ASSERT_EQ(mzx_get(image_->bytes.data(), image_->size), 1);
    tick_recorder::install();
  }
  // One callback of `samples` samples; returns the tick offsets it produced.
  std::vector<int32_t> callback(int32_t samples, int bytes_per_sample = 2) {
    tick_recorder::offsets.clear();
    buffer_.assign(static_cast<size_t>(samples) * bytes_per_sample, 0);
    mix_newhand(nullptr, buffer_.data(), static_cast<int>(buffer_.size()));
    return tick_recorder::offsets;
  }
  // However the buffers fall, tick k starts k slices into the output.
  void every_tick_one_slice(int32_t samples, int bytes, int32_t slice, int calls) {
    int64_t base = 0;
    int64_t ticks = 0;
    for (int c = 0; c < calls; c++) {
      for (int32_t o : callback(samples, bytes)) {
        ASSERT_EQ(base + o, ticks * slice) << "callback " << c << ", tick " << ticks;
        ticks++;
      }
      base += samples;
    }
    // Every sample that was output belongs to a tick that has started.
    EXPECT_EQ(ticks, (base + slice - 1) / slice);
  }
  std::unique_ptr<module_image> image_;
  std::vector<uint8_t> buffer_;
};

using offsets = std::vector<int32_t>;

TEST_F(TickSlicing, WorkedExampleAt44100) {
  load(44100, ramp_module());
  EXPECT_EQ(callback(2048), (offsets{0, 938, 1876}));
  EXPECT_EQ(luku, 766);
  EXPECT_EQ(callback(2048), (offsets{766, 1704}));
  EXPECT_EQ(luku, 594);
  EXPECT_EQ(callback(2048), (offsets{594, 1532}));
  EXPECT_EQ(luku, 422);
}

TEST_F(TickSlicing, EveryTickLastsOneSliceAcrossBuffers) {
  load(44100, ramp_module());
  every_tick_one_slice(2048, 2, 938, 300);
}

TEST_F(TickSlicing, BufferEndingOnTickBoundaryCarriesNothing) {
  load(44100, ramp_module());
  EXPECT_EQ(callback(2 * 938), (offsets{0, 938}));
  EXPECT_EQ(luku, 0);
  // No tick is owed: the next buffer starts a fresh one at 0, not a second at 0.
  EXPECT_EQ(callback(2 * 938), (offsets{0, 938}));
  EXPECT_EQ(luku, 0);
  EXPECT_EQ(pt_vbcount, 3);  // four ticks at speed 6: row 0, tick 3
}

TEST_F(TickSlicing, EightBitAt22050SlicesOf469) {
  load(22050, ramp_module());
  EXPECT_EQ(callback(2048, 1), (offsets{0, 469, 938, 1407, 1876}));
  EXPECT_EQ(luku, 297);
  load(22050, ramp_module());
  every_tick_one_slice(2048, 1, 469, 200);
}

// The output covers the whole buffer, once, in both formats: a sentinel that
// silence cannot produce is overwritten everywhere, and guard bytes behind the
// buffer stay as they were.
TEST_F(TickSlicing, MixesExactlyTheBuffer) {
  for (int32_t rate : {44100, 22050}) {
    mb_module silent;  // no notes at all: the output is silence throughout
    load(rate, silent);
    const int bytes = rate == 44100 ? 2 : 1;
    const size_t n = 2048 * bytes;
    for (int call = 0; call < 5; call++) {
      std::vector<uint8_t> buf(n + 64, 0x5A);
      mix_newhand(nullptr, buf.data(), static_cast<int>(n));
      for (size_t i = 0; i < n; i++) {
        const uint8_t silence = bytes == 2 ? 0x00 : 0x80;
        ASSERT_EQ(buf[i], silence) << "rate " << rate << ", call " << call << ", byte " << i;
      }
      for (size_t i = n; i < buf.size(); i++) ASSERT_EQ(buf[i], 0x5A) << "guard byte " << i - n;
    }
  }
}

// A slice longer than the buffer (10 ticks per second: 4410 samples) is mixed
// over several buffers, never past the end of one, and the ticks still fall
// one slice apart.
TEST_F(TickSlicing, CarryLongerThanBufferStaysInside) {
  load(44100, ramp_module(), 10);
  std::vector<uint8_t> buf(4096 + 64, 0x5A);
  tick_recorder::offsets.clear();
  mix_newhand(nullptr, buf.data(), 4096);
  EXPECT_EQ(tick_recorder::offsets, (offsets{0}));
  EXPECT_EQ(luku, 4410 - 2048);
  tick_recorder::offsets.clear();
  mix_newhand(nullptr, buf.data(), 4096);
  EXPECT_TRUE(tick_recorder::offsets.empty());
  EXPECT_EQ(luku, 4410 - 4096);
  for (size_t i = 4096; i < buf.size(); i++) ASSERT_EQ(buf[i], 0x5A) << "guard byte " << i - 4096;
  tick_recorder::offsets.clear();
  mix_newhand(nullptr, buf.data(), 4096);
  EXPECT_EQ(tick_recorder::offsets, (offsets{314}));

  load(44100, ramp_module(), 10);
  every_tick_one_slice(2048, 2, 4410, 50);
}

TEST_F(TickSlicing, OtherDeviceValuesDoNothing) {
  load(44100, ramp_module());
  for (int32_t value : {0, 3, -1}) {
    laite = value;
    std::vector<uint8_t> buf(4096, 0x5A);
    tick_recorder::offsets.clear();
    mix_newhand(nullptr, buf.data(), 4096);
    EXPECT_TRUE(tick_recorder::offsets.empty()) << "laite " << value;
    EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](uint8_t b) { return b == 0x5A; })) << "laite " << value;
    EXPECT_EQ(luku, 0);
  }
}

TEST_F(TickSlicing, NothingTicksBeforeAModuleIsTaken) {
  ASSERT_EQ(mzx_init_offline(44100, 47), 1);
  std::vector<uint8_t> junk(2000, 0);  // no known id: refused
  ASSERT_EQ(mzx_get(junk.data(), static_cast<int32_t>(junk.size())), 0);
  tick_recorder::install();
  callback(2048);
  EXPECT_TRUE(tick_recorder::offsets.empty());
  EXPECT_EQ(mzx_position(), 0);
  // The clock still advances: the carry is kept for when ticks can run.
  EXPECT_EQ(luku, 766);
}

// A module at speed 1 steps one row per tick, so the position follows the
// number of ticks: -37 before the first, then order * 100 + row.
mb_module one_row_per_tick() {
  mb_module m = ramp_module(2);
  m.order = {0, 1};
  m.cell(0, 0, 1) = {0, 0, 0xF, 1};
  m.cell(1, 0, 0) = {1, mb_period(12), 0, 0};
  return m;
}

// The silent device's timer runs on mzx_clock, which these tests drive.
uint32_t g_now = 0;
uint32_t test_clock() { return g_now; }

// The timer's clock as mzx_start leaves it, at g_now, without SDL's timer.
void timer_started_now() {
  mzx_clock = test_clock;
  tix = g_now;
  mzx_timer_done.store(0);
  laite = 0;  // the silent device's tick source
}

TEST_F(TickSlicing, PositionFromTimerTicks) {
  load(44100, one_row_per_tick());
  timer_started_now();
  EXPECT_EQ(mzx_position(), -37);
  g_now += 21;
  EXPECT_EQ(timeri(21), 21u);
  EXPECT_EQ(mzx_position(), 0);
  for (int i = 0; i < 63; i++) {
    g_now += 21;
    timeri(21);
  }
  EXPECT_EQ(mzx_position(), 63);
  g_now += 21;
  timeri(21);
  EXPECT_EQ(mzx_position(), 100);
  EXPECT_EQ(pt_songpos * 100 + pt_rowcount, 100);
  mzx_clock = mzx_ticks;
}

// Calls SDL's timer made late, or dropped, are made up by the next one: each
// call runs every tick due by the clock, up to a second's worth (47 at 47 Hz);
// past that the backlog is let go. One row per tick, so the position counts
// the ticks run: tick T shows row T - 1 of the two-order song.
TEST_F(TickSlicing, TimerRunsTheTicksDueByTheClock) {
  load(44100, one_row_per_tick());
  timer_started_now();
  const struct {
    uint32_t advance_ms;  // clock moved since the previous call
    int32_t ticks;        // ticks this call must run
  } calls[] = {
      {0, 0},             // nothing due yet
      {20, 0},            // 20 ms: still none
      {1, 1},             // 21 ms: the first
      {10 * 21, 10},      // ten intervals late: all ten at once
      {21 + 20, 1},       // one and a bit: one, the bit stays due
      {1, 1},             // and makes the next one
      {0, 0},             // a second call at the same time runs nothing
      {47 * 21, 47},      // a second's worth
      {100 * 21, 47},     // a stall of 2.1 s: a second's worth, the rest dropped
      {21, 1},            // from there on, one per interval again
  };
  int32_t total = 0;
  for (const auto& c : calls) {
    g_now += c.advance_ms;
    EXPECT_EQ(timeri(21), 21u);
    total += c.ticks;
    const int32_t want = total == 0 ? -37 : ((total - 1) / 64 % 2) * 100 + (total - 1) % 64;
    EXPECT_EQ(mzx_position(), want) << "after " << total << " ticks, clock at " << (g_now - tix) << " ms";
  }
  mzx_clock = mzx_ticks;
}

}  // namespace
