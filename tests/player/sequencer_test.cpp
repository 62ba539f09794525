// Sequencer: tick and row timing, order stepping and wrap, the sequencing
// effects (Bxx, Dxy, E6y, EEx, Fxx), the position seen from outside and the
// note trigger on tick 0.
#include <gtest/gtest.h>

#include "harness.h"
#include "music/cool_mzx.h"
#include "player/pt.h"
#include "sound/sd_mix.h"

namespace {

// A module with order entries 0..n-1 playing patterns 0..n-1 and a note on
// channel 0 of every row, so that every row start is visible.
mb_module rows_module(int orders) {
  mb_module m;
  m.order.clear();
  for (int i = 0; i < orders; i++) m.order.push_back(static_cast<uint8_t>(i));
  m.sample(1, 1000);
  for (int p = 0; p < orders; p++)
    for (int r = 0; r < 64; r++) m.cell(p, r, 0) = {0, 428, 0, 0};
  return m;
}

// Plays ticks until n rows have started (tick 0 with channel 0's period sent)
// and returns the positions of those rows.
std::vector<int32_t> row_positions(int rows, int max_ticks = 100000) {
  std::vector<int32_t> out;
  for (int i = 0; i < max_ticks && static_cast<int>(out.size()) < rows; i++) {
    const tick_calls t = play_tick();
    if (pt_vbcount == 0 && !t.values(0, SD_REC_PERIOD).empty()) out.push_back(mzx_position());
  }
  return out;
}

}  // namespace

using SequencerTiming = PlayerTest;
using SequencerOrders = PlayerTest;
using SequencerLoops = PlayerTest;
using SequencerDelay = PlayerTest;
using SequencerNotes = PlayerTest;

TEST_F(SequencerTiming, FirstTickStartsRowZeroAndSpeedSixRowsEverySixTicks) {
  ASSERT_EQ(load_module(rows_module(1)), 1);
  EXPECT_EQ(mzx_position(), -37);
  EXPECT_EQ(pt_vbtempo, 6);
  EXPECT_EQ(pt_bpmtempo, 125);
  std::vector<int> starts;
  for (int call = 1; call <= 20; call++) {
    const tick_calls t = play_tick();
    EXPECT_EQ(t.selects, 4) << "every tick selects every channel";
    if (!t.values(0, SD_REC_PERIOD).empty()) starts.push_back(call);
    if (call == 1) {
      EXPECT_EQ(pt_vbcount, 0);
      EXPECT_EQ(pt_songpos, 0);
      EXPECT_EQ(pt_rowcount, 0);
      EXPECT_EQ(mzx_position(), 0);
    }
  }
  EXPECT_EQ(starts, (std::vector<int>{1, 7, 13, 19}));
}

TEST_F(SequencerTiming, SetSpeedChangesTicksPerRowFromTheCurrentRow) {
  mb_module m = rows_module(1);
  m.cell(0, 0, 1) = {0, 0, 0xF, 0x03};
  ASSERT_EQ(load_module(m), 1);
  std::vector<int> starts;
  for (int call = 1; call <= 10; call++)
    if (!play_tick().values(0, SD_REC_PERIOD).empty()) starts.push_back(call);
  EXPECT_EQ(starts, (std::vector<int>{1, 4, 7, 10}));

  m.cell(0, 0, 1) = {0, 0, 0xF, 0x1F};
  m.cell(0, 1, 1) = {0, 0, 0xF, 0x01};
  ASSERT_EQ(load_module(m), 1);
  starts.clear();
  for (int call = 1; call <= 34; call++)
    if (!play_tick().values(0, SD_REC_PERIOD).empty()) starts.push_back(call);
  EXPECT_EQ(starts, (std::vector<int>{1, 32, 33, 34}));
}

TEST_F(SequencerTiming, TempoAbove31IsStoredOnly) {
  mb_module m = rows_module(1);
  m.cell(0, 0, 1) = {0, 0, 0xF, 0x20};
  ASSERT_EQ(load_module(m), 1);
  play_tick();
  EXPECT_EQ(pt_bpmtempo, 32);
  EXPECT_EQ(pt_vbtempo, 6);
}

