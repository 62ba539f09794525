// Rings. Owns the square-root table `skurt`; draws only into the frame it is
// given, rows 0..199 and columns 0..319, with whole-span byte fills.
//
// Each ring is the set of pixels inside the outer circle of radius R and
// outside the hole, a circle of radius R - w moved s pixels to the left. The
// rows are walked top to bottom; per row two table lookups give the half
// chords, and at most two spans are filled. Floating point is used only for
// the seven centres and shifts per frame. Rings, like every effect, run on
// the frame-loop thread only.
#include "effects/rings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int FRAME_W = 320;
constexpr int FRAME_H = 200;  // rows below 199 end a ring
constexpr int RINGS = 7;
constexpr int RADIUS0 = 290;  // outer radius of ring 0; each next ring is 40 smaller
constexpr int RADIUS_STEP = 40;
static_assert(RADIUS0 * RADIUS0 < SKURT_SIZE, "the largest ring must fit the root table");
constexpr int SKURT_MAX_ROOT = 299;  // largest r with r * r inside the root table
static_assert(SKURT_MAX_ROOT * SKURT_MAX_ROOT < SKURT_SIZE && (SKURT_MAX_ROOT + 1) * (SKURT_MAX_ROOT + 1) >= SKURT_SIZE);

int ring_radius(int k) { return RADIUS0 - RADIUS_STEP * k; }

// The half chords every row needs, read from skurt once instead of per row:
// skurt is 180 KB and its entries for one ring lie far apart, while these
// tables take 2 x 7 x 581 entries and stay in the first-level cache.
//   g_outer[k][dy + R] = skurt[R^2 - dy^2]            (built by rings_init)
//   g_hole[k][dy + R]  = skurt[ri^2 - dy^2], or -1 where ri^2 - dy^2 <= 0
// with ri the hole radius for the thickness g_hole_w. The timeline draws each
// scene with one thickness, so the hole table is rebuilt only when it changes.
constexpr int CHORDS = 2 * RADIUS0 + 1;
int16_t g_outer[RINGS][CHORDS];
int16_t g_hole[RINGS][CHORDS];
int g_hole_w = INT_MIN;  // thickness g_hole holds; INT_MIN: none yet

// Hole radius of ring k for thickness w: |R - w|, as the row test squares
// R - w (a thickness beyond R opens a hole of radius w - R again). Beyond 299
// the squared radius would leave the root table, so it is held at 299 there.
int hole_radius(int k, int w) {
  const int64_t ri = std::abs(static_cast<int64_t>(ring_radius(k)) - w);
  return static_cast<int>(std::min<int64_t>(ri, SKURT_MAX_ROOT));
}

void build_holes(int w) {
  for (int k = 0; k < RINGS; k++) {
    const int R = ring_radius(k);
    const int ri = hole_radius(k, w);
    for (int dy = -R; dy <= R; dy++) {
      const int hole = ri * ri - dy * dy;
      g_hole[k][dy + R] = hole <= 0 ? int16_t{-1} : skurt[hole];
    }
  }
  g_hole_w = w;
}

// Byte fill for the short spans that make up most of a ring: overlapping
// 16-, 8- or 4-byte stores of the colour pattern (memcpy of a constant size
// compiles to one move) instead of a library call; long spans go to memset.
struct span_filler {
  uint64_t pat[2];
  explicit span_filler(int colour) {
    pat[0] = pat[1] = UINT64_C(0x0101010101010101) * static_cast<uint8_t>(colour & 0xFF);
  }
  // Bytes x0..x1 of row, clipped to columns 0..319.
  void span(uint8_t* row, int x0, int x1) const {
    x0 = std::max(x0, 0);
    x1 = std::min(x1, FRAME_W - 1);
    if (x0 > x1) return;
    uint8_t* p = row + x0;
    const size_t n = static_cast<size_t>(x1 - x0 + 1);
    if (n >= 16) {
      if (n >= 128) {
        std::memset(p, static_cast<int>(pat[0] & 0xFF), n);
        return;
      }
      uint8_t* last = p + n - 16;
      for (; p < last; p += 16) std::memcpy(p, pat, 16);
      std::memcpy(last, pat, 16);
    } else if (n >= 8) {
      std::memcpy(p, pat, 8);
      std::memcpy(p + n - 8, pat, 8);
    } else if (n >= 4) {
      std::memcpy(p, pat, 4);
      std::memcpy(p + n - 4, pat, 4);
    } else {
      for (size_t i = 0; i < n; i++) p[i] = static_cast<uint8_t>(pat[0]);
    }
  }
};

}  // namespace

