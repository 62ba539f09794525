// Line drawing. Owns the point-file reader and the quarter-pixel line
// rasteriser; draws only inside rows 0..199, columns 0..319 of the frame it
// is given. A drawing is allocated while loading and lives until
// drawing_free.
//
// Point files hold decimal integers: per stroke a point count n, then n pairs
// x y in eighths of a pixel with the vertical origin 208 units above the top
// row; -1 ends the content. Loading halves them into quarter pixels: X = x >> 1,
// Y = (y >> 1) - 104 (arithmetic shifts), each kept in 16 bits.
//
// The line rasteriser steps one quarter pixel at a time along the major axis
// and carries the minor coordinate with a 14-bit fraction (FRAC_BITS), so it
// places about four dots per pixel. Its arithmetic is done in 64 bits: for
// coordinates within 17 bits (every loaded point) that is exactly the 32-bit
// result, and for extreme coordinates nothing can overflow. Steps whose dots
// would all fall outside the frame are skipped without being walked, so the
// cost is bounded by the frame, whatever the coordinates.
#include "effects/drawing.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int FRAME_W = 320;
constexpr int FRAME_H = 200;
constexpr int FRAC_BITS = 14;
constexpr int64_t HALF = int64_t{1} << (FRAC_BITS - 1);  // makes >> round to nearest
// Quarter-pixel values whose pixel (v + 2) >> 2 lies in the frame.
constexpr int64_t QX_MIN = -2, QX_MAX = 4 * FRAME_W - 3;  // -2 .. 1277
constexpr int64_t QY_MIN = -2, QY_MAX = 4 * FRAME_H - 3;  // -2 .. 797
constexpr int DRAWING_WIDTH = 2;
constexpr int32_t Y_ORIGIN = 104;  // 208 file units above the top row, halved

void plot(uint8_t* frame, int64_t x, int64_t y, uint8_t col) {
  if (x < QX_MIN || x > QX_MAX || y < QY_MIN || y > QY_MAX) return;
  frame[((y + 2) >> 2) * FRAME_W + ((x + 2) >> 2)] = col;
}

// The width dots across the line at minor - 2 * width + 4k, k = 0..width-1,
// limited to the k whose dot lies in lo..hi.
void cross(uint8_t* frame, int64_t major, int64_t minor, int width, bool xmajor, uint8_t col) {
  const int64_t lo = xmajor ? QY_MIN : QX_MIN, hi = xmajor ? QY_MAX : QX_MAX;
  const int64_t base = minor - 2 * static_cast<int64_t>(width);
  const int64_t kmin = std::max<int64_t>(0, -((base - lo) >> 2));  // ceil((lo - base) / 4)
  const int64_t kmax = std::min<int64_t>(width - 1, (hi - base) >> 2);
  for (int64_t k = kmin; k <= kmax; k++) {
    if (xmajor) {
      plot(frame, major, base + 4 * k, col);
    } else {
      plot(frame, base + 4 * k, major, col);
    }
  }
}

// Reads one decimal integer as fscanf's "%d" does: white space, an optional
// sign, digits; the first other character is left in the stream. False at
// the end of the file or when no number stands there. A value beyond 32 bits
// saturates (defined, unlike fscanf's overflow).
bool read_int(std::FILE* f, int32_t* out) {
  int ch;
  do ch = std::getc(f);
  while (ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f');
  bool neg = false;
  if (ch == '+' || ch == '-') {
    neg = ch == '-';
    ch = std::getc(f);
  }
  if (ch < '0' || ch > '9') return false;
  int64_t v = 0;
  while (ch >= '0' && ch <= '9') {
    if (v <= INT64_C(1) << 32) v = v * 10 + (ch - '0');
    ch = std::getc(f);
  }
  if (ch != EOF) std::ungetc(ch, f);
  if (neg) v = -v;
  *out = static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  return true;
}

// Offset of the end of the stream, or -1 when it cannot seek; the position is kept.
long stream_end(std::FILE* f) {
  const long here = std::ftell(f);
  if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
  const long end = std::ftell(f);
  if (std::fseek(f, here, SEEK_SET) != 0) return -1;
  return end;
}

// The cast to 16 bits goes through uint16_t: keeps the low 16 bits, defined.
int16_t to16(int32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(v))); }

}  // namespace

drawing_rec* drawing_load(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return nullptr;
  drawing_rec* d = drawing_load_stream(f, path);
  std::fclose(f);
  return d;
}

