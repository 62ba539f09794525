// The triangle fill against a plain edge-table fill kept here as the
// reference: the two 200-row tables set far out, the three edges walked
// row by row from their upper end (16.16, whole-row slopes), each row's
// leftmost and rightmost crossing rounded ((v + 32767) >> 16) and clipped.
// Random triangles of every size and place, degenerate and far off the
// frame among them, must give the same bytes; so must random pictures
// drawn through cgm_render, whose callback calls are checked one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "cgm/cgm_soft.h"
#include "cgm_testutil.h"

namespace {

int32_t ref_pixel(int64_t q) { return static_cast<int32_t>((q + 2) >> 2); }

void ref_tri(uint8_t* frame, const int32_t* v, int32_t colour) {
  static int32_t left[200], right[200];
  int32_t ymin = 100000, ymax = -100000;
  for (int k = 0; k < 3; k++) ymin = std::min(ymin, v[2 * k + 1]), ymax = std::max(ymax, v[2 * k + 1]);
  const int32_t top = std::max(ref_pixel(ymin), 0), bottom = std::min(ref_pixel(ymax), 199);
  for (int32_t r = top; r <= bottom; r++) left[r] = 10000 * 65536, right[r] = -10000 * 65536;
  for (int e = 0; e < 3; e++) {
    const int32_t *pa = v + 2 * e, *pb = v + 2 * ((e + 1) % 3);
    int32_t ra = ref_pixel(pa[1]), rb = ref_pixel(pb[1]);
    if (ra > rb) std::swap(pa, pb), std::swap(ra, rb);
    if (ra == rb || std::min(rb, bottom) < 0) continue;  // flat, or wholly above the frame
    const int64_t slope = (int64_t{pb[0]} - pa[0]) * 16384 / (rb - ra);
    int64_t x = int64_t{pa[0]} * 16384 + (ra < 0 ? slope * -int64_t{ra} : 0);  // rows above the frame at once
    for (int32_t r = std::max(ra, 0); r <= std::min(rb, bottom); r++, x += slope) {
      // The tables are 32-bit: positions beyond +-16384 pixels are held there.
      const int32_t xc = static_cast<int32_t>(std::clamp<int64_t>(x, -(int64_t{1} << 30), int64_t{1} << 30));
      left[r] = std::min(left[r], xc);
      right[r] = std::max(right[r], xc);
    }
  }
  for (int32_t r = top; r <= bottom; r++) {
    const int32_t xl = (left[r] + 32767) >> 16, xr = (right[r] + 32767) >> 16;
    if (xr < 0 || xl > 319) continue;
    for (int32_t x = std::max(xl, 0); x <= std::min(xr, 319); x++) frame[r * 320 + x] = static_cast<uint8_t>(colour);
  }
}

// Coordinates of many scales: a few pixels, the frame, far outside, the
// 32-bit extremes; rows are also drawn near the frame's edges.
struct Gen {
  std::mt19937 rng{20240607};
  int32_t pick(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); }
  int32_t coord(bool is_y) {
    switch (pick(0, 9)) {
      case 0: return pick(-8, 8) + (is_y ? 4 * pick(0, 1) * 199 : 4 * pick(0, 1) * 319);
      case 1: return pick(-40000, 40000);
      case 2: return pick(INT32_MIN, INT32_MAX);
      case 3: return pick(0, 1) ? INT32_MIN + pick(0, 3) : INT32_MAX - pick(0, 3);
      default: return pick(-400, is_y ? 1200 : 1700);
    }
  }
  void tri(int32_t* v) {
    for (int k = 0; k < 6; k++) v[k] = coord(k % 2 == 1);
    // Sums are made in 64 bits and wrap into 32 (defined since C++20).
    auto near = [&](int32_t c, int32_t d) { return static_cast<int32_t>(int64_t{c} + pick(-d, d)); };
    switch (pick(0, 7)) {
      case 0: v[4] = v[2], v[5] = v[3]; break;  // two equal corners
      case 1: v[5] = near(v[3], 3); break;        // nearly flat
      case 2:                                     // a small one near its first corner
        for (int k = 2; k < 6; k++) v[k] = near(v[k % 2], 12);
        break;
      case 3:  // collinear
        v[4] = static_cast<int32_t>(2 * int64_t{v[2]} - v[0]), v[5] = static_cast<int32_t>(2 * int64_t{v[3]} - v[1]);
        break;
      default: break;
    }
  }
};

