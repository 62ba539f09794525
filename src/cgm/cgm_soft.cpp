// Picture rasteriser. Draws into the 320x200 frame it is given and nowhere
// else; owns the triangle edge tables `left` and `right`, so neither
// cgm_tri nor cgm_render is re-entrant.
//
// Units: frame coordinates are quarter pixels (q falls in pixel (q + 2) >> 2,
// floor division); triangle edges are pixels in 16.16; the line DDA keeps a
// 14-bit fraction. Any 32-bit coordinate a callback can produce is safe: the
// pixel of q and every slope are computed with 64-bit intermediates (the
// exact values, where 32-bit products would have wrapped), and walks start
// and stop at the frame's edges, so an enormous triangle or line costs no
// more than a full-screen one. Inside the frame the results are those of the
// plain row-by-row and step-by-step walk.
#include "cgm/cgm_soft.h"

#include <algorithm>
#include <cstring>

#include "demo/gfx.h"

namespace {

// --- Constants ---------------------------------------------------------------

// Frame size: FRAME_W x FRAME_H (gfx.h).

// Quarter pixels to 16.16 pixels: q / 4 * 65536.
constexpr int64_t kQuarterTo1616 = 16384;
// An untouched edge-table row: 10000 pixels out, so its span is skipped.
constexpr int32_t kEdgeFar = 10000 * 65536;
// Edge positions are clamped to +-16384 pixels before they go into the
// 32-bit tables; anything that far out rounds to the same clipped span.
constexpr int64_t kEdgeClamp = int64_t{1} << 30;
static_assert(kEdgeFar < kEdgeClamp);
// Rounding of a 16.16 edge to a column: nearest, exact halves down.
constexpr int32_t kRoundHalfDown = 32767;

// Line DDA: 14 fractional bits, starting half a quarter pixel in.
constexpr int32_t kLineShift = 14;
constexpr int64_t kLineHalf = 8192;

// Quarter-pixel values whose pixel is inside the frame: (q + 2) >> 2 in 0..N-1.
constexpr int64_t kQMin = -2;
constexpr int64_t kQMaxX = 4 * (FRAME_W - 1) + 1;  // 1277
constexpr int64_t kQMaxY = 4 * (FRAME_H - 1) + 1;  // 797

// Range over which y values are scanned for a triangle's top and bottom.
constexpr int32_t kYStart = 100000;

// --- Module state ------------------------------------------------------------

int32_t left[FRAME_H];   // leftmost edge crossing per row, 16.16 pixels
int32_t right[FRAME_H];  // rightmost edge crossing per row, 16.16 pixels

// --- Helpers -----------------------------------------------------------------

// Pixel of a quarter-pixel value, floor((q + 2) / 4), without 32-bit wrap.
inline int32_t pixel(int64_t q) { return static_cast<int32_t>((q + 2) >> 2); }

// One step of a thick line: the dots across the minor axis at minor value
// c (quarter pixels), width dots 4 quarter pixels apart starting 2 * width
// before c; only those landing in the frame are visited.
void strip(uint8_t* frame, int64_t major, int64_t c, int32_t width, bool xmajor, int32_t colour) {
  if (width == 1) {
    if (xmajor)
      cgm_dot(frame, static_cast<int32_t>(major), static_cast<int32_t>(std::clamp<int64_t>(c, INT32_MIN, INT32_MAX)),
              colour);
    else
      cgm_dot(frame, static_cast<int32_t>(std::clamp<int64_t>(c, INT32_MIN, INT32_MAX)), static_cast<int32_t>(major),
              colour);
    return;
  }
  const int64_t base = c - 2 * static_cast<int64_t>(width);
  const int64_t qmax = xmajor ? kQMaxY : kQMaxX;
  const int64_t jlo = std::max<int64_t>(0, (kQMin - base + 3) >> 2);
  const int64_t jhi = std::min<int64_t>(width - 1, (qmax - base) >> 2);
  for (int64_t j = jlo; j <= jhi; j++) {
    const int32_t q = static_cast<int32_t>(base + 4 * j);
    if (xmajor)
      cgm_dot(frame, static_cast<int32_t>(major), q, colour);
    else
      cgm_dot(frame, q, static_cast<int32_t>(major), colour);
  }
}

// DDA along the major axis from a0 to a1 (a0 < a1), the minor value moving
// from b0 towards b1; the walk is cut to the frame's range of the major axis.
void walk(uint8_t* frame, int64_t a0, int64_t b0, int64_t a1, int64_t b1, int32_t width, bool xmajor,
          int32_t colour) {
  const int64_t amax = std::min(a1, xmajor ? kQMaxX : kQMaxY);
  if (a1 < kQMin) return;
  const int64_t slope = (b1 * 16384 - b0 * 16384) / (a1 - a0);
  int64_t b = b0 * 16384 + kLineHalf;
  int64_t a = a0;
  if (a < kQMin) {
    // Steps left of or above the frame plot nothing; take them at once
    // (at most a1 - a0 steps, so the product stays below |b1 - b0| * 2^14).
    b += slope * (kQMin - a);
    a = kQMin;
  }
  for (; a <= amax; a++) {
    strip(frame, a, b >> kLineShift, width, xmajor, colour);
    b += slope;
  }
}

}  // namespace