drawing_rec* drawing_load_stream(std::FILE* f, const char* name) {
  auto* d = static_cast<drawing_rec*>(std::calloc(1, sizeof(drawing_rec)));
  if (!d) {
    std::fprintf(stderr, "zapcobbles: %s: out of memory\n", name);
    return nullptr;
  }
  const long end = stream_end(f);
  int32_t n;
  // The end of the file (or anything that is not a number) where a count
  // should stand ends the content, as -1 does.
  while (read_int(f, &n) && n != -1) {
    const int idx = d->nstrokes;
    if (idx == DRAWING_MAX_STROKES) {
      std::fprintf(stderr, "zapcobbles: %s: more than %d strokes, the rest ignored\n", name, DRAWING_MAX_STROKES);
      break;
    }
    if (n < 0 || n > DRAWING_MAX_POINTS) {
      std::fprintf(stderr, "zapcobbles: %s: stroke %d: bad point count %d\n", name, idx, static_cast<int>(n));
      drawing_free(d);
      return nullptr;
    }
    // Every number needs a digit and, before it, white space or a sign, so a
    // point takes at least 4 more bytes. Room is taken only for the points the
    // rest of the file can hold (plus one, counting loosely); a larger count
    // is a stroke cut short by the end of the file, which ends the content.
    const long here = end >= 0 ? std::ftell(f) : -1;
    const int64_t left = here >= 0 ? static_cast<int64_t>(end) - here : -1;
    const int32_t room = left >= 0 ? static_cast<int32_t>(std::min<int64_t>(n, left / 4 + 1)) : n;
    drawing_stroke& s = d->strokes[idx];
    s.xy = room > 0 ? static_cast<int16_t*>(std::malloc(2 * sizeof(int16_t) * static_cast<size_t>(room))) : nullptr;
    if (room > 0 && !s.xy) {
      std::fprintf(stderr, "zapcobbles: %s: stroke %d: out of memory\n", name, idx);
      drawing_free(d);
      return nullptr;
    }
    d->nstrokes = idx + 1;
    // A stroke cut short by the end of the file keeps its whole points and
    // ends the content.
    int32_t got = 0;
    bool complete = room == n;
    for (; got < room; got++) {
      int32_t x, y;
      if (!read_int(f, &x) || !read_int(f, &y)) {
        complete = false;
        break;
      }
      s.xy[2 * got] = to16(x >> 1);
      s.xy[2 * got + 1] = to16((y >> 1) - Y_ORIGIN);
    }
    s.n = got;
    if (!complete) break;
  }
  // A read error also ends the numbers; it is a failure, not an end of file.
  if (std::ferror(f)) {
    drawing_free(d);
    return nullptr;
  }
  return d;
}

void drawing_free(drawing_rec* d) {
  if (!d) return;
  for (int i = 0; i < d->nstrokes; i++) std::free(d->strokes[i].xy);
  std::free(d);
}

void drawing(uint8_t* frame, const drawing_rec* d, int from, int to, int colour) {
  if (!d || to < from) return;
  int64_t s = 0;  // number of the stroke's first segment
  for (int i = 0; i < d->nstrokes; i++) {
    const drawing_stroke& st = d->strokes[i];
    const int64_t nseg = st.n - 1;
    if (nseg <= 0) continue;
    if (s > to) return;
    // Segments below `from` are skipped whole strokes at a time.
    for (int64_t k = std::max<int64_t>(0, from - s); k < nseg; k++) {
      if (s + k > to) return;
      const int32_t seg[4] = {st.xy[2 * k], st.xy[2 * k + 1], st.xy[2 * k + 2], st.xy[2 * k + 3]};
      ceegm_line(frame, seg, DRAWING_WIDTH, colour);
    }
    s += nseg;
  }
}

void ceegm_dot(uint8_t* frame, int32_t x, int32_t y, int colour) {
  plot(frame, x, y, static_cast<uint8_t>(colour & 0xFF));
}

void ceegm_line(uint8_t* frame, const int32_t* seg, int width, int colour) {
  const uint8_t col = static_cast<uint8_t>(colour & 0xFF);
  int64_t x0 = seg[0], y0 = seg[1], x1 = seg[2], y1 = seg[3];
  if (x0 == x1 && y0 == y1) {
    // A horizontal run of width pixels, a single dot at x0 - 2 for width 1.
    cross(frame, y0, x0, width, false, col);
    return;
  }
  const int64_t dx = x1 - x0, dy = y1 - y0;
  // Width 1 puts its dot on the line; wider lines start 2 * width before it.
  if ((dx < 0 ? -dx : dx) > (dy < 0 ? -dy : dy)) {
    if (x0 > x1) {
      std::swap(x0, x1);
      std::swap(y0, y1);
    }
    // |slope| < 1 << FRAC_BITS here, so skipping ahead by (xs - x0) steps stays far inside 64 bits.
    const int64_t slope = (y1 * (1 << FRAC_BITS) - y0 * (1 << FRAC_BITS)) / (x1 - x0);
    const int64_t xs = std::max(x0, QX_MIN), xe = std::min(x1, QX_MAX);
    int64_t Y = y0 * (1 << FRAC_BITS) + HALF + (xs - x0) * slope;
    for (int64_t x = xs; x <= xe; x++, Y += slope) {
      if (width == 1) {
        plot(frame, x, Y >> FRAC_BITS, col);
      } else {
        cross(frame, x, Y >> FRAC_BITS, width, true, col);
      }
    }
  } else {
    if (y0 > y1) {
      std::swap(x0, x1);
      std::swap(y0, y1);
    }
    const int64_t slope = (x1 * (1 << FRAC_BITS) - x0 * (1 << FRAC_BITS)) / (y1 - y0);
    const int64_t ys = std::max(y0, QY_MIN), ye = std::min(y1, QY_MAX);
    int64_t X = x0 * (1 << FRAC_BITS) + HALF + (ys - y0) * slope;
    for (int64_t y = ys; y <= ye; y++, X += slope) {
      if (width == 1) {
        plot(frame, X >> FRAC_BITS, y, col);
      } else {
        cross(frame, y, X >> FRAC_BITS, width, false, col);
      }
    }
  }
}
