// Rings: the root table, the ring centres of both motion modes, and whole
// frames against a per-pixel model of the shapes (outer disc minus the
// shifted hole), which also checks the clipping at the frame edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "effects/rings.h"

namespace {

constexpr int W = 320, H = 200, GUARD = 4096;

// Pixel (x, y) belongs to ring k when it lies in one of the row's spans: the
// whole chord of the outer circle where the row misses the hole, else the
// chord's two ends up to the hole's shifted chord ends (a shifted end may lie
// beyond the outer chord, so a span can stick out of the circle). The hole's
// radius is |R - w| (squared in the row test), held at 299 where the root
// table ends.
bool covered(int x, int y, int t, int w, int mode) {
  for (int k = 0; k < 7; k++) {
    const int R = 290 - 40 * k, ri = std::min(std::abs(R - w), 299);
    int cx, cy, s;
    if (!rings_centre(k, t, mode, &cx, &cy, &s)) return false;
    const int dy = y - cy;
    if (dy < -R || dy > R) continue;
    const int outer = skurt[R * R - dy * dy];
    if (ri * ri - dy * dy <= 0) {
      if (x >= cx - outer && x <= cx + outer) return true;
      continue;
    }
    const int inner = skurt[ri * ri - dy * dy];
    if ((x >= cx - outer && x <= cx - inner - s) || (x >= cx + inner - s && x <= cx + outer)) return true;
  }
  return false;
}

// Draws the rings at (t, w, mode) over a background of 1 and checks every
// pixel against the model and the guard below row 199; *drawn gets the
// number of ring pixels.
void check_frame(int t, int w, int mode, int* drawn) {
  std::vector<uint8_t> f(W * H + GUARD, 1);
  rings(f.data(), t, w, mode, 2);
  *drawn = 0;
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) {
      const uint8_t want = covered(x, y, t, w, mode) ? 2 : 1;
      ASSERT_EQ(f[y * W + x], want) << "t " << t << " w " << w << " mode " << mode << " at " << x << "," << y;
      *drawn += want == 2;
    }
  for (int i = W * H; i < W * H + GUARD; i++) ASSERT_EQ(f[i], 1) << "wrote below row 199";
}

}  // namespace

TEST(Rings, RootTable) {
  rings_init();
  EXPECT_EQ(skurt[0], 0);
  EXPECT_EQ(skurt[1], 1);
  EXPECT_EQ(skurt[3], 1);
  EXPECT_EQ(skurt[4], 2);
  EXPECT_EQ(skurt[84100], 290);
  EXPECT_EQ(skurt[89999], 299);
  for (int r = 1; r < 300; r++) ASSERT_EQ(skurt[r * r - 1], r - 1) << r;
}

TEST(Rings, CentresAtTimeZero) {
  const int m1[7][3] = {{107, 185, 26}, {113, 188, 23}, {120, 191, 20}, {127, 194, 17},
                        {134, 196, 13}, {142, 198, 9},  {150, 199, 5}};
  const int m2[7][2] = {{41, 109}, {59, 123}, {80, 137}, {104, 149}, {130, 159}, {158, 167}, {187, 172}};
  for (int k = 0; k < 7; k++) {
    int cx, cy, s;
    ASSERT_TRUE(rings_centre(k, 0, 1, &cx, &cy, &s));
    EXPECT_EQ(cx, m1[k][0]) << "mode 1 ring " << k;
    EXPECT_EQ(cy, m1[k][1]) << "mode 1 ring " << k;
    EXPECT_EQ(s, m1[k][2]) << "mode 1 ring " << k;
    ASSERT_TRUE(rings_centre(k, 0, 2, &cx, &cy, &s));
    EXPECT_EQ(cx, m2[k][0]) << "mode 2 ring " << k;
    EXPECT_EQ(cy, m2[k][1]) << "mode 2 ring " << k;
    EXPECT_EQ(s, -15);
  }
}

TEST(Rings, OtherModesDrawNothing) {
  std::vector<uint8_t> f(W * H, 9);
  int cx = -1, cy, s;
  EXPECT_FALSE(rings_centre(0, 0, 3, &cx, &cy, &s));
  EXPECT_EQ(cx, -1);
  for (int mode : {0, 3, -1}) rings(f.data(), 0, 18, mode, 2);
  for (uint8_t v : f) ASSERT_EQ(v, 9);
}

TEST(Rings, HorlineClipsToTheRow) {
  std::vector<uint8_t> f(3 * W, 0);
  horline(-50, 400, 1, f.data(), 0x1FF);  // low 8 bits of the colour
  horline(10, 9, 0, f.data(), 7);         // empty span
  horline(5, 5, 2, f.data(), 7);
  for (int x = 0; x < W; x++) {
    ASSERT_EQ(f[x], 0);
    ASSERT_EQ(f[W + x], 0xFF);
    ASSERT_EQ(f[2 * W + x], x == 5 ? 7 : 0);
  }
}

