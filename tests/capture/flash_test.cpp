// The flash analysis (tools/zapcapture/flash.h) on synthetic shows with known
// answers: a square (or the whole frame) swapping between two colours at a
// given rate over a still ground, or fading, for two seconds at 60 frames a
// second. The cases pin the thresholds (0.1 of luminance, the darker end below
// 0.8, 20 of red), the 25 % area gate, the size and placing of the fields and
// the one-second window.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "flash.h"

namespace {

constexpr int W = 320, H = 200, FPS = 60;

struct rgb {
  uint8_t r, g, b;
};

// The grey whose luminance lies nearest to l.
uint8_t grey_of(double l) {
  int best = 0;
  for (int g = 1; g < 256; g++) {
    const auto c = static_cast<uint8_t>(g);
    if (std::fabs(flash_luminance(c, c, c) - l) <
        std::fabs(flash_luminance(uint8_t(best), uint8_t(best), uint8_t(best)) - l))
      best = g;
  }
  return static_cast<uint8_t>(best);
}

struct show {
  int x, y, w, h;     // the square that changes; the rest is black
  rgb a, b;           // its two colours
  double per_second;  // flashes (pairs of swaps) a second; 0: a fade from a to b and back every 4 s
};

// The most transitions one field holds in one second, per measure, and the
// seconds that fail, over the seconds of the show (a window of one second is
// whole from the first second's end on).
struct outcome {
  int general = 0, red = 0;
  std::vector<flash_second> seconds;
};

outcome run(const show& s, int seconds = 2, int fw = FLASH_FIELD_W, int fh = FLASH_FIELD_H) {
  flash_state st;
  EXPECT_TRUE(flash_begin(st, W, H, FPS, fw, fh));
  std::vector<uint8_t> frame(W * H, 0);
  uint8_t pal[768] = {};
  pal[3] = s.a.r, pal[4] = s.a.g, pal[5] = s.a.b;
  pal[6] = s.b.r, pal[7] = s.b.g, pal[8] = s.b.b;
  outcome o;
  for (int k = 0; k < seconds * FPS; k++) {
    uint8_t index = 1;
    if (s.per_second > 0) {
      index = static_cast<int>(std::floor(k * 2 * s.per_second / FPS)) % 2 ? 2 : 1;
    } else {
      // A triangle from a (0) to b (1) over 2 s and back.
      const double f = 1.0 - std::fabs(1.0 - (k % (4 * FPS)) / (2.0 * FPS));
      pal[3] = static_cast<uint8_t>(std::lround(s.a.r + f * (s.b.r - s.a.r)));
      pal[4] = static_cast<uint8_t>(std::lround(s.a.g + f * (s.b.g - s.a.g)));
      pal[5] = static_cast<uint8_t>(std::lround(s.a.b + f * (s.b.b - s.a.b)));
    }
    for (int y = s.y; y < s.y + s.h; y++)
      for (int x = s.x; x < s.x + s.w; x++) frame[static_cast<size_t>(y * W + x)] = index;
    const flash_result r = flash_frame(st, frame.data(), pal);
    o.general = std::max(o.general, r[FLASH_GENERAL].transitions);
    o.red = std::max(o.red, r[FLASH_RED].transitions);
    flash_tally(o.seconds, k, FPS, r);
  }
  return o;
}

constexpr rgb black{0, 0, 0}, white{255, 255, 255}, red{255, 0, 0};

TEST(Flash, KnownShows) {
  const uint8_t g009 = grey_of(0.09), g082 = grey_of(0.82);
  ASSERT_NEAR(flash_luminance(g009, g009, g009), 0.09, 0.005);
  ASSERT_NEAR(flash_luminance(g082, g082, g082), 0.82, 0.01);
  const uint8_t g_red = grey_of(flash_luminance(255, 0, 0));  // as bright as the red
  const struct {
    const char* name;
    show s;
    int general, red;  // the most transitions in one second of one field
  } cases[] = {
      {"whole frame black/white, 3 flashes a second", {0, 0, W, H, black, white, 3}, 6, 0},
      {"whole frame black/white, 4 flashes a second", {0, 0, W, H, black, white, 4}, 8, 0},
      {"whole frame black/white, 5 flashes a second", {0, 0, W, H, black, white, 5}, 10, 0},
      {"a swing of 0.09", {0, 0, W, H, black, {g009, g009, g009}, 5}, 0, 0},
      {"a swing between two colours above 0.8", {0, 0, W, H, {g082, g082, g082}, white, 5}, 0, 0},
      {"a square of a fifth of a field", {100, 60, 38, 23, black, white, 5}, 0, 0},
      {"a square of half a field", {100, 60, 54, 40, black, white, 5}, 10, 0},
      {"half a field in the bottom right corner", {W - 54, H - 40, 54, 40, black, white, 5}, 10, 0},
      {"a square of 30 % of a field", {150, 90, 44, 30, black, white, 5}, 10, 0},
      {"a slow fade, black to white and back in 4 s", {0, 0, W, H, black, white, 0}, 1, 0},
      {"a saturated red flash on black", {0, 0, W, H, black, red, 5}, 10, 10},
      {"red against a grey as bright", {0, 0, W, H, {g_red, g_red, g_red}, red, 5}, 0, 10},
      {"red against a grey as bright, 3 flashes a second", {0, 0, W, H, {g_red, g_red, g_red}, red, 3}, 0, 6},
      {"a dark red flash on black", {0, 0, W, H, black, {100, 0, 0}, 5}, 0, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const outcome o = run(c.s);
    EXPECT_EQ(o.general, c.general);
    EXPECT_EQ(o.red, c.red);
    // A second fails by a measure exactly when more than six transitions fell in it.
    bool general_fails = false, red_fails = false;
    for (const flash_second& s : o.seconds) {
      general_fails |= flash_fails(s, FLASH_GENERAL);
      red_fails |= flash_fails(s, FLASH_RED);
    }
    EXPECT_EQ(general_fails, c.general > FLASH_LIMIT);
    EXPECT_EQ(red_fails, c.red > FLASH_LIMIT);
  }
}

// The field's size decides: a square of 30 % of a 76x57 field fails in it, and
// passes where the field is twice as large (under the area gate); a fifth of
// a field passes, and fails where the field is half as large.
TEST(Flash, FieldSizeDecides) {
  const struct {
    show s;
    int fw, fh, general;
  } cases[] = {
      {{150, 90, 44, 30, black, white, 5}, FLASH_FIELD_W, FLASH_FIELD_H, 10},
      {{150, 90, 44, 30, black, white, 5}, 2 * FLASH_FIELD_W, 2 * FLASH_FIELD_H, 0},
      {{100, 60, 38, 23, black, white, 5}, FLASH_FIELD_W, FLASH_FIELD_H, 0},
      {{100, 60, 38, 23, black, white, 5}, FLASH_FIELD_W / 2, FLASH_FIELD_H / 2, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fw << "x" << c.fh << " square " << c.s.w << "x" << c.s.h);
    EXPECT_EQ(run(c.s, 2, c.fw, c.fh).general, c.general);
  }
}

// One second of flashing at 5 a second, then a still picture: the seconds
// that hold a failing window are the flashing one and the next (its windows
// reach back into the flashing), not the third; each second keeps its worst
// frame.
TEST(Flash, SecondsHoldTheirWorstWindow) {
  flash_state st;
  ASSERT_TRUE(flash_begin(st, W, H, FPS));
  std::vector<uint8_t> frame(W * H, 0);
  uint8_t pal[768] = {};
  pal[3] = pal[4] = pal[5] = 255;
  std::vector<flash_second> seconds;
  for (int k = 0; k < 3 * FPS; k++) {
    if (k < FPS) std::fill(frame.begin(), frame.end(), static_cast<uint8_t>(k / 6 % 2));
    flash_tally(seconds, k, FPS, flash_frame(st, frame.data(), pal));
  }
  ASSERT_EQ(seconds.size(), 3u);
  EXPECT_EQ(seconds[0].worst[FLASH_GENERAL].transitions, 9);  // frames 6, 12, ..., 54
  EXPECT_EQ(seconds[0].frame[FLASH_GENERAL], 54);
  EXPECT_EQ(seconds[1].worst[FLASH_GENERAL].transitions, 9);  // the window ending at frame 60
  EXPECT_EQ(seconds[1].frame[FLASH_GENERAL], 60);
  EXPECT_EQ(seconds[2].worst[FLASH_GENERAL].transitions, 0);
  EXPECT_TRUE(flash_fails(seconds[0], FLASH_GENERAL));
  EXPECT_TRUE(flash_fails(seconds[1], FLASH_GENERAL));
  EXPECT_FALSE(flash_fails(seconds[2], FLASH_GENERAL));
  EXPECT_FALSE(flash_fails(seconds[0], FLASH_RED));
}

TEST(Flash, ColourMeasures) {
  const struct {
    rgb c;
    double luminance, red;
  } cases[] = {
      {{0, 0, 0}, 0.0, 0.0},
      {{255, 255, 255}, 1.0, 0.0},
      {{255, 0, 0}, 0.2126, 320.0},
      {{0, 255, 0}, 0.7152, 0.0},
      {{0, 0, 255}, 0.0722, 0.0},
      {{10, 0, 0}, 0.2126 * 10 / 255.0 / 12.92, 10 / 255.0 / 12.92 * 320},  // the linear part of the curve
      {{255, 128, 0}, 0.2126 + 0.7152 * 0.2158605, (1 - 0.2158605) * 320},  // orange: 82 % red, saturated
      {{255, 140, 0}, 0.2126 + 0.7152 * 0.26225066, 0.0},                   // 79 % red: not saturated
      {{255, 60, 200}, 0.2126 + 0.7152 * 0.04518620 + 0.0722 * 0.57758044, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.c.r) << "," << int(c.c.g) << "," << int(c.c.b));
    EXPECT_NEAR(flash_luminance(c.c.r, c.c.g, c.c.b), c.luminance, 1e-6);
    EXPECT_NEAR(flash_red(c.c.r, c.c.g, c.c.b), c.red, 1e-4);
  }
}

TEST(Flash, Fields) {
  const auto f = flash_fields(W, H, FLASH_FIELD_W, FLASH_FIELD_H);
  // Columns 0, 38, ..., 228 and 244 flush right; rows 0, 28, ..., 140 and 143
  // flush with the bottom; then the whole picture.
  ASSERT_EQ(f.size(), 8u * 7u + 1u);
  const struct {
    size_t i;
    flash_field f;
  } cases[] = {
      {0, {0, 0, 76, 57}},  {1, {38, 0, 76, 57}},   {6, {228, 0, 76, 57}},    {7, {244, 0, 76, 57}},
      {8, {0, 28, 76, 57}}, {48, {0, 143, 76, 57}}, {55, {244, 143, 76, 57}}, {56, {0, 0, 320, 200}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.i);
    EXPECT_EQ(f[c.i].x, c.f.x);
    EXPECT_EQ(f[c.i].y, c.f.y);
    EXPECT_EQ(f[c.i].w, c.f.w);
    EXPECT_EQ(f[c.i].h, c.f.h);
  }
  // Steps that end on the edge take no extra window; a field larger than
  // the picture is cut to it.
  EXPECT_EQ(flash_fields(152, 113, 76, 57).size(), 3u * 3u + 1u);  // 0, 38, 76; 0, 28, 56
  const auto small = flash_fields(40, 30, 76, 57);
  ASSERT_EQ(small.size(), 2u);
  EXPECT_EQ(small[0].w, 40);
  EXPECT_EQ(small[0].h, 30);

  flash_state s;
  EXPECT_FALSE(flash_begin(s, W, H, 0));
  EXPECT_FALSE(flash_begin(s, W, H, 256));
  EXPECT_FALSE(flash_begin(s, W, H, FPS, 0, 57));
  EXPECT_FALSE(flash_begin(s, 0, H, FPS));
  EXPECT_TRUE(flash_begin(s, W, H, 255));
}

}  // namespace
