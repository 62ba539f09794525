// Rasteriser: dots at the clipping edges, triangle rows and spans, thick
// lines, the render order through the callback, and frames from extreme
// coordinates that must stay inside the frame.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "cgm/cgm_soft.h"
#include "cgm_testutil.h"

namespace {

TEST(Dot, ClippingEdges) {
  Frame f;
  cgm_dot(f.data(), -2, -2, 7);      // pixel (0, 0)
  cgm_dot(f.data(), 1277, 797, 8);   // pixel (319, 199)
  cgm_dot(f.data(), -3, 100, 9);     // column -1
  cgm_dot(f.data(), 1278, 100, 9);   // column 320
  cgm_dot(f.data(), 100, -3, 9);     // row -1
  cgm_dot(f.data(), 100, 798, 9);    // row 200
  cgm_dot(f.data(), INT32_MAX, INT32_MAX, 9);
  cgm_dot(f.data(), INT32_MIN, INT32_MIN, 9);
  cgm_dot(f.data(), 5, 1, 0x10A);    // pixel (1, 0), low 8 bits
  EXPECT_EQ(f.at(0, 0), 7);
  EXPECT_EQ(f.at(319, 199), 8);
  EXPECT_EQ(f.at(1, 0), 0x0A);
  EXPECT_EQ(f.count(9), 0);
  EXPECT_EQ(f.count(0), 64000 - 3);
  EXPECT_TRUE(f.guard_intact());
}

TEST(Triangle, CornerTriangleRows) {
  Frame f;
  const int32_t v[6] = {0, 0, 400, 0, 0, 400};
  cgm_tri(f.data(), v, 5);
  for (int y = 0; y <= 100; y++) {
    const auto s = f.span(y, 5);
    EXPECT_EQ(s.first, 0) << y;
    EXPECT_EQ(s.second, 100 - y) << y;
  }
  EXPECT_EQ(f.span(101, 5).first, -1);
  EXPECT_EQ(f.count(5), 101 * 102 / 2);
}

TEST(Triangle, ExactHalvesRoundDown) {
  Frame f;
  // Left edge at x = 2 quarter pixels (0.5 px), right edge 0.5 + r px on row r.
  const int32_t v[6] = {2, 0, 2, 400, 402, 400};
  cgm_tri(f.data(), v, 5);
  for (int y : {0, 1, 50, 100}) {
    EXPECT_EQ(f.span(y, 5).first, 0) << y;
    EXPECT_EQ(f.span(y, 5).second, y) << y;
  }
}

TEST(Triangle, SameRowAndOutsideDrawNothing) {
  const int32_t cases[][6] = {
      {0, 398, 1000, 400, 500, 401},           // one pixel row
      {0, -100, 1000, -50, 500, -3},           // above row 0
      {0, 798, 1000, 900, 500, 5000},          // below row 199
      {-5000, 0, -3, 400, -100, 700},          // left of column 0
      {1280, 0, 5000, 400, 1300, 700},         // right of column 319 (1278 rounds to 319)
      {-1000000, 1000, -200000, 2000, -300000, 600},
  };
  for (const auto& c : cases) {
    Frame f;
    cgm_tri(f.data(), c, 3);
    EXPECT_EQ(f.count(3), 0) << c[0] << "," << c[1];
  }
}

TEST(Triangle, StraddlingIsClippedRowByRow) {
  Frame f;
  // Apex far above-left; the triangle crosses the top and left edges.
  const int32_t v[6] = {-400, -400, 800, 400, -400, 400};
  cgm_tri(f.data(), v, 4);
  EXPECT_TRUE(f.guard_intact());
  for (int y = 0; y <= 100; y++) {
    const auto s = f.span(y, 4);
    ASSERT_EQ(s.first, 0) << y;
    // The right edge runs from (-100, -100) to (200, 100) in pixels: 1.5 px per row.
    EXPECT_NEAR(s.second, -100 + 1.5 * (y + 100), 1.0) << y;
  }
  EXPECT_EQ(f.span(101, 4).first, -1);
}

TEST(Triangle, HugeCoordinatesCoverTheFrame) {
  Frame f;
  const int32_t v[6] = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN, 0, INT32_MAX};
  cgm_tri(f.data(), v, 6);
  EXPECT_EQ(f.count(6), 64000);
  EXPECT_TRUE(f.guard_intact());
}

