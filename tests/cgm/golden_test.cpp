// Golden picture: tests/data/cgm/golden.cgm (sky, ground, sun, a house with a
// thick outline, door and window, a concave star, an open fence line and a
// self-crossing shape whose fill is given up) rendered through transu at two
// placements. The frame hashes in tests/data/cgm/golden_frames.txt are the
// regression record, each checked by eye when it was taken (zapcgm render
// golden.cgm out.png --skale 100, and --skale 250 --px -300 --py 120). On a
// mismatch, or when recording (scripts/record-goldens), the frame is written
// as a .raw into BUILD/golden-frames.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cgm/cgm_soft.h"
#include "cgm_testutil.h"
#include "gfx/view.h"
#include "support/golden.h"

namespace {

const std::string kRecord = ZAP_SOURCE_DIR "/tests/data/cgm/golden_frames.txt";

struct Case {
  std::string name;
  int32_t skale, px, py;
  uint32_t hash;  // FNV-1a of the 64000 bytes of a frame cleared to 127
};

std::vector<Case> read_cases() {
  std::vector<Case> cases;
  std::ifstream in(kRecord);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ls(line);
    Case c;
    ls >> c.name >> c.skale >> c.px >> c.py >> std::hex >> c.hash;
    if (ls) cases.push_back(c);
  }
  return cases;
}

void write_cases(const std::vector<Case>& cases) {
  std::ofstream o(kRecord);
  o << "# Frames of tests/data/cgm/golden.cgm: NAME SKALE PX PY FNV1A32-OF-THE-FRAME\n"
       "# (tests/cgm/golden_test.cpp; ZAP_UPDATE_GOLDENS=1 records them again)\n";
  char hash[9];
  for (const Case& c : cases) {
    std::snprintf(hash, sizeof hash, "%08x", c.hash);
    o << c.name << " " << c.skale << " " << c.px << " " << c.py << " " << hash << "\n";
  }
  ASSERT_TRUE(o.good()) << "cannot write " << kRecord;
}

TEST(Golden, FrameHashes) {
  cgm_picture* pic = cgm_load(ZAP_SOURCE_DIR "/tests/data/cgm/golden.cgm");
  ASSERT_NE(pic, nullptr) << cgm_errorstr;
  EXPECT_EQ(pic->ncolr, 9);
  const bool update = golden_update_requested();
  std::vector<Case> cases = read_cases();
  ASSERT_EQ(cases.size(), 2u) << kRecord;
  std::filesystem::create_directories(golden_frames_dir());
  for (Case& c : cases) {
    Frame f(127);
    skale = c.skale;
    px = c.px;
    py = c.py;
    cgm_render_view(pic, f.data());
    EXPECT_TRUE(f.guard_intact());
    const uint32_t h = frame_hash(f.data());
    if (h == c.hash && !update) continue;
    const std::string out = golden_frames_dir() + "/cgm-" + c.name + ".raw";
    if (FILE* o = std::fopen(out.c_str(), "wb")) {
      std::fwrite(f.data(), 1, 64000, o);
      std::fclose(o);
    }
    if (update) {
      c.hash = h;
    } else {
      ADD_FAILURE() << c.name << ": frame hash 0x" << std::hex << h << " expected 0x" << c.hash
                    << "; frame written to " << out << "; " << golden_hint();
    }
  }
  if (update) write_cases(cases);
  cgm_free(pic);
}

}  // namespace
