// The demo's own module, data/da_plim.mod, as the demo uses it: it loads with
// the player's loader, keeps the timeline's rules (speed 6 and no jumps
// before order 25, the tempo command for other players, at least 26 orders),
// its samples loop without a click and sound the pitches their notes name,
// and its render through the demo's callback reaches order 25 on time and
// meets the level rule. modcompose regenerating it is checked in tests/song.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "music/cool_mzx.h"
#include "music_harness.h"
#include "player/pt.h"
#include "sound/sd_ns.h"

namespace {

const std::string k_module = std::string(ZAP_SOURCE_DIR) + "/data/da_plim.mod";
constexpr size_t k_demo_buffer = 1000000;  // the timeline reads the module into this many bytes
constexpr int32_t k_rate = 44100;
constexpr int32_t k_last_order = 25;       // the timeline stops at position 2500
constexpr double k_tick_samples = 938.0;   // the callback's tick slice at 44100 Hz and 47 ticks a second

std::vector<uint8_t> read_module() {
  std::ifstream in(k_module, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The module read into a zeroed buffer of the demo's size, as the timeline does.
std::vector<uint8_t> demo_buffer(const std::vector<uint8_t>& file) {
  std::vector<uint8_t> buf(k_demo_buffer, 0);
  std::copy(file.begin(), file.end(), buf.begin());
  return buf;
}

int32_t channels_of(const std::vector<uint8_t>& f) {
  const std::string id(f.begin() + 1080, f.begin() + 1084);
  return id == "M.K." ? 4 : id == "6CHN" ? 6 : id == "8CHN" ? 8 : 0;
}

struct cell {
  int effect;
  int param;
};

// The raw file cell of channel c in row r of the pattern at order o.
cell file_cell(const std::vector<uint8_t>& f, int32_t o, int32_t r, int32_t c) {
  const int32_t ch = channels_of(f);
  const size_t at = 1084 + (static_cast<size_t>(f[952 + o]) * 64 * ch + static_cast<size_t>(r * ch + c)) * 4;
  return {f[at + 2] & 15, f[at + 3]};
}

struct sample_view {
  std::string name;
  const int8_t* data;
  int32_t length, loop_start, loop_length;  // bytes
};

// The samples as the file lays them out, after the patterns.
std::vector<sample_view> samples_of(const std::vector<uint8_t>& f) {
  int32_t patterns = 0;
  for (int k = 0; k < 128; k++) patterns = std::max<int32_t>(patterns, f[952 + k] + 1);
  size_t at = 1084 + static_cast<size_t>(patterns) * channels_of(f) * 256;
  std::vector<sample_view> out;
  for (int s = 0; s < 31; s++) {
    const uint8_t* h = f.data() + 20 + 30 * s;
    const int32_t len = (h[22] << 8 | h[23]) * 2;
    std::string name(reinterpret_cast<const char*>(h), 22);
    name.resize(name.find('\0') == std::string::npos ? 22 : name.find('\0'));
    out.push_back({name, reinterpret_cast<const int8_t*>(f.data() + at), len, (h[26] << 8 | h[27]) * 2,
                   (h[28] << 8 | h[29]) * 2});
    at += static_cast<size_t>(len);
  }
  return out;
}

// Pitch by autocorrelation: the first lag whose normalised correlation comes
// within 10 % of the best one between fmin and fmax, refined by a parabola.
double pitch_hz(const int8_t* x, int32_t n, double rate, double fmin, double fmax) {
  const int32_t lo = static_cast<int32_t>(rate / fmax), hi = std::min(static_cast<int32_t>(rate / fmin), n / 2);
  std::vector<double> ac(static_cast<size_t>(hi) + 2, 0.0);
  double best = 0.0;
  for (int32_t lag = lo; lag <= hi + 1; lag++) {
    double xy = 0.0, xx = 0.0, yy = 0.0;
    for (int32_t i = 0; i + lag < n; i++) {
      xy += x[i] * x[i + lag];
      xx += x[i] * x[i];
      yy += x[i + lag] * x[i + lag];
    }
    ac[static_cast<size_t>(lag)] = xy / std::sqrt(xx * yy + 1e-9);
    if (lag <= hi) best = std::max(best, ac[static_cast<size_t>(lag)]);
  }
  for (int32_t lag = lo + 1; lag <= hi; lag++) {
    const double a = ac[static_cast<size_t>(lag) - 1], b = ac[static_cast<size_t>(lag)], c = ac[static_cast<size_t>(lag) + 1];
    if (b >= 0.9 * best && b >= a && b >= c) return rate / (lag + 0.5 * (a - c) / (a - 2 * b + c));
  }
  return 0.0;
}

}  // namespace

TEST(DemoModule, LoadsWithTheDemosLoader) {
  const std::vector<uint8_t> file = read_module();
  ASSERT_FALSE(file.empty()) << k_module;
  ASSERT_LE(file.size() + 2, k_demo_buffer) << "the mixer reads two bytes past the last sample";
  std::vector<uint8_t> buf = demo_buffer(file);
  sd_ns_init();
  ASSERT_EQ(pt_takemod(buf.data(), static_cast<int32_t>(file.size())), 1) << pt_errorstr;
  EXPECT_EQ(pt_cutsample, 0) << "the file ends inside a sample";
  EXPECT_GE(pt_songlen, k_last_order + 1);
  EXPECT_EQ(pt_channels, channels_of(file));
  int32_t end = 1084 + (pt_lastpattern + 1) * pt_channels * 256;
  for (int s = 1; s <= 31; s++) {
    end += pt_slen[s];
    if (pt_loope[s] > 2) {
      EXPECT_LE(pt_loops[s] + pt_loope[s], pt_slen[s]) << "sample " << s;
    }
  }
  EXPECT_EQ(end, static_cast<int32_t>(file.size())) << "patterns and samples fill the file exactly";
}

// The timeline follows the rows: nothing may change the speed or jump before
// the last order, and general-purpose players need the tempo command.
TEST(DemoModule, KeepsSpeedAndFlowBeforeTheEnd) {
  const std::vector<uint8_t> f = read_module();
  ASSERT_GE(f.size(), 1084u);
  const int32_t ch = channels_of(f);
  ASSERT_NE(ch, 0);
  ASSERT_GE(f[950], k_last_order + 1);
  bool tempo = false;
  for (int32_t o = 0; o < k_last_order; o++) {
    for (int32_t r = 0; r < 64; r++) {
      for (int32_t c = 0; c < ch; c++) {
        const cell x = file_cell(f, o, r, c);
        const std::string where = "order " + std::to_string(o) + " row " + std::to_string(r) + " channel " +
                                  std::to_string(c);
        EXPECT_NE(x.effect, 0xB) << "position jump at " << where;
        EXPECT_NE(x.effect, 0xD) << "pattern break at " << where;
        if (x.effect == 0xE) {
          EXPECT_NE(x.param >> 4, 0x6) << "pattern loop at " << where;
          EXPECT_NE(x.param >> 4, 0xE) << "pattern delay at " << where;
        }
        if (x.effect == 0xF) {
          if (x.param < 32) {
            EXPECT_EQ(x.param, 6) << "speed change at " << where;
          }
          if (o == 0 && r == 0 && x.param == 0x75) tempo = true;
        }
      }
    }
  }
  EXPECT_TRUE(tempo) << "no F75 on row 0 of order 0";
}

// A loop's wave runs on across the wrap: the bytes after the loop repeat its
// first ones, and the step from its last byte to its first is no larger than
// the wave's own steep steps. A sample played once ends on silence.
TEST(DemoModule, SamplesLoopWithoutAClick) {
  const std::vector<uint8_t> f = read_module();
  ASSERT_GE(f.size(), 1084u);
  int loops = 0;
  for (const sample_view& s : samples_of(f)) {
    if (s.length == 0) continue;
    if (s.loop_length <= 2) {
      EXPECT_EQ(s.data[s.length - 1], 0) << s.name << " ends with a click";
      continue;
    }
    loops++;
    const int32_t end = s.loop_start + s.loop_length;
    ASSERT_LE(end + 2, s.length) << s.name;
    EXPECT_EQ(s.data[end], s.data[s.loop_start]) << s.name;
    EXPECT_EQ(s.data[end + 1], s.data[s.loop_start + 1]) << s.name;
    int steep = 0;
    for (int32_t i = s.loop_start; i + 1 < end; i++) steep = std::max(steep, std::abs(s.data[i + 1] - s.data[i]));
    EXPECT_LE(std::abs(s.data[s.loop_start] - s.data[end - 1]), steep) << s.name << " clicks at its loop";
  }
  EXPECT_GE(loops, 4) << "the bass, lead, brass and strings sustain";
}

// The note a score names is the pitch heard: each tuned sample, played at its
// own note's period (rate 3546836 / period), sounds that note's frequency.
TEST(DemoModule, SamplesSoundTheirNotes) {
  struct expect {
    const char* name;
    int32_t period;  // of the note the sample is written for
    double hz;       // equal temperament, A4 = 440 Hz
  };
  static constexpr expect k_tuned[] = {
      {"bass", 508, 55.0},     // A1 at A-1
      {"lead", 254, 440.0},    // A4 at A-2
      {"sline", 254, 440.0},   // A4 at A-2, the strings in octaves
      {"conga", 339, 329.63},  // E4 at E-2
      {"bongo", 254, 440.0},   // A4 at A-2
  };
  const std::vector<uint8_t> f = read_module();
  ASSERT_GE(f.size(), 1084u);
  const std::vector<sample_view> samples = samples_of(f);
  for (const expect& e : k_tuned) {
    const auto it = std::find_if(samples.begin(), samples.end(), [&](const sample_view& s) { return s.name == e.name; });
    ASSERT_NE(it, samples.end()) << e.name;
    const double rate = 3546836.0 / e.period;
    // The sustained loop, or for a drum the ring after its first 20 ms.
    const int32_t from = it->loop_length > 2 ? it->loop_start : static_cast<int32_t>(0.02 * rate);
    const int32_t n = std::min(it->length - from, 3000);
    const double hz = pitch_hz(it->data + from, n, rate, e.hz / 1.5, e.hz * 1.5);
    EXPECT_NEAR(1200.0 * std::log2(hz / e.hz), 0.0, 10.0) << e.name << " sounds " << hz << " Hz";
  }
}

// Rendered as the demo plays it: order 25 starts after 25 orders of 384 ticks,
// the level stays inside the rule, and the climax is louder than the verses.
TEST(DemoModule, RenderReachesTheEndOnTimeWithinTheLevelRule) {
  const std::vector<uint8_t> file = read_module();
  ASSERT_FALSE(file.empty()) << k_module;
  ASSERT_EQ(mzx_init_offline(k_rate, 47), 1);
  module_image image(file);
  ASSERT_EQ(mzx_get(image.bytes.data(), image.size), 1);

  std::vector<uint8_t> buf(2048 * 2);
  std::vector<double> order_energy(k_last_order, 0.0);
  std::vector<int64_t> order_samples(k_last_order, 0);
  double energy = 0.0;
  int64_t samples = 0, clipped = 0;
  // The position is read between buffers, as the frame loop reads it between frames.
  while (mzx_position() < k_last_order * 100 && samples < 300LL * k_rate) {
    const int32_t order = mzx_position() / 100;
    mix_newhand(nullptr, buf.data(), static_cast<int>(buf.size()));
    for (size_t i = 0; i < buf.size(); i += 2) {
      const int v = static_cast<int16_t>(buf[i] | buf[i + 1] << 8);
      energy += static_cast<double>(v) * v;
      if (v >= 32767 || v <= -32768) clipped++;
      if (order >= 0 && order < k_last_order) {
        order_energy[static_cast<size_t>(order)] += static_cast<double>(v) * v;
        order_samples[static_cast<size_t>(order)]++;
      }
    }
    samples += 2048;
  }
  forget_module();

  const double expected = k_last_order * 384 * k_tick_samples;
  EXPECT_NEAR(static_cast<double>(samples), expected, 2048.0 + 2 * k_tick_samples) << "order 25 reached late or early";
  const double rms_db = 20.0 * std::log10(std::sqrt(energy / samples) / 32768.0);
  EXPECT_GE(rms_db, -20.0);
  EXPECT_LE(rms_db, -12.0);
  EXPECT_LT(clipped * 10000, samples) << clipped << " clipped samples";

  auto section_db = [&](int32_t first, int32_t last) {
    double e = 0.0;
    int64_t n = 0;
    for (int32_t o = first; o <= last; o++) {
      e += order_energy[static_cast<size_t>(o)];
      n += order_samples[static_cast<size_t>(o)];
    }
    return 10.0 * std::log10(e / static_cast<double>(n) / (32768.0 * 32768.0));
  };
  EXPECT_GT(section_db(18, 20), section_db(4, 6) + 1.0) << "the climax should stand above the first verse";
  EXPECT_LT(section_db(0, 0), section_db(2, 3) - 3.0) << "the intro should build into the groove";
}
