// Text writer: glyph cells and drawings chosen per character and time,
// centring, body / outline / transparent pixels, the font file reader, the
// all-zero font, and clipping at the frame edges. The test font is made in
// code: every cell marks its own cell column, cell row and drawing with body
// pixels in its first three rows, so a drawn cell tells which one it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "effects/writeri.h"

namespace {

constexpr int W = 320, ROWS = 256, FRAME = W * ROWS, GUARD = 4096;
constexpr uint8_t BG = 127, COL = 126;

// Cell (cx, cy) of drawing a: transparent but for body pixels at (cx, 0),
// (cy, 1) and (a, 2), an outline pixel (value 9) at (27, 31), and body in
// the undrawn columns 28..31 of row 4.
void make_test_font() {
  std::memset(fnt, 255, FONT_BYTES);
  for (int a = 0; a < 3; a++)
    for (int cy = 0; cy < 4; cy++)
      for (int cx = 0; cx < 10; cx++) {
        uint8_t* cell = fnt + a * 40960 + cy * 32 * 320 + cx * 32;
        cell[cx] = cell[320 + cy] = cell[640 + a] = 0;
        cell[31 * 320 + 27] = 9;
        std::memset(cell + 4 * 320 + 28, 0, 4);
      }
}

class Writer : public ::testing::Test {
 protected:
  void SetUp() override {
    make_test_font();
    frame.assign(FRAME + GUARD, BG);
  }
  void TearDown() override { std::memset(fnt, 0, FONT_BYTES); }
  int first_body(int x, int y) const {
    for (int j = 0; j < 10; j++)
      if (frame[y * W + x + j] == COL) return j;
    return -1;
  }
  // {cell column, cell row, drawing} of the cell drawn with its corner at (x, y).
  std::vector<int> cell_at(int x, int y) const { return {first_body(x, y), first_body(x, y + 1), first_body(x, y + 2)}; }
  int changed() const {
    int n = 0;
    for (int i = 0; i < FRAME; i++) n += frame[i] != BG;
    for (int i = FRAME; i < FRAME + GUARD; i++) EXPECT_EQ(frame[i], BG) << "wrote past the frame";
    return n;
  }
  std::vector<uint8_t> frame;
};

}  // namespace

TEST_F(Writer, GlyphCells) {
  const struct {
    char ch;
    int cx, cy;
  } cases[] = {{'a', 0, 0}, {'k', 0, 1}, {'z', 5, 2}, {'1', 6, 2}, {'9', 4, 3}, {'0', 5, 3}, {'!', 6, 3}, {'\'', 7, 3}};
  for (const auto& c : cases)
    for (int a = 0; a < 3; a++) {
      frame.assign(FRAME + GUARD, BG);
      writeri_char(frame.data(), 40, 50, c.ch, a, COL);
      EXPECT_EQ(cell_at(40, 50), (std::vector<int>{c.cx, c.cy, a})) << c.ch;
    }
  EXPECT_EQ(std::strlen(chars), 38u);
}

TEST_F(Writer, PixelKinds) {
  uint8_t& outline = frame[(50 + 31) * W + 40 + 27];
  frame[50 * W + 40] = 3;
  outline = 127;
  writeri_char(frame.data(), 40, 50, 'a', 0, 0x100 + COL);  // the colour's low 8 bits
  EXPECT_EQ(frame[50 * W + 40], COL);  // body replaces what was there
  EXPECT_EQ(outline, 255);             // outline over 127: its shade
  EXPECT_EQ(changed(), 4);             // three marks and the outline; columns 28..31 untouched
  outline = 200;                       // over a shade it stays
  writeri_char(frame.data(), 40, 50, 'a', 0, COL);
  EXPECT_EQ(outline, 200);
  outline = 5;
  writeri_char(frame.data(), 40, 50, 'a', 0, COL);
  EXPECT_EQ(outline, 133);
}

TEST_F(Writer, NoGlyphDrawsNothing) {
  for (int ch : {int{' '}, int{'A'}, int{'.'}, 0, 200, -1}) writeri_char(frame.data(), 40, 50, ch, 0, COL);
  writeri_char(frame.data(), 40, 50, 'a', 3, COL);  // drawings are 0..2
  writeri_char(frame.data(), 40, 50, 'a', -1, COL);
  writeri(frame.data(), 160, 100, "", 1, 0, COL);
  EXPECT_EQ(changed(), 0);
}

