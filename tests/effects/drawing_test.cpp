// Line drawing: the quarter-pixel dot and its clipping, the line as the
// drawings use it (major axis, thickness offsets, ties, reversed and
// zero-length segments; the rasteriser's extremes are tested with the
// picture's), point-file loading with its conversions and its refusals, and
// segment selection across strokes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "effects/drawing.h"

namespace {

constexpr int W = 320, H = 200, GUARD = 4096;

struct Frame {
  std::vector<uint8_t> px = std::vector<uint8_t>(W * H + GUARD, 0);
  uint8_t* data() { return px.data(); }
  uint8_t at(int x, int y) const { return px[y * W + x]; }
  // The pixels set, as "x,y" in row order; checks nothing went past the frame.
  std::vector<std::string> set() const {
    std::vector<std::string> v;
    for (int i = 0; i < W * H; i++)
      if (px[i]) v.push_back(std::to_string(i % W) + "," + std::to_string(i / W));
    for (int i = W * H; i < W * H + GUARD; i++) EXPECT_EQ(px[i], 0) << "wrote past the frame";
    return v;
  }
};

using Pixels = std::vector<std::string>;

Pixels line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int width) {
  Frame f;
  const int32_t seg[4] = {x0, y0, x1, y1};
  ceegm_line(f.data(), seg, width, 2);
  return f.set();
}

std::string data_file(const char* name) { return std::string(ZAP_SOURCE_DIR) + "/tests/data/effects/" + name; }

// Loads text through a memory stream, so each case can be written inline.
drawing_rec* load_text(const std::string& text) {
  std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
  if (!f) return nullptr;
  drawing_rec* d = drawing_load_stream(f);
  std::fclose(f);
  return d;
}

}  // namespace

TEST(CeegmLine, Dots) {
  Frame f;
  ceegm_dot(f.data(), -2, 0, 3);  // (-2 + 2) >> 2 = 0
  for (auto [x, y] : {std::pair{-3, 0}, {0, -3}, {1278, 0}, {0, 798}, {INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}})
    ceegm_dot(f.data(), x, y, 3);
  ceegm_dot(f.data(), 1277, 797, 0x104);  // low 8 bits
  EXPECT_EQ(f.set(), (Pixels{"0,0", "319,199"}));
  EXPECT_EQ(f.at(319, 199), 4);
}

TEST(CeegmLine, Lines) {
  EXPECT_EQ(line(0, 0, 8, 0, 1), (Pixels{"0,0", "1,0", "2,0"}));
  EXPECT_EQ(line(0, 0, 8, 0, 2), (Pixels{"0,0", "1,0", "2,0"}));  // the row above (y - 4) is off the frame
  EXPECT_EQ(line(0, 40, 8, 40, 2), (Pixels{"0,9", "1,9", "2,9", "0,10", "1,10", "2,10"}));
  EXPECT_EQ(line(0, 42, 4, 42, 3), (Pixels{"0,9", "1,9", "0,10", "1,10", "0,11", "1,11"}));  // offsets -6, -2, 2
  EXPECT_EQ(line(0, 40, 80, 40, 0), Pixels{});
  // A tie steps in y with x carried; width goes sideways, to the left.
  EXPECT_EQ(line(40, 40, 44, 44, 1), (Pixels{"10,10", "11,11"}));
  EXPECT_EQ(line(40, 40, 44, 44, 2), (Pixels{"9,10", "10,10", "10,11", "11,11"}));
  // Slope rounding: Y starts at y0 + 0.5 and the dot row is floor(Y); from
  // (0, 400) to (40, 410) x 38..40 reach y 410 (row 103) and x 0..1 y 400.
  const Pixels up = line(0, 400, 40, 410, 1);
  EXPECT_EQ(up.front(), "0,100");
  EXPECT_EQ(up.back(), "10,103");
  const Pixels down = line(0, 400, 40, 390, 1);  // negative slopes floor too: x 0..10 stay in row 100
  EXPECT_EQ(down.front(), "7,98");
  EXPECT_EQ(down.back(), "3,100");
  // Zero length: width dots from x0 - 2 * width, 4 apart.
  EXPECT_EQ(line(40, 40, 40, 40, 2), (Pixels{"9,10", "10,10"}));
  EXPECT_EQ(line(40, 40, 40, 40, 1), Pixels{"10,10"});  // x 38
  EXPECT_EQ(line(2, 40, 2, 40, 1), Pixels{"0,10"});
  EXPECT_EQ(line(40, 40, 40, 40, 1000000000).size(), size_t{W});  // all of row 10, clipped before the walk
  // Reversed endpoints draw the same pixels.
  const int32_t segs[][4] = {{0, 0, 8, 0}, {3, 17, 611, 203}, {100, 700, 37, 12}, {-50, 900, 1300, -40}};
  for (const auto& s : segs)
    for (int w : {1, 2, 3}) EXPECT_EQ(line(s[0], s[1], s[2], s[3], w), line(s[2], s[3], s[0], s[1], w)) << s[0] << "," << s[1] << " width " << w;
}