TEST(Rings, FramesMatchTheShapesAndStayInside) {
  rings_init();
  // The demo's three calls, forwards and backwards in time, a thin ring and
  // rings thicker than some of their radii, and a moment whose empty bands
  // lie furthest below the frame (row 471: a debug build checks that no row
  // outside the frame is ever addressed).
  const int cases[][3] = {{0, 18, 1}, {0, 23, 2},       {12345, 18, 1}, {1000000 - 4321, 23, 2},
                          {155554, 28, 1}, {500, 1, 2}, {500, 60, 1},   {8000, 400, 2},
                          {700, -5, 1},    {700, -40, 1}, {7081, 18, 1}};
  for (const auto& c : cases) {
    int drawn = 0;
    ASSERT_NO_FATAL_FAILURE(check_frame(c[0], c[1], c[2], &drawn));
    EXPECT_GT(drawn, 100);
  }
  // Mode 2 at t = 0, w = 23: the smallest ring (R 50, centre (187, 172),
  // s = -15) has its hole moved right, so its centre row is 38 pixels thick
  // on the left (137..175) and 8 on the right (229..237).
  std::vector<uint8_t> f(W * H, 0);
  rings(f.data(), 0, 23, 2, 5);
  const uint8_t* row = f.data() + 172 * W;
  EXPECT_EQ(row[175], 5);
  EXPECT_EQ(row[176], 0);
  EXPECT_EQ(row[228], 0);
  EXPECT_EQ(row[229], 5);
}

// The rows each side of a ring is walked over are found by search, so sweep
// many moments of both motions, where rings pass the frame's edges in every
// way, against the model.
TEST(Rings, SweepOfMomentsMatchesTheShapes) {
  rings_init();
  int frames = 0;
  for (int t = 0; t < 600000; t += 14983) {
    for (const int mode : {1, 2}) {
      const int w = (t / 14983) % 3 == 0 ? 18 : (t / 14983) % 3 == 1 ? 23 : 75;
      int drawn = 0;
      ASSERT_NO_FATAL_FAILURE(check_frame(t, w, mode, &drawn));
      frames++;
    }
  }
  EXPECT_EQ(frames, 82);
}

TEST(Rings, ThicknessBeyondTheRadiusOpensTheHoleAgain) {
  rings_init();
  // Mode 2 at t = 0 with w = 60: the smallest ring (R 50, centre (187, 172),
  // s = -15) gets a hole of radius 60 - 50 = 10, since the row test squares
  // R - w. Its centre row spans 137..192 and 212..237; 193..201 lie in the
  // holes of every ring, so they keep the background.
  std::vector<uint8_t> f(W * H, 0);
  rings(f.data(), 0, 60, 2, 5);
  const uint8_t* row = f.data() + 172 * W;
  EXPECT_EQ(row[192], 5);
  EXPECT_EQ(row[193], 0);
  EXPECT_EQ(row[201], 0);
}

// The hole's edge rows, by hand for the smallest ring in mode 2 at t = 0 with
// w = 23 (R 50, centre (187, 172), s = -15, hole radius 27): at |dy| = 27 the
// hole's chord is 0 and the row takes the whole chord, 145..229 (42 pixels
// each side); at |dy| = 26 the hole's half chord is 7, so columns 196..208
// stay open. The bottom edge row is the frame's last row, 199.
TEST(Rings, HoleEdgeRows) {
  rings_init();
  std::vector<uint8_t> f(W * H, 0);
  rings(f.data(), 0, 23, 2, 5);
  const struct {
    int y, x0, x1;
    uint8_t want;
  } spans[] = {{145, 145, 229, 5}, {199, 145, 229, 5}, {146, 196, 208, 0}, {198, 196, 208, 0},
               {146, 195, 195, 5}, {146, 209, 209, 5}, {144, 146, 228, 5}};
  for (const auto& s : spans)
    for (int x = s.x0; x <= s.x1; x++) ASSERT_EQ(f[s.y * W + x], s.want) << x << "," << s.y;
}

// The hole tables are kept between calls and rebuilt when the thickness
// changes: w0, w1 and w0 again draw the frames a fresh start draws for each.
TEST(Rings, ThicknessChangesBetweenCalls) {
  const int widths[][2] = {{18, 23}, {23, 18}, {60, 23}, {23, 60}, {18, 18}};
  auto draw = [](int w) {
    std::vector<uint8_t> f(W * H, 0);
    rings(f.data(), 4321, w, 1, 5);
    return f;
  };
  for (const auto& w : widths) {
    rings_init();
    const std::vector<uint8_t> fresh1 = draw(w[1]);
    rings_init();
    const std::vector<uint8_t> first = draw(w[0]);
    EXPECT_EQ(draw(w[1]), fresh1) << w[0] << " then " << w[1];
    EXPECT_EQ(draw(w[0]), first) << w[0] << ", " << w[1] << " and " << w[0] << " again";
  }
}