TEST_F(SequencerTiming, SpeedZeroRepeatsTheRowStartForEver) {
  mb_module m = rows_module(1);
  m.cell(0, 2, 1) = {0, 0, 0xF, 0x00};
  m.cell(0, 2, 2) = {1, 0, 0xA, 0x01};  // sample number: volume sent at every row start
  ASSERT_EQ(load_module(m), 1);
  for (int i = 0; i < 13; i++) play_tick();  // row 2 starts on call 13
  EXPECT_EQ(mzx_position(), 2);
  for (int i = 0; i < 50; i++) {
    const tick_calls t = play_tick();
    EXPECT_EQ(pt_vbcount, 0);
    EXPECT_EQ(mzx_position(), 2);
    EXPECT_EQ(t.last(0, SD_REC_PERIOD), 428);
    EXPECT_EQ(t.last(0, SD_REC_OFFSET), 0);
    EXPECT_EQ(t.last(2, SD_REC_VOLUME), 64);
  }
  // A new start leaves the stall.
  pt_init();
  play_tick();
  EXPECT_EQ(pt_vbtempo, 6);
  EXPECT_EQ(mzx_position(), 0);
}

TEST_F(SequencerOrders, LastRowWrapsToRestart) {
  mb_module m = rows_module(3);
  m.restart = 1;
  ASSERT_EQ(load_module(m), 1);
  const std::vector<int32_t> pos = row_positions(64 * 3 + 2);
  EXPECT_EQ(pos[63], 63);
  EXPECT_EQ(pos[64], 100);
  EXPECT_EQ(pos[191], 263);
  EXPECT_EQ(pos[192], 100);
  EXPECT_EQ(pos[193], 101);
}

TEST_F(SequencerOrders, PositionJump) {
  mb_module m = rows_module(4);
  m.restart = 2;
  m.cell(0, 5, 1) = {0, 0, 0xB, 0x02};  // -> order 2
  m.cell(2, 3, 1) = {0, 0, 0xB, 0x00};  // -> order 0
  ASSERT_EQ(load_module(m), 1);
  for (int i = 0; i < 31; i++) play_tick();  // row 5 starts on call 31
  EXPECT_EQ(mzx_position(), 163);            // (2 - 1) * 100 + 63 for the rest of the row
  for (int i = 0; i < 5; i++) play_tick();
  EXPECT_EQ(mzx_position(), 163);
  play_tick();
  EXPECT_EQ(mzx_position(), 200);
  const std::vector<int32_t> pos = row_positions(6);
  // The jumping row itself reads -37: order -1, row 63.
  EXPECT_EQ(pos, (std::vector<int32_t>{201, 202, -37, 0, 1, 2}));

  // A jump past the song goes to the restart position.
  m.cell(2, 3, 1) = {0, 0, 0xB, 0x04};
  m.cell(0, 5, 1) = {0, 0, 0xB, 0xFF};
  ASSERT_EQ(load_module(m), 1);
  const std::vector<int32_t> pos2 = row_positions(8);
  EXPECT_EQ(pos2, (std::vector<int32_t>{0, 1, 2, 3, 4, 25463, 200, 201}));
}

TEST_F(SequencerOrders, PatternBreak) {
  mb_module m = rows_module(3);
  m.cell(0, 1, 2) = {0, 0, 0xD, 0x32};  // row 32 of the next entry
  m.cell(1, 33, 2) = {0, 0, 0xD, 0x1A};  // row 20 (1 * 10 + 10)
  ASSERT_EQ(load_module(m), 1);
  std::vector<int32_t> pos = row_positions(6);
  EXPECT_EQ(pos, (std::vector<int32_t>{0, 63, 132, 163, 220, 221}));
  // During the breaking row the position reads row 63 of the current entry.
  ASSERT_EQ(load_module(m), 1);
  for (int i = 0; i < 7; i++) play_tick();
  EXPECT_EQ(mzx_position(), 63);
}

