// Mosaic and kaleidoscope: the mosaic table's tile corners and seams, its
// bounds for every tile size, the block copy against the table's per-pixel
// meaning, and the kaleidoscope's mirror symmetry.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "effects/kaleido.h"
#include "effects/mosaic.h"

namespace {

constexpr int W = 320, H = 200, N = W * H;

int src_x(int dx, int dy) { return lookup[dy * W + dx] % W; }
int src_y(int dx, int dy) { return lookup[dy * W + dx] / W; }

std::vector<uint8_t> noise(uint32_t seed, size_t n) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

}  // namespace

TEST(Mosaic, TileCornersAndSeams) {
  mosaic_init(32);
  EXPECT_EQ(lookup[0], 30 * W + 48);
  EXPECT_EQ(lookup[100 * W + 160], 102 * W + 160);  // tile corner (160, 96) -> (160, 98)
  EXPECT_EQ(src_x(31, 0), 79);  // neighbours inside a tile, then the seam jumps back
  EXPECT_EQ(src_x(32, 0), 71);
  EXPECT_EQ(src_y(0, 31), 61);
  EXPECT_EQ(src_y(0, 32), 53);
  const int sx[10] = {48, 71, 93, 116, 138, 160, 182, 204, 227, 249};
  const int sy[7] = {30, 53, 75, 98, 119, 142, 164};
  for (int tx = 0; tx < 10; tx++) EXPECT_EQ(src_x(32 * tx, 0), sx[tx]) << "tile column " << tx;
  for (int ty = 0; ty < 7; ty++) EXPECT_EQ(src_y(0, 32 * ty), sy[ty]) << "tile row " << ty;
  EXPECT_EQ(lookup[N - 1], (164 + 7) * W + 249 + 31);
}

TEST(Mosaic, EveryTileSizeStaysInsideTheFrame) {
  for (int n : {-7, 0, 1, 3, 7, 31, 33, 64, 199, 320, 321, 2147483647}) {
    mosaic_init(n);
    for (int i = 0; i < N; i++) ASSERT_TRUE(lookup[i] >= 0 && lookup[i] < N) << "n " << n << " pixel " << i;
  }
  // n <= 0 is the single-pixel tiling: a plain 0.7 zoom toward the centre.
  mosaic_init(0);
  const std::vector<int32_t> zero(lookup, lookup + N);
  mosaic_init(1);
  EXPECT_EQ(zero, std::vector<int32_t>(lookup, lookup + N));
  EXPECT_EQ(src_x(10, 0), 55);  // (700 - 11200) / 100 + 160
  // One tile as large as the frame: columns and rows past the edge clamp.
  mosaic_init(320);
  EXPECT_EQ(src_x(271, 0), 319);
  EXPECT_EQ(src_x(319, 0), 319);
  EXPECT_EQ(src_y(0, 199), 199);
}

TEST(Mosaic, CopyFollowsTheTable) {
  const std::vector<uint8_t> src = noise(1, N);
  // 32 is the demo's size; 4 still fits the block copy, 3 and 1 take the
  // per-pixel copy; 45 has runs of other lengths.
  for (int n : {32, 4, 3, 1, 45, 320}) {
    mosaic_init(n);
    std::vector<uint8_t> dst(N + 64, 0xAA);
    mosaic(src.data(), dst.data());
    for (int i = 0; i < N; i++) ASSERT_EQ(dst[i], src[lookup[i]]) << "n " << n << " pixel " << i;
    for (int i = N; i < N + 64; i++) ASSERT_EQ(dst[i], 0xAA) << "n " << n << ": wrote past the frame";
  }
}

// The same frame as source and destination reads the source as it was.
TEST(Mosaic, InPlaceGivesTheCopy) {
  const std::vector<uint8_t> src = noise(3, N);
  for (int n : {32, 3, 45}) {
    mosaic_init(n);
    std::vector<uint8_t> want(N), f = src;
    mosaic(src.data(), want.data());
    mosaic(f.data(), f.data());
    EXPECT_EQ(f, want) << "n " << n;
  }
}

namespace {

constexpr int ROWS = 256, ALLOC = W * ROWS;  // the work frame: the picture and its slack rows

// f is in after kaleido with a w x h frame (stride w): every pixel equals its
// mirror across the middle column and across the middle row, the top-left
// quadrant is in's, an odd middle row is in's, and every byte past the w x h
// frame is in's.
void expect_mirrored(const std::vector<uint8_t>& f, const std::vector<uint8_t>& in, int w, int h) {
  for (int y = 0; y < h; y++) {
    if (h % 2 == 1 && y == h / 2) {
      ASSERT_TRUE(std::equal(f.begin() + y * w, f.begin() + (y + 1) * w, in.begin() + y * w)) << "middle row " << y;
      continue;
    }
    for (int x = 0; x < w; x++) {
      ASSERT_EQ(f[y * w + x], f[y * w + (w - 1 - x)]) << w << " x " << h << " at " << x << "," << y;
      ASSERT_EQ(f[y * w + x], f[(h - 1 - y) * w + x]) << w << " x " << h << " at " << x << "," << y;
      if (x < w / 2 && y < h / 2) {
        ASSERT_EQ(f[y * w + x], in[y * w + x]) << "quadrant changed at " << x << "," << y;
      }
    }
  }
  for (size_t i = static_cast<size_t>(w) * h; i < f.size(); i++) ASSERT_EQ(f[i], in[i]) << w << " x " << h << ": byte " << i;
}

}  // namespace

// The work frame has 256 rows: a height up to 256 mirrors the rows asked for;
// a larger width or height is held to the frame's 320 x 256.
TEST(Kaleido, SizesAreHeldToTheWorkFrame) {
  std::vector<uint8_t> in = noise(4, ALLOC);
  in.resize(ALLOC + 4096, 0x55);
  const struct {
    int w, h, held_w, held_h;
  } sizes[] = {{W, ROWS, W, ROWS},  {W, 255, W, 255},           {W, 201, W, 201},
               {W, 1000, W, ROWS},  {640, H, W, H},             {2147483647, 2147483647, W, ROWS}};
  for (const auto& s : sizes) {
    std::vector<uint8_t> f = in;
    kaleido(f.data(), s.w, s.h);
    ASSERT_NO_FATAL_FAILURE(expect_mirrored(f, in, s.held_w, s.held_h)) << s.w << " x " << s.h;
  }
}

TEST(Kaleido, MirrorsTheTopLeftQuadrant) {
  std::vector<uint8_t> in = noise(2, N);
  in.resize(N + 64, 0x55);
  std::vector<uint8_t> f = in;
  kaleido(f.data(), W, H);
  ASSERT_NO_FATAL_FAILURE(expect_mirrored(f, in, W, H));
  // Odd sizes keep the middle column and row; 21 wide mirrors 10 bytes,
  // past the 8-byte steps.
  std::vector<uint8_t> g(21 * 3);
  for (size_t i = 0; i < g.size(); i++) g[i] = static_cast<uint8_t>(i);
  kaleido(g.data(), 21, 3);
  for (int x = 0; x < 21; x++) {
    EXPECT_EQ(g[x], x <= 10 ? x : 20 - x) << x;
    EXPECT_EQ(g[21 + x], 21 + x) << x;
    EXPECT_EQ(g[42 + x], g[x]) << x;
  }
  uint8_t h[4] = {1, 2, 3, 4};
  kaleido(h, 0, 2);
  kaleido(h, -2, 2);
  kaleido(h, 4, 1);
  EXPECT_EQ(h[3], 4);
}
