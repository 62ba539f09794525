// Picture rasteriser. Draws into the 320x200 frame it is given and nowhere
// else, and keeps no state between calls.
//
// Units: frame coordinates are quarter pixels (q falls in pixel (q + 2) >> 2,
// floor division); triangle edges are pixels in 16.16; the line DDA keeps a
// 14-bit fraction. Any 32-bit coordinate a callback can produce is safe: the
// pixel of q and every slope are computed with 64-bit intermediates (the
// exact values, where 32-bit products would have wrapped), and walks start
// and stop at the frame's edges, so an enormous triangle or line costs no
// more than a full-screen one. Inside the frame the results are those of the
// plain row-by-row and step-by-step walk.
//
// A triangle is filled as the edge-table fill defines it: each edge walked
// down from its upper end one whole row at a time (16.16, the slope
// truncated toward zero, no sub-row correction), each row filled from the
// leftmost to the rightmost crossing, rounded to the nearest column with
// exact halves down. It gets there without the tables: with the corners
// sorted by row, the edge from the top corner to the bottom one crosses
// every row, the upper edge joins it down to the middle corner's row and
// the lower edge from there on, so each row's span comes from two edges
// stepped together (the middle corner's row is filled from both pairs).
#include "cgm/cgm_soft.h"

#include <algorithm>
#include <cstring>

#include "gfx/span.h"
#include "gfx/view.h"