TEST_F(SequencerOrders, PatternBreakTogetherWithJump) {
  mb_module m = rows_module(4);
  m.cell(0, 0, 1) = {0, 0, 0xB, 0x03};
  m.cell(0, 0, 2) = {0, 0, 0xD, 0x10};
  ASSERT_EQ(load_module(m), 1);
  EXPECT_EQ(row_positions(3), (std::vector<int32_t>{263, 310, 311}));
}

TEST_F(SequencerOrders, JumpOutsideTheOrderTableWithALoopInTheSameRow) {
  // B00 leaves the order index at -1 and BFF at 254 for the rest of the row;
  // a pattern-loop jump on a higher channel then keeps the next row inside the
  // pattern, so no order change follows. The jump is completed instead of
  // reading the pattern number from outside the order table.
  for (const auto& [param, want] : std::vector<std::pair<int, int32_t>>{{0x00, 0}, {0xFF, 200}}) {
    mb_module m = rows_module(3);
    m.restart = 2;
    m.cell(0, 5, 1) = {0, 0, 0xB, param};
    m.cell(0, 5, 2) = {0, 0, 0xE, 0x61};  // no mark: back to row 0
    ASSERT_EQ(load_module(m), 1);
    const std::vector<int32_t> pos = row_positions(8);
    // order xx - 1; the loop's row -1 is published as row 0
    EXPECT_EQ(pos[5], param == 0 ? -100 : 25400) << std::hex << param;
    EXPECT_EQ(pos[6], want) << std::hex << param;
    EXPECT_EQ(pos[7], want + 1) << std::hex << param;
    EXPECT_EQ(pt_curpattern, want / 100);
    EXPECT_EQ(pt_lineptr, pt_patterns[want / 100] + 4 * 4);
  }
}

TEST_F(SequencerOrders, PatternBreakPastTheLastRowStartsAtRowZero) {
  for (int param : {0x64, 0x70, 0x99, 0xFF}) {
    mb_module m = rows_module(2);
    m.cell(0, 0, 1) = {0, 0, 0xD, param};
    ASSERT_EQ(load_module(m), 1);
    EXPECT_EQ(row_positions(3), (std::vector<int32_t>{63, 100, 101})) << std::hex << param;
  }
  mb_module m = rows_module(2);
  m.cell(0, 0, 1) = {0, 0, 0xD, 0x63};  // 63 is the last row and stays
  ASSERT_EQ(load_module(m), 1);
  EXPECT_EQ(row_positions(3), (std::vector<int32_t>{63, 163, 63}));
}

TEST_F(SequencerLoops, PatternLoopPlaysTheSectionYPlusOneTimes) {
  mb_module m = rows_module(1);
  m.cell(0, 8, 1) = {0, 0, 0xE, 0x60};
  m.cell(0, 15, 1) = {0, 0, 0xE, 0x63};
  ASSERT_EQ(load_module(m), 1);
  const std::vector<int32_t> pos = row_positions(8 + 8 * 4 + 2);
  // Each jumping row reads the mark minus one (7); the fourth pass goes on.
  std::vector<int32_t> want;
  for (int r = 0; r < 8; r++) want.push_back(r);
  for (int k = 0; k < 4; k++) {
    for (int r = 8; r < 15; r++) want.push_back(r);
    want.push_back(k < 3 ? 7 : 15);
  }
  want.push_back(16);
  want.push_back(17);
  EXPECT_EQ(pos, want);
}

TEST_F(SequencerLoops, LoopJumpPositionAndLoopStateAcrossPatterns) {
  mb_module m = rows_module(2);
  m.cell(0, 3, 1) = {0, 0, 0xE, 0x61};  // no E60 on this channel: loops to row 0
  m.cell(1, 2, 1) = {0, 0, 0xE, 0x61};  // later pattern: back to the start mark (row 0)
  ASSERT_EQ(load_module(m), 1);
  for (int i = 0; i < 19; i++) play_tick();  // row 3 starts on call 19
  // The row counter holds the start row minus one (-1); the position reads
  // row 0 of the same order, not the last row before it (which the song-end
  // rules would take for the song's wrap).
  EXPECT_EQ(pt_rowcount, -1);
  EXPECT_EQ(mzx_position(), 0);
  const std::vector<int32_t> pos = row_positions(64 + 8);
  // rows 0..3 again, the rest of order 0, then order 1 rows 0..2 twice (the
  // jumping row reads order 1, row 0).
  EXPECT_EQ(pos[0], 0);
  EXPECT_EQ(pos[3], 3);
  EXPECT_EQ(pos[4], 4);
  EXPECT_EQ(pos[63], 63);
  EXPECT_EQ((std::vector<int32_t>(pos.begin() + 64, pos.begin() + 71)),
            (std::vector<int32_t>{100, 101, 100, 100, 101, 102, 103}));
}

