// The four channel loops (wrap, end, parking, interpolation), the gains and
// clipping of the mixing entry points, and the output conversions.
#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "sound_fixture.h"

namespace {

// Byte i holds (i mod 256) - 128, so a value read names its position.
std::array<int8_t, 1100> make_ramp() {
  std::array<int8_t, 1100> d{};
  for (size_t i = 0; i < d.size(); i++) d[i] = static_cast<int8_t>(static_cast<int32_t>(i % 256) - 128);
  return d;
}
const std::array<int8_t, 1100> g_ramp = make_ramp();
int32_t ramp(uint32_t i) { return static_cast<int32_t>(i % 256) - 128; }

enum class Loop { Plain, Interp, Stereo, IStereo };
const Loop kLoops[] = {Loop::Plain, Loop::Interp, Loop::Stereo, Loop::IStereo};

// Runs one loop on a record and returns the bytes it read, one per output
// sample. Gains are chosen so that the byte comes back exactly at position
// fraction 0: 1 for the plain loops, 64 for the interpolating ones (63/64 of
// 64 * d); the right channel gets twice the left gain.
std::vector<int32_t> bytes_read(Loop kind, mix_channel& ch, int32_t count) {
  std::vector<int32_t> acc(2 * static_cast<size_t>(count), 0);
  std::vector<int32_t> out;
  switch (kind) {
    case Loop::Plain: sd_c_mixmono(&ch, acc.data(), count, 1); break;
    case Loop::Interp: sd_c_imixmono(&ch, acc.data(), count, 64); break;
    case Loop::Stereo: sd_c_mixstereo(&ch, acc.data(), count, 1, 2); break;
    case Loop::IStereo: sd_c_imixstereo(&ch, acc.data(), count, 64, 128); break;
  }
  const bool stereo = kind == Loop::Stereo || kind == Loop::IStereo;
  const int32_t scale = (kind == Loop::Interp || kind == Loop::IStereo) ? 63 : 1;
  for (int32_t i = 0; i < count; i++) {
    const int32_t left = stereo ? acc[2 * static_cast<size_t>(i)] : acc[static_cast<size_t>(i)];
    if (stereo) {
      EXPECT_EQ(acc[2 * static_cast<size_t>(i) + 1], 2 * left);
    }
    EXPECT_EQ(left % scale, 0);
    out.push_back(left / scale);
  }
  return out;
}

// A working copy at volume 64 stepping one byte per sample.
mix_channel ramp_channel(uint32_t length, uint32_t loopstart, uint32_t loopend, int32_t looping, uint32_t pos,
                         uint32_t posfrac) {
  return {g_ramp.data(), 1, 64, posfrac, pos, 0, 1, loopstart, loopend, looping, length, 0, 0, 0};
}

using MixLoops = SoundTest;

TEST_F(MixLoops, LoopingSampleWrapsToLoopStartPlusOne) {
  for (Loop kind : kLoops) {
    mix_channel ch = ramp_channel(1000, 100, 200, 1, 195, 7);  // the fraction is kept through the wrap
    const std::vector<int32_t> got = bytes_read(kind, ch, 210);
    std::vector<int32_t> want;
    uint32_t pos = 195;
    for (int i = 0; i < 210; i++) {
      pos = pos + 1 > 200 ? 101 : pos + 1;
      want.push_back(ramp(pos));
    }
    EXPECT_EQ(got, want) << "loop " << static_cast<int>(kind);
    EXPECT_TRUE(ch.pos == pos && ch.posfrac == 7 && ch.volume == 64);
  }
}

TEST_F(MixLoops, OneShotSampleEndsAndParks) {
  const uint32_t park[] = {0, 1000, 1000, 0};  // plain, interp, stereo, interp stereo
  int k = 0;
  for (Loop kind : kLoops) {
    mix_channel ch = ramp_channel(1000, 0, 0, 0, 997, 3);
    const std::vector<int32_t> got = bytes_read(kind, ch, 6);
    const uint32_t p = park[k++];
    const std::vector<int32_t> want = {ramp(998), ramp(999), ramp(p), ramp(p), ramp(p), ramp(p)};
    EXPECT_EQ(got, want) << "loop " << static_cast<int>(kind);
    EXPECT_TRUE(ch.pos == p && ch.posfrac == 3 && ch.step == 0 && ch.stepfrac == 0 && ch.volume == 0);
  }
}

// After the end the player's volume comes back at the next block while the
// step stays 0: a constant level. A new period then replays the sample from a
// position parked at 0, but ends it again at once from one parked at the length.
TEST_F(MixLoops, PeriodChangeAfterTheEnd) {
  for (int32_t interp = 0; interp < 2; interp++) {
    reset_sound_state();
    sd_mix_interpolation = interp;
    mix_setmainvolume(64);
    start_channel(0, 1, g_ramp.data(), 1000, 0, 0, 0, 997);
    const mix_channel& work = mix_realchannels[0];
    std::array<int16_t, 8> out{};
    sd_mix_mono(out.data(), 4, 1);
    const uint32_t park = interp ? 1000 : 0;
    EXPECT_TRUE(work.pos == park && work.volume == 0);

    // The volume is back for this block, the step is not; parked at the
    // length, the sample ends once more at its first step.
    sd_mix_mono(out.data(), 4, 1);
    EXPECT_TRUE(work.volume == (interp ? 0 : 64) && work.pos == park);
    EXPECT_TRUE(out[0] == out[3] && out[0] != 0);

    sd_mix_rate = 886709;  // 3546836 / (4 * 886709) = exactly one byte per sample
    mix_setamigaperiod(4);
    sd_mix_mono(out.data(), 4, 1);
    if (interp) {
      EXPECT_TRUE(work.pos == 1000 && work.step == 0 && work.volume == 0);
    } else {
      EXPECT_TRUE(work.pos == 4 && work.step == 1 && out[0] == ramp(1) * 129 && out[3] == ramp(4) * 129);
    }
  }
}

TEST_F(MixLoops, InterpolationWeightsAndArithmeticShift) {
  static const int8_t up[] = {10, 20, 0, 0};
  static const int8_t down[] = {-10, -20, 0, 0};
  mix_channel ch{up, 0, 0, 0x80000000u, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0};  // length 2, weight 32
  int32_t acc[2] = {0, 0};
  sd_c_imixmono(&ch, acc, 1, 1);
  EXPECT_EQ(acc[0], 14);  // (20 * 32 >> 6) + (31 * 10 >> 6) = 10 + 4
  ch.data = down;
  acc[0] = 0;
  sd_c_imixmono(&ch, acc, 1, 1);
  EXPECT_EQ(acc[0], -15);  // -10 + (-310 >> 6 = -5): shifts round down
  acc[0] = acc[1] = 0;
  ch.data = up;
  sd_c_imixstereo(&ch, acc, 1, 1, 2);
  EXPECT_TRUE(acc[0] == 14 && acc[1] == 29);  // right: 20 + (620 >> 6 = 9)
}

TEST_F(MixLoops, GainsFromMainVolumeAndPanning) {
  static std::array<int8_t, 104> ones;
  ones.fill(1);
  struct Case {
    int32_t main, volume, pan, mono, left, right;
  };
  for (const Case& c : {Case{64, 64, 0, 129, 129, 0}, Case{64, 32, 255, 64, 0, 64}, Case{64, 1, 0, 2, 2, 0},
                        Case{63, 64, 0, 127, 127, 0}, Case{64, 64, 64, 129, 97, 32}}) {
    reset_sound_state();
    mix_setmainvolume(c.main);
    start_channel(0, 1, ones.data(), 100, 0, 100, 1, 0);
    mix_setvolume(c.volume);
    mix_setpanning(c.pan);
    int16_t out[4];
    sd_mix_mono(out, 3, 1);
    EXPECT_EQ(out[2], c.mono) << c.main << " " << c.volume;
    sd_mix_stereo(out, 2, 1);
    EXPECT_TRUE(out[2] == c.left && out[3] == c.right) << c.main << " " << c.volume << " " << c.pan;
  }
}

TEST_F(MixLoops, FourFullChannelsClipOncePerValue) {
  static std::array<int8_t, 104> loud;
  loud.fill(127);
  mix_setmainvolume(64);
  for (int32_t c = 0; c < 4; c++) start_channel(c, 1, loud.data(), 100, 0, 100, 1, 0);
  mix_setactivechannels(4);
  int16_t out16[5];
  sd_mix_mono(out16, 5, 1);
  EXPECT_EQ(mix_buffer32[4], 4 * 127 * 129);
  for (int16_t v : out16) EXPECT_EQ(v, 32767);
  uint8_t out8[5];
  sd_mix_mono(out8, 5, 0);
  for (uint8_t v : out8) EXPECT_EQ(v, 255);
}

TEST_F(MixLoops, SilentChannelsStandStillAndEmptyBlocksWriteNothing) {
  start_channel(0, 1, g_ramp.data(), 1000, 0, 0, 0, 10);
  start_channel(1, 1, g_ramp.data(), 1000, 0, 0, 0, 10);
  mix_setvolume(0);
  start_channel(2, 1, g_ramp.data(), 0, 0, 0, 0, 0);
  curchan->pos = 10;
  curchan->poschanged = 1;
  mix_setactivechannels(3);
  std::array<int16_t, 4> out;
  out.fill(-9);
  sd_mix_mono(out.data(), 0, 1);
  for (int16_t v : out) EXPECT_EQ(v, -9);
  EXPECT_EQ(mix_channels[0].poschanged, 0);
  sd_mix_mono(out.data(), 4, 1);
  EXPECT_TRUE(mix_realchannels[0].pos == 14 && mix_realchannels[1].pos == 10 && mix_realchannels[2].pos == 10);
}

TEST_F(MixLoops, BlocksLongerThanTheAccumulator) {
  static std::array<int8_t, 104> ones;
  ones.fill(1);
  mix_setmainvolume(64);
  start_channel(0, 1, ones.data(), 100, 0, 100, 1, 0);
  static std::array<int16_t, MIX_BUFFER_VALUES + 100> out;
  out.fill(0);
  sd_mix_mono(out.data(), static_cast<int32_t>(out.size()), 1);
  for (int16_t v : out) ASSERT_EQ(v, 129);
}

TEST(OutputConversion, ClampsAndShifts) {
  // 70000 is a loud mix past the 8-bit top (70000 >> 9 = 136): held at 255.
  const int32_t acc[] = {40000, -70000, 0, -1, 511, 512, 70000, 65535};
  const int16_t want16[] = {32767, -32768, 0, -1, 511, 512, 32767, 32767};
  const uint8_t want8[] = {206, 0, 128, 127, 128, 129, 255, 255};
  int16_t m16[8], s16[8];
  uint8_t m8[8], s8[8];
  sd_c_mono32tom16i(acc, m16, 8);
  sd_c_mono32tom8u(acc, m8, 8);
  sd_c_stereo32tos16i(acc, s16, 4);  // four frames, the same eight values
  sd_c_stereo32tos8u(acc, s8, 4);
  for (int i = 0; i < 8; i++) {
    EXPECT_TRUE(m16[i] == want16[i] && s16[i] == want16[i]) << acc[i];
    EXPECT_TRUE(m8[i] == want8[i] && s8[i] == want8[i]) << acc[i];
  }
}

// The plain mono loop skips the per-sample tests between wraps and ends; it
// must still give exactly what the sample-by-sample rule gives.
void reference_mixmono(mix_channel* ch, int32_t* acc, int32_t count, uint32_t gain) {
  for (int32_t i = 0; i < count; i++) {
    long_addition(&ch->pos, &ch->posfrac, ch->step, ch->stepfrac);
    if (ch->looping) {
      if (ch->pos > ch->loopend) ch->pos = ch->loopstart + 1;
    } else if (ch->pos >= ch->length) {
      ch->pos = 0;
      ch->step = 0;
      ch->stepfrac = 0;
      ch->volume = 0;
    }
    acc[i] += ch->data[ch->pos] * static_cast<int32_t>(gain);
  }
}

TEST(PlainMonoLoop, MatchesTheSampleBySampleRule) {
  static std::array<int8_t, 5002> data;
  std::mt19937 rng(1234);
  for (int8_t& d : data) d = static_cast<int8_t>(rng());
  auto pick = [&rng](uint32_t lo, uint32_t hi) { return lo + static_cast<uint32_t>(rng() % (hi - lo + 1)); };
  std::vector<int32_t> got(3000), want(3000);
  for (int iter = 0; iter < 3000; iter++) {
    mix_channel ch{};
    ch.data = data.data();
    ch.length = pick(1, 5000);
    ch.looping = static_cast<int32_t>(pick(0, 1));
    ch.loopstart = pick(0, ch.length - 1);
    ch.loopend = pick(ch.loopstart + 1, ch.length);
    ch.pos = pick(0, ch.length);
    ch.posfrac = static_cast<uint32_t>(rng());
    ch.step = pick(0, 8) == 0 ? pick(0, 20000) : pick(0, 2);
    ch.stepfrac = static_cast<uint32_t>(rng()) & 0xFFFFFF00u;
    ch.volume = 64;
    const int32_t count = static_cast<int32_t>(pick(0, 3000));
    const uint32_t gain = pick(0, 510);
    mix_channel ref = ch;
    std::fill(got.begin(), got.end(), 0);
    std::fill(want.begin(), want.end(), 0);
    sd_c_mixmono(&ch, got.data(), count, gain);
    reference_mixmono(&ref, want.data(), count, gain);
    ASSERT_EQ(got, want) << "case " << iter;
    ASSERT_TRUE(ch.pos == ref.pos && ch.posfrac == ref.posfrac && ch.step == ref.step &&
                ch.stepfrac == ref.stepfrac && ch.volume == ref.volume)
        << "case " << iter;
  }
}

// sd_mix_mono mixes the plain loop two channels at a time, the first pass
// storing instead of adding to a cleared accumulator: whole blocks of 1 to 32
// random channels (loops, one-shot ends, silent and empty channels, clipping
// main volumes) must give the bytes and the channel states that one channel
// at a time by the sample-by-sample rule gives.
TEST_F(MixLoops, MonoBlocksMatchOneChannelAtATime) {
  static std::array<int8_t, 5002> data;
  std::mt19937 rng(99);
  for (int8_t& d : data) d = static_cast<int8_t>(rng());
  auto pick = [&rng](uint32_t lo, uint32_t hi) { return lo + static_cast<uint32_t>(rng() % (hi - lo + 1)); };
  std::vector<int16_t> got16(3000), want16(3000);
  std::vector<uint8_t> got8(3000), want8(3000);
  std::vector<int32_t> acc(3000);
  for (int iter = 0; iter < 400; iter++) {
    const int32_t active = static_cast<int32_t>(iter % 5 == 0 ? pick(1, 32) : pick(1, 9));
    for (int32_t c = 0; c < MIX_CHANNELS; c++) {
      mix_channel& ch = mix_channels[static_cast<size_t>(c)];
      ch = {};
      ch.data = data.data();
      ch.length = pick(0, 9) == 0 ? 0 : pick(1, 5000);
      ch.looping = static_cast<int32_t>(pick(0, 1));
      ch.loopstart = ch.length ? pick(0, ch.length - 1) : 0;
      ch.loopend = ch.length ? pick(ch.loopstart + 1, ch.length) : 0;
      ch.pos = pick(0, ch.length);
      ch.posfrac = static_cast<uint32_t>(rng());
      ch.step = pick(0, 6) == 0 ? pick(0, 3000) : pick(0, 2);
      ch.stepfrac = static_cast<uint32_t>(rng()) & 0xFFFFFF00u;
      ch.volume = static_cast<int32_t>(pick(0, 4) == 0 ? 0 : pick(1, 64));
      ch.poschanged = ch.stepchanged = 1;
    }
    mix_activechannels = active;
    mix_mainvolume = static_cast<int32_t>(pick(0, 252));
    const int32_t count = static_cast<int32_t>(pick(0, 3000));
    const bool sixteen = iter % 2 == 0;
    const auto player = mix_channels;
    const auto work = mix_realchannels;

    if (sixteen) sd_mix_mono(got16.data(), count, 1);
    else sd_mix_mono(got8.data(), count, 0);
    const auto got_work = mix_realchannels;

    mix_channels = player;
    mix_realchannels = work;
    std::fill(acc.begin(), acc.end(), 0);
    for (int32_t c = 0; c < active; c++) {
      mix_channel& ch = mix_realchannels[static_cast<size_t>(c)];
      mix_copychannel(&ch, &mix_channels[static_cast<size_t>(c)]);
      if (ch.length == 0 || ch.volume == 0) continue;
      const uint32_t gain = static_cast<uint32_t>(mix_mainvolume) * static_cast<uint32_t>(ch.volume) * 255u / 8064u;
      reference_mixmono(&ch, acc.data(), count, gain);
    }
    for (int32_t i = 0; i < count; i++) {
      const int32_t v = acc[static_cast<size_t>(i)];
      want16[static_cast<size_t>(i)] = static_cast<int16_t>(std::clamp(v, -32768, 32767));
      want8[static_cast<size_t>(i)] = static_cast<uint8_t>(std::clamp(v >> 9, -128, 127) + 128);
    }
    for (int32_t i = 0; i < count; i++) {
      if (sixteen) {
        ASSERT_EQ(got16[static_cast<size_t>(i)], want16[static_cast<size_t>(i)]) << "case " << iter << " at " << i;
      } else {
        ASSERT_EQ(got8[static_cast<size_t>(i)], want8[static_cast<size_t>(i)]) << "case " << iter << " at " << i;
      }
    }
    for (int32_t c = 0; c < active; c++) {
      const mix_channel& g = got_work[static_cast<size_t>(c)];
      const mix_channel& w = mix_realchannels[static_cast<size_t>(c)];
      ASSERT_TRUE(g.pos == w.pos && g.posfrac == w.posfrac && g.step == w.step && g.stepfrac == w.stepfrac &&
                  g.volume == w.volume)
          << "case " << iter << " channel " << c;
    }
  }
}

// The interpolating and stereo loops run eight steps at a time in vector
// registers where the machine has them, with the stepping and the tested
// steps apart; they must still give exactly what the sample-by-sample rule
// gives, also with gains too large for the vector path.
void reference_loop(Loop kind, mix_channel* ch, int32_t* acc, int32_t count, uint32_t lgain, uint32_t rgain) {
  const bool interp = kind == Loop::Interp || kind == Loop::IStereo;
  const bool stereo = kind == Loop::Stereo || kind == Loop::IStereo;
  const uint32_t park = kind == Loop::IStereo || kind == Loop::Plain ? 0 : ch->length;
  auto value = [&](uint32_t gain) {
    const uint32_t d0 = static_cast<uint32_t>(ch->data[ch->pos]);
    if (!interp) return d0 * gain;
    const uint32_t d1 = static_cast<uint32_t>(ch->data[ch->pos + 1]);
    const uint32_t f = ch->posfrac >> 26;
    return static_cast<uint32_t>(static_cast<int32_t>(gain * d1 * f) >> 6) +
           static_cast<uint32_t>(static_cast<int32_t>((63 - f) * gain * d0) >> 6);
  };
  for (int32_t i = 0; i < count; i++) {
    long_addition(&ch->pos, &ch->posfrac, ch->step, ch->stepfrac);
    if (ch->looping) {
      if (ch->pos > ch->loopend) ch->pos = ch->loopstart + 1;
    } else if (ch->pos >= ch->length) {
      ch->pos = park;
      ch->step = 0;
      ch->stepfrac = 0;
      ch->volume = 0;
    }
    const size_t at = stereo ? 2 * static_cast<size_t>(i) : static_cast<size_t>(i);
    acc[at] = static_cast<int32_t>(static_cast<uint32_t>(acc[at]) + value(lgain));
    if (stereo) acc[at + 1] = static_cast<int32_t>(static_cast<uint32_t>(acc[at + 1]) + value(rgain));
  }
}

// A random channel over `data` (5000 bytes and the two that follow).
mix_channel random_channel(std::mt19937& rng, const int8_t* data, bool may_be_empty) {
  auto pick = [&rng](uint32_t lo, uint32_t hi) { return lo + static_cast<uint32_t>(rng() % (hi - lo + 1)); };
  mix_channel ch{};
  ch.data = data;
  ch.length = may_be_empty && pick(0, 9) == 0 ? 0 : pick(1, 5000);
  ch.looping = static_cast<int32_t>(pick(0, 1));
  ch.loopstart = ch.length ? pick(0, ch.length - 1) : 0;
  ch.loopend = ch.length ? pick(ch.loopstart + 1, ch.length) : 0;
  ch.pos = pick(0, ch.length);
  ch.posfrac = static_cast<uint32_t>(rng());
  ch.step = pick(0, 6) == 0 ? pick(0, 3000) : pick(0, 2);
  ch.stepfrac = static_cast<uint32_t>(rng()) & 0xFFFFFF00u;
  ch.volume = static_cast<int32_t>(may_be_empty && pick(0, 4) == 0 ? 0 : pick(1, 64));
  ch.panning = static_cast<int32_t>(pick(0, 255));
  return ch;
}

TEST(ChannelLoops, MatchTheSampleBySampleRule) {
  static std::array<int8_t, 5002> data;
  std::mt19937 rng(4321);
  for (int8_t& d : data) d = static_cast<int8_t>(rng());
  std::vector<int32_t> got(6000), want(6000);
  for (const Loop kind : {Loop::Interp, Loop::Stereo, Loop::IStereo}) {
    for (int iter = 0; iter < 1500; iter++) {
      mix_channel ch = random_channel(rng, data.data(), false);
      const int32_t count = static_cast<int32_t>(rng() % 3001);
      // Gains as the player's volumes give them, and now and then beyond what
      // the vector path takes.
      const bool big = iter % 10 == 0;
      const uint32_t lgain = static_cast<uint32_t>(rng() % (big ? 200000 : 511));
      const uint32_t rgain = static_cast<uint32_t>(rng() % (big ? 40000 : 511));
      mix_channel ref = ch;
      std::fill(got.begin(), got.end(), 7);
      std::fill(want.begin(), want.end(), 7);
      switch (kind) {
        case Loop::Interp:
          sd_c_imixmono(&ch, got.data(), count, lgain);
          break;
        case Loop::Stereo:
          sd_c_mixstereo(&ch, got.data(), count, lgain, rgain);
          break;
        default:
          sd_c_imixstereo(&ch, got.data(), count, lgain, rgain);
          break;
      }
      reference_loop(kind, &ref, want.data(), count, lgain, rgain);
      ASSERT_EQ(got, want) << "loop " << static_cast<int>(kind) << " case " << iter;
      ASSERT_TRUE(ch.pos == ref.pos && ch.posfrac == ref.posfrac && ch.step == ref.step &&
                  ch.stepfrac == ref.stepfrac && ch.volume == ref.volume)
          << "loop " << static_cast<int>(kind) << " case " << iter;
    }
  }
}

// Whole interpolated mono blocks and stereo blocks (plain and interpolated),
// mixed two channels at a time, against one channel at a time by the rule.
TEST_F(MixLoops, InterpolatedAndStereoBlocksMatchOneChannelAtATime) {
  static std::array<int8_t, 5002> data;
  std::mt19937 rng(77);
  for (int8_t& d : data) d = static_cast<int8_t>(rng());
  std::vector<int16_t> got(6000), want(6000);
  std::vector<int32_t> acc(6000);
  for (int iter = 0; iter < 600; iter++) {
    const Loop kind = iter % 3 == 0 ? Loop::Interp : iter % 3 == 1 ? Loop::Stereo : Loop::IStereo;
    const bool stereo = kind != Loop::Interp;
    const int32_t active = static_cast<int32_t>(iter % 5 == 0 ? 1 + rng() % 32 : 1 + rng() % 9);
    for (int32_t c = 0; c < MIX_CHANNELS; c++) {
      mix_channel& ch = mix_channels[static_cast<size_t>(c)];
      ch = random_channel(rng, data.data(), true);
      ch.poschanged = ch.stepchanged = 1;
    }
    mix_activechannels = active;
    mix_mainvolume = static_cast<int32_t>(rng() % 253);
    sd_mix_interpolation = kind == Loop::Stereo ? 0 : 1;
    const int32_t count = static_cast<int32_t>(rng() % 3001);
    const size_t values = static_cast<size_t>(count) * (stereo ? 2 : 1);
    const auto player = mix_channels;
    const auto work = mix_realchannels;

    if (stereo)
      sd_mix_stereo(got.data(), count, 1);
    else
      sd_mix_mono(got.data(), count, 1);
    const auto got_work = mix_realchannels;

    mix_channels = player;
    mix_realchannels = work;
    std::fill(acc.begin(), acc.end(), 0);
    const uint32_t mainvol = static_cast<uint32_t>(mix_mainvolume);
    for (int32_t c = 0; c < active; c++) {
      mix_channel& ch = mix_realchannels[static_cast<size_t>(c)];
      mix_copychannel(&ch, &mix_channels[static_cast<size_t>(c)]);
      if (ch.length == 0 || ch.volume == 0) continue;
      const uint32_t vol = static_cast<uint32_t>(ch.volume);
      const uint32_t pan = static_cast<uint32_t>(ch.panning);
      const uint32_t lgain = stereo ? mainvol * (255u - pan) * vol / 8064u : mainvol * vol * 255u / 8064u;
      const uint32_t rgain = mainvol * pan * vol / 8064u;
      reference_loop(kind, &ch, acc.data(), count, lgain, rgain);
    }
    for (size_t i = 0; i < values; i++) want[i] = static_cast<int16_t>(std::clamp(acc[i], -32768, 32767));
    for (size_t i = 0; i < values; i++) ASSERT_EQ(got[i], want[i]) << "case " << iter << " at " << i;
    for (int32_t c = 0; c < active; c++) {
      const mix_channel& g = got_work[static_cast<size_t>(c)];
      const mix_channel& w = mix_realchannels[static_cast<size_t>(c)];
      ASSERT_TRUE(g.pos == w.pos && g.posfrac == w.posfrac && g.step == w.step && g.stepfrac == w.stepfrac &&
                  g.volume == w.volume)
          << "case " << iter << " channel " << c;
    }
  }
  sd_mix_interpolation = 0;
}

}  // namespace