namespace {

// --- Constants ---------------------------------------------------------------

// Frame size: FRAME_W x FRAME_H (gfx/view.h).

// Quarter pixels to 16.16 pixels: q / 4 * 65536.
constexpr int64_t kQuarterTo1616 = 16384;
// Rounding of a 16.16 edge to a column: nearest, exact halves down.
constexpr int32_t kRoundHalfDown = 32767;

// Line DDA: 14 fractional bits, starting half a quarter pixel in.
constexpr int32_t kLineShift = 14;
constexpr int64_t kLineHalf = 8192;

// Quarter-pixel values whose pixel is inside the frame: (q + 2) >> 2 in 0..N-1.
constexpr int64_t kQMin = -2;
constexpr int64_t kQMaxX = 4 * (FRAME_W - 1) + 1;  // 1277
constexpr int64_t kQMaxY = 4 * (FRAME_H - 1) + 1;  // 797

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

// Fills n >= 1 rows from row down between a left and a right position
// (16.16 pixels plus the rounding bias, so a column is the position >> 16),
// each stepped per row. With clip the span is cut to the frame's columns and
// a span wholly outside is skipped; without, the caller knows it lies inside.
template <bool kClip>
[[gnu::always_inline]] inline void fill_rows(uint8_t* row, int32_t n, int64_t lpos, int64_t lstep, int64_t rpos,
                                             int64_t rstep, uint64_t pat) {
  uint8_t* const end = row + n * FRAME_W;  // at most one past row 199
  do {
    const int64_t xl = lpos >> 16, xr = rpos >> 16;
    if (kClip)
      span_fill_clipped(row, xl, xr, pat);
    else
      span_fill(row, xl, xr, pat);
    row += FRAME_W;
    lpos += lstep;
    rpos += rstep;
  } while (row != end);
}

// The same for two edges whose order may change on the way: each row takes
// the smaller position as its left end.
template <bool kClip>
[[gnu::always_inline]] inline void fill_rows_either(uint8_t* row, int32_t n, int64_t apos, int64_t astep,
                                                    int64_t bpos, int64_t bstep, uint64_t pat) {
  uint8_t* const end = row + n * FRAME_W;
  do {
    fill_rows<kClip>(row, 1, std::min(apos, bpos), 0, std::max(apos, bpos), 0, pat);
    row += FRAME_W;
    apos += astep;
    bpos += bstep;
  } while (row != end);
}

// The rows of a triangle whose corners are sorted by row, r0 <= r1 <= r2
// with r0 < r2, from top to bottom (rows of the frame); b0 and b1 are the
// corners 0 and 1 in 16.16 plus the rounding bias.
//
// The upper part, rows r0..r1, lies between the long edge and the upper
// edge; the lower part, rows r1..r2, between the long edge and the lower
// edge. Row r1 belongs to both and is filled twice: both spans hold the long
// edge's position, so together they cover exactly the span between the
// three edges' positions, clipped or not.
template <bool kClip>
[[gnu::always_inline]] inline void tri_rows(uint8_t* frame, int32_t top, int32_t bottom, int32_t r0, int32_t r1,
                                            int32_t r2, int64_t b0, int64_t b1, int64_t x0, int64_t x1, int64_t x2,
                                            uint64_t pat) {
  const int64_t sl = (x2 - x0) * kQuarterTo1616 / (r2 - r0);
  if (r0 < r1 && top <= r1) {
    const int64_t sa = (x1 - x0) * kQuarterTo1616 / (r1 - r0);
    const int64_t dr = top - r0;
    const int64_t pl = b0 + sl * dr, pa = b0 + sa * dr;
    const int32_t n = std::min(r1, bottom) - top + 1;
    // Both edges leave corner 0, so the one of the smaller slope is the
    // left one on every row.
    if (sl <= sa)
      fill_rows<kClip>(frame + top * FRAME_W, n, pl, sl, pa, sa, pat);
    else
      fill_rows<kClip>(frame + top * FRAME_W, n, pa, sa, pl, sl, pat);
  }
  const int32_t from = std::max(r1, top);
  if (r1 < r2 && from <= bottom) {
    // The long edge and the lower edge start at different corners and may
    // cross once, so their order is taken at both ends.
    const int64_t sb = (x2 - x1) * kQuarterTo1616 / (r2 - r1);
    const int64_t pl = b0 + sl * (from - r0), pb = b1 + sb * (from - r1);
    const int32_t n = bottom - from + 1;
    const int64_t el = pl + sl * (n - 1), eb = pb + sb * (n - 1);
    uint8_t* row = frame + from * FRAME_W;
    if (pl <= pb && el <= eb)
      fill_rows<kClip>(row, n, pl, sl, pb, sb, pat);
    else if (pl >= pb && el >= eb)
      fill_rows<kClip>(row, n, pb, sb, pl, sl, pat);
    else
      fill_rows_either<kClip>(row, n, pl, sl, pb, sb, pat);
  }
}

// Fills the triangle of corners xa, xb, xc (quarter pixels) in the pixel rows
// ra, rb, rc with the colour pattern pat.
[[gnu::always_inline]] inline void tri_at_rows(uint8_t* frame, int32_t xa, int32_t ra, int32_t xb, int32_t rb,
                                               int32_t xc, int32_t rc, uint64_t pat) {
  // Corners sorted by pixel row: (x0, r0) on top, (x2, r2) at the bottom.
  int64_t x0 = xa, x1 = xb, x2 = xc;
  int32_t r0 = ra, r1 = rb, r2 = rc;
  if (r0 > r1) std::swap(r0, r1), std::swap(x0, x1);
  if (r1 > r2) std::swap(r1, r2), std::swap(x1, x2);
  if (r0 > r1) std::swap(r0, r1), std::swap(x0, x1);
  // Every edge is flat in whole rows when r0 == r2: nothing is drawn.
  if (r0 == r2) return;
  const int32_t top = std::max(r0, 0);
  const int32_t bottom = std::min(r2, FRAME_H - 1);
  if (top > bottom) return;
  // An edge's positions never leave the span of its ends' x (the slope
  // truncates toward zero), so the columns of the corners bound the fill.
  // The column of a corner, (x * 16384 + 32767) >> 16, is (x + 1) >> 2:
  // column 0 starts at x = -1, and column 319 ends at x = 1278.
  const int32_t xmin = std::min(std::min(xa, xb), xc), xmax = std::max(std::max(xa, xb), xc);
  if (xmax < -1 || xmin > 4 * FRAME_W - 2) return;
  if (r2 - r0 <= 2) {
    // Two or three rows: no slope is needed. A one-row step lands exactly
    // on the edge's lower corner, and the middle row of an edge two rows
    // high lies exactly halfway (the slope (xb - xa) * 16384 / 2 has no
    // remainder). So each row spans the columns of the corners in it, and
    // the middle row the long edge's midpoint and the other edge's:
    // ((xa + xb) * 8192 + 32767) >> 16 = (xa + xb + 3) >> 3, as a corner's
    // column (x * 16384 + 32767) >> 16 is (x + 1) >> 2.
    const int64_t c0 = (x0 + 1) >> 2, c1 = (x1 + 1) >> 2, c2 = (x2 + 1) >> 2;
    int64_t lo0 = c0, hi0 = c0, lo2 = c2, hi2 = c2;
    if (r1 == r0) lo0 = std::min(lo0, c1), hi0 = std::max(hi0, c1);
    if (r1 == r2) lo2 = std::min(lo2, c1), hi2 = std::max(hi2, c1);
    // Corners within the frame's columns keep every span there: no clip.
    const bool inside = xmin >= -1 && xmax <= 4 * FRAME_W - 2;
    auto span = [&](uint8_t* row, int64_t lo, int64_t hi) {
      if (inside)
        span_fill(row, lo, hi, pat);
      else
        span_fill_clipped(row, lo, hi, pat);
    };
    if (r0 >= 0) span(frame + r0 * FRAME_W, lo0, hi0);
    if (r2 == r0 + 2 && r0 + 1 >= 0 && r0 + 1 <= FRAME_H - 1) {
      const int64_t ml = (x0 + x2 + 3) >> 3;
      const int64_t mo = r1 == r0 ? (x1 + x2 + 3) >> 3 : r1 == r2 ? (x0 + x1 + 3) >> 3 : c1;
      span(frame + (r0 + 1) * FRAME_W, std::min(ml, mo), std::max(ml, mo));
    }
    if (r2 <= FRAME_H - 1) span(frame + r2 * FRAME_W, lo2, hi2);
    return;
  }
  const int64_t b0 = x0 * kQuarterTo1616 + kRoundHalfDown;
  const int64_t b1 = x1 * kQuarterTo1616 + kRoundHalfDown;
  if (xmin < -1 || xmax > 4 * FRAME_W - 2)
    tri_rows<true>(frame, top, bottom, r0, r1, r2, b0, b1, x0, x1, x2, pat);
  else
    tri_rows<false>(frame, top, bottom, r0, r1, r2, b0, b1, x0, x1, x2, pat);
}

// Fills the triangle (xa, ya), (xb, yb), (xc, yc) in quarter pixels with the
// colour pattern pat.
[[gnu::always_inline]] inline void tri(uint8_t* frame, int32_t xa, int32_t ya, int32_t xb, int32_t yb, int32_t xc,
                                       int32_t yc, uint64_t pat) {
  tri_at_rows(frame, xa, pixel(ya), xb, pixel(yb), xc, pixel(yc), pat);
}

inline uint64_t pattern(int32_t colour) { return span_pattern(colour); }

// Draws the picture, each vertex through xf: fill triangles, then the open
// outline chain, primitive by primitive.
template <typename Xform>
[[gnu::always_inline]] inline void render(const cgm_picture* pic, uint8_t* frame, Xform xf) {
  for (const cgm_prim* p = pic->prims; p; p = p->next) {
    if ((p->drawflags & CGM_FILL) && p->ntri > 0) {
      const uint64_t pat = pattern(p->fillcolr);
      const int32_t* c = p->tri;
      for (const int32_t* end = c + 6 * p->ntri; c != end; c += 6) {
        int32_t b[6] = {};
        xf(c[0], c[1], &b[0], &b[1]);
        xf(c[2], c[3], &b[2], &b[3]);
        xf(c[4], c[5], &b[4], &b[5]);
        tri(frame, b[0], b[1], b[2], b[3], b[4], b[5], pat);
      }
    }
    if (p->drawflags & CGM_OUTLINE) {
      // Open chain: the last vertex is not joined back to the first.
      for (int32_t s = 0; s + 1 < p->nvert; s++) {
        const int32_t* c = p->vert + 2 * s;
        int32_t b[4] = {};
        xf(c[0], c[1], &b[0], &b[1]);
        xf(c[2], c[3], &b[2], &b[3]);
        cgm_line(frame, b, p->linewidth, p->linecolr);
      }
    }
  }
}

// True when tri() draws nothing for any triangle whose corners lie in the box
// xmin..xmax, ymin..ymax (quarter pixels): its exits for rows wholly above
// or below the frame, pixel((q + 2) >> 2) < 0 or > 199, and for columns
// wholly left or right of it.
inline bool off_frame(int64_t xmin, int64_t ymin, int64_t xmax, int64_t ymax) {
  return ymax < kQMin || ymin > kQMaxY || xmax < -1 || xmin > 4 * FRAME_W - 2;
}

// Whether transu places the box b (min x, min y, max x, max y, picture
// units) wholly off the frame. transu is monotone in x and in y while
// nothing wraps, so the images of the box's corners bound the images of its
// points; cgm_prepare keeps boxes within +-2^17, and with |skale| <= 2^13 and
// |px|, |py| <= 2^28 no product or sum leaves 32 bits.
inline bool transu_off_frame(const int32_t* b) {
  int32_t x0, y0, x1, y1;
  transu(b[0], b[1], &x0, &y0);
  transu(b[2], b[3], &x1, &y1);
  return off_frame(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1));
}
inline bool transu_can_cull() {
  const int64_t s = skale, x = px, y = py;
  return s >= -8192 && s <= 8192 && x >= -(1 << 28) && x <= (1 << 28) && y >= -(1 << 28) && y <= (1 << 28);
}

