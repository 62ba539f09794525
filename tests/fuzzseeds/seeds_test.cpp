// The fuzzers' seed corpora under fuzz/corpus/<target>/: small valid inputs,
// made here (modules by the tests' module builder, font-writer inputs by the
// layout fuzz/effects/font_write.cpp reads, scores and command lines of the
// tools as their users write them) or copied from the tests' data.
// The test checks that every seed is taken by its reader and that the
// committed corpus is exactly what this file makes; ZAP_REGENERATE=1 rewrites
// it (review with git status and git diff).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cgm/cgm.h"
#include "effects/drawing.h"
#include "music/cool_mzx.h"
#include "sound/sd_mix.h"
#include "support/modbuild.h"
#include "modcompose/args.h"
#include "modcompose/score.h"
#include "zapcapture/zapcapture.h"
#include "zapcgm/zapcgm.h"
#include "zapmod/zapmod.h"

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

// A command line of a tool's fuzzer: the words after the program, parted by zero bytes.
bytes words(std::initializer_list<const char*> ws) {
  bytes b;
  for (const char* w : ws) {
    if (!b.empty()) b.push_back(0);
    b.insert(b.end(), w, w + std::strlen(w));
  }
  return b;
}

bytes text(const std::string& s) { return bytes(s.begin(), s.end()); }


// Six channels: chords, octaves, rests, bare notes, volumes, effects, a
// second instrument for a track and an order over two patterns.
const char* const k_chord_score = R"(# comment
title "chords"
channels k s b c l p
instrument k kick volume 36
instrument hat hat volume 20
instrument b bass
instrument cm9 clav volume 32 chord 0,3,7,10,14
instrument c9 clav chord 0,4,10,14
instrument ln lead octave 4
instrument pad strings volume 14 octave 3 chord 0,12
track kk 16
0 k; 4 hat v20; 8 k F75; 12 off
end
track bl 8
0 A-1 b; 2 C-2; 4 E-2 308; 6 G#1 b 047
end
track ch 32
0 A-3 cm9 E93; 16 D-4 c9 A04
end
track ld = _8 bl+36@ln bl+48@ln*2
pattern intro
k kk
b bl
c ch
end
pattern verse
k kk*4
s _16 kk
b bl bl-2
c ch+2@c9
l ld
p ch@pad
end
order intro verse*3
order intro
)";

// The real score's instruments (every voice and chord it uses) with a short piece.
std::string real_score_head() {
  std::ifstream in(fs::path(ZAP_SOURCE_DIR) / "data/music/da_plim.score");
  std::string line, out;
  while (std::getline(in, line))
    if (line.rfind("title ", 0) == 0 || line.rfind("channels ", 0) == 0 || line.rfind("instrument ", 0) == 0)
      out += line + "\n";
  return out + "track t 16\n0 A-1 bass; 4 A-3 cm9; 8 kick; 12 E-4 lead 481\nend\n"
               "pattern p\nbass t\nend\norder p\n";
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
  s["score_read/small.score"] = read_file(src / "tests/data/song/check.score");
  s["score_read/chords.score"] = text(k_chord_score);
  s["score_read/real_head.score"] = text(real_score_head());
  s["modcompose_args/compose"] = words({"data/music/da_plim.score", "data/da_plim.mod"});
  s["modcompose_args/help"] = words({"--help"});
  s["zapmod_args/info"] = words({"info", "data/da_plim.mod"});
  s["zapmod_args/play"] = words({"play", "x.mod", "--seconds", "3600", "--volume", "252", "--hz", "1000"});
  s["zapmod_args/render"] = words({"render", "x.mod", "o.wav", "--rate", "22050", "--seconds", "0.5", "--volume",
                                   "0", "--hz", "1"});
  s["zapmod_args/trace"] = words({"trace", "x.mod", "--ticks", "100"});
  s["zapmod_args/stereo"] = words(
      {"render", "x.mod", "o.wav", "--stereo", "--separation", "100", "--interp", "linear", "--loop", "2", "--demo"});
  s["zapmod_args/play_mono"] = words({"play", "x.mod", "--mono", "--separation", "0", "--interp", "nearest"});
  s["zapcgm_args/info"] = words({"info", "data/stara2.cgm"});
  s["zapcgm_args/dump"] = words({"dump", "x.cgm"});
  s["zapcgm_args/render"] = words({"render", "x.cgm", "o.png", "--skale", "-250", "--px", "40", "--py", "-3",
                                   "--background", "0", "--scale", "16"});
  s["zapcgm_args/raw"] = words({"render", "x.cgm", "o.raw"});
  s["zapcapture_args/video"] = words({"demo.mp4"});
  s["zapcapture_args/every"] = words({"--wav", "demo.wav", "--frames", "shots", "--every", "600"});
  s["zapcapture_args/at"] = words({"--frames", "shots", "--at", "77", "--at", "131.1"});
  s["zapcapture_args/span"] = words({"v.mkv", "--raw", "r", "--from", "2.5", "--to", "9", "--fps", "240", "--scale",
                                     "8", "--data", "."});
  s["zapcapture_args/script"] = words({"--script", "moments.txt", "--raw", "out", "--png"});
  s["zapcapture_args/flashes"] = words({"--flashes", "--gentle", "--seconds", "s.txt", "--fps", "30", "--to", "20"});
  s["zapcapture_args/warning"] = words({"demo.mp4", "--warning", "--to", "8"});
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
  if (target == "score_read") {
    score_song song;
    std::string error;
    return score_read(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()), "seed", song, error);
  }
  if (target.size() > 5 && target.substr(target.size() - 5) == "_args") {
    // The words as the fuzzer splits them, after the program's name.
    std::vector<std::string> ws{target.substr(0, target.size() - 5)};
    ws.emplace_back();
    for (uint8_t c : b) {
      if (c)
        ws.back().push_back(static_cast<char>(c));
      else
        ws.emplace_back();
    }
    std::vector<char*> argv;
    for (std::string& w : ws) argv.push_back(w.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(ws.size());
    std::string message;
    if (target == "zapmod_args") {
      zapmod_args a;
      return zapmod_parse_args(argc, argv.data(), a, message) && a.command != ZAPMOD_HELP;
    }
    if (target == "zapcgm_args") {
      zapcgm_args a;
      return zapcgm_parse_args(argc, argv.data(), a, message) && a.command != ZAPCGM_HELP;
    }
    if (target == "zapcapture_args") {
      cap_options o;
      return cap_parse_args(argc, argv.data(), o, message) && !o.help;
    }
    modcompose_args a;
    return target == "modcompose_args" && modcompose_parse_args(argc, argv.data(), a, message);
  }
  FILE* f = fmemopen(b.data(), b.size(), "r");
  if (!f) return false;
  bool ok = false;
  if (target == "cgm_load") {
    cgm_picture* p = cgm_load_stream(f);
    ok = p != nullptr;
    cgm_free(p);
  } else if (target == "drawing_load") {
    drawing_rec* d = drawing_load_stream(f);
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
