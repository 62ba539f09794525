// The sync helpers: range test, per-sample trigger clocks, the condition test
// on the player's state, and the callback registry. The player's row and
// counters are set by hand so that every case names exactly the state it needs.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>

#include "music/mzx_sync.h"
#include "player/pt.h"

namespace {

constexpr int32_t k_no_note = 84;

// Player state that the sync helpers read, saved and put back around each test.
class Sync : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_lineptr_ = pt_lineptr;
    saved_channels_ = pt_channels;
    saved_vbcount_ = pt_vbcount;
    saved_songpos_ = pt_songpos;
    saved_rowcount_ = pt_rowcount;
    for (auto& c : row_) c = {0, static_cast<uint8_t>(k_no_note), 0, 0};
    pt_lineptr = row_[0].data();
    pt_channels = 4;
    pt_vbcount = 0;
    pt_songpos = 0;
    pt_rowcount = 0;
    for (int i = 0; i < 32; i++) pt_cursample[i] = 0;
    for (auto& c : aikaa_siita_kun_viimeksi_tavattu) c = 999999;
  }
  void TearDown() override {
    pt_lineptr = saved_lineptr_;
    pt_channels = saved_channels_;
    pt_vbcount = saved_vbcount_;
    pt_songpos = saved_songpos_;
    pt_rowcount = saved_rowcount_;
  }
  // Player cell: sample, note index (84 = none), effect, parameter.
  void cell(int ch, int sample, int note, int effect, int param = 0) {
    row_[ch] = {static_cast<uint8_t>(sample), static_cast<uint8_t>(note), static_cast<uint8_t>(effect),
                static_cast<uint8_t>(param)};
  }
  int32_t counter(int sample) const { return aikaa_siita_kun_viimeksi_tavattu[sample]; }
  // The condition test on the state set by hand, published as a tick would.
  static int32_t holds(const std::array<int32_t, 17>& r) {
    mzx_publish_sync();
    return ehto_toteutuu(r.data());
  }

  // One row of 32 channels, contiguous as in a converted pattern.
  alignas(4) std::array<std::array<uint8_t, 4>, 32> row_{};
  uint8_t* saved_lineptr_ = nullptr;
  int32_t saved_channels_ = 0, saved_vbcount_ = 0, saved_songpos_ = 0, saved_rowcount_ = 0;
};

// A record in which every range accepts anything and the row modulus is 1.
std::array<int32_t, 17> open_record() {
  std::array<int32_t, 17> r{};
  r.fill(-1);
  r[12] = 1;
  return r;
}

TEST(InRange, NegativeHighAcceptsAnythingElseInclusiveSigned) {
  EXPECT_EQ(inrange(5, 10, -1), 1);
  EXPECT_EQ(inrange(-50, 10, -7), 1);
  EXPECT_EQ(inrange(5, 10, 20), 0);
  EXPECT_EQ(inrange(10, 10, 20), 1);
  EXPECT_EQ(inrange(20, 10, 20), 1);
  EXPECT_EQ(inrange(21, 10, 20), 0);
  EXPECT_EQ(inrange(-3, -5, 0), 1);  // signed comparison
  EXPECT_EQ(inrange(0, 1, 0), 0);    // empty range
}

// A fresh process: the counters and the registry as the program starts.
TEST(SyncDeathTest, ProgramStartState) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        int code = 0;
        for (int32_t c : aikaa_siita_kun_viimeksi_tavattu)
          if (c != 999999) code = 2;
        if (callbackcount != 0 || curhandle != 1) code = 3;
        for (int32_t i = 1; i <= 1024 && code == 0; i++)
          if (mzx_set_callback(1000 + i) != i) code = 4;
        if (code == 0 && mzx_set_callback(7) != 0) code = 5;
        std::exit(code);
      },
      ::testing::ExitedWithCode(0), "");
}

// A note on the first tick of a row starts its sample's clock at 0 after
// that tick; every other clock, and every later tick, just counts on.
TEST_F(Sync, NoteStartsItsSampleClock) {
  cell(1, 5, 24, 0);
  cell(2, 0, 30, 4);         // no sample number is sample 0; vibrato is no portamento
  cell(3, 7, k_no_note, 0);  // a sample number without a note starts nothing
  update_sample_trig_times();
  EXPECT_EQ(counter(5), 0);
  EXPECT_EQ(counter(0), 0);
  EXPECT_EQ(counter(7), 1000000);
  pt_vbcount = 1;  // only the first tick of a row looks at the notes
  update_sample_trig_times();
  update_sample_trig_times();
  EXPECT_EQ(counter(5), 2);
}