// render() for a pure callback (its result depends on x and y alone): each
// vertex of a primitive is mapped once into q, and the fill triangles take
// their corners from there through pic->corners, so a triangle costs no
// mapping of its own. The mapped values are the callback's, so the pixels
// are render()'s. With kTransu, a fill that transu places wholly off the
// frame is skipped before its vertices are mapped (tri() would draw none of
// its triangles).
template <bool kTransu, typename Xform>
[[gnu::always_inline]] inline void render_mapped(const cgm_picture* pic, uint8_t* frame, Xform xf) {
  if (!pic->corners) {
    render(pic, frame, xf);
    return;
  }
  const bool cull = kTransu && pic->boxes && transu_can_cull();
  int32_t q[2 * CGM_MAXPOINTS];  // the primitive's vertices, quarter pixels (y: pixel rows for fills)
  const uint16_t* corner = pic->corners;
  size_t index = 0;  // of the primitive, for its box
  for (const cgm_prim* p = pic->prims; p; corner += 3 * p->ntri, index++, p = p->next) {
    const bool fill = (p->drawflags & CGM_FILL) && p->ntri > 0 && !(cull && transu_off_frame(pic->boxes + 4 * index));
    const bool outline = (p->drawflags & CGM_OUTLINE) && p->nvert > 1;
    if (fill) {
      // Each vertex's x and pixel row, which is all the fill needs of it.
      for (int32_t k = 0; k < p->nvert; k++) {
        int32_t y;
        xf(p->vert[2 * k], p->vert[2 * k + 1], &q[2 * k], &y);
        q[2 * k + 1] = pixel(y);
      }
      const uint64_t pat = pattern(p->fillcolr);
      for (const uint16_t *c = corner, *end = corner + 3 * p->ntri; c != end; c += 3) {
        const int32_t* a = q + c[0];
        const int32_t* b = q + c[1];
        const int32_t* d = q + c[2];
        tri_at_rows(frame, a[0], a[1], b[0], b[1], d[0], d[1], pat);
      }
    }
    // Open chain, as render() draws it: segment s joins vertices s and s + 1
    // (the vertices mapped again, whole, since the fill kept only rows).
    if (outline) {
      for (int32_t k = 0; k < p->nvert; k++) xf(p->vert[2 * k], p->vert[2 * k + 1], &q[2 * k], &q[2 * k + 1]);
      for (int32_t s = 0; s + 1 < p->nvert; s++) cgm_line(frame, q + 2 * s, p->linewidth, p->linecolr);
    }
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
  tri(frame, v[0], v[1], v[2], v[3], v[4], v[5], pattern(colour));
}

void cgm_render(const cgm_picture* pic, uint8_t* frame, cgm_xform fn) { render(pic, frame, fn); }

void cgm_render_pure(const cgm_picture* pic, uint8_t* frame, cgm_xform fn) {
  render_mapped<false>(pic, frame, fn);
}

void cgm_render_view(const cgm_picture* pic, uint8_t* frame) {
  // transu is pure and applied inline (the same function, so the same
  // arithmetic), with the off-frame fills skipped.
  render_mapped<true>(pic, frame, transu);
}

void cgm_clear(void* ignored, uint8_t* frame) {
  (void)ignored;
  std::memset(frame, 0, FRAME_BYTES);
}