// Both end pixels are drawn, even one that only the end's own quarter pixel
// reaches: 1 is the last quarter pixel of pixel 0, 6 the first of pixel 2.
struct EndCase {
  int32_t a0, a1, first, last;  // major axis from a0 to a1; pixels first..last
};
const EndCase kEnds[] = {{100, 500, 25, 125}, {1, 6, 0, 2}, {6, 1, 0, 2}};

TEST(Line, WidthAcrossHorizontal) {
  for (const EndCase& c : kEnds) {
    const int32_t seg[4] = {c.a0, 400, c.a1, 400};
    Frame one, two;
    cgm_line(one.data(), seg, 1, 9);
    cgm_line(two.data(), seg, 2, 9);
    const std::pair<int, int> drawn{c.first, c.last}, none{-1, -1};
    for (int y = 0; y < 200; y++) {
      EXPECT_EQ(one.span(y, 9), y == 100 ? drawn : none) << c.a0 << " row " << y;
      EXPECT_EQ(two.span(y, 9), y == 99 || y == 100 ? drawn : none) << c.a0 << " row " << y;
    }
    EXPECT_EQ(one.count(9), c.last - c.first + 1);
  }
}

TEST(Line, EqualEndpointsOnePixelAnyWidth) {
  for (int32_t w : {0, 1, 5, -3}) {
    Frame f;
    const int32_t seg[4] = {641, 402, 641, 402};
    cgm_line(f.data(), seg, w, 4);
    EXPECT_EQ(f.count(4), 1) << w;
    EXPECT_EQ(f.at(160, 101), 4) << w;
  }
}

TEST(Line, WidthZeroDrawsNothing) {
  Frame f;
  const int32_t seg[4] = {0, 0, 600, 300};
  cgm_line(f.data(), seg, 0, 4);
  EXPECT_EQ(f.count(4), 0);
}

TEST(Line, VerticalWidthThree) {
  for (const EndCase& c : kEnds) {
    Frame f;
    const int32_t seg[4] = {400, c.a0, 400, c.a1};
    cgm_line(f.data(), seg, 3, 2);
    // Dots at x - 6, x - 2, x + 2 quarter pixels: columns 99, 100, 101.
    for (int y = c.first; y <= c.last; y++) {
      EXPECT_EQ(f.span(y, 2).first, 99) << c.a0 << " row " << y;
      EXPECT_EQ(f.span(y, 2).second, 101) << c.a0 << " row " << y;
    }
    EXPECT_EQ(f.count(2), (c.last - c.first + 1) * 3) << c.a0;
  }
}

TEST(Line, ExtremeCoordinatesAndWidths) {
  Frame f;
  const int32_t across[4] = {INT32_MIN, 400, INT32_MAX, 400};
  cgm_line(f.data(), across, 1, 3);
  EXPECT_EQ(f.count(3), 320);
  EXPECT_EQ(f.span(100, 3).second, 319);
  // A width far wider than the frame covers every row the segment crosses.
  Frame g;
  const int32_t seg[4] = {200, 400, 600, 400};
  cgm_line(g.data(), seg, 100000000, 5);
  EXPECT_EQ(g.count(5), 200 * 101);
  Frame h;
  const int32_t diag[4] = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  cgm_line(h.data(), diag, INT32_MAX, 6);
  EXPECT_EQ(h.count(6), 64000);
  EXPECT_TRUE(f.guard_intact() && g.guard_intact() && h.guard_intact());
}

TEST(Clear, SetsExactlyThePicture) {
  Frame f(9);
  for (int i = 64000; i < 320 * 256; i++) f.px[static_cast<size_t>(i)] = 0xA5;
  cgm_clear(nullptr, f.data());
  EXPECT_EQ(f.count(0), 64000);
  EXPECT_TRUE(f.guard_intact());
}

// Records every callback call and maps picture units 1:1 around the centre.
std::vector<std::pair<int32_t, int32_t>> calls;
void record(int32_t x, int32_t y, int32_t* ox, int32_t* oy) {
  calls.emplace_back(x, y);
  *ox = 640 + x / 1024;
  *oy = 400 - y / 1024;
}

