// Golden traces: the player's calls on real music and on a synthetic module
// that uses every effect, compared tick by tick with checked-in hashes.
//
// tests/data/player/NAME.hashes holds one line for the load ("load HASH") and
// one per tick ("K HASH"), where HASH is the 32-bit FNV-1a hash of that tick's
// lines in `zapmod trace` format (tick, calls, pos). On a mismatch the test
// names the first differing tick and prints its trace lines, which can be
// compared with `zapmod trace FILE --ticks K+1` from an earlier build.
//
// Regenerate after an intended change with
//   ZAP_REGENERATE_GOLDEN=1 build/tests/test_player --gtest_filter='Golden*'
// and review the change with git diff.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "harness.h"
#include "player/pt.h"
#include "sound/sd_mix.h"
#include "support/golden.h"
#include "support/skip.h"

namespace {

constexpr int TICKS = 3000;
constexpr size_t MODULE_BUFFER = 1000000 + MIX_SAMPLE_SLACK;  // the demo's module buffer

uint32_t fnv1a(const std::string& s) {
  uint32_t h = 2166136261u;
  for (unsigned char c : s) {
    h ^= c;
    h *= 16777619u;
  }
  return h;
}

std::string hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", v);
  return buf;
}

std::string golden_path(const std::string& name) {
  return std::string(ZAP_SOURCE_DIR) + "/tests/data/player/" + name + ".hashes";
}

// Runs the trace of an image already loaded (load_image) and compares it, or
// rewrites the golden file in regenerate mode.
void check_golden(const std::string& name) {
  std::vector<std::string> lines;
  std::vector<std::string> ticks;
  lines.push_back("load " + hex(fnv1a(load_trace())));
  for (int k = 0; k < TICKS; k++) {
    ticks.push_back(trace_tick(k));
    lines.push_back(std::to_string(k) + " " + hex(fnv1a(ticks.back())));
  }

  const std::string path = golden_path(name);
  if (golden_update_requested()) {
    std::ofstream out(path);
    for (const std::string& l : lines) out << l << '\n';
    ASSERT_TRUE(out.good()) << "cannot write " << path;
    return;
  }
  std::ifstream in(path);
  ASSERT_TRUE(in.good()) << path << " is missing; " << golden_hint();
  std::string want;
  for (size_t i = 0; i < lines.size(); i++) {
    if (!std::getline(in, want)) FAIL() << path << " ends at line " << i + 1;
    if (want == lines[i]) continue;
    if (i == 0) {
      FAIL() << name << ": the load differs (" << want << " vs " << lines[0] << "):\n"
             << load_trace() << "\n" << golden_hint();
    }
    FAIL() << name << ": first difference at tick " << i - 1 << " (expected '" << want << "', got '" << lines[i]
           << "'); this tick's trace now:\n"
           << ticks[i - 1] << "\n" << golden_hint();
  }
}

void check_real_module(const std::string& file) {
  const std::string path = std::string(ZAP_MODULE_DIR) + "/" + file;
  std::ifstream in(path, std::ios::binary);
  if (!in) ZAP_SKIP(path + " is not there");
  std::vector<uint8_t> image(MODULE_BUFFER, 0);
  in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
  const int32_t size = static_cast<int32_t>(in.gcount());
  ASSERT_EQ(load_image(std::move(image), size), 1) << pt_errorstr;
  EXPECT_EQ(pt_cutsample, 0);
  check_golden(file);
}

// Eight channels, two patterns, one or more rows for every effect and the
// sequencing commands, so that any change of the player's calls shows.
mb_module every_effect_module() {
  mb_module m;
  m.id = "8CHN";
  m.channels = 8;
  m.order = {0, 1, 0};
  m.restart = 1;
  for (int s = 1; s <= 4; s++) {
    mb_sample& smp = m.sample(s, 600 * s);
    smp.volume = 16 * s;
    smp.finetune = s * 5;  // 5, 10 (-6), 15 (-1), 4
    smp.loopstart_words = s == 2 ? 50 : 0;
    smp.looplen_words = s == 2 ? 100 : 1;
  }
  int row = 0;
  auto put = [&](int ch, mb_cell c) { m.cell(0, row, ch) = c; };
  const mb_cell effects[] = {
      {0, 0, 0x0, 0x47},  {0, 0, 0x1, 0x03},  {0, 0, 0x2, 0x05},  {0, 856, 0x3, 0x04}, {0, 0, 0x3, 0x00},
      {0, 0, 0x4, 0x86},  {0, 0, 0x5, 0x21},  {0, 0, 0x6, 0x03},  {0, 0, 0x7, 0x64},  {0, 0, 0x8, 0x80},
      {0, 0, 0x9, 0x02},  {0, 0, 0xA, 0x40},  {0, 0, 0xC, 0x30},  {0, 0, 0xE, 0x12},  {0, 0, 0xE, 0x23},
      {0, 0, 0xE, 0x31},  {0, 428, 0x3, 0x10}, {0, 0, 0xE, 0x41}, {0, 0, 0x4, 0x48},  {0, 0, 0xE, 0x53},
      {0, 0, 0xE, 0x72},  {0, 0, 0x7, 0x33},  {0, 0, 0xE, 0x8A},  {0, 214, 0xE, 0x92}, {0, 0, 0xE, 0xA3},
      {0, 0, 0xE, 0xB2},  {0, 0, 0xE, 0xC2},  {0, 320, 0xE, 0xD3}, {0, 0, 0xE, 0xE1},  {0, 0, 0xF, 0x04},
      {0, 0, 0xE, 0x43},  {0, 0, 0x4, 0x2C},  {0, 0, 0xE, 0x73},  {0, 0, 0x7, 0x2C},  {0, 0, 0xF, 0x21},
  };
  // Channels 0..3 start notes on every fourth row; channel 4..7 carry the
  // effects, each on its own row, on top of a note started two rows before.
  for (row = 0; row < 64; row++) {
    if (row % 4 == 0) put(row / 4 % 4, {1 + row / 4 % 4, mb_period(24 + row % 36), 0, 0});
    const int e = row % static_cast<int>(std::size(effects));
    const int ch = 4 + row % 4;
    if (row % 8 == 1) put(ch, {1 + row % 4, mb_period(30 + row % 20), 0, 0});
    put(4 + (row + 1) % 4, effects[e]);
  }
  m.cell(0, 40, 2) = {0, 0, 0xE, 0x60};
  m.cell(0, 42, 2) = {0, 0, 0xE, 0x62};
  m.cell(0, 63, 3) = {0, 0, 0xD, 0x05};
  m.cell(1, 0, 0) = {2, 404, 0, 0};
  m.cell(1, 1, 0) = {0, 0, 0xE, 0x94};
  m.cell(1, 10, 1) = {3, 0, 0xB, 0x02};
  return m;
}

}  // namespace

using GoldenTrace = PlayerTest;

TEST_F(GoldenTrace, RealModuleGame) { check_real_module("game.mod"); }
TEST_F(GoldenTrace, RealModuleGame2) { check_real_module("game2.mod"); }
TEST_F(GoldenTrace, RealModuleGame3) { check_real_module("game3.mod"); }

TEST_F(GoldenTrace, SyntheticEveryEffect) {
  ASSERT_EQ(load_module(every_effect_module()), 1);
  check_golden("every_effect");
}
