// Ear clipping: triangle order and orientation, the budget that gives up on
// degenerate outlines, and the area and orientation of every triangle over
// many random simple polygons listed in either direction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "cgm_testutil.h"

namespace {

int64_t turn(const int32_t* t) {
  // (C.x - B.x)(A.y - B.y) - (C.y - B.y)(A.x - B.x) for A, B, C = t[0..5].
  return int64_t{t[4] - t[2]} * (t[1] - t[3]) - int64_t{t[5] - t[3]} * (t[0] - t[2]);
}

// Twice the signed area (shoelace).
int64_t area2(const std::vector<int32_t>& p) {
  int64_t s = 0;
  const size_t n = p.size() / 2;
  for (size_t k = 0; k < n; k++) {
    const size_t j = (k + 1) % n;
    s += int64_t{p[2 * k]} * p[2 * j + 1] - int64_t{p[2 * j]} * p[2 * k + 1];
  }
  return s;
}

TEST(Earclip, RectangleOrder) {
  int32_t poly[] = {10, 10, 10, 30, 50, 30, 50, 10};
  int32_t tri[12];
  ASSERT_EQ(cgm_earclip(poly, 4, tri), 2);
  const int32_t want[12] = {50, 10, 50, 30, 10, 30, 10, 30, 10, 10, 50, 10};
  for (int k = 0; k < 12; k++) EXPECT_EQ(tri[k], want[k]) << k;
}

TEST(Earclip, AlreadyPositiveIsNotReversed) {
  int32_t poly[] = {50, 10, 50, 30, 10, 30, 10, 10};
  int32_t tri[12];
  ASSERT_EQ(cgm_earclip(poly, 4, tri), 2);
  const int32_t want[12] = {50, 10, 50, 30, 10, 30, 10, 30, 10, 10, 50, 10};
  for (int k = 0; k < 12; k++) EXPECT_EQ(tri[k], want[k]) << k;
}

// The budget, counted in passes: each ear adds one, each pass takes one, and
// a negative budget gives up. The bow tie clips one ear in its first pass and
// none in its second; the pentagram (a five-pointed star drawn as one
// crossing outline) clips two in its first and then spends two earless passes.
TEST(Earclip, GivesUpOnDegenerateOutlines) {
  const struct {
    std::vector<int32_t> poly;
    int32_t result, passes;
  } cases[] = {
      {{700, 40, 900, 160, 900, 40, 700, 160}, -1, 2},                         // bow tie
      {{0, 100, 59, -81, -95, 31, 95, 31, -59, -81}, -1, 3},                   // pentagram
      {{0, 0, 5, 5, 10, 10}, -1, 1},                                           // flat
      {{10, 10, 10, 30, 50, 30, 50, 10}, 2, 1},                                // rectangle
      {{0, 0, 5, 5}, 0, 0},                                                    // two points
  };
  for (const auto& c : cases) {
    std::vector<int32_t> poly = c.poly, tri(3 * c.poly.size());
    EXPECT_EQ(cgm_earclip(poly.data(), static_cast<int32_t>(poly.size() / 2), tri.data()), c.result) << c.poly[0];
    EXPECT_EQ(cgm_earclip_passes, c.passes) << c.poly[0];
  }
}

TEST(Earclip, ConcaveVertexBlocksAnEar) {
  // An arrow head: the reflex vertex (5, 3) lies inside the ear at (5, 10),
  // so that ear must not be cut first.
  int32_t poly[] = {0, 0, 5, 3, 10, 0, 5, 10};
  int32_t tri[12];
  ASSERT_EQ(cgm_earclip(poly, 4, tri), 2);
  int64_t sum = 0;
  for (int k = 0; k < 2; k++) {
    EXPECT_GT(turn(tri + 6 * k), 0);
    sum += turn(tri + 6 * k);
  }
  EXPECT_EQ(sum, 70);  // twice the area 35
}

TEST(Earclip, GaveUpFillKeepsOutline) {
  Pic p("BEGMF \"g\"; colrtable 1 1 1 1; polygon (0,0) (10,10) (10,0) (0,10) (0,0); line (0,0) (1,1);");
  ASSERT_EQ(p.count(), 2);
  EXPECT_EQ(p.prim(0)->drawflags, 3);
  EXPECT_EQ(p.prim(0)->ntri, 0);
  EXPECT_EQ(p.prim(0)->tri, nullptr);
  EXPECT_EQ(p.prim(0)->nvert, 5);
  EXPECT_EQ(cgm_lastload.gaveup, 1);
}

// Star-shaped polygons around the origin with strictly increasing angles are
// simple; vertices in a straight line with their neighbours are avoided, as
// the clipper gives those up by design.
std::vector<int32_t> star_polygon(std::mt19937& rng, int n, int32_t rmax) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (;;) {
    // One vertex per sector of the full turn, at a random angle inside it.
    std::vector<int32_t> p;
    for (int k = 0; k < n; k++) {
      const double a = (k + 0.1 + 0.8 * u(rng)) * 2 * M_PI / n;
      const double r = rmax * (0.2 + 0.8 * u(rng));
      p.push_back(static_cast<int32_t>(std::lround(r * std::cos(a))));
      p.push_back(static_cast<int32_t>(std::lround(r * std::sin(a))));
    }
    bool ok = area2(p) > 0;
    for (int k = 0; k < n && ok; k++) {
      const int32_t t[6] = {p[2 * k], p[2 * k + 1], p[2 * ((k + 1) % n)], p[2 * ((k + 1) % n) + 1],
                            p[2 * ((k + 2) % n)], p[2 * ((k + 2) % n) + 1]};
      ok = turn(t) != 0;
    }
    if (ok) return p;
  }
}