int16_t skurt[SKURT_SIZE];

void rings_init() {
  // floor(sqrt(i)) in double precision, truncated; exact for every i here
  // because the double root of a perfect square is exact.
  for (int i = 0; i < SKURT_SIZE; i++) skurt[i] = static_cast<int16_t>(std::sqrt(static_cast<double>(i)));
  for (int k = 0; k < RINGS; k++) {
    const int R = ring_radius(k);
    for (int dy = -R; dy <= R; dy++) g_outer[k][dy + R] = skurt[R * R - dy * dy];
  }
  g_hole_w = INT_MIN;  // any hole table was made from an older skurt
}

void horline(int x0, int x1, int y, uint8_t* frame, int colour) {
  span_filler(colour).span(frame + y * FRAME_W, x0, x1);
}

bool rings_centre(int k, int t, int mode, int* cx, int* cy, int* s) {
  const int R = ring_radius(k);
  const double td = t;
  if (mode == 1) {
    // The sine is kept in single precision before the time term is added;
    // 0.0005263... is the double nearest 1/1900, 0.00333... 1/300, 0.0015015... 1/666.
    const float a0 = static_cast<float>(std::sin(R * 0.002 + td * 0.0005263157894736842));
    const double a = static_cast<double>(a0) + td * 0.001;
    *cx = static_cast<int>(160.0 - 100.0 * std::sin(a));
    *cy = static_cast<int>(100.0 + 100.0 * std::cos(a));
    *s = static_cast<int>(32.0 * std::sin(R * 0.0033333333333333335 + td * 0.0015015015015015015));
    return true;
  }
  if (mode == 2) {
    const int p = -4350 + 600 * k;  // phase; p / 40 + 224 = 116, 131, ..., 206
    const double b = td * 0.0033333333333333335 - R * 0.005;
    *cx = static_cast<int>(static_cast<double>(p / 40 + 224) + 75.0 * std::sin(b));
    *cy = static_cast<int>(100.0 + 75.0 * std::cos(b));
    *s = -15;
    return true;
  }
  return false;
}

void rings(uint8_t* frame, int t, int w, int mode, int colour) {
  // The spans are filled as horline fills them, with the pattern made once.
  const span_filler fill(colour);
  if (w != g_hole_w) build_holes(w);
  for (int k = 0; k < RINGS; k++) {
    const int R = ring_radius(k);
    int cx, cy, s;
    if (!rings_centre(k, t, mode, &cx, &cy, &s)) return;
    const int16_t* outer_chord = g_outer[k] + R;  // indexed by dy
    const int16_t* hole_chord = g_hole[k] + R;
    // Top to bottom; rows above the frame are skipped and the first row
    // below it ends the ring, so the walk starts and stops at the frame.
    const int dy_end = std::min(R, FRAME_H - 1 - cy);
    for (int dy = std::max(-R, -cy); dy <= dy_end; dy++) {
      uint8_t* row = frame + (cy + dy) * FRAME_W;
      const int outer = outer_chord[dy];
      const int inner = hole_chord[dy];
      if (inner < 0) {
        // The row passes above or below the hole: the whole chord.
        fill.span(row, cx - outer, cx + outer);
      } else {
        // The hole, moved -s pixels against the outer circle, splits it.
        fill.span(row, cx - outer, cx - inner - s);
        fill.span(row, cx + inner - s, cx + outer);
      }
    }
  }
}
