// The shipped font image, data/fontti.raw, read by the demo's own text writer:
// its size and cell layout, the bounce between its three drawings, an outline
// that closes every body off from the outside, neighbours at the 22-pixel
// advance that never shade or cover each other's bodies, and centred texts
// that land where the scenes centre them. (tests/content/cli.cmake checks
// that fontgen regenerates the file byte for byte.)
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <vector>

#include "effects/writeri.h"

namespace {

constexpr const char* kPath = ZAP_SOURCE_DIR "/data/fontti.raw";
constexpr int W = 320, ROWS = 256, CELL = 32, DRAWN = 28, GLYPHS = 38;

uint8_t px(int a, int g, int x, int y) {
  return fnt[a * 40960 + (g / 10) * CELL * 320 + (g % 10) * CELL + y * 320 + x];
}

class Font : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(writeri_init(kPath), 0) << kPath; }
  static void TearDownTestSuite() { std::memset(fnt, 0, FONT_BYTES); }
};

}  // namespace

TEST_F(Font, SizeAndCells) {
  EXPECT_EQ(std::filesystem::file_size(kPath), static_cast<uintmax_t>(FONT_BYTES));
  for (int a = 0; a < 3; a++)
    for (int g = 0; g < 40; g++)
      for (int y = 0; y < CELL; y++)
        for (int x = 0; x < CELL; x++)
          if (g >= GLYPHS || x >= DRAWN) {
            ASSERT_EQ(px(a, g, x, y), 255) << "drawing " << a << " cell " << g;
          }
}

// Drawing 1 holds each glyph where it stands; drawings 0 and 2 are the same
// glyph one row higher and one row lower, and nothing else differs.
TEST_F(Font, DrawingsAreOneBounce) {
  for (int g = 0; g < GLYPHS; g++)
    for (int y = 0; y < CELL; y++)
      for (int x = 0; x < DRAWN; x++) {
        const uint8_t up = y + 1 < CELL ? px(1, g, x, y + 1) : 255;
        const uint8_t down = y > 0 ? px(1, g, x, y - 1) : 255;
        ASSERT_EQ(px(0, g, x, y), up) << chars[g] << " at " << x << "," << y;
        ASSERT_EQ(px(2, g, x, y), down) << chars[g] << " at " << x << "," << y;
      }
}

// Every glyph has a body that no transparent pixel reachable from the cell's
// edge touches (the outline rings it), the bodies differ from one another,
// and 0 is narrower than O.
TEST_F(Font, BodiesOutlinedAndDistinct) {
  std::vector<std::vector<uint8_t>> bodies;
  std::array<int, GLYPHS> width{};
  for (int g = 0; g < GLYPHS; g++) {
    std::vector<uint8_t> body(CELL * DRAWN), out(CELL * DRAWN);
    std::vector<int> todo;
    int x0 = DRAWN, x1 = -1;
    for (int y = 0; y < CELL; y++)
      for (int x = 0; x < DRAWN; x++) {
        body[y * DRAWN + x] = px(1, g, x, y) == 0;
        if (body[y * DRAWN + x]) x0 = std::min(x0, x), x1 = std::max(x1, x);
        if ((x == 0 || y == 0 || x == DRAWN - 1 || y == CELL - 1) && px(1, g, x, y) == 255) {
          out[y * DRAWN + x] = 1;
          todo.push_back(y * DRAWN + x);
        }
      }
    ASSERT_GE(x1, 0) << chars[g] << " has no body";
    width[g] = x1 - x0 + 1;
    while (!todo.empty()) {
      const int i = todo.back(), x = i % DRAWN, y = i / DRAWN;
      todo.pop_back();
      for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
        const int xx = x + dx, yy = y + dy, j = yy * DRAWN + xx;
        if (xx < 0 || yy < 0 || xx >= DRAWN || yy >= CELL) continue;
        ASSERT_FALSE(body[j]) << chars[g] << ": body at " << xx << "," << yy << " touches the outside";
        if (!out[j] && px(1, g, xx, yy) == 255) out[j] = 1, todo.push_back(j);
      }
    }
    for (size_t k = 0; k < bodies.size(); k++) EXPECT_NE(bodies[k], body) << chars[g] << " draws as " << chars[k];
    bodies.push_back(body);
  }
  EXPECT_LT(width[35], width[14]) << "0 as wide as O";
}

// Any two characters written side by side, in every pair of drawings: the
// second one's outline never lands on the first one's body (which would show
// the body's shade) and neither body covers the other.
TEST_F(Font, NeighboursKeepTheirBodies) {
  constexpr uint8_t BG = 1, COL = 2;
  std::vector<uint8_t> frame(W * ROWS);
  std::array<std::array<int, GLYPHS>, 3> body{};
  for (int a = 0; a < 3; a++)
    for (int g = 0; g < GLYPHS; g++)
      for (int y = 0; y < CELL; y++)
        for (int x = 0; x < DRAWN; x++) body[a][g] += px(a, g, x, y) == 0;
  for (int i = 0; i < GLYPHS; i++)
    for (int j = 0; j < GLYPHS; j++)
      for (int t = 0; t < 3; t++) {
        std::fill(frame.begin() + 100 * W, frame.begin() + 140 * W, BG);
        const char text[3] = {chars[i], chars[j], 0};
        writeri(frame.data(), 100, 104, text, 0, 140 * t, COL);
        const int bodies = static_cast<int>(std::count(frame.begin() + 100 * W, frame.begin() + 140 * W, COL));
        const int shaded = static_cast<int>(std::count(frame.begin() + 100 * W, frame.begin() + 140 * W, COL | 0x80));
        ASSERT_EQ(shaded, 0) << text << " at time " << 140 * t;
        ASSERT_EQ(bodies, body[t][i] + body[(t + 1) % 3][j]) << text << " at time " << 140 * t;
      }
}

// The centred texts of the scenes that begin and end with a full-width letter
// (a "!" at the end ends the ink early): the middle of what is drawn lies
// within two pixels of the point given, across and down.
TEST_F(Font, CentredTextsLandOnTheirPoint) {
  const struct {
    const char* text;
    int x, y;
  } cases[] = {{"bongo squad", 160, 80}, {"on the floor", 160, 120}, {"zap cobbles", 160, 100},
               {"go'go dudes", 160, 170}, {"vemp", 240, 100},
               {"grafix", 240, 100},     {"tib", 240, 100},         {"funk", 240, 100}};
  std::vector<uint8_t> frame(W * ROWS);
  for (const auto& c : cases) {
    std::fill(frame.begin(), frame.end(), 127);
    writeri(frame.data(), c.x, c.y, c.text, 1, 0, 126);
    int x0 = W, x1 = -1, y0 = ROWS, y1 = -1;
    for (int y = 0; y < ROWS; y++)
      for (int x = 0; x < W; x++)
        if (frame[y * W + x] != 127) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    EXPECT_NEAR((x0 + x1) / 2.0, c.x, 2.0) << c.text;
    EXPECT_NEAR((y0 + y1) / 2.0, c.y, 2.0) << c.text;
  }
}