TEST_F(Sync, TonePortamentoAndOtherChannelsLeaveClocksCounting) {
  cell(0, 5, 24, 3);
  cell(1, 6, 24, 5);
  cell(2, 9, 200, 0);  // not a note index
  pt_channels = 3;
  cell(3, 8, 24, 0);   // beyond the player's channels
  update_sample_trig_times();
  for (int s : {5, 6, 8, 9}) EXPECT_EQ(counter(s), 1000000) << "sample " << s;
}

// Sample numbers above 31 have no clock: every one of the 32 counters just
// counts on (an address sanitizer build also sees any write past the table).
TEST_F(Sync, SampleNumbersAbove31AreIgnored) {
  pt_channels = 32;
  for (int ch = 0; ch < 32; ch++) cell(ch, 32 + ch * 7, 24, 0);
  update_sample_trig_times();
  for (int s = 0; s < 32; s++) EXPECT_EQ(counter(s), 1000000) << "sample " << s;
}

TEST_F(Sync, OpenRecordHoldsWhileAChannelExistsAndZeroModulusNever) {
  auto r = open_record();
  pt_channels = 1;
  EXPECT_EQ(holds(r), 1);
  pt_channels = 0;
  EXPECT_EQ(holds(r), 0);
  pt_channels = 4;
  r[12] = 0;
  EXPECT_EQ(holds(r), 0);
}

TEST_F(Sync, ChannelEffectAndParameterOfTheSameChannel) {
  auto r = open_record();
  r[0] = 2;  // channel 2 only
  r[1] = 2;
  r[6] = 0xA;  // volume slide
  r[7] = 0xA;
  r[8] = 0x10;  // parameter 0x10..0x1F
  r[9] = 0x1F;
  cell(1, 0, k_no_note, 0xA, 0x12);  // right effect, wrong channel
  cell(2, 0, k_no_note, 0xB, 0x12);
  EXPECT_EQ(holds(r), 0);
  cell(2, 0, k_no_note, 0x1A, 0x12);  // only the low four bits are the command
  EXPECT_EQ(holds(r), 1);
  cell(2, 0, k_no_note, 0xA, 0x20);
  EXPECT_EQ(holds(r), 0);
}

TEST_F(Sync, SampleOrderRowAndTickRanges) {
  auto r = open_record();
  r[2] = 3;  // current sample 3
  r[3] = 3;
  r[10] = 2;  // orders 2..4
  r[11] = 4;
  r[12] = 4;  // rows 1, 5, 9, ...
  r[13] = 1;
  r[14] = 1;
  r[15] = 0;  // first tick of the row only
  r[16] = 0;
  pt_cursample[3] = 3;
  pt_songpos = 3;
  pt_rowcount = 5;
  EXPECT_EQ(holds(r), 1);
  pt_vbcount = 1;
  EXPECT_EQ(holds(r), 0);
  pt_vbcount = 0;
  pt_rowcount = 6;
  EXPECT_EQ(holds(r), 0);
  pt_rowcount = 5;
  pt_songpos = 5;
  EXPECT_EQ(holds(r), 0);
  pt_songpos = 2;
  pt_cursample[3] = 4;
  EXPECT_EQ(holds(r), 0);
  // The third pair is not consulted.
  pt_cursample[3] = 3;
  r[4] = 100;
  r[5] = 100;
  EXPECT_EQ(holds(r), 1);
}

// The row is taken modulo m as an unsigned number: the row -1 that a pattern
// loop to row 0 leaves behind is 4294967295, which is 3 modulo 4.
TEST_F(Sync, RowRemainderIsUnsigned) {
  auto r = open_record();
  r[12] = 4;
  r[13] = 3;
  r[14] = 3;
  pt_rowcount = -1;
  EXPECT_EQ(holds(r), 1);
}

TEST(Registry, HandlesCountUpUntilFull) {
  callbackcount = 0;
  const int32_t first = curhandle;
  for (int32_t i = 0; i < 1024; i++) {
    ASSERT_EQ(mzx_set_callback(i * 3), first + i);
    EXPECT_EQ(callbacks[i], i * 3);
    EXPECT_EQ(cbhandles[i], first + i);
  }
  EXPECT_EQ(callbackcount, 1024);
  EXPECT_EQ(mzx_set_callback(5), 0);
  EXPECT_EQ(curhandle, first + 1024);  // a refused registration uses no handle
  // Emptying the registry does not hand out old handles again.
  callbackcount = 0;
  EXPECT_EQ(mzx_set_callback(5), first + 1024);
  callbackcount = 0;
}

}  // namespace
