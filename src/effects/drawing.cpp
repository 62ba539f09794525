// Line drawing. Owns the point-file reader; draws only inside rows 0..199,
// columns 0..319 of the frame it is given. A drawing is allocated while
// loading and lives until drawing_free.
//
// Point files hold decimal integers: per stroke a point count n, then n pairs
// x y in eighths of a pixel with the vertical origin 208 units above the top
// row; -1 ends the content. Loading halves them into quarter pixels: X = x >> 1,
// Y = (y >> 1) - 104 (arithmetic shifts), each kept in 16 bits. The numbers
// are read as the picture loader reads its own (cgm_read_int: "%d", saturating).
//
// The line and the dot are the picture rasteriser's (cgm_line, cgm_dot): the
// same quarter-pixel DDA with a 14-bit fraction, the same thickness rows and
// clipping. Only a segment of zero length differs: here it is a horizontal run
// of width dots, where the picture's outline plots one.
#include "effects/drawing.h"

#include <algorithm>
#include <cstdlib>

#include "cgm/cgm.h"
#include "cgm/cgm_soft.h"
#include "gfx/view.h"

namespace {

constexpr int DRAWING_WIDTH = 2;
constexpr int32_t Y_ORIGIN = 104;  // 208 file units above the top row, halved
// Quarter-pixel x values whose column (x + 2) >> 2 lies in the frame.
constexpr int64_t QX_MIN = -2, QX_MAX = 4 * FRAME_W - 3;  // -2 .. 1277

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
  drawing_rec* d = drawing_load_stream(f);
  std::fclose(f);
  return d;
}

int32_t drawing_cutstroke = -1;
char drawing_message[160];

drawing_rec* drawing_load_stream(std::FILE* f) {
  drawing_cutstroke = -1;
  drawing_message[0] = 0;
  auto* d = static_cast<drawing_rec*>(std::calloc(1, sizeof(drawing_rec)));
  if (!d) {
    std::snprintf(drawing_message, sizeof drawing_message, "out of memory");
    return nullptr;
  }
  const long end = stream_end(f);
  int32_t n;
  // The end of the file (or anything that is not a number) where a count
  // should stand ends the content, as -1 does.
  while (cgm_read_int(f, n) && n != -1) {
    const int idx = d->nstrokes;
    if (idx == DRAWING_MAX_STROKES) {
      std::snprintf(drawing_message, sizeof drawing_message, "more than %d strokes, the rest ignored",
                    DRAWING_MAX_STROKES);
      break;
    }
    if (n < 0 || n > DRAWING_MAX_POINTS) {
      std::snprintf(drawing_message, sizeof drawing_message, "stroke %d: bad point count %d", idx, static_cast<int>(n));
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
      std::snprintf(drawing_message, sizeof drawing_message, "stroke %d: out of memory", idx);
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
      if (!cgm_read_int(f, x) || !cgm_read_int(f, y)) {
        complete = false;
        break;
      }
      s.xy[2 * got] = to16(x >> 1);
      s.xy[2 * got + 1] = to16((y >> 1) - Y_ORIGIN);
    }
    s.n = got;
    if (!complete) {
      drawing_cutstroke = idx;
      break;
    }
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

void ceegm_dot(uint8_t* frame, int32_t x, int32_t y, int colour) { cgm_dot(frame, x, y, colour & 0xFF); }

void ceegm_line(uint8_t* frame, const int32_t* seg, int width, int colour) {
  if (seg[0] != seg[2] || seg[1] != seg[3]) {
    cgm_line(frame, seg, width, colour & 0xFF);
    return;
  }
  // Zero length: dots at x0 - 2 * width + 4k, k = 0..width-1, limited to the
  // k whose column lies in the frame; a single dot at x0 - 2 for width 1.
  const int64_t base = int64_t{seg[0]} - 2 * static_cast<int64_t>(width);
  const int64_t kmin = std::max<int64_t>(0, -((base - QX_MIN) >> 2));  // ceil((QX_MIN - base) / 4)
  const int64_t kmax = std::min<int64_t>(width - 1, (QX_MAX - base) >> 2);
  for (int64_t k = kmin; k <= kmax; k++) cgm_dot(frame, static_cast<int32_t>(base + 4 * k), seg[1], colour & 0xFF);
}
