// The tools' song driver (music/mzx_song.h): a module's own timing, the
// song's end, repeats, stereo placement, interpolation, the headroom volume,
// and the demo's timing sample for sample.
//
// The lengths are checked against a walk of the module's own commands done
// here from the file's bytes (rows, speed and tempo commands, breaks, jumps,
// loops and delays), not through the player.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "music/cool_mzx.h"
#include "music/mzx_song.h"
#include "music_harness.h"
#include "player/pt.h"
#include "sound/sd_main.h"
#include "sound/sd_mix.h"
#include "support/skip.h"

namespace {

constexpr int32_t k_rate = 44100;

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> real_module(const char* name) { return read_file(std::string(ZAP_MODULE_DIR) + "/" + name); }

// ---- The module's commands, walked row by row ---------------------------------

// What a tracker makes of a module's sequence: the rows it plays up to the
// song's end (the first row played a second time outside a pattern loop),
// each row's ticks and the tempo they run at. Reads the file layout: song
// length at 950, orders from 952, patterns from 1084, 4 bytes a cell (the
// effect in the low nibble of byte 2, its parameter in byte 3).
struct walk_result {
  int64_t ticks = 0;
  // Frames in the module's timing: the sum of rate * 5 / (2 * tempo) over the ticks.
  double frames = 0;
  std::set<int32_t> tempos;
  int32_t rows = 0;
};

walk_result walk(const std::vector<uint8_t>& f, int32_t channels = 4) {
  walk_result w;
  const int32_t songlen = f[950];
  const int32_t restart = f[951] < songlen ? f[951] : 0;
  auto cell = [&](int32_t order, int32_t row, int32_t ch) {
    const size_t at = 1084 + (static_cast<size_t>(f[952 + order]) * 64 + row) * channels * 4 + ch * 4;
    return std::pair<int32_t, int32_t>(f[at + 2] & 15, f[at + 3]);
  };
  int32_t speed = 6;
  int32_t tempo = 125;
  int32_t order = 0;
  int32_t row = 0;
  std::array<int32_t, 32> loop_start{};
  std::array<int32_t, 32> loop_left{};
  std::set<std::pair<int32_t, int32_t>> played;
  bool in_loop = false;
  while (w.rows < 100000) {
    if (played.count({order, row}) && !in_loop) break;
    played.insert({order, row});
    w.rows++;
    int32_t next_order = order;
    int32_t next_row = row + 1;
    bool jumped = false;
    bool broke = false;
    int32_t break_row = 0;
    int32_t delay = 0;
    bool loop_jump = false;
    for (int32_t ch = 0; ch < channels; ch++) {
      const auto [e, p] = cell(order, row, ch);
      if (e == 0xF) {
        if (p < 32)
          speed = p;
        else
          tempo = p;
      } else if (e == 0xB) {
        jumped = true;
        next_order = p;
      } else if (e == 0xD) {
        broke = true;
        break_row = (p >> 4) * 10 + (p & 15);
      } else if (e == 0xE && (p >> 4) == 0xE) {
        delay = std::max(delay, p & 15);
      } else if (e == 0xE && (p >> 4) == 0x6) {
        const int32_t y = p & 15;
        if (y == 0) {
          loop_start[static_cast<size_t>(ch)] = row;
        } else if (loop_left[static_cast<size_t>(ch)] == 0 || --loop_left[static_cast<size_t>(ch)] > 0) {
          if (loop_left[static_cast<size_t>(ch)] == 0) loop_left[static_cast<size_t>(ch)] = y;
          next_row = loop_start[static_cast<size_t>(ch)];
          loop_jump = true;
        }
      }
    }
    // Speed 0 holds the row for ever after its first tick: the song ends there.
    const int32_t row_ticks = speed == 0 ? 1 : speed * (1 + delay);
    w.ticks += row_ticks;
    w.frames += row_ticks * (k_rate * 5.0) / (2 * tempo);
    w.tempos.insert(tempo);
    if (speed == 0) break;
    bool pending = false;
    for (int32_t n : loop_left) pending = pending || n > 0;
    in_loop = (loop_jump || in_loop) && pending;
    if (jumped || broke) {
      next_order = jumped ? next_order : order + 1;
      next_row = broke ? break_row : 0;
      in_loop = false;
    } else if (next_row > 63) {
      next_order = order + 1;
      next_row = 0;
      in_loop = false;
    }
    if (next_order >= songlen) next_order = restart;
    order = next_order;
    row = next_row;
  }
  return w;
}

// ---- The driver ------------------------------------------------------------------

struct render_out {
  std::vector<int16_t> samples;  // interleaved in stereo
  int32_t ends = 0;
  int64_t ticks = 0;
  int32_t volume = 0;
};

struct song_settings {
  int32_t hz = 0;
  bool stereo = false;
  int32_t separation = 100;
  bool interp = false;
  int32_t volume = -1;  // -1: the headroom volume
  int32_t loops = 0;    // song ends to play through
  int64_t frames = 0;   // 0: up to the end
};

// Renders the way zapmod render does, in 64 KiB blocks.
render_out render(const std::vector<uint8_t>& file, const song_settings& s) {
  render_out r;
  EXPECT_EQ(mzx_init_offline(k_rate, s.hz > 0 ? s.hz : SONG_DEMO_HZ), 1);
  module_image image(file);
  std::srand(1);
  EXPECT_EQ(mzx_get(image.bytes.data(), image.size), 1);
  r.volume = s.volume >= 0 ? s.volume : song_headroom_volume(pt_channels);
  sd_setmainvolume(r.volume);
  song_start(k_rate, s.hz, s.stereo, s.separation, s.interp);
  const int32_t per_frame = s.stereo ? 2 : 1;
  const int32_t block = 32768 / per_frame;
  const int64_t cap = s.frames > 0 ? s.frames : int64_t{k_rate} * 1200;
  std::vector<int16_t> buf(32768);
  int64_t done = 0;
  while (done < cap) {
    const int32_t want = static_cast<int32_t>(std::min<int64_t>(block, cap - done));
    const int32_t got = song_mix(buf.data(), want, 1, s.frames == 0);
    r.samples.insert(r.samples.end(), buf.begin(), buf.begin() + got * per_frame);
    done += got;
    if (got < want && song_ends > s.loops) break;
  }
  r.ends = song_ends;
  r.ticks = song_ticks;
  song_start(k_rate, 0, 0, 100, 0);  // mono again: the player's panning as it was
  forget_module();
  return r;
}

// Frames of one pass in the module's timing, from the walk: the sum rounded
// down, which the driver's carried fraction reaches to within a frame.
int64_t walked_frames(const walk_result& w) { return static_cast<int64_t>(w.frames); }

// ---- Timing and the song's end --------------------------------------------------------

struct timing_case {
  const char* name;
  mb_module (*make)();
};

// Speed and tempo changes, a pattern delay, a pattern loop and a break: two
// orders, the second ending the song by jumping back to the first.
mb_module timed_module() {
  mb_module m = ramp_module(2);
  m.order = {0, 1};
  m.cell(0, 0, 1) = {0, 0, 0xF, 0x20};   // tempo 32: the longest tick
  m.cell(0, 4, 2) = {0, 0, 0xF, 0x03};   // speed 3
  m.cell(0, 8, 3) = {0, 0, 0xF, 0xFF};   // tempo 255: the shortest
  m.cell(0, 10, 0) = {0, 0, 0xE, 0xE2};  // row held twice more
  m.cell(0, 12, 1) = {0, 0, 0xE, 0x60};  // loop from row 12...
  m.cell(0, 14, 1) = {0, 0, 0xE, 0x62};  // ...to row 14, three times
  m.cell(0, 20, 2) = {0, 0, 0xF, 0x7D};  // tempo 125 again
  m.cell(0, 30, 0) = {0, 0, 0xD, 0x10};  // on to row 10 of the next order
  m.cell(1, 40, 3) = {0, 0, 0xB, 0x00};  // back to the start: the end
  return m;
}

// The classic case: one order entry that wraps onto itself.
mb_module one_order() { return ramp_module(1); }

// Speed 0 holds the song on one row: that is its end.
mb_module speed_zero() {
  mb_module m = ramp_module(1);
  m.cell(0, 5, 2) = {0, 0, 0xF, 0x00};
  return m;
}

// A loop starting at row 0 (the player steps onto row 0 from the row
// before it) and a jump forward past an order that is never played.
mb_module loop_at_zero() {
  mb_module m = ramp_module(3);
  m.order = {0, 1, 2};
  m.cell(0, 0, 1) = {0, 0, 0xE, 0x60};
  m.cell(0, 3, 1) = {0, 0, 0xE, 0x61};
  m.cell(0, 6, 0) = {0, 0, 0xB, 0x02};
  m.cell(2, 9, 0) = {0, 0, 0xF, 0x40};
  return m;
}

class SongTiming : public ::testing::TestWithParam<timing_case> {};

TEST_P(SongTiming, LengthAndTicksAreTheModulesOwn) {
  const std::vector<uint8_t> file = GetParam().make().build();
  const walk_result w = walk(file);
  const render_out r = render(file, {});
  EXPECT_EQ(r.ends, 1);
  // The tick that begins the song again has run but is not in the output.
  EXPECT_EQ(r.ticks - 1, w.ticks);
  const int64_t frames = static_cast<int64_t>(r.samples.size());
  EXPECT_GE(frames, walked_frames(w) - 1);
  EXPECT_LE(frames, walked_frames(w) + 1);
  // At a fixed rate the same ticks last rate / hz frames each.
  const render_out fixed = render(file, {.hz = 47});
  EXPECT_EQ(static_cast<int64_t>(fixed.samples.size()), w.ticks * (k_rate / 47));
}

INSTANTIATE_TEST_SUITE_P(Modules, SongTiming,
                         ::testing::Values(timing_case{"tempo_speed_delay_loop_break", timed_module},
                                           timing_case{"one_order", one_order}, timing_case{"speed_zero", speed_zero},
                                           timing_case{"loop_at_row_zero", loop_at_zero}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SongTiming, TempoTimesEachTick) {
  // Rows 0..3 at tempo 32 (6 ticks of 44100 * 5 / 64 = 3445.3 frames), then
  // tempo 255 (864.7 frames): the first 24 ticks take 82687 frames (24 x
  // 3445.3125 rounded down), as the song_ticklen after them shows.
  const std::vector<uint8_t> file = timed_module().build();
  EXPECT_EQ(mzx_init_offline(k_rate, SONG_DEMO_HZ), 1);
  module_image image(file);
  ASSERT_EQ(mzx_get(image.bytes.data(), image.size), 1);
  song_start(k_rate, 0, 0, 100, 0);
  EXPECT_EQ(song_ticklen(), 882);  // 50 ticks a second before the first command
  int64_t frames = 0;
  for (int i = 0; i < 24; i++) frames += song_tick(nullptr);
  EXPECT_EQ(frames, 24 * 44100 * 5 / 64);
  forget_module();
}

TEST(SongTiming, Game2AsATrackerPlaysIt) {
  const std::vector<uint8_t> file = real_module("game2.mod");
  if (file.empty()) ZAP_SKIP("game2.mod is not there");
  const walk_result w = walk(file);
  // Its own commands: tempo 135 from the first row, speed 3, speed 31 over
  // the last rows: 7912 ticks, 146.5 s, where the demo's clock takes 168.3 s.
  EXPECT_EQ(w.tempos, (std::set<int32_t>{135}));
  EXPECT_EQ(w.ticks, 7912);
  const render_out r = render(file, {});
  EXPECT_EQ(r.ticks - 1, w.ticks);
  const int64_t frames = static_cast<int64_t>(r.samples.size());
  EXPECT_GE(frames, walked_frames(w) - 1);
  EXPECT_LE(frames, walked_frames(w) + 1);
  EXPECT_NEAR(static_cast<double>(frames) / k_rate, 146.5, 0.05);
}

TEST(SongTiming, LoopPlaysTheSongAgain) {
  // game3 sets its speed on its first row and no tempo: every pass is the
  // same length.
  for (const char* name : {"game3.mod", ""}) {
    const std::vector<uint8_t> file = *name ? real_module(name) : one_order().build();
    if (file.empty()) continue;
    const render_out once = render(file, {});
    for (int32_t n : {1, 2}) {
      const render_out more = render(file, {.loops = n});
      EXPECT_EQ(more.samples.size(), once.samples.size() * static_cast<size_t>(n + 1)) << name << " --loop " << n;
      EXPECT_TRUE(std::equal(once.samples.begin(), once.samples.end(), more.samples.begin())) << name;
    }
  }
}

// ---- The demo's timing ---------------------------------------------------------------

TEST(SongDemoTiming, SameSamplesAsTheDemosCallback) {
  std::vector<std::vector<uint8_t>> files = {read_file(std::string(ZAP_SOURCE_DIR) + "/data/da_plim.mod")};
  for (const char* n : {"game.mod", "game2.mod", "game3.mod"}) files.push_back(real_module(n));
  for (const auto& file : files) {
    if (file.empty()) continue;
    const int64_t frames = int64_t{k_rate} * 20;
    const render_out r = render(file, {.hz = 47, .volume = 64, .frames = frames});
    // The demo's path: 2048-sample buffers through mix_newhand.
    ASSERT_EQ(mzx_init_offline(k_rate, 47), 1);
    module_image image(file);
    std::srand(1);
    ASSERT_EQ(mzx_get(image.bytes.data(), image.size), 1);
    std::vector<int16_t> demo(static_cast<size_t>(frames) + 2048);
    for (int64_t at = 0; at < frames; at += 2048) {
      mix_newhand(nullptr, reinterpret_cast<uint8_t*>(demo.data() + at), 4096);
    }
    demo.resize(static_cast<size_t>(frames));
    forget_module();
    EXPECT_TRUE(r.samples == demo);
  }
}

// ---- Stereo, interpolation, level ------------------------------------------------------

// Each of the four channels plays alone, in turn: rows 0..15 channel 1,
// 16..31 channel 2, and so on; a note cut ends each before the next.
mb_module alone_module(int32_t sep_effect_channel = -1) {
  mb_module m;
  m.sample(1, 4000);
  m.samples[1].loopstart_words = 0;
  m.samples[1].looplen_words = 2000;
  for (int ch = 0; ch < 4; ch++) {
    m.cell(0, 16 * ch, ch) = {1, mb_period(24), 0, 0};
    m.cell(0, 16 * ch + 15, ch) = {0, 0, 0xC, 0};
  }
  if (sep_effect_channel >= 0) m.cell(0, 16 * sep_effect_channel, sep_effect_channel).effect = 8;
  return m;
}

// Sums of |left| and |right| over the frames of each channel's 16 rows.
std::array<std::pair<int64_t, int64_t>, 4> sides(const std::vector<int16_t>& st) {
  std::array<std::pair<int64_t, int64_t>, 4> s{};
  const size_t frames = st.size() / 2;
  for (size_t i = 0; i < frames; i++) {
    const size_t quarter = std::min<size_t>(3, i * 4 / frames);
    s[quarter].first += std::abs(st[2 * i]);
    s[quarter].second += std::abs(st[2 * i + 1]);
  }
  return s;
}

TEST(SongStereo, ChannelsOneAndFourLeftTwoAndThreeRight) {
  const std::vector<uint8_t> file = alone_module().build();
  const render_out hard = render(file, {.stereo = true, .separation = 100});
  const auto s = sides(hard.samples);
  for (int ch : {0, 3}) {
    EXPECT_GT(s[ch].first, 1000000) << "channel " << ch + 1;
    EXPECT_EQ(s[ch].second, 0) << "channel " << ch + 1;
  }
  for (int ch : {1, 2}) {
    EXPECT_EQ(s[ch].first, 0) << "channel " << ch + 1;
    EXPECT_GT(s[ch].second, 1000000) << "channel " << ch + 1;
  }
  // A narrower separation leaks each side into the other, less than half.
  const auto n = sides(render(file, {.stereo = true, .separation = 70}).samples);
  for (int ch : {0, 3}) EXPECT_TRUE(n[ch].second > 0 && n[ch].second * 3 < n[ch].first) << ch;
  for (int ch : {1, 2}) EXPECT_TRUE(n[ch].first > 0 && n[ch].first * 3 < n[ch].second) << ch;
  // 0 is both sides alike (the mixer's centre is 128 of 255).
  const auto c = sides(render(file, {.stereo = true, .separation = 0}).samples);
  for (int ch = 0; ch < 4; ch++) EXPECT_NEAR(static_cast<double>(c[ch].first) / c[ch].second, 1.0, 0.02) << ch;
  // Stereo frames hold two values each, over the same length of song.
  EXPECT_EQ(render(file, {}).samples.size() * 2, hard.samples.size());
}

TEST(SongStereo, PanningEffectsMoveAChannel) {
  // 8xx on channel 1 (left by layout): 8FF puts it right, 800 stays left.
  for (int param : {0xFF, 0x00, 0x80}) {
    mb_module m = alone_module(0);
    m.cell(0, 0, 0).param = param;
    const auto s = sides(render(m.build(), {.stereo = true, .separation = 100}).samples);
    if (param == 0xFF) {
      EXPECT_EQ(s[0].first, 0);
    } else if (param == 0x00) {
      EXPECT_EQ(s[0].second, 0);
    } else {
      EXPECT_NEAR(static_cast<double>(s[0].first) / s[0].second, 1.0, 0.02);
    }
  }
}

TEST(SongInterp, LinearDiffersAndStaysWithinTheSample) {
  // A sample of values 10..50 at a low pitch (each byte held for several
  // output samples): the nearest reading holds steps, the linear one ramps
  // between them, never past the sample's own extremes times the gain.
  mb_module m;
  mb_sample& s = m.sample(1, 2000);
  for (size_t i = 0; i < s.data.size(); i++) s.data[i] = static_cast<int8_t>(i % 2 ? 50 : 10);
  m.samples[1].loopstart_words = 0;
  m.samples[1].looplen_words = 1000;
  m.cell(0, 0, 0) = {1, mb_period(0), 0, 0};
  const std::vector<uint8_t> file = m.build();
  const int64_t frames = 20000;
  const render_out nearest = render(file, {.volume = 63, .frames = frames});
  const render_out linear = render(file, {.interp = true, .volume = 63, .frames = frames});
  ASSERT_EQ(nearest.samples.size(), linear.samples.size());
  EXPECT_NE(nearest.samples, linear.samples);
  // Gain at main volume 63 and volume 64: 127.
  int32_t lo = 1 << 20;
  int32_t hi = -(1 << 20);
  int64_t between = 0;
  for (size_t i = 4000; i < linear.samples.size(); i++) {
    const int32_t v = linear.samples[i];
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    between += v > 10 * 127 + 127 && v < 50 * 127 - 127;
  }
  EXPECT_GE(lo, 0);
  EXPECT_LE(hi, 50 * 127);
  EXPECT_GT(between, 1000);  // values between the two bytes: the ramps
  for (size_t i = 4000; i < nearest.samples.size(); i++) {
    ASSERT_TRUE(nearest.samples[i] == 10 * 127 || nearest.samples[i] == 50 * 127) << i;
  }
}

TEST(SongLevel, HeadroomVolumeByChannels) {
  // The highest volume at which channels x 128 x gain stays within 32767.
  const auto gain = [](int32_t v) { return static_cast<int64_t>(v) * 64 * 255 / 8064; };
  const std::array<std::pair<int32_t, int32_t>, 5> want = {{{1, 64}, {2, 63}, {4, 31}, {8, 15}, {32, 3}}};
  for (const auto& [channels, volume] : want) {
    EXPECT_EQ(song_headroom_volume(channels), volume) << channels;
    EXPECT_LE(channels * 128 * gain(volume), 32767) << channels;
    if (volume < 64) {
      EXPECT_GT(channels * 128 * gain(volume + 1), 32767) << channels;
    }
  }
}

TEST(SongLevel, DefaultRenderOfTheTestModulesClipsNothing) {
  int tried = 0;
  for (const char* name : {"game.mod", "game2.mod", "game3.mod"}) {
    const std::vector<uint8_t> file = real_module(name);
    if (file.empty()) continue;
    tried++;
    for (bool stereo : {false, true}) {
      const render_out r = render(file, {.stereo = stereo, .separation = 70});
      EXPECT_EQ(r.volume, 31) << name;
      const int64_t full =
          std::count_if(r.samples.begin(), r.samples.end(), [](int16_t v) { return v == 32767 || v == -32768; });
      EXPECT_EQ(full, 0) << name << (stereo ? " stereo" : " mono");
      EXPECT_GT(*std::max_element(r.samples.begin(), r.samples.end()), 8000) << name << ": not silence";
    }
  }
  if (tried == 0) ZAP_SKIP("the test modules are not there");
}

}  // namespace
