// Rings. Owns the square-root table `skurt`; draws only into the frame it is
// given, rows 0..199 and columns 0..319, with whole-span byte fills.
//
// Each ring is the set of pixels inside the outer circle of radius R and
// outside the hole, a circle of radius R - w moved s pixels to the left. A
// row gives the ring one span (the whole chord) or two (its ends beside the
// hole), read from per-ring tables of half chords. Each side of a ring is
// walked top to bottom over only the rows where it can show in the frame,
// found by binary search in those tables. Floating point is used only for
// the seven centres and shifts per frame. Rings, like every effect, run on
// the frame-loop thread only.
#include "effects/rings.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx/span.h"
#include "gfx/view.h"

namespace {

constexpr int RINGS = 7;
constexpr int RADIUS0 = 290;  // outer radius of ring 0; each next ring is 40 smaller
constexpr int RADIUS_STEP = 40;
static_assert(RADIUS0 * RADIUS0 < SKURT_SIZE, "the largest ring must fit the root table");
constexpr int SKURT_MAX_ROOT = 299;  // largest r with r * r inside the root table
static_assert(SKURT_MAX_ROOT * SKURT_MAX_ROOT < SKURT_SIZE && (SKURT_MAX_ROOT + 1) * (SKURT_MAX_ROOT + 1) >= SKURT_SIZE);

int ring_radius(int k) { return RADIUS0 - RADIUS_STEP * k; }

// Row y of the frame. Forming a pointer outside the frame is undefined even
// when nothing is read through it, so only rows 0..199 are ever addressed;
// debug builds (the sanitizer builds among them) check it.
uint8_t* frame_row(uint8_t* frame, int y) {
  assert(y >= 0 && y < FRAME_H);
  return frame + y * FRAME_W;
}

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

// A ring's spans: the colour pattern made once (gfx/span.h), each span
// clipped to the frame's columns.
struct span_filler {
  uint64_t pat;
  explicit span_filler(int colour) : pat(span_pattern(colour)) {}
  // Bytes x0..x1 of row, clipped to columns 0..319.
  void span(uint8_t* row, int x0, int x1) const { span_fill_clipped(row, x0, x1, pat); }
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

namespace {

// The ring tables fall as |dy| grows: chord[d] for d = 0..R. The first d at
// which chord[d] < v, so chord[d] >= v exactly for d below it.
int first_below(const int16_t* chord, int R, int v) {
  return static_cast<int>(std::partition_point(chord, chord + R + 1, [v](int16_t c) { return c >= v; }) - chord);
}

// The first d at which chord[d] <= v.
int first_at_most(const int16_t* chord, int R, int v) {
  return static_cast<int>(std::partition_point(chord, chord + R + 1, [v](int16_t c) { return c > v; }) - chord);
}

// Calls draw(dy, row) for every dy with lo <= |dy| < hi inside dy_min..dy_max,
// top to bottom; row is the frame row of centre row cy plus dy.
template <typename Draw>
void for_band(uint8_t* frame, int cy, int lo, int hi, int dy_min, int dy_max, Draw draw) {
  if (lo >= hi) return;
  auto walk = [&](int from, int to) {
    if (from > to) return;  // an empty band: its first row may lie far outside the frame
    uint8_t* row = frame_row(frame, cy + from);
    for (int dy = from; dy <= to; dy++, row += FRAME_W) draw(dy, row);
  };
  walk(std::max(-(hi - 1), dy_min), std::min(-lo, dy_max));
  walk(std::max(std::max(lo, 1), dy_min), std::min(hi - 1, dy_max));
}

}  // namespace

void rings(uint8_t* frame, int t, int w, int mode, int colour) {
  // The spans are filled as horline fills them, with the pattern made once.
  // Every span of every ring has the one colour, so the frame ends up as the
  // union of the spans whatever order they are filled in. That lets each
  // ring be drawn side by side: a large ring leaves the frame to the left or
  // right on most rows, and walking only the rows where a side can show
  // skips half the spans, which would be clipped away.
  const span_filler fill(colour);
  if (w != g_hole_w) build_holes(w);
  for (int k = 0; k < RINGS; k++) {
    const int R = ring_radius(k);
    int cx, cy, s;
    if (!rings_centre(k, t, mode, &cx, &cy, &s)) return;
    const int16_t* outer_chord = g_outer[k] + R;  // indexed by dy, -R..R
    const int16_t* hole_chord = g_hole[k] + R;
    // Rows of the frame, as offsets from the centre.
    const int dy_min = std::max(-R, -cy);
    const int dy_max = std::min(R, FRAME_H - 1 - cy);
    if (dy_min > dy_max) continue;
    // |dy| < ri: the row crosses the hole, which splits the chord into two
    // spans (the hole moved -s pixels against the outer circle). Beyond, the
    // row passes above or below the hole and the whole chord is drawn.
    const int ri = first_at_most(hole_chord, R, -1);
    // The left span [cx - outer, cx - inner - s] can show only where
    // cx - outer <= 319 and cx - inner - s >= 0; the right span
    // [cx + inner - s, cx + outer] only where cx + outer >= 0 and
    // cx + inner - s <= 319. outer >= v holds for |dy| below a bound and
    // inner <= v from a bound on, so each side shows in one band of |dy|.
    const int left_lo = first_at_most(hole_chord, R, cx - s);
    const int left_hi = std::min(ri, first_below(outer_chord, R, cx - (FRAME_W - 1)));
    for_band(frame, cy, left_lo, left_hi, dy_min, dy_max,
             [=](int dy, uint8_t* row) { fill.span(row, cx - outer_chord[dy], cx - hole_chord[dy] - s); });
    const int right_lo = first_at_most(hole_chord, R, FRAME_W - 1 - cx + s);
    const int right_hi = std::min(ri, first_below(outer_chord, R, -cx));
    for_band(frame, cy, right_lo, right_hi, dy_min, dy_max,
             [=](int dy, uint8_t* row) { fill.span(row, cx + hole_chord[dy] - s, cx + outer_chord[dy]); });
    // The whole chord shows where cx - outer <= 319 and cx + outer >= 0.
    const int whole_hi = first_below(outer_chord, R, std::max(cx - (FRAME_W - 1), -cx));
    for_band(frame, cy, ri, whole_hi, dy_min, dy_max,
             [=](int dy, uint8_t* row) { fill.span(row, cx - outer_chord[dy], cx + outer_chord[dy]); });
  }
}
