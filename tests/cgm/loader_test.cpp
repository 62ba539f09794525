// Loader: the accepted format, colour tables and clut, reading state and
// flags, the bounding box and normalisation, and malformed input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cgm_testutil.h"

namespace {

const std::string kHead = "BEGMF \"t\"; mfversion 1; BEGPIC \"t\"; colrtable 1 255 0 0 0 255 0 0 0 255;\n";

// (v - c) * 65536 / h as the loader normalises (truncating division).
int32_t norm(int64_t v, int64_t c, int64_t h) { return static_cast<int32_t>((v - c) * 65536 / h); }

TEST(Loader, RectBecomesClosedFilledOutlineWithTwoTriangles) {
  Pic p(kHead + "linewidth 15; edgevis ON; intstyle SOLID; rect (10,10) (50,30);");
  ASSERT_NE(p.p, nullptr);
  const cgm_prim* r = p.prim(0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->drawflags, 3);
  EXPECT_EQ(r->nvert, 5);
  ASSERT_EQ(r->ntri, 2);
  // Box 10..50 x 10..30: centre (30, 20), half-extent 20 (x is wider).
  auto nx = [](int v) { return norm(v, 30, 20); };
  auto ny = [](int v) { return norm(v, 20, 20); };
  const int32_t v[10] = {nx(10), ny(10), nx(10), ny(30), nx(50), ny(30), nx(50), ny(10), nx(10), ny(10)};
  for (int k = 0; k < 10; k++) EXPECT_EQ(r->vert[k], v[k]) << k;
  // Working polygon reversed at the top vertex; ears (50,10),(50,30),(10,30)
  // then (10,30),(10,10),(50,10).
  const int32_t t[12] = {nx(50), ny(10), nx(50), ny(30), nx(10), ny(30),
                         nx(10), ny(30), nx(10), ny(10), nx(50), ny(10)};
  for (int k = 0; k < 12; k++) EXPECT_EQ(r->tri[k], t[k]) << k;
  EXPECT_EQ(r->linewidth, 1);
  EXPECT_EQ(r->fillcolr, 1);
  EXPECT_EQ(r->linecolr, 1);
  EXPECT_EQ(cgm_lastload.half, 20);
}

TEST(Loader, FirstTableAndSingleEntries) {
  Pic p(kHead + "colrtable 20 10 20 30; colrtable 21 10 20 30; colrtable 22 0 255 0;\n"
                "fillcolr 20; linecolr 21; polygon (0,0) (10,0) (0,10);\n"
                "fillcolr 22; polygon (0,0) (10,0) (0,10);");
  ASSERT_NE(p.p, nullptr);
  EXPECT_EQ(p->ncolr, 4);
  EXPECT_EQ(p->colr[0], 0);
  EXPECT_EQ(p->colr[1], 0xFF0000);
  EXPECT_EQ(p->colr[2], 0x00FF00);
  EXPECT_EQ(p->colr[3], 0x0000FF);
  EXPECT_EQ(p->colr[4], 0x0A141E);
  EXPECT_EQ(p->colr[5], 0);  // words after the last colour are 0
  // Both indices share one colour; an existing colour is reused.
  EXPECT_EQ(p.prim(0)->fillcolr, 4);
  EXPECT_EQ(p.prim(0)->linecolr, 4);
  EXPECT_EQ(p.prim(1)->fillcolr, 2);
}

TEST(Loader, ReuseTakesHighestEqualColourAndStartIndexIsIgnored) {
  Pic p("BEGMF \"p\"; colrtable 7 1 1 1 9 9 9 1 1 1; colrtable 40 1 1 1; fillcolr 40; linecolr 3; "
        "polygon (0,0) (1,0) (0,1);");
  ASSERT_NE(p.p, nullptr);
  EXPECT_EQ(p->ncolr, 3);
  EXPECT_EQ(p.prim(0)->fillcolr, 3);
  EXPECT_EQ(p.prim(0)->linecolr, 3);  // file index 3 is colour 3, whatever the start index
}

TEST(Loader, ClutIsKeptAcrossLoads) {
  {
    Pic a(kHead + "colrtable 57 1 2 3;");
    ASSERT_NE(a.p, nullptr);
    EXPECT_EQ(a->ncolr, 4);
  }
  // Index 57 is not defined here: it keeps the colour number the last load gave it.
  Pic b("BEGMF \"p\"; colrtable 1 5 5 5; fillcolr 57; polygon (0,0) (1,0) (0,1);");
  ASSERT_NE(b.p, nullptr);
  EXPECT_EQ(b->ncolr, 1);
  EXPECT_EQ(b.prim(0)->fillcolr, 4);
}

TEST(Loader, WidthsStylesAndVisibility) {
  Pic p(kHead +
        "linewidth 14; polygon (0,0) (9,0) (0,9); line (0,0) (9,9);\n"             // 0, 1
        "edgewidth 30; polygon (0,0) (9,0) (0,9);\n"                              // 2
        "linewidth -29; polygon (0,0) (9,0) (0,9);\n"                             // 3
        "linewidth 45; intstyle EMPTY; polygon (0,0) (9,0) (0,9);\n"              // 4
        "intstyle HOLLOW; polygon (0,0) (9,0) (0,9);\n"                           // 5
        "intstyle SOLID; edgevis OFF; polygon (0,0) (9,0) (0,9);\n"               // 6
        "edgevis XY; edgevis O; edgevis off; polygon (0,0) (9,0) (0,9);\n"        // 7
        "edgevis ON; intstyle solid; intstyle E; line (0,0) (9,9);\n"             // 8
        "polygon (0,0) (9,0) (0,9);");                                            // 9
  ASSERT_EQ(p.count(), 10);
  EXPECT_EQ(p.prim(0)->drawflags, 2);  // width 0: no outline bit
  EXPECT_EQ(p.prim(0)->linewidth, 0);
  EXPECT_EQ(p.prim(1)->drawflags, 1);  // a line keeps its outline bit
  EXPECT_EQ(p.prim(1)->linewidth, 0);
  EXPECT_EQ(p.prim(1)->ntri, 0);
  EXPECT_EQ(p.prim(2)->linewidth, 2);
  EXPECT_EQ(p.prim(3)->linewidth, -1);  // truncation toward zero
  EXPECT_EQ(p.prim(3)->drawflags, 3);   // not 0, so outlined
  EXPECT_EQ(p.prim(4)->drawflags, 1);
  EXPECT_EQ(p.prim(4)->linewidth, 3);
  EXPECT_EQ(p.prim(4)->ntri, 0);
  EXPECT_EQ(p.prim(4)->tri, nullptr);
  EXPECT_EQ(p.prim(5)->drawflags, 1);   // HOLLOW leaves EMPTY
  EXPECT_EQ(p.prim(6)->drawflags, 2);
  EXPECT_EQ(p.prim(7)->drawflags, 2);   // XY, O and lower-case off change nothing
  EXPECT_EQ(p.prim(8)->drawflags, 1);
  EXPECT_EQ(p.prim(9)->drawflags, 1);   // "solid" is not SOLID; E empties
}

TEST(Loader, OpenAndClosedSquares) {
  Pic p(kHead + "polygon (0,0) (10,0) (10,10) (0,10); polygon (0,0) (10,0) (10,10) (0,10) (0,0);");
  ASSERT_EQ(p.count(), 2);
  EXPECT_EQ(p.prim(0)->nvert, 4);
  EXPECT_EQ(p.prim(0)->ntri, 2);
  EXPECT_EQ(p.prim(1)->nvert, 5);
  EXPECT_EQ(p.prim(1)->ntri, 2);
}

TEST(Loader, SkipsUnknownElementsStringsAndKeywordsInOtherCase) {
  Pic p("BEGMF \"polygon\"; mfdesc \"x\"; colrtable 1 1 2 3;\n"
        "POLYGON (0,0) (5,5) (0,5); text (1,1) final \"hi\"; backcolr 1 2 3;\n"
        "polygon (0,0)   (8,  0)\t(0,\n8); junk(9,9); ENDPIC; ENDMF;");
  ASSERT_NE(p.p, nullptr);
  ASSERT_EQ(p.count(), 1);
  EXPECT_EQ(p.prim(0)->nvert, 3);
  EXPECT_EQ(p->backcolr, 0x010203);
  EXPECT_EQ(cgm_lastload.hasback, 1);
  EXPECT_EQ(cgm_lastload.malformed, 0);
}

TEST(Loader, BackcolrBeforeTheTableIsSkipped) {
  Pic p("BEGMF \"p\"; backcolr 9 9 9; colrtable 1 1 1 1;");
  ASSERT_NE(p.p, nullptr);
  EXPECT_EQ(p->backcolr, 0);
  EXPECT_EQ(cgm_lastload.hasback, 0);
}

TEST(Loader, PointListReading) {
  // Anything but "(" or ";" after a point skips to the next "(".
  Pic p(kHead + "line (1,2)x(3,4)  (5,6)(7,8);");
  ASSERT_EQ(p.count(), 1);
  ASSERT_EQ(p.prim(0)->nvert, 4);
  EXPECT_EQ(cgm_lastload.minx, 1);
  EXPECT_EQ(cgm_lastload.maxx, 7);
  EXPECT_EQ(cgm_lastload.miny, 2);
  EXPECT_EQ(cgm_lastload.maxy, 8);
}

TEST(Loader, BoxStartsAtTenThousand) {
  {
    Pic p(kHead + "line (-9999,-3) (9999,5);");
    EXPECT_EQ(cgm_lastload.minx, -9999);
    EXPECT_EQ(cgm_lastload.maxx, 9999);
    EXPECT_EQ(cgm_lastload.miny, -3);
    EXPECT_EQ(cgm_lastload.maxy, 5);
  }
  // All x above 10000: the box reaches down to 10000. All y below -10000:
  // it reaches up to -10000.
  Pic p(kHead + "line (20000,-20000) (30000,-20100);");
  EXPECT_EQ(cgm_lastload.minx, 10000);
  EXPECT_EQ(cgm_lastload.maxx, 30000);
  EXPECT_EQ(cgm_lastload.miny, -20100);
  EXPECT_EQ(cgm_lastload.maxy, -10000);
  // Centre 20000; x extent 20000 against y 10100: half-extent 10000.
  EXPECT_EQ(p.prim(0)->vert[0], 0);
  EXPECT_EQ(p.prim(0)->vert[2], 65536);
  EXPECT_EQ(p.prim(0)->vert[1], norm(-20000, -15050, 10000));
}

TEST(Loader, Normalisation) {
  Pic a(kHead + "line (0,0) (100,10) (200,20);");
  ASSERT_EQ(a.count(), 1);
  const int32_t* v = a.prim(0)->vert;
  EXPECT_EQ(v[0], -65536);
  EXPECT_EQ(v[2], 0);
  EXPECT_EQ(v[4], 65536);
  EXPECT_EQ(v[1], norm(0, 10, 100));
  EXPECT_EQ(v[5], norm(20, 10, 100));

  Pic b(kHead + "line (0,0) (201,10);");
  EXPECT_EQ(cgm_lastload.cx, 100);
  EXPECT_EQ(cgm_lastload.half, 100);
  EXPECT_EQ(b.prim(0)->vert[2], 66191);
  EXPECT_EQ(b.prim(0)->vert[0], -65536);

  // A taller picture scales by its y extent.
  Pic c(kHead + "line (0,0) (10,40);");
  EXPECT_EQ(cgm_lastload.half, 20);
  EXPECT_EQ(c.prim(0)->vert[3], 65536);
  EXPECT_EQ(c.prim(0)->vert[0], norm(0, 5, 20));
  // Negative centres truncate toward zero: (-3 + 0) / 2 = -1.
  Pic d(kHead + "line (-3,0) (0,100);");
  EXPECT_EQ(cgm_lastload.cx, -1);
}

TEST(Loader, FileErrors) {
  EXPECT_EQ(cgm_load("/nonexistent/dir/pic.cgm"), nullptr);
  EXPECT_STREQ(cgm_errorstr, "cannot open: No such file or directory");
  EXPECT_EQ(cgm_load(ZAP_SOURCE_DIR "/tests/data/cgm"), nullptr);  // opens, but cannot be read
  EXPECT_STREQ(cgm_errorstr, "read error: Is a directory");
  EXPECT_EQ(load_text("begmf; colrtable 1 1 1 1;"), nullptr);
  EXPECT_STREQ(cgm_errorstr, "not a picture (no BEGMF)");
  EXPECT_EQ(load_text("BEGMF\"x\"; colrtable 1 1 1 1;"), nullptr);
  EXPECT_EQ(load_text("   \n"), nullptr);
  EXPECT_STREQ(cgm_errorstr, "not a picture (no BEGMF)");
  cgm_picture* ok = cgm_load(ZAP_SOURCE_DIR "/tests/data/cgm/golden.cgm");
  ASSERT_NE(ok, nullptr);
  EXPECT_STREQ(cgm_errorstr, "");
  cgm_free(ok);
}

// Malformed content: each case loads as far as it is well formed.
TEST(LoaderMalformed, EndOfFileBeforeOrInsideTheFirstTable) {
  Pic a("BEGMF \"p\"; polygon (0,0) (1,0) (0,1);");
  ASSERT_NE(a.p, nullptr);
  EXPECT_EQ(a->ncolr, 0);
  EXPECT_EQ(a->prims, nullptr);
  Pic b("BEGMF \"p\"; colrtable 1 10 20 30 40 50");
  ASSERT_NE(b.p, nullptr);
  EXPECT_EQ(b->ncolr, 1);
  EXPECT_EQ(b->colr[1], 0x0A141E);
  Pic c("BEGMF \"p\"; colrtable");
  ASSERT_NE(c.p, nullptr);
  EXPECT_EQ(c->ncolr, 0);
}

TEST(LoaderMalformed, SeparatedTerminatorEndsTheTable) {
  Pic p("BEGMF \"p\"; colrtable 1 1 2 3 4 5 6 ;\nfillcolr 2; polygon (0,0) (4,0) (0,4);");
  ASSERT_NE(p.p, nullptr);
  EXPECT_EQ(p->ncolr, 2);
  ASSERT_EQ(p.count(), 1);
  EXPECT_EQ(p.prim(0)->fillcolr, 2);
}

TEST(LoaderMalformed, PointListsCutOffOrUnreadable) {
  Pic a(kHead + "line (0,0) (9,9); polygon (0,0) (5,5) (0,5)");
  ASSERT_NE(a.p, nullptr);
  EXPECT_EQ(a.count(), 1);
  Pic b(kHead + "line (0,0) (9,9); polygon (0,0) (5,");
  EXPECT_EQ(b.count(), 1);
  Pic c(kHead + "line (0,0) (9,9); polygon");
  EXPECT_EQ(c.count(), 1);
  Pic d(kHead + "line (a,b) (9,9); line (0,0) (1,1);");
  ASSERT_EQ(d.count(), 1);
  EXPECT_EQ(d.prim(0)->nvert, 2);
  Pic e(kHead + "rect (5,5); rect (0,0) (4,2) (9,9); line (0,0) (1,1);");
  ASSERT_EQ(e.count(), 2);
  EXPECT_EQ(e.prim(0)->nvert, 5);
  EXPECT_GT(cgm_lastload.malformed, 0);
}

TEST(LoaderMalformed, MoreThanFiveHundredPoints) {
  std::string s = kHead + "line";
  for (int k = 0; k < 700; k++) s += " (" + std::to_string(k) + "," + std::to_string(k % 7) + ")";
  s += "; polygon (0,0) (1,0) (0,1);";
  Pic p(s);
  ASSERT_EQ(p.count(), 2);
  EXPECT_EQ(p.prim(0)->nvert, 500);
  EXPECT_EQ(cgm_lastload.maxx, 499);  // ignored points do not widen the box
}

TEST(LoaderMalformed, ColourIndicesOutOfRange) {
  Pic p(kHead + "fillcolr 2; fillcolr 100; linecolr -1; linecolr x; colrtable 100 1 1 1; colrtable -5 1 1 1;\n"
                "polygon (0,0) (4,0) (0,4);");
  ASSERT_EQ(p.count(), 1);
  EXPECT_EQ(p.prim(0)->fillcolr, 2);
  EXPECT_EQ(p.prim(0)->linecolr, 1);
  EXPECT_EQ(p->ncolr, 3);
}

TEST(LoaderMalformed, MoreThan199Colours) {
  std::string s = "BEGMF \"p\"; colrtable 1";
  for (int k = 0; k < 250; k++) {
    s += ' ';  // appended piece by piece: g++ 12 -O3 warns falsely (-Wrestrict) on " " + to_string
    s += std::to_string(k);
    s += " 0 0";
  }
  s += ";\ncolrtable 5 1 2 3; fillcolr 5; polygon (0,0) (4,0) (0,4);";
  s += "colrtable 6 3 0 0; fillcolr 6; polygon (0,0) (4,0) (0,4);";
  Pic p(s);
  ASSERT_NE(p.p, nullptr);
  EXPECT_EQ(p->ncolr, 199);
  EXPECT_EQ(p->colr[199], 198 << 16);
  EXPECT_EQ(p.prim(0)->fillcolr, 199);  // no room: the last colour
  EXPECT_EQ(p.prim(1)->fillcolr, 4);    // an existing colour is still found
}

TEST(LoaderMalformed, LongTokensAreReadInPiecesOf99) {
  // The 99-character piece is dropped and the rest, "polygon", is a keyword.
  Pic p(kHead + std::string(99, 'x') + "polygon (0,0) (4,0) (0,4); " + std::string(5000, 'y') + " line (0,0) (1,1);");
  ASSERT_EQ(p.count(), 2);
  EXPECT_EQ(p.prim(0)->ntri, 1);
  EXPECT_EQ(p.prim(1)->drawflags, 1);
}

TEST(LoaderMalformed, ZeroHalfExtent) {
  Pic p(kHead + "polygon (7,7) (7,7) (7,7);");
  ASSERT_EQ(p.count(), 1);
  EXPECT_EQ(cgm_lastload.half, 1);
  EXPECT_EQ(p.prim(0)->vert[0], 0);
  EXPECT_EQ(p.prim(0)->ntri, 0);  // two vertices after the closing repeat
}

TEST(LoaderMalformed, HugeCoordinatesAndNumbers) {
  Pic p(kHead + "linewidth 99999999999999; colrtable 9 99999999999 -99999999999 7;\n"
                "polygon (2147483647,-2147483648) (99999999999999,0) (0,-99999999999) (-5,5);"
                "polygon (-1073741823,-1073741823) (1073741823,-1073741823) (0,1073741823);");
  ASSERT_EQ(p.count(), 2);
  EXPECT_EQ(p.prim(0)->linewidth, INT32_MAX / 15);
  EXPECT_EQ(p.prim(1)->ntri, 1);
  EXPECT_EQ(cgm_lastload.maxx, 1073741823);
  EXPECT_EQ(cgm_lastload.minx, -1073741823);
  EXPECT_EQ(p.prim(1)->vert[0], -65536);
  EXPECT_EQ(p.prim(1)->vert[2], 65536);
}

// The count of malformed items, one row per kind the loader drops or clamps:
// what tools report ("malformed items N") and the content checks require to
// be 0 for the shipped pictures.
TEST(LoaderMalformed, EveryDroppedOrClampedItemIsCounted) {
  std::string long_line = kHead + "line";
  for (int k = 0; k < 503; k++) long_line += " (" + std::to_string(k) + ",0)";
  long_line += ";";
  const struct {
    std::string text;
    int32_t malformed;
    const char* what;
  } cases[] = {
      {kHead + "polygon (0,0) (4,0) (0,4);", 0, "well formed"},
      {"BEGMF \"p\"; polygon (0,0) (1,0) (0,1);", 1, "no colour table before the end"},
      {"BEGMF \"p\"; colrtable", 1, "the end before the table's first entry"},
      {"BEGMF \"p\"; colrtable 1 10 20 30 40 50", 1, "the end inside an entry"},
      {"BEGMF \"p\"; colrtable 1 1 2 x; line (0,0) (10,10);", 1, "an entry without a number"},
      {kHead + "fillcolr 100; linecolr -1; polygon (0,0) (4,0) (0,4);", 2, "indices outside 0..99"},
      {kHead + "colrtable 100 1 1 1; colrtable -5 1 1 1; line (0,0) (10,10);", 2, "table indices outside 0..99"},
      {kHead + "linecolr x; linewidth y; backcolr 1 2 z; line (0,0) (10,10);", 3, "operands without a number"},
      {kHead + "line (a,b) (9,9); line (0,0) (10,10);", 1, "an unreadable coordinate"},
      {kHead + "line (0,0) (10,10); polygon (0,0) (5,", 1, "a point list cut off"},
      {kHead + "rect (5,5); rect (0,0) (4,2) (9,9);", 2, "too few and too many corners"},
      {long_line, 3, "points past 500"},
      {kHead + "line (2000000000,0) (0,-2000000000);", 2, "coordinates clamped to 2^30 - 1"},
      {kHead + "polygon (7,7) (7,7) (7,7);", 1, "half-extent 0"},
      {kHead + "line (0,0) (1,1);", 1, "half-extent 1 / 2 = 0"},
  };
  for (const auto& c : cases) {
    Pic p(c.text);
    ASSERT_NE(p.p, nullptr) << c.what;
    EXPECT_EQ(cgm_lastload.malformed, c.malformed) << c.what;
  }
}

TEST(LoaderMalformed, BinaryJunkAndNulBytes) {
  std::string s = kHead + "polygon (0,0) (4,0) (0,4);";
  s += std::string("\0\xff\x80 polygon(\0,\0) (;;((", 22);
  s += " line (1,1) (2,2);";
  Pic p(s);
  ASSERT_NE(p.p, nullptr);
  EXPECT_GE(p.count(), 1);
}

}  // namespace