TEST_F(SequencerDelay, PatternDelayHoldsTheRowSilently) {
  mb_module m = rows_module(1);
  m.cell(0, 1, 1) = {0, 0, 0xE, 0xE3};
  m.cell(0, 1, 2) = {1, 0, 0xA, 0x01};  // a running effect that calls the device
  ASSERT_EQ(load_module(m), 1);
  for (int i = 0; i < 6; i++) play_tick();
  int held = 0, starts = 0, ticks = 0;
  while (true) {
    const tick_calls t = play_tick();
    ticks++;
    if (t.total == 0) {
      held++;
      EXPECT_EQ(pt_vbcount, 0);
      EXPECT_EQ(mzx_position(), 1);
    }
    if (!t.values(0, SD_REC_PERIOD).empty()) starts++;
    if (mzx_position() == 2) break;
    ASSERT_LT(ticks, 100);
  }
  EXPECT_EQ(ticks - 1, 24);  // (1 + 3) x 6 ticks on row 1
  EXPECT_EQ(held, 3);
  EXPECT_EQ(starts, 2);  // row 1 once (notes are not started again), then row 2
}

TEST_F(SequencerDelay, SeveralDelaysHoldForTheLargest) {
  mb_module m = rows_module(1);
  m.cell(0, 0, 1) = {0, 0, 0xE, 0xE2};
  m.cell(0, 0, 2) = {0, 0, 0xE, 0xE1};
  ASSERT_EQ(load_module(m), 1);
  int ticks = 0;
  while (mzx_position() != 1 && ticks < 100) {
    play_tick();
    ticks++;
  }
  EXPECT_EQ(ticks, 18 + 1);
}

TEST_F(SequencerNotes, RowStartCallsInOrder) {
  mb_module m;
  m.sample(3, 100).volume = 50;
  m.cell(0, 0, 1) = {3, 856, 0, 0};
  m.cell(0, 1, 1) = {0, 428, 0, 0};   // note without a sample: restart at current volume
  m.cell(0, 2, 1) = {3, 0, 0, 0};     // sample without a note: no offset
  ASSERT_EQ(load_module(m), 1);
  tick_calls t = play_tick();
  ASSERT_EQ(t.calls[1].size(), 5u);
  EXPECT_EQ(t.calls[1][0].op, SD_REC_VOLUME);
  EXPECT_EQ(t.calls[1][0].value, 50);
  EXPECT_EQ(t.calls[1][1].op, SD_REC_PANNING);
  EXPECT_EQ(t.calls[1][1].value, 144);
  EXPECT_EQ(t.calls[1][2].op, SD_REC_SAMPLE);
  EXPECT_EQ(t.calls[1][2].value, 3);
  EXPECT_EQ(t.calls[1][3].op, SD_REC_PERIOD);
  EXPECT_EQ(t.calls[1][3].value, 856);
  EXPECT_EQ(t.calls[1][4].op, SD_REC_OFFSET);
  EXPECT_EQ(t.calls[1][4].value, 0);
  EXPECT_TRUE(t.calls[0].empty());
  // The mixer's record follows the calls.
  EXPECT_EQ(mix_channels[1].sample, 3);
  EXPECT_EQ(mix_channels[1].volume, 50);
  EXPECT_EQ(mix_channels[1].panning, 144);
  EXPECT_EQ(mix_channels[1].length, 100u);
  for (int i = 0; i < 5; i++) EXPECT_EQ(play_tick().total, 4);  // only selects on running ticks
  t = play_tick();
  ASSERT_EQ(t.calls[1].size(), 2u);
  EXPECT_EQ(t.calls[1][0].op, SD_REC_PERIOD);
  EXPECT_EQ(t.calls[1][0].value, 428);
  EXPECT_EQ(t.calls[1][1].op, SD_REC_OFFSET);
  for (int i = 0; i < 5; i++) play_tick();
  t = play_tick();
  ASSERT_EQ(t.calls[1].size(), 3u);
  EXPECT_EQ(t.calls[1][2].op, SD_REC_SAMPLE);
}

