// Star pictures and dots: the star transform's rotation, depth and rounding;
// the layers' depths, order and pictures, drawn from two square pictures
// built in code; missing pictures; the disc table, the size patterns, the
// level clamps and the inverse form.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "effects/dots.h"
#include "effects/staraz.h"

namespace {

constexpr int W = 320, H = 200, GUARD = 1024;

// A picture of one filled square covering the whole normalised extent.
struct SquarePicture {
  int32_t tri[12] = {-65536, -65536, 65536, -65536, 65536, 65536, -65536, -65536, 65536, 65536, -65536, 65536};
  cgm_prim prim{};
  cgm_picture pic{};
  explicit SquarePicture(int colour) {
    prim.drawflags = 2;
    prim.fillcolr = colour;
    prim.ntri = 2;
    prim.tri = tri;
    pic.ncolr = colour;
    pic.prims = &prim;
  }
};

}  // namespace

TEST(Staraz, Transform) {
  int32_t ox, oy;
  a = d = 16384;  // angle 0: only scale and place
  b = c = 0;
  stupid = 0;
  z = 0;  // 65536 * 400 / 90 = 291271, * 100 >> 14 = 1777 quarter pixels (444 pixels)
  transform(65536, 0, &ox, &oy);
  EXPECT_EQ(ox, 640 + 1777);
  EXPECT_EQ(oy, 400);
  transform(0, 65536, &ox, &oy);  // picture y up is frame y down
  EXPECT_EQ(oy, 400 - 1777);
  // Layer 5 ignores z: 65536 * 400 / 1080 = 24272, * 100 >> 14 = 148; the
  // negative side shifts toward minus infinity, to -149.
  stupid = 5;
  transform(65536, -65536, &ox, &oy);
  EXPECT_EQ(ox, 640 + 148);
  EXPECT_EQ(oy, 400 + 149);
  // A quarter turn maps (x, 0) to (0, x).
  a = d = 0;
  b = -16384;
  c = 16384;
  stupid = 0;
  z = 310;  // 400 / 400: 65536 -> 400 quarter pixels
  transform(65536, 0, &ox, &oy);
  EXPECT_EQ(ox, 640);
  EXPECT_EQ(oy, 0);
  transform(0, 65536, &ox, &oy);
  EXPECT_EQ(ox, 240);
  EXPECT_EQ(oy, 400);
}

TEST(Staraz, LayersDepthsAndOrder) {
  // At t = 0 layers 0..4 lie at depths 0, 200, 400, 600, 800, half-extents
  // 444, 137, 81, 57 and 44 pixels; layer 5 is 37. Even layers show c2
  // (colour 1), odd ones c1 (colour 2), later over earlier.
  SquarePicture p1(2), p2(1);
  c1 = &p1.pic;
  c2 = &p2.pic;
  std::vector<uint8_t> f0(W * H + GUARD, 0);
  staraz(f0.data(), 0);
  EXPECT_EQ(stupid, 6);
  EXPECT_EQ(z, 0);  // the last layer's: (0 + 100000 + 1000) mod 1000
  EXPECT_EQ(a, 16384);
  EXPECT_EQ(c, 0);
  const uint8_t* row = f0.data() + 100 * W;
  const int dist[] = {0, 30, 41, 50, 70, 100, 150, -130, -150};
  const uint8_t want[] = {2, 2, 1, 2, 1, 2, 1, 2, 1};
  for (int i = 0; i < 9; i++) EXPECT_EQ(row[160 + dist[i]], want[i]) << dist[i] << " pixels from the centre";
  EXPECT_EQ(f0[0], 1);  // the corner: only the huge layer 0 reaches it
  for (int i = W * H; i < W * H + GUARD; i++) ASSERT_EQ(f0[i], 0);
  // 355000 units later every layer is back at its depth and the angle is
  // 355 rad, within 0.00003 of 113 half turns, which leave a square as it
  // was: the frame repeats but for a few edge pixels.
  std::vector<uint8_t> f1(W * H + GUARD, 0);
  staraz(f1.data(), 355000);
  EXPECT_EQ(angel, 355.0f);
  EXPECT_EQ(a, static_cast<int32_t>(std::cos(355.0) * 16384));
  EXPECT_EQ(b, -c);
  int differ = 0;
  for (int i = 0; i < W * H; i++) differ += f0[i] != f1[i];
  EXPECT_LT(differ, 200);
  // Far below -100000 the depth still stays in 0..999 (never a zero divisor).
  staraz(f1.data(), -100090);
  EXPECT_TRUE(z >= 0 && z < 1000) << z;
  // A missing picture draws nothing of its layers.
  c2 = nullptr;
  std::vector<uint8_t> g(W * H, 0);
  staraz(g.data(), 0);
  int ones = 0, twos = 0;
  for (uint8_t v : g) ones += v == 1, twos += v == 2;
  EXPECT_EQ(ones, 0);
  EXPECT_GT(twos, 0);
  c1 = nullptr;
  staraz(g.data(), 0);
  c1 = c2 = nullptr;
}

