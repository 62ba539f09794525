// The fuzzers' seed corpora under fuzz/corpus/<target>/: small valid inputs,
// made here (modules by the tests' module builder, font-writer inputs by the
// layout fuzz/effects/font_write.cpp reads) or copied from the tests' data.
// The test checks that every seed is taken by its reader and that the
// committed corpus is exactly what this file makes; ZAP_REGENERATE=1 rewrites
// it (review with git status and git diff).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "cgm/cgm.h"
#include "effects/drawing.h"
#include "music/cool_mzx.h"
#include "sound/sd_mix.h"
#include "support/modbuild.h"

namespace {

namespace fs = std::filesystem;
using bytes = std::vector<uint8_t>;
const fs::path k_corpus = fs::path(ZAP_SOURCE_DIR) / "fuzz" / "corpus";

bytes read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every effect of the player on four channels, a looping and a one-shot sample.
bytes effects_module() {
  mb_module m;
  m.sample(1, 128).loopstart_words = 16;
  m.samples[1].looplen_words = 24;
  m.sample(2, 100).finetune = 3;
  const mb_cell rows[][4] = {
      {{1, 428, 0x0, 0x37}, {2, 320, 0x1, 0x04}, {1, 214, 0x4, 0x48}, {2, 856, 0x7, 0x35}},
      {{0, 0, 0xA, 0x0F}, {0, 0, 0x2, 0x08}, {0, 0, 0x6, 0x20}, {1, 453, 0x3, 0x10}},
      {{1, 428, 0x9, 0x01}, {2, 640, 0xE, 0x93}, {1, 202, 0xE, 0xC2}, {0, 0, 0x5, 0x02}},
      {{1, 428, 0xE, 0xD3}, {0, 0, 0xE, 0x31}, {0, 0, 0xE, 0x41}, {0, 0, 0xE, 0x71}},
      {{0, 0, 0xE, 0x12}, {0, 0, 0xE, 0x22}, {0, 0, 0xE, 0xA2}, {0, 0, 0xE, 0xB2}},
      {{0, 0, 0x8, 0x80}, {0, 0, 0xE, 0x84}, {0, 0, 0xC, 0x20}, {1, 428, 0xE, 0x55}},
      {{0, 0, 0xF, 0x03}, {}, {}, {}},
  };
  for (int r = 0; r < 7; r++)
    for (int ch = 0; ch < 4; ch++) m.cell(0, r, ch) = rows[r][ch];
  return m.build();
}

// Order changes: a pattern loop, a pattern delay, a break, a position jump,
// speed 1 and a restart position, so the song wraps within a short run.
bytes sequence_module() {
  mb_module m;
  m.order = {0, 1, 0, 2};
  m.restart = 1;
  m.sample(1, 64);
  m.cell(0, 0, 0) = {1, 428, 0, 0};
  m.cell(0, 1, 1) = {0, 0, 0xE, 0x60};
  m.cell(0, 3, 1) = {0, 0, 0xE, 0x62};
  m.cell(0, 4, 2) = {0, 0, 0xE, 0xE2};
  m.cell(0, 5, 3) = {0, 0, 0xD, 0x12};
  m.cell(1, 12, 0) = {1, 214, 0, 0};
  m.cell(1, 13, 3) = {0, 0, 0xB, 0x03};
  m.cell(2, 0, 0) = {1, 856, 0xF, 0x01};
  m.cell(2, 40, 1) = {0, 0, 0xD, 0x00};
  return m.build();
}

// Eight channels, notes on all, the last sample cut short by the end of the file.
bytes eight_channel_module() {
  mb_module m;
  m.id = "8CHN";
  m.channels = 8;
  m.sample(1, 96);
  m.sample(2, 400);
  for (int ch = 0; ch < 8; ch++) m.cell(0, ch, ch) = {1 + ch % 2, mb_period(12 + 5 * ch), 0xC, 8 * ch};
  bytes b = m.build();
  b.resize(b.size() - 300);
  return b;
}

// Two channels, the interpolating loops (the title's first byte is odd), and
// speed 0 late in the pattern, which freezes the song.
bytes two_channel_module() {
  mb_module m;
  m.id = "2CHN";
  m.channels = 2;
  m.sample(1, 200).loopstart_words = 0;
  m.samples[1].looplen_words = 100;
  m.cell(0, 0, 0) = {1, 113, 0, 0};
  m.cell(0, 0, 1) = {1, 3424, 0, 0};
  m.cell(0, 20, 1) = {0, 0, 0xF, 0x00};
  bytes b = m.build();
  b[0] = 1;
  return b;
}

// Header, text and font of the font writer's fuzzer; the font is the first
// four rows of drawing 0 (cells a..j), with body, transparent and outline
// pixels; the rest of the font reads as zero, solid body.
bytes font_input(int32_t x, int32_t y, int32_t time, uint8_t colour, uint8_t centre, const std::string& text) {
  bytes b;
  for (int32_t v : {x, y, time})
    for (int k = 0; k < 4; k++) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k)));
  b.push_back(colour);
  b.push_back(centre);
  b.push_back(static_cast<uint8_t>(text.size()));
  b.insert(b.end(), text.begin(), text.end());
  for (int i = 0; i < 4 * 320; i++) b.push_back(i % 7 == 0 ? 9 : (i / 3) % 2 ? 0 : 255);
  return b;
}

