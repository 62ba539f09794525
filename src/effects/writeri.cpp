// Text writer. Owns the font image `fnt` and the character set; writes only
// inside the 320x256 bytes of the frame it is given.
//
// Font image: 320 pixels wide, 384 rows, stored row by row: drawings 0, 1, 2
// of 128 rows each, each a grid of 10 x 4 cells of 32 x 32 pixels. Glyph g
// sits in cell column g mod 10, cell row g div 10; only the left 28 columns
// of a cell are drawn. Pixel 0 is body, 255 transparent, anything else outline.
#include "effects/writeri.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gfx/view.h"

namespace {

constexpr int FONT_W = 320;
constexpr int DRAWINGS = 3;
constexpr int DRAWING_BYTES = FONT_W * 128;
constexpr int CELL = 32;
constexpr int CELLS_PER_ROW = 10;
constexpr int GLYPH_W = 28;  // drawn columns of a cell
constexpr int ADVANCE = 22;  // neighbouring cells overlap by 6 columns
constexpr int DRAWING_MS = 140;  // each character shows a drawing for 140 ms
constexpr uint8_t BODY = 0;
constexpr uint8_t CLEAR = 255;
constexpr uint8_t SHADE_BIT = 0x80;  // palette entry k + 128 is the shade of k

static_assert(DRAWINGS * DRAWING_BYTES == FONT_BYTES);

}  // namespace

// Declared extern in the header, so this constant has external linkage.
constexpr char chars[] = "abcdefghijklmnopqrstuvwxyz1234567890!'";

namespace {

constexpr int NGLYPHS = sizeof(chars) - 1;
static_assert(NGLYPHS == 38);

// Glyph number of every byte value: its first place in the character set, or
// -1. The terminating zero of the set is not a character.
constexpr std::array<int8_t, 256> make_glyph_of() {
  std::array<int8_t, 256> g{};
  for (auto& e : g) e = -1;
  for (int i = NGLYPHS - 1; i >= 0; i--) g[static_cast<unsigned char>(chars[i])] = static_cast<int8_t>(i);
  return g;
}
constexpr std::array<int8_t, 256> glyph_of = make_glyph_of();
static_assert(glyph_of['a'] == 0 && glyph_of['z'] == 25 && glyph_of['1'] == 26 && glyph_of['0'] == 35);
static_assert(glyph_of['!'] == 36 && glyph_of['\''] == 37 && glyph_of[' '] == -1 && glyph_of[0] == -1);

}  // namespace

uint8_t fnt[FONT_BYTES];

int writeri_init(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return -1;
  // Read aside first: a file that opens but cannot be read (a directory, an
  // I/O error) fails like a missing one and leaves the font as it was.
  std::vector<uint8_t> image(FONT_BYTES, 0);
  std::fread(image.data(), 1, image.size(), f);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return -1;
  std::memcpy(fnt, image.data(), sizeof fnt);
  return 0;
}

void writeri_char(uint8_t* frame, int x, int y, int ch, int a, int colour) {
  const int g = glyph_of[static_cast<unsigned char>(ch)];
  if (g < 0 || a < 0 || a >= DRAWINGS) return;
  // A cell wholly outside the frame draws nothing. Tested first, so that the
  // clipping below works on positions near the frame, where -x and
  // FRAME_W - x cannot overflow (x = INT_MIN would).
  if (x <= -GLYPH_W || x >= FRAME_W || y <= -CELL || y >= FRAME_ROWS) return;
  // Clip the cell to the frame; for cells inside it this is the whole cell.
  const int j0 = std::max(0, -x), j1 = std::min(GLYPH_W, FRAME_W - x);
  const int r0 = std::max(0, -y), r1 = std::min(CELL, FRAME_ROWS - y);
  const uint8_t col = static_cast<uint8_t>(colour & 0xFF);
  const uint8_t* glyph = fnt + a * DRAWING_BYTES + (g / CELLS_PER_ROW) * (CELL * FONT_W) + (g % CELLS_PER_ROW) * CELL;
  for (int r = r0; r < r1; r++) {
    const uint8_t* src = glyph + r * FONT_W;
    uint8_t* dst = frame + (y + r) * FRAME_W + x;
    for (int j = j0; j < j1; j++) {
      const uint8_t v = src[j];
      if (v == BODY) {
        dst[j] = col;
      } else if (v != CLEAR) {
        dst[j] = static_cast<uint8_t>(dst[j] | SHADE_BIT);
      }
    }
  }
}

void writeri(uint8_t* frame, int x, int y, const char* text, int centre, int time, int colour) {
  const size_t n = std::strlen(text);
  // Positions in 64 bits: a long text centred far off cannot overflow.
  int64_t x0 = x, y0 = y;
  if (centre != 0) {
    x0 = x - (11 * static_cast<int64_t>(n) + 4);
    y0 = static_cast<int64_t>(y) - 16;
  }
  if (y0 <= -CELL || y0 >= FRAME_ROWS) return;
  // The drawing index is taken non-negative, so a negative time cannot pick
  // a drawing outside the font; for time >= 0 it is (q + i) mod 3.
  const int q = time / DRAWING_MS;
  const int q3 = ((q % DRAWINGS) + DRAWINGS) % DRAWINGS;
  for (size_t i = 0; i < n; i++) {
    const int64_t cx = x0 + ADVANCE * static_cast<int64_t>(i);
    if (cx >= FRAME_W) break;       // this and every later cell lie right of the frame
    if (cx <= -GLYPH_W) continue;  // wholly left of the frame
    const int drawing = static_cast<int>((q3 + i % DRAWINGS) % DRAWINGS);
    writeri_char(frame, static_cast<int>(cx), static_cast<int>(y0), static_cast<unsigned char>(text[i]), drawing, colour);
  }
}
