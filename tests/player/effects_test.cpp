// Channel effects: what each command sends to the sound device on tick 0 and
// on the running ticks, checked through the recorded calls and the mixer's
// channel records.
#include <gtest/gtest.h>

#include "harness.h"
#include "player/pt.h"
#include "sound/sd_mix.h"

namespace {

// One pattern; channel 0 gets the cells given, sample 1 (volume vol) is
// 4000 bytes of ramp.
struct fx_module {
  mb_module m;
  explicit fx_module(int vol = 64) { m.sample(1, 4000).volume = vol; }
  fx_module& at(int row, mb_cell c, int ch = 0) {
    m.cell(0, row, ch) = c;
    return *this;
  }
};

// Period values sent on channel 0 in each of the ticks.
std::vector<int64_t> per_tick(const std::vector<tick_calls>& t, sd_rec_op op, int ch = 0) {
  std::vector<int64_t> out;
  for (const tick_calls& k : t) out.push_back(k.last(ch, op));
  return out;
}

}  // namespace

using EffectsPitch = PlayerTest;
using EffectsVolume = PlayerTest;
using EffectsTrigger = PlayerTest;
using EffectsMisc = PlayerTest;

TEST_F(EffectsPitch, Arpeggio) {
  fx_module f;
  f.at(0, {1, 856, 0, 0x37});
  ASSERT_EQ(load_module(f.m), 1);
  EXPECT_EQ(per_tick(play_ticks(6), SD_REC_PERIOD), (std::vector<int64_t>{856, 720, 570, 856, 720, 570}));
  EXPECT_EQ(pt_curperiod[0], 856);
}

TEST_F(EffectsPitch, ArpeggioPastTheTopNoteStaysInTheRow) {
  fx_module f;
  f.at(0, {1, 33, 0, 0x25});  // note 80: +5 would be column 85, the next row's column 0
  ASSERT_EQ(load_module(f.m), 1);
  EXPECT_EQ(per_tick(play_ticks(3), SD_REC_PERIOD), (std::vector<int64_t>{33, 30, 28}));
  fx_module g;
  g.at(0, {1, 28, 0, 0xFF});  // note 83: +15 would be column 98
  ASSERT_EQ(load_module(g.m), 1);
  EXPECT_EQ(per_tick(play_ticks(3), SD_REC_PERIOD), (std::vector<int64_t>{28, 28, 28}));
}

TEST_F(EffectsPitch, SlidesClampAt27And3628) {
  const struct {
    mb_cell cell;
    std::vector<int64_t> sent;  // on ticks 0..5
  } cases[] = {
      {{1, 202, 1, 0xFF}, {202, 27, 27, 27, 27, 27}},
      {{1, 28, 1, 0x01}, {28, 27, 27, 27, 27, 27}},         // 27 is a bound, not below it
      {{1, 28, 1, 0x02}, {28, 27, 27, 27, 27, 27}},         // lands on 26, one below: held
      {{1, 3424, 2, 0x40}, {3424, 3488, 3552, 3616, 3628, 3628}},
      {{1, 3424, 2, 0xCD}, {3424, 3628, 3628, 3628, 3628, 3628}},  // lands on 3629, one above
  };
  for (const auto& c : cases) {
    fx_module f;
    f.at(0, c.cell);
    ASSERT_EQ(load_module(f.m), 1);
    EXPECT_EQ(per_tick(play_ticks(6), SD_REC_PERIOD), c.sent) << c.cell.period << " " << std::hex << c.cell.param;
    EXPECT_EQ(pt_curperiod[0], c.sent.back());
  }
}