// Every seed: target/name -> bytes.
std::map<std::string, bytes> seeds() {
  std::map<std::string, bytes> s;
  s["mod_play/effects.mod"] = effects_module();
  s["mod_play/sequence.mod"] = sequence_module();
  s["mod_play/eight.mod"] = eight_channel_module();
  s["mod_play/two.mod"] = two_channel_module();
  s["font_write/centred"] = font_input(160, 100, 0, 126, 1, "ab");
  s["font_write/edges"] = font_input(-20, 230, -141, 200, 0, "zap cobbles!'09");
  s["font_write/charset"] = font_input(300, -10, 1000000, 0, 1, "abcdefghijklmnopqrstuvwxyz1234567890!' ABC");
  const fs::path src(ZAP_SOURCE_DIR);
  s["cgm_load/golden.cgm"] = read_file(src / "tests/data/cgm/golden.cgm");
  s["cgm_load/stara2.cgm"] = read_file(src / "data/stara2.cgm");
  for (const char* name : {"one_point.txt", "one_segment.txt", "strokes.txt"})
    s[std::string("drawing_load/") + name] = read_file(src / "tests/data/effects" / name);
  return s;
}

// Is the seed taken by its reader?
bool accepted(const std::string& target, bytes b) {
  if (target == "mod_play") {
    b.resize(b.size() + MIX_SAMPLE_SLACK, 0);
    mzx_init_offline(44100, 47);
    const bool ok = mzx_get(b.data(), static_cast<int32_t>(b.size() - MIX_SAMPLE_SLACK)) == 1;
    static uint8_t none[1084] = {};
    mzx_get(none, sizeof none);
    return ok;
  }
  if (target == "font_write") return b.size() > 15 && b.size() - 15 > b[14];
  FILE* f = fmemopen(b.data(), b.size(), "r");
  if (!f) return false;
  bool ok = false;
  if (target == "cgm_load") {
    cgm_picture* p = cgm_load_stream(f);
    ok = p != nullptr;
    cgm_free(p);
  } else if (target == "drawing_load") {
    drawing_rec* d = drawing_load_stream(f, "seed");
    ok = d != nullptr && d->nstrokes > 0;
    drawing_free(d);
  }
  std::fclose(f);
  return ok;
}

TEST(FuzzSeeds, EverySeedIsTakenAndSmall) {
  for (const auto& [name, b] : seeds()) {
    const std::string target = name.substr(0, name.find('/'));
    EXPECT_TRUE(accepted(target, b)) << name;
    EXPECT_LT(b.size(), 8192u) << name;
  }
}

TEST(FuzzSeeds, CommittedCorpusIsWhatThisTestMakes) {
  const auto want = seeds();
  const char* regen = std::getenv("ZAP_REGENERATE");
  if (regen && *regen == '1') {
    for (const auto& [name, b] : want) {
      fs::create_directories((k_corpus / name).parent_path());
      std::ofstream(k_corpus / name, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                             static_cast<std::streamsize>(b.size()));
    }
  }
  std::map<std::string, bytes> have;
  for (const auto& e : fs::recursive_directory_iterator(k_corpus))
    if (e.is_regular_file()) have[fs::relative(e.path(), k_corpus).generic_string()] = read_file(e.path());
  for (const auto& [name, b] : want) {
    const auto it = have.find(name);
    ASSERT_NE(it, have.end()) << "fuzz/corpus/" << name << " is missing; run with ZAP_REGENERATE=1";
    EXPECT_EQ(it->second, b) << "fuzz/corpus/" << name << " differs; run with ZAP_REGENERATE=1";
  }
  for (const auto& [name, b] : have)
    EXPECT_TRUE(want.count(name)) << "fuzz/corpus/" << name << " is made by nothing; remove it or add it here";
}

}  // namespace
