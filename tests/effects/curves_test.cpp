// The effects' per-frame curves at every millisecond of five minutes, hashed:
// ring centres and hole shifts (both motions), the stars' rotation, and the
// wave and distance patterns of the dots. They come from libm's sin and cos,
// whose last bit is not the same everywhere (x86-64 glibc runs an FMA-compiled
// sin and cos on CPUs with FMA, the generic code elsewhere and on ARM, and
// about one argument in 1500 rounds the other way); after truncation to
// integers the results must be the same on every machine, so one hash holds
// for all of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "effects/dots.h"
#include "effects/rings.h"
#include "effects/staraz.h"

namespace {

struct Fnv {
  uint64_t h = 1469598103934665603ull;
  void add(int64_t v) {
    for (int i = 0; i < 8; i++) h = (h ^ static_cast<uint8_t>(v >> (8 * i))) * 1099511628211ull;
  }
};

}  // namespace

TEST(Curves, SameIntegersOnEveryMachine) {
  c1 = c2 = nullptr;  // the stars compute their rotation and draw nothing
  std::vector<uint8_t> frame(320 * 256);
  Fnv centres, rotation, dotframes;
  for (int t = 0; t < 300000; t++) {
    for (int mode = 1; mode <= 2; mode++)
      for (int k = 0; k < 7; k++) {
        int cx, cy, s;
        ASSERT_TRUE(rings_centre(k, t, mode, &cx, &cy, &s));
        centres.add(cx);
        centres.add(cy);
        centres.add(s);
      }
    staraz(frame.data(), t);
    rotation.add(a);
    rotation.add(b);
  }
  dots_init();
  for (int pattern : {2, 3, 4, 128 + 3}) {
    std::fill(frame.begin(), frame.end(), 0);
    dots(frame.data(), pattern, 7, 90);
    for (uint8_t v : frame) dotframes.add(v);
  }
  EXPECT_EQ(centres.h, 0xcddd45f446b76974u);
  EXPECT_EQ(rotation.h, 0x8c49fbd481a5b8a1u);
  EXPECT_EQ(dotframes.h, 0x94fa3b38b2e9d963u);
}