TEST_F(EffectsPitch, FineSlidesMoveByOneAndStopAtTheLimits) {
  fx_module f;
  f.at(0, {1, 28, 0, 0}).at(1, {0, 0, 0xE, 0x15}).at(2, {0, 0, 0xE, 0x11});
  ASSERT_EQ(load_module(f.m), 1);
  std::vector<tick_calls> t = play_ticks(18);
  EXPECT_EQ(t[6].values(0, SD_REC_PERIOD), (std::vector<int64_t>{27}));
  EXPECT_TRUE(t[12].values(0, SD_REC_PERIOD).empty());
  EXPECT_EQ(pt_curperiod[0], 27);
  for (int i = 7; i < 12; i++) EXPECT_TRUE(t[i].values(0, SD_REC_PERIOD).empty()) << "tick 0 only";

  fx_module g;
  g.at(0, {1, 3424, 2, 0xFF}).at(1, {0, 0, 0xE, 0x2F}).at(2, {0, 0, 0xE, 0x21});
  ASSERT_EQ(load_module(g.m), 1);
  play_ticks(6);
  EXPECT_TRUE(play_tick().values(0, SD_REC_PERIOD).empty());  // slid to 3628 already
  play_ticks(5);
  pt_curperiod[0] = 3627;
  EXPECT_EQ(play_tick().values(0, SD_REC_PERIOD), (std::vector<int64_t>{3628}));
}

TEST_F(EffectsPitch, TonePortamentoNeverPassesTheTarget) {
  fx_module f;
  f.at(0, {1, 404, 0, 0}).at(1, {0, 428, 3, 0x08}).at(2, {0, 0, 3, 0x00});
  ASSERT_EQ(load_module(f.m), 1);
  pt_curperiod[0] = 400;
  play_ticks(6);
  pt_curperiod[0] = 400;
  std::vector<tick_calls> t = play_ticks(6);
  EXPECT_EQ(t[0].values(0, SD_REC_PERIOD), std::vector<int64_t>{});
  EXPECT_EQ(per_tick(t, SD_REC_PERIOD), (std::vector<int64_t>{-1, 408, 416, 424, 428, 428}));
  // 300 on a later row keeps speed 8.
  pt_curperiod[0] = 500;
  t = play_ticks(3);
  EXPECT_EQ(per_tick(t, SD_REC_PERIOD), (std::vector<int64_t>{-1, 492, 484}));
  EXPECT_EQ(pt_tporta[0], 8);
}

TEST_F(EffectsPitch, GlissandoRoundsToTheTableButKeepsThePeriod) {
  fx_module f;
  f.at(0, {1, 856, 0xE, 0x31}).at(1, {0, 3424, 3, 0x01});
  ASSERT_EQ(load_module(f.m), 1);
  play_ticks(6);
  play_tick();
  const struct {
    int from, sent;
  } cases[] = {{829, 856}, {855, 856}, {3499, 3424}, {27, 28}, {427, 428}};
  for (const auto& c : cases) {
    pt_curperiod[0] = c.from;  // one step of speed 1 toward 3424 gives from + 1
    const tick_calls t = play_tick();
    EXPECT_EQ(t.last(0, SD_REC_PERIOD), c.sent) << c.from;
    EXPECT_EQ(pt_curperiod[0], c.from < 3424 ? c.from + 1 : c.from - 1);
  }
}

TEST_F(EffectsPitch, PortamentoAndVibratoWithVolumeSlide) {
  fx_module f(20);
  f.at(0, {1, 856, 0xE, 0x31})             // glissando on: 5xy must not round
      .at(1, {0, 428, 3, 0x05})              // speed 5 stored
      .at(2, {0, 0, 5, 0x20})                // slide on with speed 5, volume +2
      .at(3, {0, 0, 4, 0x24})                // vibrato speed 2 depth 4
      .at(4, {0, 0, 6, 0x01});               // vibrato as stored, volume -1
  ASSERT_EQ(load_module(f.m), 1);
  play_ticks(12);
  pt_curperiod[0] = 700;
  std::vector<tick_calls> t = play_ticks(6);
  EXPECT_EQ(per_tick(t, SD_REC_PERIOD), (std::vector<int64_t>{-1, 695, 690, 685, 680, 675}));
  EXPECT_EQ(per_tick(t, SD_REC_VOLUME), (std::vector<int64_t>{-1, 22, 24, 26, 28, 30}));
  EXPECT_EQ(pt_tporta[0], 5);
  play_ticks(6);
  pt_vibc[0] = 16;  // sine 255, depth 4: +8
  pt_curvol[0] = 10;
  t = play_ticks(2);
  EXPECT_EQ(t[1].values(0, SD_REC_PERIOD), (std::vector<int64_t>{675 + 8}));
  EXPECT_EQ(t[1].values(0, SD_REC_VOLUME), (std::vector<int64_t>{9}));
  EXPECT_EQ(pt_vibc[0], 18);
}

