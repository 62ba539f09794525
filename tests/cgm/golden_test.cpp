// Golden picture: tests/data/cgm/golden.cgm (sky, ground, sun, a house with a
// thick outline, door and window, a concave star, an open fence line and a
// self-crossing shape whose fill is given up) rendered through transu at two
// placements. The frame hashes are the regression record, each checked by
// eye when it was taken (zapcgm render golden.cgm out.png --skale 100, and
// --skale 250 --px -300 --py 120). On a mismatch the frame is written as a
// .raw into the build directory; when the change is intended, look at the
// PNG of the new frame and update the hash here.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cgm/cgm_soft.h"
#include "cgm_testutil.h"
#include "gfx/view.h"

namespace {

struct Case {
  const char* name;
  int32_t skale, px, py;
  uint32_t hash;
};

// FNV-1a of the 64000 bytes of a frame cleared to 127.
constexpr Case kCases[] = {
    {"golden_s100", 100, 0, 0, 0xc79b6c32u},
    {"golden_s250_off", 250, -300, 120, 0x14390964u},
};

TEST(Golden, FrameHashes) {
  cgm_picture* pic = cgm_load(ZAP_SOURCE_DIR "/tests/data/cgm/golden.cgm");
  ASSERT_NE(pic, nullptr) << cgm_errorstr;
  EXPECT_EQ(pic->ncolr, 9);
  for (const Case& c : kCases) {
    Frame f(127);
    skale = c.skale;
    px = c.px;
    py = c.py;
    cgm_render_view(pic, f.data());
    EXPECT_TRUE(f.guard_intact());
    const uint32_t h = frame_hash(f.data());
    if (h != c.hash) {
      const std::string out = std::string(ZAP_BINARY_DIR) + "/" + c.name + ".raw";
      if (FILE* o = std::fopen(out.c_str(), "wb")) {
        std::fwrite(f.data(), 1, 64000, o);
        std::fclose(o);
      }
      ADD_FAILURE() << c.name << ": frame hash 0x" << std::hex << h << " expected 0x" << c.hash
                    << "; frame written to " << out;
    }
  }
  cgm_free(pic);
}

}  // namespace