TEST_F(SequencerNotes, FinetuneOfTheSampleOnTheChannel) {
  mb_module m;
  m.sample(1, 100).finetune = 0;
  m.sample(2, 100).finetune = 8;
  m.sample(3, 100).finetune = 7;
  m.cell(0, 0, 0) = {1, 856, 0, 0};
  m.cell(0, 0, 1) = {2, 856, 0, 0};
  m.cell(0, 0, 2) = {3, 856, 0, 0};
  m.cell(0, 1, 1) = {0, 856, 0, 0};  // finetune of the sample given earlier
  ASSERT_EQ(load_module(m), 1);
  const std::vector<tick_calls> t = play_ticks(7);
  EXPECT_EQ(t[0].last(0, SD_REC_PERIOD), 856);
  EXPECT_EQ(t[0].last(1, SD_REC_PERIOD), 907);
  EXPECT_EQ(t[0].last(2, SD_REC_PERIOD), 814);
  EXPECT_EQ(t[6].last(1, SD_REC_PERIOD), 907);
  EXPECT_EQ(pt_curfine[2], 7);
}

TEST_F(SequencerNotes, TonePortamentoWithSampleSetsOnlyTheTarget) {
  mb_module m;
  m.sample(1, 100).volume = 33;
  m.cell(0, 0, 0) = {1, 856, 0, 0};
  m.cell(0, 1, 0) = {1, 428, 3, 0x08};
  ASSERT_EQ(load_module(m), 1);
  play_ticks(6);
  const tick_calls t = play_tick();
  EXPECT_EQ(t.values(0, SD_REC_VOLUME), (std::vector<int64_t>{33}));
  EXPECT_EQ(t.values(0, SD_REC_PANNING).size(), 1u);
  EXPECT_EQ(t.values(0, SD_REC_SAMPLE).size(), 1u);
  EXPECT_TRUE(t.values(0, SD_REC_PERIOD).empty());
  EXPECT_TRUE(t.values(0, SD_REC_OFFSET).empty());
  EXPECT_EQ(pt_curtarget[0], 428);
  EXPECT_EQ(pt_curperiod[0], 856);
}

TEST_F(SequencerNotes, SampleOffsetReplacesTheRestart) {
  mb_module m;
  m.sample(1, 5000);
  m.cell(0, 0, 0) = {1, 428, 9, 0x10};
  ASSERT_EQ(load_module(m), 1);
  const tick_calls t = play_tick();
  EXPECT_EQ(t.values(0, SD_REC_OFFSET), (std::vector<int64_t>{0x1000}));
  EXPECT_EQ(t.last(0, SD_REC_PERIOD), 428);
  EXPECT_EQ(mix_channels[0].pos, 0x1000u);
}

TEST_F(SequencerNotes, InitRestartsWithClearedChannelsButKeepsGlissandoAndPanning) {
  mb_module m;
  m.sample(1, 100);
  m.cell(0, 0, 1) = {1, 428, 0xE, 0x31};
  m.cell(0, 1, 1) = {0, 0, 0xE, 0x8F};
  ASSERT_EQ(load_module(m), 1);
  play_ticks(7);
  EXPECT_EQ(pt_glissando[1], 1);
  EXPECT_EQ(pt_defaultpan[1], 15);
  pt_init();
  EXPECT_EQ(mzx_position(), -37);
  EXPECT_EQ(pt_curperiod[1], 0);
  EXPECT_EQ(pt_cursample[1], 0);
  EXPECT_EQ(pt_glissando[1], 1);
  EXPECT_EQ(pt_defaultpan[1], 15);
}
