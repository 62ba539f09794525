// Dots. Owns the disc table `circle`; draws only into the frame it is given,
// rows 0..199, each cell row as one or two byte fills.
#include "effects/dots.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx/view.h"

namespace {

constexpr int GRID_COLUMNS = FRAME_W / DOT_CELL;  // 10; rows 192..199 form a short last cell row
constexpr int HALF = DOT_CELL / 2;

}  // namespace

int8_t circle[DOT_SIZES][DOT_CELL][2];

void dots_init() {
  // Size s is a disc of radius s * 23 / 256 pixels (0 .. 22.9) about cell
  // row 16, column 16. Row j's half chord h = floor(sqrt(r^2 - (j - 16)^2)),
  // at most 16 (the cell's half width); the span is 16 - h .. 16 + h - 1.
  for (int s = 0; s < DOT_SIZES; s++) {
    const double r = s * 23.0 * 0.00390625;
    for (int j = 0; j < DOT_CELL; j++) {
      const double dd = j - HALF;
      const double q = r * r - dd * dd;
      if (q < 0) {  // the row misses the disc
        circle[s][j][0] = 0;
        circle[s][j][1] = 0;
        continue;
      }
      const int h = std::min(static_cast<int>(std::sqrt(q)), HALF);
      circle[s][j][0] = static_cast<int8_t>(2 * h);
      circle[s][j][1] = static_cast<int8_t>(HALF - h);
    }
  }
}

void dots(uint8_t* frame, int t, int colour, int level) {
  const int pattern = t % 128;  // negative t gives a negative pattern: the plain level
  const bool inverse = (t & 128) != 0;
  const uint8_t col = static_cast<uint8_t>(colour & 0xFF);
  const int64_t lift = 2 * static_cast<int64_t>(level);
  for (int X = 0; X < GRID_COLUMNS * DOT_CELL; X += DOT_CELL) {
    int v = 0;
    for (int y = 0; y < FRAME_H; y++) {
      if (y % DOT_CELL == 0) {
        // One root and one sine/cosine pair per cell, at its first row.
        const int dist = static_cast<int>(std::sqrt(static_cast<double>((X - 144) * (X - 144) + (y - 84) * (y - 84))));
        const int wave = static_cast<int>((std::sin(X * 0.025) + std::cos(y * 0.025)) * 50 - 100);
        int64_t size;
        switch (pattern) {
          case 0: size = 10 * (y / 32 + X / 32) + lift - 200; break;
          case 1: size = 13 * (X / 32) + lift - 200; break;
          case 2: size = dist + lift - 200; break;
          case 3: size = lift - wave; break;
          case 4: size = wave + lift; break;
          default: size = level; break;
        }
        v = static_cast<int>(std::clamp<int64_t>(size, 0, DOT_SIZES - 1));
      }
      const int w = circle[v][y % DOT_CELL][0];
      const int start = circle[v][y % DOT_CELL][1];
      uint8_t* row = frame + y * FRAME_W + X;
      if (!inverse) {
        if (w != 0) std::memset(row + start, col, static_cast<size_t>(w));
      } else {
        const int n = HALF - w / 2;
        std::memset(row, col, static_cast<size_t>(n));
        std::memset(row + DOT_CELL - n, col, static_cast<size_t>(n));
      }
    }
  }
}
