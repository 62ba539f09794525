// The renderer's shortcut for pure callbacks (each vertex mapped once, fills
// placed wholly off the frame skipped) against its plain walk, which maps
// every corner of every triangle: the same pixels for the shipped pictures at
// placements in, across and beyond the frame, and the loader's corner index
// pointing at the very vertices the triangles hold.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cgm/cgm_soft.h"
#include "cgm_testutil.h"
#include "gfx/view.h"

namespace {

// transu as any other callback, through a pointer: cgm_render's plain walk, the
// reference for cgm_render_view.
void plain_transu(int32_t x, int32_t y, int32_t* ox, int32_t* oy) { transu(x, y, ox, oy); }

// A rotation by about 0.6 rad and a scale, pure like the star effect's transform.
void rotated(int32_t x, int32_t y, int32_t* ox, int32_t* oy) {
  const int32_t X = mul_wrap(x, 13500) >> 14, Y = mul_wrap(y, 9300) >> 14;
  *ox = add_wrap(X - Y, 0) / 40 + 640;
  *oy = 400 - (add_wrap(mul_wrap(x, 9300) >> 14, mul_wrap(y, 13500) >> 14) / 40);
}

struct Placement {
  int32_t px, py, skale;
};

// Centred, small and scrolled partly off each edge, wholly off each edge,
// mirrored (negative scale), huge, and beyond the scale the culling trusts.
constexpr Placement kPlacements[] = {
    {0, 0, 100},      {-800, 320, 40},  {796, -320, 40},  {0, 0, 1000},    {-1600, 0, 120}, {1700, 0, 120},
    {0, -1000, 120},  {0, 1000, 120},   {300, 200, -90},  {-40, -120, 400}, {0, 0, 9000},   {5000, 0, 9000},
    {-2000, -900, 200}, {1290, 810, 30},
};

const char* const kPictures[] = {"ankels", "bottles", "hipcat", "stara",  "stara2",
                                 "strutter", "strutterblk", "swing1", "swing2", "zoomer"};

TEST(Mapped, ShippedPicturesDrawAsThePlainWalk) {
  for (const char* name : kPictures) {
    const std::string path = std::string("data/") + name + ".cgm";
    cgm_picture* pic = cgm_load(path.c_str());
    ASSERT_NE(pic, nullptr) << path;
    // Every shipped picture gets the index; without it the shortcut is off.
    ASSERT_NE(pic->corners, nullptr) << path;
    ASSERT_NE(pic->boxes, nullptr) << path;
    const uint16_t* c = pic->corners;
    for (const cgm_prim* p = pic->prims; p; p = p->next)
      for (int32_t k = 0; k < 3 * p->ntri; k++, c++) {
        ASSERT_EQ(p->vert[*c], p->tri[2 * k]) << path;
        ASSERT_EQ(p->vert[*c + 1], p->tri[2 * k + 1]) << path;
      }
    for (const Placement& at : kPlacements) {
      px = at.px, py = at.py, skale = at.skale;
      Frame fast(7), plain(7), pure(7), plain_rot(7);
      cgm_render_view(pic, fast.data());
      cgm_render(pic, plain.data(), plain_transu);
      cgm_render_pure(pic, pure.data(), plain_transu);
      ASSERT_EQ(fast.px, plain.px) << path << " px " << at.px << " py " << at.py << " skale " << at.skale;
      ASSERT_EQ(pure.px, plain.px) << path << " skale " << at.skale;
      EXPECT_TRUE(fast.guard_intact());
    }
    Frame a(0), b(0);
    cgm_render_pure(pic, a.data(), rotated);
    cgm_render(pic, b.data(), rotated);
    ASSERT_EQ(a.px, b.px) << path;
    cgm_free(pic);
  }
  px = py = 0;
  skale = 16384;
}

// A picture the index cannot serve falls back to the plain walk: a triangle
// corner that is no outline vertex, and vertices beyond the culling's range.
TEST(Mapped, PreparedOnlyWhereItHolds) {
  Pic pic("BEGMF colrtable 1 255 0 0; fillcolr 1; polygon (0,0) (4000,0) (4000,3000) (0,3000);");
  ASSERT_NE(pic.p, nullptr);
  ASSERT_NE(pic->corners, nullptr);
  cgm_prim* p = pic->prims;
  ASSERT_GT(p->ntri, 0);
  px = 0, py = 0, skale = 300;
  Frame a(0), b(0);
  p->tri[0] += 1000;  // now a corner no vertex has
  cgm_prepare(pic.p);
  EXPECT_EQ(pic->corners, nullptr);
  EXPECT_EQ(pic->boxes, nullptr);
  cgm_render_view(pic.p, a.data());
  cgm_render(pic.p, b.data(), plain_transu);
  EXPECT_EQ(a.px, b.px);
  p->tri[0] -= 1000;
  // The first vertex moved beyond +-2^17, in the outline and the corners
  // that are it: the index holds, the boxes are not trusted.
  const int32_t ox = p->vert[0], oy = p->vert[1];
  p->vert[0] = 1 << 18;
  for (int32_t k = 0; k < 3 * p->ntri; k++)
    if (p->tri[2 * k] == ox && p->tri[2 * k + 1] == oy) p->tri[2 * k] = 1 << 18;
  cgm_prepare(pic.p);
  EXPECT_NE(pic->corners, nullptr);
  EXPECT_EQ(pic->boxes, nullptr);
  skale = 16384;
}

}  // namespace