TEST_F(EffectsPitch, VibratoSineDepthAndSpeed) {
  fx_module f;
  f.at(0, {1, 428, 4, 0x4F});
  ASSERT_EQ(load_module(f.m), 1);
  play_tick();
  pt_vibc[0] = 16;
  tick_calls t = play_tick();
  EXPECT_EQ(t.last(0, SD_REC_PERIOD), 428 + 30);
  EXPECT_EQ(pt_vibc[0], 20);
  EXPECT_EQ(pt_curperiod[0], 428);
  pt_vibc[0] = 48;
  EXPECT_EQ(play_tick().last(0, SD_REC_PERIOD), 428 - 30);
  pt_vibc[0] = 4;  // 97 * 15 / 127 = 11.45 -> 11
  EXPECT_EQ(play_tick().last(0, SD_REC_PERIOD), 428 + 11);
  pt_vibc[0] = 36;  // -97 * 15 / 127 -> -11 (toward zero)
  EXPECT_EQ(play_tick().last(0, SD_REC_PERIOD), 428 - 11);
  pt_vibc[0] = 62;
  play_tick();
  EXPECT_EQ(pt_vibc[0], 2);  // wraps at 64
}

TEST_F(EffectsPitch, VibratoWaveformIsSharedAndE4xResetsOnlyItsChannel) {
  fx_module f;
  f.at(0, {1, 428, 4, 0x11}).at(0, {1, 428, 4, 0x11}, 1);
  f.at(1, {0, 0, 0xE, 0x42}).at(2, {0, 0, 0xE, 0x46});
  ASSERT_EQ(load_module(f.m), 1);
  play_ticks(6);
  EXPECT_EQ(pt_vibc[0], 5);
  EXPECT_EQ(pt_vibc[1], 5);
  play_tick();  // E42 on channel 0
  EXPECT_EQ(pt_vibratotable, pt_squaretable.data());
  EXPECT_EQ(pt_vibc[0], 0);
  EXPECT_EQ(pt_vibc[1], 5);
  play_ticks(5);
  pt_vibc[0] = 20;
  play_tick();  // E46: square again, no reset
  EXPECT_EQ(pt_vibratotable, pt_squaretable.data());
  EXPECT_EQ(pt_vibc[0], 20);
}

TEST_F(EffectsVolume, TremoloClampsWhatItSendsOnly) {
  fx_module f(40);
  f.at(0, {1, 428, 7, 0x8F});
  ASSERT_EQ(load_module(f.m), 1);
  play_tick();
  pt_trmc[0] = 16;
  tick_calls t = play_tick();
  EXPECT_EQ(pt_trmd[0], 30);
  EXPECT_EQ(pt_trms[0], 8);
  EXPECT_EQ(t.last(0, SD_REC_VOLUME), 64);
  EXPECT_EQ(pt_trmc[0], 24);
  pt_trmc[0] = 48;
  EXPECT_EQ(play_tick().last(0, SD_REC_VOLUME), 0);
  pt_trmc[0] = 4;  // 40 + 97 * 30 / 127 = 40 + 22
  EXPECT_EQ(play_tick().last(0, SD_REC_VOLUME), 62);
  EXPECT_EQ(pt_curvol[0], 40);
  EXPECT_EQ(mix_channels[0].volume, 62);
}