TEST(TriReference, RandomTrianglesGiveTheSameBytes) {
  Gen g;
  Frame a, b;
  int drawn = 0;  // of the triangles sampled below
  for (int i = 0; i < 24000; i++) {
    int32_t v[6];
    g.tri(v);
    const int32_t colour = 1 + i % 250;
    ref_tri(a.data(), v, colour);
    cgm_tri(b.data(), v, colour);
    if (std::memcmp(a.data(), b.data(), a.px.size()) != 0) {
      FAIL() << "triangle " << i << ": " << v[0] << "," << v[1] << " " << v[2] << "," << v[3] << " " << v[4] << ","
             << v[5];
    }
    if (i % 8 == 0) drawn += a.count(static_cast<uint8_t>(colour)) > 0;
  }
  EXPECT_GT(drawn, 1000);  // of 3000: the mix reaches the frame often enough to mean something
  EXPECT_TRUE(b.guard_intact());
}

// A callback that maps picture units around a moving centre at a random
// scale and records each call.
std::vector<int32_t> seen;
int32_t cx, cy, sh;
void mapped(int32_t x, int32_t y, int32_t* ox, int32_t* oy) {
  seen.push_back(x), seen.push_back(y);
  *ox = cx + (x >> sh);
  *oy = cy - (y >> sh);
}

TEST(TriReference, RandomPicturesThroughTheCallback) {
  Gen g;
  for (int n = 0; n < 60; n++) {
    // One picture of a few primitives with random corners and flags.
    std::vector<cgm_prim> prims(static_cast<size_t>(g.pick(1, 6)));
    std::vector<std::vector<int32_t>> tris(prims.size()), verts(prims.size());
    for (size_t k = 0; k < prims.size(); k++) {
      tris[k].resize(6 * static_cast<size_t>(g.pick(0, 40)));
      for (int32_t& c : tris[k]) c = g.pick(-70000, 70000);
      verts[k].resize(2 * static_cast<size_t>(g.pick(0, 5)));
      for (int32_t& c : verts[k]) c = g.pick(-70000, 70000);
      prims[k] = {g.pick(0, 3), g.pick(0, 3), g.pick(1, 99), g.pick(1, 99), static_cast<int32_t>(tris[k].size() / 6),
                  static_cast<int32_t>(verts[k].size() / 2), verts[k].data(), tris[k].data(),
                  k + 1 < prims.size() ? &prims[k + 1] : nullptr};
    }
    cgm_picture pic{};
    pic.prims = prims.data();
    cx = g.pick(-400, 1700), cy = g.pick(-400, 1200), sh = g.pick(4, 10);

    // The reference: triangles' corners in order, then the open outline.
    std::vector<int32_t> expect;
    Frame a, b;
    for (const cgm_prim& p : prims) {
      if ((p.drawflags & CGM_FILL) && p.ntri > 0)
        for (int t = 0; t < p.ntri; t++) {
          int32_t q[6];
          for (int c = 0; c < 3; c++) {
            expect.push_back(p.tri[6 * t + 2 * c]), expect.push_back(p.tri[6 * t + 2 * c + 1]);
            q[2 * c] = cx + (p.tri[6 * t + 2 * c] >> sh), q[2 * c + 1] = cy - (p.tri[6 * t + 2 * c + 1] >> sh);
          }
          ref_tri(a.data(), q, p.fillcolr);
        }
      if (p.drawflags & CGM_OUTLINE)
        for (int s = 0; s + 1 < p.nvert; s++) {
          const int32_t* c = p.vert + 2 * s;
          expect.insert(expect.end(), c, c + 4);
          const int32_t seg[4] = {cx + (c[0] >> sh), cy - (c[1] >> sh), cx + (c[2] >> sh), cy - (c[3] >> sh)};
          cgm_line(a.data(), seg, p.linewidth, p.linecolr);
        }
    }
    seen.clear();
    cgm_render(&pic, b.data(), mapped);
    ASSERT_EQ(seen, expect) << "picture " << n;
    ASSERT_EQ(std::memcmp(a.data(), b.data(), a.px.size()), 0) << "picture " << n;
  }
}

}  // namespace