TEST(Render, CallbackOrderFillThenOutline) {
  Pic p("BEGMF \"r\"; colrtable 1 1 1 1 2 2 2; fillcolr 1; linecolr 2; rect (0,0) (40,20);");
  ASSERT_EQ(p.count(), 1);
  calls.clear();
  Frame f;
  cgm_render(p.p, f.data(), record);
  const cgm_prim* r = p.prim(0);
  ASSERT_EQ(calls.size(), 6u + 8u);
  for (int k = 0; k < 6; k++) {
    EXPECT_EQ(calls[static_cast<size_t>(k)].first, r->tri[2 * k]);
    EXPECT_EQ(calls[static_cast<size_t>(k)].second, r->tri[2 * k + 1]);
  }
  for (int s = 0; s < 4; s++) {
    EXPECT_EQ(calls[static_cast<size_t>(6 + 2 * s)].first, r->vert[2 * s]);
    EXPECT_EQ(calls[static_cast<size_t>(7 + 2 * s)].first, r->vert[2 * s + 2]);
    EXPECT_EQ(calls[static_cast<size_t>(7 + 2 * s)].second, r->vert[2 * s + 3]);
  }
  // The outline is drawn over the fill.
  EXPECT_EQ(f.at(160 - 16, 100), 2);
  EXPECT_EQ(f.at(160, 100), 1);
}

TEST(Render, OpenOutlineAndPainterOrder) {
  // Square without the repeated first point: three sides. Then a later
  // filled square over the middle.
  Pic p("BEGMF \"r\"; colrtable 1 1 1 1 2 2 2 3 3 3; intstyle EMPTY; linecolr 1;\n"
        "polygon (-100,-100) (100,-100) (100,100) (-100,100);"
        "intstyle SOLID; edgevis OFF; fillcolr 2; polygon (-10,-10) (10,-10) (10,10) (-10,10);");
  ASSERT_EQ(p.count(), 2);
  calls.clear();
  Frame f;
  cgm_render(p.p, f.data(), record);
  EXPECT_EQ(calls.size(), 6u + 6u);  // three segments, then two triangles
  // Left side (from (-100,100) back to (-100,-100)) is missing.
  EXPECT_EQ(f.at(160 - 16, 100), 0);
  EXPECT_EQ(f.at(160 + 16, 100), 1);
  EXPECT_EQ(f.at(160, 100 - 16), 1);
  EXPECT_EQ(f.at(160, 100), 2);
  Pic q("BEGMF \"r\"; colrtable 1 1 1 1; intstyle EMPTY; linecolr 1;\n"
        "polygon (-100,-100) (100,-100) (100,100) (-100,100) (-100,-100);");
  calls.clear();
  Frame g;
  cgm_render(q.p, g.data(), record);
  EXPECT_EQ(calls.size(), 8u);
  EXPECT_EQ(g.at(160 - 16, 100), 1);
}

TEST(Render, GivenUpFillDrawsOnlyOutlineAndNeitherDrawsNothing) {
  Pic p("BEGMF \"r\"; colrtable 1 1 1 1 2 2 2; fillcolr 1; linecolr 2;\n"
        "polygon (0,0) (100,100) (100,0) (0,100) (0,0);"
        "intstyle EMPTY; edgevis OFF; polygon (0,0) (50,0) (0,50);");
  ASSERT_EQ(p.count(), 2);
  ASSERT_EQ(p.prim(0)->ntri, 0);
  EXPECT_EQ(p.prim(1)->drawflags, 0);
  calls.clear();
  Frame f;
  cgm_render(p.p, f.data(), record);
  EXPECT_EQ(calls.size(), 8u);
  EXPECT_EQ(f.count(1), 0);
  EXPECT_GT(f.count(2), 0);
}

TEST(Render, WidthZeroLineElementDrawsNothing) {
  Pic p("BEGMF \"r\"; colrtable 1 1 1 1; linewidth 14; line (0,0) (100,30) (50,100);");
  ASSERT_EQ(p.count(), 1);
  Frame f;
  cgm_render(p.p, f.data(), record);
  EXPECT_EQ(f.count(1), 0);
}

}  // namespace