TEST_F(EffectsVolume, VolumeSlides) {
  fx_module f(10);
  f.at(0, {1, 428, 0xA, 0x0F}).at(1, {0, 0, 0xC, 64}).at(2, {0, 0, 0xA, 0x10}).at(3, {0, 0, 0xA, 0x3F});
  ASSERT_EQ(load_module(f.m), 1);
  std::vector<tick_calls> t = play_ticks(6);
  EXPECT_EQ(per_tick(t, SD_REC_VOLUME), (std::vector<int64_t>{10, 0, 0, 0, 0, 0}));
  t = play_ticks(12);
  EXPECT_EQ(t[11].last(0, SD_REC_VOLUME), 64);  // A10 on 64 stays 64
  pt_curvol[0] = 20;
  t = play_ticks(6);
  EXPECT_EQ(t[1].last(0, SD_REC_VOLUME), 23);  // A3F: x wins, y is not used
}

TEST_F(EffectsVolume, SetVolumeAbove64PassesAndTheNextSlideClamps) {
  fx_module f;
  f.at(0, {1, 428, 0xC, 0x7F}).at(1, {0, 0, 0xA, 0x01});
  ASSERT_EQ(load_module(f.m), 1);
  tick_calls t = play_tick();
  EXPECT_EQ(t.values(0, SD_REC_VOLUME), (std::vector<int64_t>{127}));  // the sample's volume is not sent
  EXPECT_EQ(pt_curvol[0], 127);
  play_ticks(5);
  play_tick();
  EXPECT_EQ(play_tick().last(0, SD_REC_VOLUME), 64);
}

TEST_F(EffectsVolume, FineVolumeSteps) {
  fx_module f(63);
  f.at(0, {1, 428, 0xE, 0xA5}).at(1, {0, 0, 0xE, 0xA1}).at(2, {1, 0, 0xE, 0xB9});
  ASSERT_EQ(load_module(f.m), 1);
  std::vector<tick_calls> t = play_ticks(18);
  EXPECT_EQ(t[0].values(0, SD_REC_VOLUME), (std::vector<int64_t>{63, 64}));
  EXPECT_TRUE(t[6].values(0, SD_REC_VOLUME).empty());
  EXPECT_EQ(t[12].values(0, SD_REC_VOLUME), (std::vector<int64_t>{63, 62}));
}

TEST_F(EffectsVolume, NoteCut) {
  // At speed 6: x on tick x; x of 6 (the speed) or more on the last tick, 5.
  for (const auto& [param, tick] : std::vector<std::pair<int, int>>{{0xC3, 3}, {0xC6, 5}, {0xC9, 5}, {0xC0, -1}}) {
    fx_module f;
    f.at(0, {1, 428, 0xE, param});
    ASSERT_EQ(load_module(f.m), 1);
    const std::vector<tick_calls> t = play_ticks(6);
    for (int k = 1; k < 6; k++) {
      const std::vector<int64_t> v = t[k].values(0, SD_REC_VOLUME);
      EXPECT_EQ(v, k == tick ? std::vector<int64_t>{0} : std::vector<int64_t>{}) << param << " tick " << k;
    }
    EXPECT_EQ(pt_curvol[0], 64);
  }
}

TEST_F(EffectsTrigger, NoteDelay) {
  for (const auto& [param, tick] : std::vector<std::pair<int, int>>{{0xD2, 2}, {0xD6, 5}, {0xD9, 5}, {0xD0, -1}}) {
    fx_module f(50);
    f.at(0, {1, 428, 0xE, param});
    ASSERT_EQ(load_module(f.m), 1);
    const std::vector<tick_calls> t = play_ticks(6);
    EXPECT_EQ(t[0].values(0, SD_REC_SAMPLE), (std::vector<int64_t>{1})) << "sample set on tick 0";
    EXPECT_TRUE(t[0].values(0, SD_REC_PERIOD).empty());
    EXPECT_EQ(pt_curtarget[0], 428);
    for (int k = 1; k < 6; k++) {
      if (k == tick) {
        ASSERT_EQ(t[k].calls[0].size(), 3u);
        EXPECT_EQ(t[k].calls[0][0].op, SD_REC_VOLUME);
        EXPECT_EQ(t[k].calls[0][0].value, 50);
        EXPECT_EQ(t[k].calls[0][1].op, SD_REC_PERIOD);
        EXPECT_EQ(t[k].calls[0][1].value, 428);
        EXPECT_EQ(t[k].calls[0][2].op, SD_REC_OFFSET);
      } else {
        EXPECT_TRUE(t[k].calls[0].empty()) << param << " tick " << k;
      }
    }
  }
}