TEST(DrawingLoad, ExampleFiles) {
  drawing_rec* d = drawing_load(data_file("one_segment.txt").c_str());
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d->nstrokes, 1);
  ASSERT_EQ(d->strokes[0].n, 2);
  EXPECT_EQ(std::vector<int16_t>(d->strokes[0].xy, d->strokes[0].xy + 4), (std::vector<int16_t>{0, 0, 8, 0}));
  Frame f, none;
  drawing(f.data(), d, 0, 0, 2);
  EXPECT_EQ(f.set(), line(0, 0, 8, 0, 2));
  drawing(none.data(), d, 1, 5, 2);
  drawing(none.data(), d, 0, -1, 2);
  drawing(none.data(), nullptr, 0, 100, 2);
  EXPECT_EQ(none.set(), Pixels{});
  drawing_free(d);
  d = drawing_load(data_file("one_point.txt").c_str());
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d->strokes[0].n, 1);
  EXPECT_EQ(d->strokes[0].xy[0], 2);
  EXPECT_EQ(d->strokes[0].xy[1], -102);
  drawing(none.data(), d, 0, 1000, 2);
  EXPECT_EQ(none.set(), Pixels{});
  drawing_free(d);
  // No drawing from a file that cannot be opened, or opens but cannot be read.
  for (const std::string& bad : {data_file("no_such_file.txt"), data_file("")})
    EXPECT_EQ(drawing_load(bad.c_str()), nullptr) << bad;
}

TEST(DrawingLoad, Conversions) {
  // x >> 1 and (y >> 1) - 104, arithmetic shifts, kept in 16 bits; values
  // beyond 32 bits saturate.
  drawing_rec* d = load_text("5 -1 -3 -2 0 70000 208 -65538 -70000 99999999999 0 -1");
  ASSERT_NE(d, nullptr);
  const std::vector<int16_t> want = {-1, -106, -1, -104, 35000 - 65536, 0, 32767, -35104 + 65536, -1, -104};
  EXPECT_EQ(std::vector<int16_t>(d->strokes[0].xy, d->strokes[0].xy + 10), want);
  drawing_free(d);
}

TEST(DrawingLoad, EndsAndRefusals) {
  const struct {
    const char* text;
    int strokes, last_points;
  } ends[] = {{"2 0 208 16 208\n3 0 0 1 1 2 2", 2, 3},  // the end of the file stands for -1
              {"2 0 208 16 208\n4 0 0 1 1 2 2 3\n", 2, 3},  // a cut stroke keeps its whole points
              {"1 4 4 x 2 0 0 1 1 -1", 1, 1},           // so does anything not a number
              {"6 0 0 1 1 2 2 3 3 4 4", 1, 5},          // a count beyond what the rest can hold
              {"3 0 208", 1, 1},
              {"", 0, 0}};
  for (const auto& e : ends) {
    drawing_rec* d = load_text(e.text);
    ASSERT_NE(d, nullptr) << e.text;
    EXPECT_EQ(d->nstrokes, e.strokes) << e.text;
    if (e.strokes) {
      EXPECT_EQ(d->strokes[e.strokes - 1].n, e.last_points) << e.text;
    }
    drawing_free(d);
  }
  // Bad counts refuse the whole file with a message, negative or absurd; the
  // loader prints nothing (the program that calls it names itself and the file).
  for (const char* bad : {"2 0 208 16 208 -7 1", "1000001 0 0", "2147483647 1 1"}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(load_text(bad), nullptr) << bad;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << bad;
    EXPECT_EQ(std::string(drawing_message).rfind("stroke ", 0), 0u) << drawing_message;
    EXPECT_NE(std::string(drawing_message).find("bad point count"), std::string::npos) << drawing_message;
  }
  load_text("2 0 208 16 208 -7 1");
  EXPECT_STREQ(drawing_message, "stroke 1: bad point count -7");
  drawing_free(load_text("2 0 208 16 208 -1"));
  EXPECT_STREQ(drawing_message, "");
  // More than 1000 strokes: the first 1000 are kept.
  std::string text;
  for (int i = 0; i < 1005; i++) text += "2 0 208 " + std::to_string(8 * i) + " 208\n";
  testing::internal::CaptureStderr();
  drawing_rec* d = load_text(text + "-1\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_STREQ(drawing_message, "more than 1000 strokes, the rest ignored");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->nstrokes, 1000);
  EXPECT_EQ(d->strokes[999].xy[2], 4 * 999);
  drawing_free(d);
}

TEST(Drawing, SegmentsAcrossStrokes) {
  // Strokes of 3, 0, 2, 1 and 3 points: segments 0-1, 2 and 3-4.
  drawing_rec* d = drawing_load(data_file("strokes.txt").c_str());
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d->nstrokes, 5);
  const int32_t segs[5][4] = {{20, 100, 100, 100}, {100, 100, 100, 300}, {500, 400, 500, 700}, {1200, 46, 1200, 646}, {1200, 646, 1000, 646}};
  const int ranges[][2] = {{3, 3}, {2, 3}, {0, 1}, {-5, 100}, {5, 9}, {3, 2}};
  for (const auto& r : ranges) {
    Frame got, want;
    drawing(got.data(), d, r[0], r[1], 2);
    for (int s = r[0] < 0 ? 0 : r[0]; s <= r[1] && s < 5; s++) ceegm_line(want.data(), segs[s], 2, 2);
    EXPECT_EQ(got.set(), want.set()) << "segments " << r[0] << ".." << r[1];
  }
  // Segment 3 alone: columns 299 and 300 (x 1196 and 1200), rows 12..162.
  Frame f;
  drawing(f.data(), d, 3, 3, 2);
  EXPECT_EQ(f.set().size(), size_t{2 * 151});
  EXPECT_EQ(f.at(299, 12), 2);
  EXPECT_EQ(f.at(300, 162), 2);
  drawing_free(d);
}
