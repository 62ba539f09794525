// Channel records and their operations: period to step, play position, the
// copy into the working copies, the 32.32 addition, main volume and channel
// count, and what out-of-range numbers and over-long loops are allowed to do.
#include <array>
#include <atomic>
#include <thread>

#include "sound_fixture.h"

namespace {

std::array<int8_t, 1200> g_data{};  // sample bytes plus room after them

using MixChannels = SoundTest;

TEST_F(MixChannels, AmigaPeriodGivesWorkedSteps) {
  struct Case {
    int32_t rate, period;
    uint32_t step, frac;
  };
  for (const Case& c : {Case{44100, 428, 0, 3152670u * 256u}, Case{22050, 428, 0, 6305341u * 256u},
                        Case{22050, 113, 1, 7104963u * 256u}, Case{22050, 0, 0, 0},
                        Case{0, 428, 0, 0}}) {  // no rate: no division by zero
    sd_mix_rate = c.rate;
    curchan->step = curchan->stepfrac = 99;
    curchan->stepchanged = 0;
    mix_setamigaperiod(c.period);
    EXPECT_EQ(curchan->step, c.step) << c.period << " at " << c.rate;
    EXPECT_EQ(curchan->stepfrac, c.frac) << c.period << " at " << c.rate;
    EXPECT_EQ(curchan->stepchanged, 1);
  }
}

TEST_F(MixChannels, CopyTakesPositionAndStepOnlyWhenFlagged) {
  start_channel(0, 1, g_data.data(), 1000, 0, 0, 0, 10);
  mix_setamigaperiod(428);
  int16_t out[4];
  sd_mix_mono(out, 0, 1);  // a block of 0 samples still takes the channel over
  const mix_channel& work = mix_realchannels[0];
  EXPECT_EQ(mix_channels[0].poschanged + mix_channels[0].stepchanged, 0);
  EXPECT_EQ(work.pos, 10u);
  EXPECT_EQ(work.stepfrac, 3152670u * 256u);

  // Unflagged position and step are not taken; volume and panning always are.
  mix_realchannels[0].pos = 77;
  mix_realchannels[0].posfrac = 5;
  mix_channels[0].pos = 3;
  mix_channels[0].step = 9;
  mix_setvolume(12);
  mix_setpanning(200);
  sd_mix_mono(out, 0, 1);
  EXPECT_TRUE(work.pos == 77 && work.posfrac == 5 && work.step == 0 && work.stepfrac == 3152670u * 256u);
  EXPECT_TRUE(work.volume == 12 && work.panning == 200);
}

TEST_F(MixChannels, SetOffsetAndSetSample) {
  start_channel(0, 1, g_data.data(), 1000, 100, 200, 1, 50);
  curchan->posfrac = 123;
  curchan->poschanged = 0;
  mix_setoffset(1000);  // at the length: nothing moves, and no flag...
  EXPECT_TRUE(curchan->pos == 50 && curchan->posfrac == 123 && curchan->poschanged == 0);
  EXPECT_EQ(curchan->looping, 0);  // ...but 1000 lies past the loop end
  mix_setsample(1);                // the sample brings its loop back
  mix_setoffset(200);              // at the loop end: still looping
  EXPECT_EQ(curchan->looping, 1);
  mix_setoffset(201);
  EXPECT_EQ(curchan->looping, 0);
  EXPECT_TRUE(curchan->pos == 201 && curchan->posfrac == 0 && curchan->poschanged == 1);

  // A new sample under a playing channel changes the data, not the playing state.
  static std::array<int8_t, 600> other{};
  mix_setpanning(33);
  mix_getsample(5, other.data(), 500, 10, 300, 1);
  mix_setsample(5);
  EXPECT_TRUE(curchan->pos == 201 && curchan->step == 1 && curchan->volume == 64 && curchan->panning == 33);
  EXPECT_TRUE(curchan->data == other.data() && curchan->sample == 5 && curchan->length == 500 &&
              curchan->loopstart == 10 && curchan->loopend == 300 && curchan->looping == 1);
}

TEST_F(MixChannels, LongAdditionCarriesTheFraction) {
  uint32_t pos = 7;
  uint32_t frac = 0xFFFFFFFFu - 255u;  // 2^32 - 256
  long_addition(&pos, &frac, 2, 512);
  EXPECT_TRUE(frac == 256 && pos == 10);
  long_addition(&pos, &frac, 0, 256);  // no wrap, no carry
  EXPECT_TRUE(frac == 512 && pos == 10);
}

TEST_F(MixChannels, MainVolumeCeilingAndInit) {
  mix_setmainvolume(300);
  EXPECT_EQ(mix_mainvolume, 252);
  mix_setmainvolume(64);
  EXPECT_EQ(mix_mainvolume, 64);

  mix_channels[4] = {g_data.data(), 3, 50, 1, 2, 3, 4, 5, 6, 1, 99, 0, 0, 0};
  mix_samples[4] = {g_data.data(), 88, 1, 2, 1};
  sd_mix_init(22050);
  EXPECT_EQ(sd_mix_rate, 22050);
  const mix_channel& c = mix_channels[4];
  EXPECT_TRUE(!c.data && !c.sample && !c.volume && !c.pos && !c.posfrac && !c.step && !c.stepfrac && !c.looping &&
              !c.loopstart && !c.loopend);
  EXPECT_TRUE(c.panning == 127 && c.stepchanged == 1 && c.poschanged == 1);
  EXPECT_EQ(mix_realchannels[31].poschanged, 1);
  EXPECT_EQ(c.length, 99u);  // lengths survive
  EXPECT_TRUE(!mix_samples[4].data && !mix_samples[4].looping && mix_samples[4].length == 88);
}

// The volume buttons write the main volume on the main thread while the audio
// thread mixes; under ThreadSanitizer this must report no race.
TEST_F(MixChannels, MainVolumeWrittenWhileMixing) {
  static std::array<int8_t, 104> ones;
  ones.fill(1);
  start_channel(0, 1, ones.data(), 100, 0, 100, 1, 0);
  std::atomic<bool> done{false};
  std::thread buttons([&done] {
    for (int32_t v = 0; !done.load(); v = (v + 1) % 300) mix_setmainvolume(v);
  });
  int16_t out[64];
  for (int block = 0; block < 2000; block++) {
    sd_mix_mono(out, 64, 1);
    for (int16_t v : out) ASSERT_EQ(v, out[0]);  // one main volume per block
  }
  done.store(true);
  buttons.join();
}

TEST_F(MixChannels, OutOfRangeNumbersTouchNothing) {
  mix_selectchannel(3);
  for (int32_t bad : {32, 40, -1}) {
    mix_selectchannel(bad);
    EXPECT_TRUE(mix_curchannel == 3 && curchan == &mix_channels[3]);
    EXPECT_EQ(mix_getsample(bad, g_data.data(), 10, 0, 0, 0), 1);
  }
  for (const mix_sample& s : mix_samples) EXPECT_EQ(s.data, nullptr);
  mix_getsample(2, g_data.data(), 10, 0, 0, 0);
  mix_setsample(2);
  mix_setsample(32);
  mix_setsample(-5);
  EXPECT_TRUE(curchan->sample == 2 && curchan->length == 10);

  mix_setactivechannels(40);
  EXPECT_EQ(mix_activechannels, 32);
  mix_setactivechannels(-3);
  EXPECT_EQ(mix_activechannels, 0);
  // Counts written past the records directly still mix only the 32 records.
  int16_t out[16];
  for (int32_t n : {1000, -7}) {
    mix_activechannels = n;
    sd_mix_mono(out, 16, 1);
    sd_mix_stereo(out, 8, 1);
  }
}

// A loop running past the end of its sample reads nothing beyond the sample's
// two trailing bytes, in every loop, whether it came through mix_getsample or
// was written into the record directly.
TEST_F(MixChannels, OverlongLoopIsBounded) {
  static std::array<int8_t, 400> data;
  data.fill(100);                             // everything past the readable bytes is loud
  for (int i = 0; i < 102; i++) data[i] = 0;  // 100 bytes of silence and the two after them
  mix_getsample(1, data.data(), 100, 50, 300, 1);
  EXPECT_TRUE(mix_samples[1].loopend == 100 && mix_samples[1].looping);
  mix_getsample(2, data.data(), 100, 150, 300, 1);
  EXPECT_EQ(mix_samples[2].looping, 0);  // loop starts past the end: empty

  for (int32_t mode = 0; mode < 4; mode++) {
    reset_sound_state();
    sd_mix_interpolation = mode & 1;
    start_channel(0, 1, data.data(), 100, 50, 300, 1, 0);
    mix_setamigaperiod(50);         // several bytes per output sample
    mix_channels[0].loopend = 300;  // and the loop once more directly in the record
    start_channel(1, 2, data.data(), 100, 150, 300, 1, 90);
    mix_channels[1].looping = 1;
    mix_channels[1].loopstart = 150;
    mix_channels[1].loopend = 300;
    std::array<int16_t, 2 * 500> out{};
    (mode & 2) ? sd_mix_stereo(out.data(), 500, 1) : sd_mix_mono(out.data(), 500, 1);
    for (int16_t v : out) ASSERT_EQ(v, 0) << "mode " << mode;
    EXPECT_TRUE(mix_realchannels[0].pos <= 100 && mix_realchannels[1].pos <= 100);
  }
}

}  // namespace