TEST(Dots, DiscTable) {
  dots_init();
  // Size 178 (r = 15.99): the middle row is 30 wide, the top row empty;
  // size 179 (r = 16.08): the middle row fills the cell, the top row is 2 wide.
  EXPECT_EQ(circle[178][16][0], 30);
  EXPECT_EQ(circle[178][16][1], 1);
  EXPECT_EQ(circle[178][0][0], 0);
  EXPECT_EQ(circle[179][16][0], 32);
  EXPECT_EQ(circle[179][16][1], 0);
  EXPECT_EQ(circle[179][0][0], 2);
  EXPECT_EQ(circle[179][0][1], 15);
  for (int j = 0; j < 32; j++) {
    EXPECT_EQ(circle[0][j][0], 0);
    EXPECT_EQ(circle[255][j][0], 32) << j;
  }
}

namespace {

// Cell (X, Y) of the frame holds exactly the disc (or its complement) of
// size v in colour 7 over background 0.
void expect_cell(const std::vector<uint8_t>& f, int X, int Y, int v, bool inverse) {
  for (int j = 0; j < 32 && Y + j < H; j++) {
    const int w = circle[v][j][0], st = circle[v][j][1];
    for (int i = 0; i < 32; i++) {
      const bool in_disc = w != 0 && i >= st && i < st + w;
      ASSERT_EQ(f[(Y + j) * W + X + i], (in_disc != inverse) ? 7 : 0) << "cell " << X << "," << Y << " row " << j << " col " << i;
    }
  }
}

void expect_all(const std::vector<uint8_t>& f, uint8_t v) {
  for (int i = 0; i < W * H; i++) ASSERT_EQ(f[i], v) << i;
  for (int i = W * H; i < W * H + GUARD; i++) ASSERT_EQ(f[i], 0) << "wrote below row 199";
}

}  // namespace

TEST(Dots, LevelClampsAndInverse) {
  dots_init();
  std::vector<uint8_t> f(W * H + GUARD, 0);
  dots(f.data(), 5, 7, -50);  // pattern 5: size = level, clamped to 0: nothing
  expect_all(f, 0);
  dots(f.data(), 128 + 5, 7, -50);  // the inverse of size 0 fills every cell
  expect_all(f, 7);
  std::fill(f.begin(), f.end(), 0);
  dots(f.data(), 5, 0x107, 100000);  // clamped to 255: whole cells; colour's low 8 bits
  expect_all(f, 7);
  std::fill(f.begin(), f.end(), 0);
  dots(f.data(), 128 + 5, 7, 100000);
  expect_all(f, 0);
  dots(f.data(), -251, 7, 117);  // 0x...FF05: bit 7 clear, pattern -123: the plain level
  for (int X = 0; X < W; X += 32)
    for (int Y = 0; Y < H; Y += 32) expect_cell(f, X, Y, 117, false);
}

// The spans at the edges of the disc table, pixel by pixel in the first cell
// row of every cell column ('#' colour, '.' background): the inverse form's
// one-pixel spans either side of a disc two pixels short of the cell, and a
// top row's first, two-pixel span.
TEST(Dots, SpansAtTheTableEdges) {
  dots_init();
  const struct {
    int size, row;
    bool inverse;
    const char* cell;
  } cases[] = {
      {178, 16, false, ".##############################."},
      {178, 16, true, "#..............................#"},
      {178, 0, false, "................................"},
      {178, 0, true, "################################"},
      {179, 0, false, "...............##..............."},
      {179, 0, true, "###############..###############"},
      {179, 16, true, "................................"},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> f(W * H, 0);
    dots(f.data(), c.inverse ? 128 + 5 : 5, 7, c.size);  // pattern 5: every cell has size level
    for (int X = 0; X < W; X += 32) {
      std::string got;
      for (int i = 0; i < 32; i++) got += f[c.row * W + X + i] == 7 ? '#' : '.';
      EXPECT_EQ(got, c.cell) << "size " << c.size << " row " << c.row << (c.inverse ? " inverse" : "") << " cell " << X;
    }
  }
}

TEST(Dots, Patterns) {
  dots_init();
  for (bool inverse : {false, true}) {
    const int flag = inverse ? 128 : 0;
    std::vector<uint8_t> f(W * H, 0);
    dots(f.data(), 0 + flag, 7, 100);  // 2 * level - 200 = 0: 10 * (cell row + cell column)
    for (int X = 0; X < W; X += 32)
      for (int Y = 0; Y < H; Y += 32) expect_cell(f, X, Y, 10 * (Y / 32 + X / 32), inverse);
    f.assign(W * H, 0);
    dots(f.data(), 1 + flag, 7, 100);  // 13 * cell column
    expect_cell(f, 288, 96, 117, inverse);
    f.assign(W * H, 0);
    dots(f.data(), 2 + flag, 7, 100);  // distance of the cell centre from the screen centre
    expect_cell(f, 128, 64, 25, inverse);  // sqrt(16^2 + 20^2) = 25.6
    expect_cell(f, 0, 0, 166, inverse);    // sqrt(144^2 + 84^2) = 166.7
    f.assign(W * H, 0);
    dots(f.data(), 4 + flag, 7, 150);  // wave + 300, wave = (sin 0 + cos 0) * 50 - 100 = -50
    expect_cell(f, 0, 0, 250, inverse);
    f.assign(W * H, 0);
    dots(f.data(), 3 + flag, 7, 50);  // 100 - wave
    expect_cell(f, 0, 0, 150, inverse);
  }
}
