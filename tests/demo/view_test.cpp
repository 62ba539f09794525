// Palette setters against a real 8-bit surface (SDL's dummy video driver),
// and the picture placement transform.
#include <gtest/gtest.h>

#include <SDL.h>

#include <climits>
#include <vector>

#include "demo/gfx.h"
#include "gfx/view.h"

namespace {

class Palette : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    scr = SDL_SetVideoMode(320, 240, 8, 0);
    ASSERT_NE(scr, nullptr) << SDL_GetError();
  }
  static void TearDownTestSuite() {
    SDL_Quit();
    scr = nullptr;
  }
  void SetUp() override {
    // A known, distinctive starting palette: entry i = (i, 255 - i, 7).
    for (int i = 0; i < 256; i++) gfx_setcolor(i, i, 255 - i, 7);
  }
  static SDL_Color entry(int i) { return scr->format->palette->colors[i]; }
  static void expect_entry(int i, int r, int g, int b) {
    const SDL_Color c = entry(i);
    EXPECT_EQ(c.r, r) << "entry " << i;
    EXPECT_EQ(c.g, g) << "entry " << i;
    EXPECT_EQ(c.b, b) << "entry " << i;
  }
};

TEST_F(Palette, SetColorTakesLowEightBitsOfEachComponent) {
  gfx_setcolor(5, 256 + 10, -1, 0x1234);
  expect_entry(5, 10, 255, 0x34);
  expect_entry(4, 4, 251, 7);  // neighbours untouched
  expect_entry(6, 6, 249, 7);
}

TEST_F(Palette, SetPaletteWritesConsecutiveEntriesAndIgnoresEmptyCounts) {
  const uint8_t rgb[] = {1, 2, 3, 4, 5, 6};
  gfx_setpalette(200, 2, rgb);
  expect_entry(200, 1, 2, 3);
  expect_entry(201, 4, 5, 6);
  expect_entry(202, 202, 53, 7);

  gfx_setpalette(1, 0, rgb);
  gfx_setpalette(1, -5, rgb);
  expect_entry(1, 1, 254, 7);
}

TEST_F(Palette, SetkolorLoadsColoursAndShadesHalfwayToTheTint) {
  int32_t colours[101] = {};
  colours[1] = (255 << 16) | (128 << 8) | 1;
  colours[2] = 0;  // black
  colours[100] = (10 << 16) | (20 << 8) | 30;

  setkolor(colours, 0, 0, 0, 100);
  expect_entry(1, 255, 128, 1);
  expect_entry(129, 127, 64, 0);  // halves truncate
  expect_entry(100, 10, 20, 30);
  expect_entry(228, 5, 10, 15);
  expect_entry(229, 229, 26, 7);  // past count: untouched
  expect_entry(0, 0, 255, 7);     // entry 0 is never set

  setkolor(colours, 255, 255, 255, 100);
  expect_entry(2, 0, 0, 0);
  expect_entry(130, 127, 127, 127);
  expect_entry(129, 255, 191, 128);  // (255+255)>>1, (128+255)>>1, (1+255)>>1
}

TEST_F(Palette, ChangesWaitForOnePhysicalUpdateBeforeTheFlip) {
  gfx_present_palette();
  EXPECT_FALSE(gfx_palette_dirty);
  gfx_setcolor(9, 1, 2, 3);
  EXPECT_TRUE(gfx_palette_dirty);
  expect_entry(9, 1, 2, 3);  // the logical palette changes at once
  gfx_present_palette();
  EXPECT_FALSE(gfx_palette_dirty);
  expect_entry(9, 1, 2, 3);  // and the physical update leaves it as it was
  expect_entry(10, 10, 245, 7);
}

TEST_F(Palette, SetkolorStopsAtCount) {
  int32_t colours[4] = {0, 0x010203, 0x040506, 0x070809};
  setkolor(colours, 0, 0, 0, 2);
  expect_entry(2, 4, 5, 6);
  expect_entry(3, 3, 252, 7);
  expect_entry(131, 131, 124, 7);
}

// Indices past the palette (SDL would copy past its colour array) and counts
// past the shades' room (past entry 255, and past a picture's 200 colours) are
// held back: the palette keeps every entry they do not own.
TEST_F(Palette, ArgumentsPastThePaletteAreHeldBack) {
  for (int index : {256, 300, -1, -256, INT32_MIN, INT32_MAX}) gfx_setcolor(index, 1, 2, 3);
  gfx_setpalette(250, 10, std::vector<uint8_t>(30, 9).data());
  for (int i = 0; i < 250; i++) expect_entry(i, i, 255 - i, 7);
  for (int i = 250; i < 256; i++) expect_entry(i, 9, 9, 9);
  for (int count : {128, 200, 201, 1000, INT32_MAX}) {
    SetUp();
    std::vector<int32_t> colr(200);  // a picture's table, no more
    for (int k = 0; k < 200; k++) colr[k] = k << 16 | 1 << 8 | 2;
    setkolor(colr.data(), 0, 0, 0, count);
    expect_entry(127, 127, 1, 2);
    expect_entry(255, 63, 0, 1);
    expect_entry(128, 128, 127, 7);  // the shade of 0 is not set
    expect_entry(0, 0, 255, 7);
  }
}

struct View {
  int32_t px, py, skale;
};

void place(View v, int32_t x, int32_t y, int32_t* ox, int32_t* oy) {
  px = v.px;
  py = v.py;
  skale = v.skale;
  transu(x, y, ox, oy);
}

TEST(Transu, PlacesTheOriginAtTheOffsetFromTheFrameCentre) {
  int32_t ox, oy;
  for (int32_t s : {0, 40, 16384, 1000 * 16384}) {
    place({0, 80, s}, 0, 0, &ox, &oy);
    EXPECT_EQ(ox, 640);
    EXPECT_EQ(oy, 480);
  }
}

TEST(Transu, FlipsYAndScalesInTwoPointFourteen) {
  int32_t ox, oy;
  place({0, 0, 16384}, -100, 100, &ox, &oy);
  EXPECT_EQ(ox, 540);
  EXPECT_EQ(oy, 300);
  place({-240, 0, 100}, 65536, 65536, &ox, &oy);  // larger half-extent -> skale pixels
  EXPECT_EQ(ox, -240 + 400 + 640);
  EXPECT_EQ(oy, 400 - 400);
}

TEST(Transu, ShiftsRoundTowardMinusInfinity) {
  int32_t ox, oy;
  place({0, 0, 40}, 1, 1, &ox, &oy);
  EXPECT_EQ(ox, 640);
  EXPECT_EQ(oy, 400);
  place({0, 0, 40}, -1, -1, &ox, &oy);
  EXPECT_EQ(ox, 639);
  EXPECT_EQ(oy, 401);
}

TEST(Transu, ProductsWrapInThirtyTwoBits) {
  int32_t ox, oy;
  // 65536 * 65536 = 2^32 wraps to 0; 65537 * 65536 wraps to 65536 -> 4 after >> 14.
  place({0, 0, 65536}, 65536, 65537, &ox, &oy);
  EXPECT_EQ(ox, 640);
  EXPECT_EQ(oy, 400 - 4);
}

}  // namespace
