// The shipped pictures and line drawings, read with the demo's own loaders:
// every fill ear-clips, nothing is malformed, the palette plans between the
// pictures hold, and the drawings finish within their scenes.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "cgm/cgm.h"
#include "effects/drawing.h"

namespace {

const char* const kPictures[] = {"hipcat", "zoomer", "ankels", "swing1", "swing2",
                                 "strutter", "strutterblk", "bottles", "stara", "stara2"};

struct Loaded {
  cgm_picture* pic;
  cgm_loadinfo info;
  explicit Loaded(const std::string& name) : pic(cgm_load(("data/" + name + ".cgm").c_str())), info(cgm_lastload) {}
  ~Loaded() { cgm_free(pic); }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
};

// The colour numbers a picture puts on the screen: fills that have
// triangles, outlines that have a width.
std::set<int32_t> drawn(const cgm_picture* p) {
  std::set<int32_t> c;
  for (const cgm_prim* q = p->prims; q; q = q->next) {
    if ((q->drawflags & CGM_FILL) && q->ntri > 0) c.insert(q->fillcolr);
    if ((q->drawflags & CGM_OUTLINE) && q->linewidth > 0 && q->nvert > 1) c.insert(q->linecolr);
  }
  return c;
}

TEST(Content, EveryPictureLoadsWholeAndFillsEveryPolygon) {
  for (const char* name : kPictures) {
    SCOPED_TRACE(name);
    Loaded l(name);
    ASSERT_NE(l.pic, nullptr) << cgm_errorstr;
    EXPECT_EQ(l.info.gaveup, 0);
    EXPECT_EQ(l.info.malformed, 0);
    // Every colour defined in the file, at most 99 (the finale fades 1..99).
    EXPECT_GE(l.pic->ncolr, 1);
    EXPECT_LE(l.pic->ncolr, 99);
    for (int32_t c : drawn(l.pic)) EXPECT_TRUE(c >= 1 && c <= l.pic->ncolr) << "colour " << c;
    // Differences are multiplied in 32 bits: the extent stays below 32768,
    // and the box is exact (inside the loader's starting box of +-10000).
    EXPECT_LT(l.info.maxx - l.info.minx, 32768);
    EXPECT_LT(l.info.maxy - l.info.miny, 32768);
    EXPECT_GT(l.info.minx, -10000);
    EXPECT_LT(l.info.maxx, 10000);
    EXPECT_GT(l.info.miny, -10000);
    EXPECT_LT(l.info.maxy, 10000);
    int filled = 0;
    for (const cgm_prim* q = l.pic->prims; q; q = q->next) {
      EXPECT_LE(q->nvert, CGM_MAXPOINTS);
      if (!(q->drawflags & CGM_FILL)) continue;
      filled++;
      const bool closed = q->nvert > 1 && q->vert[0] == q->vert[2 * q->nvert - 2] && q->vert[1] == q->vert[2 * q->nvert - 1];
      EXPECT_EQ(q->ntri, q->nvert - (closed ? 1 : 0) - 2);
    }
    EXPECT_GT(filled, 0);
  }
}

// Scene 8 sets swing2's palette and then overwrites 1 (background), 2 (the
// rings) and 3 (black): the couple draws in 3 and 4 up only.
TEST(Content, Swing2LeavesTheRingColoursAlone) {
  Loaded l("swing2");
  ASSERT_NE(l.pic, nullptr);
  EXPECT_EQ(l.pic->colr[3], 0x000000);
  for (int32_t c : drawn(l.pic)) EXPECT_GE(c, 3) << "colour " << c;
}

// The bounce alternates strutterblk with strutter and shows it in
// strutter's palette: it must draw only strutter's black, and the two boxes
// must match so the silhouette lies exactly on the figure.
TEST(Content, StrutterblkIsStruttersBlackSilhouette) {
  Loaded s("strutter");
  Loaded b("strutterblk");
  ASSERT_NE(s.pic, nullptr);
  ASSERT_NE(b.pic, nullptr);
  const std::set<int32_t> used = drawn(b.pic);
  ASSERT_FALSE(used.empty());
  for (int32_t c : used) EXPECT_EQ(s.pic->colr[c], 0x000000) << "colour " << c;
  EXPECT_EQ(s.info.cx, b.info.cx);
  EXPECT_EQ(s.info.cy, b.info.cy);
  EXPECT_EQ(s.info.half, b.info.half);
}

// The star pictures are drawn with swing1's palette (star scroll) and with
// strutter's (bounce): each colour they use is the same in both and in
// their own tables. Their boxes are centred on the stars' centres, which is
// where the star effect turns them.
TEST(Content, StarColoursMatchBothScenePalettes) {
  Loaded s1("swing1");
  Loaded st("strutter");
  ASSERT_NE(s1.pic, nullptr);
  ASSERT_NE(st.pic, nullptr);
  for (const char* name : {"stara", "stara2"}) {
    SCOPED_TRACE(name);
    Loaded star(name);
    ASSERT_NE(star.pic, nullptr);
    EXPECT_EQ(star.info.minx, -star.info.maxx);
    EXPECT_EQ(star.info.miny, -star.info.maxy);
    for (int32_t c : drawn(star.pic)) {
      EXPECT_EQ(star.pic->colr[c], s1.pic->colr[c]) << "colour " << c;
      EXPECT_EQ(star.pic->colr[c], st.pic->colr[c]) << "colour " << c;
    }
  }
}

// A drawing grows a segment every 5 ms (afrogirl, over 24.5 s) or 9 ms
// (grooveking, over 32.7 s) and should finish in the last fifth of its
// scene; every point lies in the frame.
TEST(Content, DrawingsFitTheirScenes) {
  struct Case {
    const char* file;
    int lo, hi;
  };
  for (const Case& c : {Case{"data/afrogirl.txt", 4000, 4900}, Case{"data/grooveking.txt", 2900, 3600}}) {
    SCOPED_TRACE(c.file);
    drawing_rec* d = drawing_load(c.file);
    ASSERT_NE(d, nullptr);
    int segments = 0;
    for (int s = 0; s < d->nstrokes; s++) {
      const drawing_stroke& k = d->strokes[s];
      EXPECT_GE(k.n, 2);
      segments += k.n > 1 ? k.n - 1 : 0;
      for (int i = 0; i < k.n; i++) {
        EXPECT_TRUE(k.xy[2 * i] >= 0 && k.xy[2 * i] <= 1279) << "x " << k.xy[2 * i];
        EXPECT_TRUE(k.xy[2 * i + 1] >= 0 && k.xy[2 * i + 1] <= 799) << "y " << k.xy[2 * i + 1];
      }
    }
    EXPECT_GE(segments, c.lo);
    EXPECT_LE(segments, c.hi);
    drawing_free(d);
  }
}

}  // namespace