// --- Public ------------------------------------------------------------------

void cgm_dot(uint8_t* frame, int32_t x, int32_t y, int32_t colour) {
  const int32_t col = pixel(x), row = pixel(y);
  if (col >= 0 && col < FRAME_W && row >= 0 && row < FRAME_H) frame[row * FRAME_W + col] = static_cast<uint8_t>(colour);
}

void cgm_line(uint8_t* frame, const int32_t* seg, int32_t width, int32_t colour) {
  int64_t x0 = seg[0], y0 = seg[1], x1 = seg[2], y1 = seg[3];
  if (x0 == x1 && y0 == y1) {
    cgm_dot(frame, seg[0], seg[1], colour);
    return;
  }
  if (width <= 0) return;
  const int64_t dx = x1 - x0, dy = y1 - y0;
  if ((dx < 0 ? -dx : dx) > (dy < 0 ? -dy : dy)) {
    if (x0 > x1) std::swap(x0, x1), std::swap(y0, y1);
    walk(frame, x0, y0, x1, y1, width, true, colour);
  } else {
    if (y0 > y1) std::swap(x0, x1), std::swap(y0, y1);
    walk(frame, y0, x0, y1, x1, width, false, colour);
  }
}

void cgm_tri(uint8_t* frame, const int32_t* v, int32_t colour) {
  int32_t ymin = kYStart, ymax = -kYStart;
  for (int32_t k = 0; k < 3; k++) {
    ymin = std::min(ymin, v[2 * k + 1]);
    ymax = std::max(ymax, v[2 * k + 1]);
  }
  const int32_t top = std::max(pixel(ymin), 0);
  const int32_t bottom = std::min(pixel(ymax), FRAME_H - 1);
  if (top > bottom) return;
  for (int32_t r = top; r <= bottom; r++) {
    left[r] = kEdgeFar;
    right[r] = -kEdgeFar;
  }

  // Edges 0->1, 1->2, 2->0, walked downwards one whole row at a time from
  // the exact endpoint x, with no sub-row correction.
  for (int32_t e = 0; e < 3; e++) {
    const int32_t* pa = v + 2 * e;
    const int32_t* pb = v + 2 * ((e + 1) % 3);
    int32_t ra = pixel(pa[1]), rb = pixel(pb[1]);
    if (ra > rb) {
      std::swap(pa, pb);
      std::swap(ra, rb);
    }
    if (ra == rb) continue;
    const int64_t slope = (static_cast<int64_t>(pb[0]) - pa[0]) * kQuarterTo1616 / (rb - ra);
    int64_t x = pa[0] * kQuarterTo1616;
    const int32_t end = std::min(rb, bottom);
    int32_t r = ra;
    if (r < 0) {
      if (end < 0) continue;
      // Rows above the frame are skipped in one step; -ra <= rb - ra, so
      // the product stays below |xb - xa| * 2^14.
      x += slope * -static_cast<int64_t>(r);
      r = 0;
    }
    for (; r <= end; r++) {
      const int32_t xc = static_cast<int32_t>(std::clamp(x, -kEdgeClamp, kEdgeClamp));
      left[r] = std::min(left[r], xc);
      right[r] = std::max(right[r], xc);
      x += slope;
    }
  }

  // Spans: both end pixels drawn, so triangles sharing an edge both paint it.
  for (int32_t r = top; r <= bottom; r++) {
    int32_t xl = (left[r] + kRoundHalfDown) >> 16;
    int32_t xr = (right[r] + kRoundHalfDown) >> 16;
    if (xr < 0 || xl > FRAME_W - 1) continue;
    xl = std::max(xl, 0);
    xr = std::min(xr, FRAME_W - 1);
    std::memset(frame + r * FRAME_W + xl, static_cast<uint8_t>(colour), static_cast<size_t>(xr - xl + 1));
  }
}

void cgm_render(const cgm_picture* pic, uint8_t* frame, cgm_xform fn) {
  for (const cgm_prim* p = pic->prims; p; p = p->next) {
    if ((p->drawflags & CGM_FILL) && p->ntri > 0) {
      for (int32_t t = 0; t < p->ntri; t++) {
        const int32_t* c = p->tri + 6 * t;
        int32_t b[6] = {};
        fn(c[0], c[1], &b[0], &b[1]);
        fn(c[2], c[3], &b[2], &b[3]);
        fn(c[4], c[5], &b[4], &b[5]);
        cgm_tri(frame, b, p->fillcolr);
      }
    }
    if (p->drawflags & CGM_OUTLINE) {
      // Open chain: the last vertex is not joined back to the first.
      for (int32_t s = 0; s + 1 < p->nvert; s++) {
        const int32_t* c = p->vert + 2 * s;
        int32_t b[4] = {};
        fn(c[0], c[1], &b[0], &b[1]);
        fn(c[2], c[3], &b[2], &b[3]);
        cgm_line(frame, b, p->linewidth, p->linecolr);
      }
    }
  }
}

void cgm_clear(void* ignored, uint8_t* frame) {
  (void)ignored;
  std::memset(frame, 0, FRAME_BYTES);
}