TEST_F(EffectsTrigger, Retrigger) {
  fx_module f;
  f.at(0, {1, 428, 0xE, 0x93}).at(1, {0, 0, 0xE, 0x93});
  ASSERT_EQ(load_module(f.m), 1);
  std::vector<tick_calls> t = play_ticks(12);
  for (int k = 1; k < 6; k++)
    EXPECT_EQ(t[k].values(0, SD_REC_OFFSET), k == 3 ? std::vector<int64_t>{0} : std::vector<int64_t>{}) << k;
  EXPECT_EQ(t[3].values(0, SD_REC_PERIOD), (std::vector<int64_t>{428}));
  for (int k = 6; k < 12; k++) EXPECT_TRUE(t[k].calls[0].empty()) << "no note on row 1, tick " << k;
}

TEST_F(EffectsMisc, PanningEffects) {
  fx_module f;
  f.at(0, {1, 428, 8, 0x40}, 1).at(1, {0, 0, 0xE, 0x8F}, 1).at(2, {1, 0, 0, 0}, 1);
  ASSERT_EQ(load_module(f.m), 1);
  const tick_calls t0 = play_tick();
  EXPECT_EQ(t0.values(1, SD_REC_PANNING), (std::vector<int64_t>{0x40}));  // 8xx replaces the default
  EXPECT_EQ(pt_pan[1], 0x40);
  play_ticks(5);
  EXPECT_EQ(play_tick().values(1, SD_REC_PANNING), (std::vector<int64_t>{240}));
  EXPECT_EQ(pt_pan[1], 0x40);  // E8x leaves the channel's panning value alone
  play_ticks(5);
  EXPECT_EQ(play_tick().values(1, SD_REC_PANNING), (std::vector<int64_t>{240}));  // later sample numbers too
  EXPECT_EQ(pt_pan[1], 240);
  EXPECT_EQ(mix_channels[1].panning, 240);
}

TEST_F(EffectsMisc, SampleOffsetWithoutNote) {
  fx_module f;
  f.at(0, {1, 428, 0, 0}).at(1, {0, 0, 9, 0x0A});
  ASSERT_EQ(load_module(f.m), 1);
  std::vector<tick_calls> t = play_ticks(7);
  EXPECT_EQ(t[6].values(0, SD_REC_OFFSET), (std::vector<int64_t>{0x0A00}));
  EXPECT_TRUE(t[6].values(0, SD_REC_PERIOD).empty());
  EXPECT_EQ(mix_channels[0].pos, 0x0A00u);
}

TEST_F(EffectsMisc, SetFinetuneAffectsLaterLookupsOnly) {
  fx_module f;
  f.at(0, {1, 856, 0xE, 0x58}).at(1, {0, 0, 0, 0x30});
  ASSERT_EQ(load_module(f.m), 1);
  std::vector<tick_calls> t = play_ticks(8);
  EXPECT_EQ(t[0].last(0, SD_REC_PERIOD), 856);
  EXPECT_EQ(pt_curfine[0], 8);
  EXPECT_EQ(t[6].last(0, SD_REC_PERIOD), 907);  // arpeggio base in row 8
  EXPECT_EQ(t[7].last(0, SD_REC_PERIOD), 762);  // column 27 of finetune -8
}