TEST_F(Writer, CentringAndDrawingsByTime) {
  // "ab" centred at (160, 100): x0 = 160 - (11 * 2 + 4) = 134, y0 = 84.
  const int times[] = {0, 139, 140, 280, 420 + 140, -140};
  const int drawings[][2] = {{0, 1}, {0, 1}, {1, 2}, {2, 0}, {1, 2}, {2, 0}};  // -140: q = -1 taken as 2
  for (int i = 0; i < 6; i++) {
    frame.assign(FRAME + GUARD, BG);
    writeri(frame.data(), 160, 100, "ab", 1, times[i], COL);
    EXPECT_EQ(cell_at(134, 84), (std::vector<int>{0, 0, drawings[i][0]})) << "time " << times[i];
    EXPECT_EQ(cell_at(156, 84), (std::vector<int>{1, 0, drawings[i][1]})) << "time " << times[i];
    EXPECT_EQ(changed(), 8);
  }
  // Not centred, with characters that have no glyph but still advance 22:
  // A draws nothing, b at 32 in drawing 1, the space, c at 76 in drawing 0.
  frame.assign(FRAME + GUARD, BG);
  writeri(frame.data(), 10, 20, "Ab c", 0, 0, COL);
  EXPECT_EQ(cell_at(32, 20), (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(cell_at(76, 20), (std::vector<int>{2, 0, 0}));
  EXPECT_EQ(changed(), 8);
}

TEST_F(Writer, ClipsAtTheFrameEdges) {
  std::memset(fnt, 0, FONT_BYTES);  // the all-zero font draws solid 28 x 32 blocks
  for (int x : {-40, -10, 0, 292, 300, 320})
    for (int y : {-40, -5, 0, 224, 240, 256}) {
      frame.assign(FRAME + GUARD, BG);
      writeri_char(frame.data(), x, y, 'q', 1, COL);
      for (int r = 0; r < ROWS; r++)
        for (int j = 0; j < W; j++) {
          const bool in = j >= x && j < x + 28 && r >= y && r < y + 32;
          ASSERT_EQ(frame[r * W + j], in ? COL : BG) << "cell at " << x << "," << y << " pixel " << j << "," << r;
        }
      changed();
    }
  frame.assign(FRAME + GUARD, BG);
  for (int far : {2000000000, -2000000000, INT32_MAX, INT32_MIN}) {
    writeri(frame.data(), far, 100, "abc", 1, 0, COL);
    writeri(frame.data(), 100, far, "abc", 1, 0, COL);
    writeri_char(frame.data(), far, 100, 'a', 0, COL);
    writeri_char(frame.data(), 100, far, 'a', 0, COL);
  }
  EXPECT_EQ(changed(), 0);
  writeri(frame.data(), 250, 240, "abcdefghij", 0, 0, COL);  // runs off the right and the bottom
  EXPECT_EQ(changed(), (320 - 250) * 16);
  // A text inside the frame is drawn whole: "a b" as two blocks and a gap.
  frame.assign(FRAME + GUARD, BG);
  writeri(frame.data(), 10, 20, "a b", 0, 0, COL);
  EXPECT_EQ(changed(), 2 * 28 * 32);
  EXPECT_EQ(frame[20 * W + 37], COL);
  EXPECT_EQ(frame[20 * W + 38], BG);
  EXPECT_EQ(frame[51 * W + 54], COL);
}

TEST_F(Writer, FontFile) {
  const std::string path = std::string(ZAP_BINARY_DIR) + "/writeri_test_font.raw";
  // A file of the image's size, a short one (the rest of the image zero) and
  // a longer one (the image read, the bytes past it ignored).
  std::vector<uint8_t> font(FONT_BYTES + 5000);
  for (size_t i = 0; i < font.size(); i++) font[i] = static_cast<uint8_t>(i * 7 + 3);
  for (size_t len : {size_t{FONT_BYTES}, size_t{1000}, font.size()}) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(font.data(), 1, len, f);
    std::fclose(f);
    ASSERT_EQ(writeri_init(path.c_str()), 0) << len;
    const size_t image = std::min(len, size_t{FONT_BYTES});
    EXPECT_EQ(std::memcmp(fnt, font.data(), image), 0) << len;
    for (size_t i = len; i < FONT_BYTES; i++) ASSERT_EQ(fnt[i], 0) << "a short file leaves the rest zero";
  }
  // A file that cannot be opened, or opens but cannot be read (a directory).
  for (const std::string& bad : {path + ".missing", std::string(ZAP_BINARY_DIR)}) {
    std::memcpy(fnt, font.data(), FONT_BYTES);
    EXPECT_EQ(writeri_init(bad.c_str()), -1) << bad;
    EXPECT_EQ(std::memcmp(fnt, font.data(), FONT_BYTES), 0) << bad << ": a failed read must leave the font alone";
  }
  std::remove(path.c_str());
}