TEST(Earclip, RandomStarPolygonsEitherDirection) {
  std::mt19937 rng(20261207);
  int done = 0;
  for (int iter = 0; iter < 600; iter++) {
    const int n = 3 + static_cast<int>(rng() % 60);
    std::vector<int32_t> p = star_polygon(rng, n, iter % 2 ? 10000 : 300);
    for (int dir = 0; dir < 2; dir++) {
      std::vector<int32_t> q = p;
      if (dir) {
        for (int a = 0, b = n - 1; a < b; a++, b--) {
          std::swap(q[2 * a], q[2 * b]);
          std::swap(q[2 * a + 1], q[2 * b + 1]);
        }
      }
      std::vector<int32_t> work = q;
      std::vector<int32_t> tri(static_cast<size_t>(6 * (n - 2)));
      const int32_t got = cgm_earclip(work.data(), n, tri.data());
      ASSERT_EQ(got, n - 2) << "iteration " << iter << " direction " << dir << " n " << n;
      int64_t sum = 0;
      for (int k = 0; k < got; k++) {
        const int64_t t = turn(&tri[static_cast<size_t>(6 * k)]);
        ASSERT_GT(t, 0) << "iteration " << iter << " triangle " << k;
        sum += t;
      }
      EXPECT_EQ(sum, std::abs(area2(q))) << "iteration " << iter << " direction " << dir;
      done++;
    }
  }
  EXPECT_EQ(done, 1200);
}

TEST(Earclip, FiveHundredVerticesThroughTheLoader) {
  std::mt19937 rng(7);
  std::vector<int32_t> p = star_polygon(rng, 499, 20000);
  std::string s = "BEGMF \"s\"; colrtable 1 9 9 9; polygon";
  for (size_t k = 0; k < p.size(); k += 2) s += " (" + std::to_string(p[k]) + "," + std::to_string(p[k + 1]) + ")";
  s += " (" + std::to_string(p[0]) + "," + std::to_string(p[1]) + ");";
  Pic pic(s);
  ASSERT_EQ(pic.count(), 1);
  EXPECT_EQ(pic.prim(0)->nvert, 500);
  EXPECT_EQ(pic.prim(0)->ntri, 497);
  // Normalisation keeps the sense of every triangle (same positive scale on
  // both axes), though rounding may flatten a sliver to zero.
  for (int k = 0; k < pic.prim(0)->ntri; k++) EXPECT_GE(turn(pic.prim(0)->tri + 6 * k), 0) << k;
}

}  // namespace
