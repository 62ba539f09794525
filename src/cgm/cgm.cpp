// Clear-text metafile loader. Owns the picture records it allocates, the
// working point table `vrt`, the colour-index map `clut` (kept across loads)
// and the load report `cgm_lastload`; it reads files and touches nothing else.
//
// The accepted subset: a first token "BEGMF"; everything up to the first
// "colrtable" skipped; that first colour table read as red, green, blue
// triples up to the blue item that ends in ";"; then, element by element,
// colrtable / fillcolr / linecolr / backcolr / linewidth / edgewidth /
// intstyle / edgevis / polygon / line / rect. Any other token is dropped,
// which skips unknown elements, their operands and quoted strings.
//
// Malformed content loads as far as it is well-formed (a partial picture);
// each item below is dropped or clamped and counted in cgm_lastload.malformed:
//   - end of file before the first "colrtable": an empty picture;
//   - end of file inside the first colour table: the entries read so far;
//   - an entry of the first colour table, or an operand of an element, that
//     holds no number: the entry or element is ignored;
//   - a point list cut off by the end of the file, or one holding an
//     unreadable coordinate: the element is dropped; a "rect" with fewer than
//     two points is dropped, points after its second are ignored;
//   - more than 500 points in an element: the further points are ignored;
//   - colour index outside 0..99: the element is ignored;
//   - more than 199 colours: further first-table entries are dropped, a
//     further single "colrtable" entry maps its index to colour 199;
//   - numbers beyond 32 bits saturate; coordinates are clamped to +-(2^30 - 1)
//     so every cross product of the ear clipping fits 64 bits;
//   - a token longer than 99 characters is read as several tokens of at most
//     99, as formatted input with a width of 99 reads it;
//   - a bounding box with half-extent 0 normalises with a half-extent of 1.
// Cross products and normalisation use 64-bit intermediates; for pictures
// inside the documented range (extent below 32768 file units) this gives the
// same results as 32-bit arithmetic, and for others it cannot overflow.
#include "cgm/cgm.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

// --- Constants ---------------------------------------------------------------

namespace {

constexpr int32_t kMaxToken = 99;          // longest token read at once
constexpr int32_t kMaxColour = 199;        // colour numbers 1..199 (colr has 200 words)
constexpr int32_t kClutSize = 100;         // file colour indices 0..99
constexpr int32_t kCoordLimit = (1 << 30) - 1;  // |coordinate| after clamping
constexpr int32_t kBoxStart = 10000;       // the box starts at min 10000, max -10000
constexpr int64_t kOne = 65536;            // normalised half-extent, 1.0 in 16.16
constexpr int32_t kWidthUnit = 15;         // file line-width units per pixel

// Worst cross product: two differences of at most 2^31 - 2 multiplied, then
// two such products subtracted; it must stay inside int64.
static_assert(2.0 * (2.0 * kCoordLimit) * (2.0 * kCoordLimit) < 9223372036854775807.0);

enum class Kind { polygon, line, rect };

// --- Module state ------------------------------------------------------------

// Points of the element being read; the ear clipping's working polygon.
int32_t vrt[CGM_MAXPOINTS][2];

// File colour index -> picture colour number; deliberately not cleared
// between loads, so an index used without a definition keeps the mapping an
// earlier picture gave it (0 before any load).
int32_t clut[kClutSize];

char errbuf[160];

// Reading state of one load.
struct State {
  FILE* f;
  cgm_picture* pic;
  cgm_prim* tail;
  int32_t fill, line, width;
  bool edges, filled;
  int32_t next;  // next free colour number
  int32_t minx, miny, maxx, maxy;
};

// --- Helpers: formatted input ------------------------------------------------

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Saturating accumulation of decimal digits into 32 bits.
int32_t saturate(int64_t mag, bool neg) {
  if (neg) return mag > 2147483648LL ? INT32_MIN : static_cast<int32_t>(-mag);
  return mag > INT32_MAX ? INT32_MAX : static_cast<int32_t>(mag);
}

// As "%s" with a width of 99: skips whitespace, reads up to 99 non-space
// characters. False at the end of the file.
bool read_token(FILE* f, char* buf, int32_t& len) {
  int c;
  do c = std::getc(f);
  while (is_space(c));
  if (c == EOF) return false;
  len = 0;
  while (c != EOF && !is_space(c)) {
    if (len == kMaxToken) {
      std::ungetc(c, f);
      break;
    }
    buf[len++] = static_cast<char>(c);
    c = std::getc(f);
  }
  buf[len] = 0;
  if (c != EOF && is_space(c)) std::ungetc(c, f);
  return true;
}

// The leading decimal number of a token; the characters after it are ignored.
bool leading_int(std::string_view t, int32_t& v) {
  v = 0;
  size_t i = 0;
  bool neg = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) neg = t[i++] == '-';
  if (i == t.size() || t[i] < '0' || t[i] > '9') return false;
  int64_t mag = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; i++)
    if (mag <= 2147483648LL) mag = mag * 10 + (t[i] - '0');
  v = saturate(mag, neg);
  return true;
}

// Colour word: red * 65536 + green * 256 + blue, added (not masked) with the
// 32-bit wrap made explicit through unsigned arithmetic.
int32_t pack(int32_t r, int32_t g, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(r) * 65536u + static_cast<uint32_t>(g) * 256u +
                              static_cast<uint32_t>(b));
}

int32_t clamp_coord(int32_t v) {
  if (v > kCoordLimit || v < -kCoordLimit) {
    cgm_lastload.malformed++;
    return std::clamp(v, -kCoordLimit, kCoordLimit);
  }
  return v;
}

// Reads a point list into vrt, character by character: skip to "(", x, one
// character, y, one character, then ";" ends, "(" continues with the next x,
// anything else skips to the next "(". Returns the points stored (at most
// 500), or -1 when the list is cut off by the end of the file or holds a
// coordinate that is not a number.
int32_t read_points(FILE* f) {
  int32_t n = 0;
  bool bad = false;
  int c = std::getc(f);
  for (;;) {
    while (c != '(' && c != EOF) c = std::getc(f);
    if (c == EOF) return -1;
    do {
      int32_t x, y;
      if (!cgm_read_int(f, x)) bad = true;
      if (std::getc(f) == EOF) return -1;
      if (!cgm_read_int(f, y)) bad = true;
      if (std::getc(f) == EOF) return -1;
      if (n < CGM_MAXPOINTS) {
        vrt[n][0] = clamp_coord(x);
        vrt[n][1] = clamp_coord(y);
        n++;
      } else {
        cgm_lastload.malformed++;
      }
      c = std::getc(f);
      if (c == EOF) return -1;
      if (c == ';') return bad ? -1 : n;
    } while (c == '(');
  }
}

int64_t cross(int64_t ux, int64_t uy, int64_t vx, int64_t vy) { return ux * vy - uy * vx; }

// --- Helpers: primitives -----------------------------------------------------

void make_prim(State& s, Kind kind, int32_t n) {
  if (n < 0) {
    cgm_lastload.malformed++;
    return;
  }
  if (kind == Kind::rect) {
    if (n < 2) {
      cgm_lastload.malformed++;
      return;
    }
    if (n > 2) cgm_lastload.malformed++;
    // Opposite corners (x0, y0), (x1, y1) become the closed outline
    // (x0, y0), (x0, y1), (x1, y1), (x1, y0), (x0, y0).
    const int32_t x0 = vrt[0][0], y0 = vrt[0][1], x1 = vrt[1][0], y1 = vrt[1][1];
    const int32_t r[5][2] = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
    std::memcpy(vrt, r, sizeof r);
    n = 5;
  }
  for (int32_t k = 0; k < n; k++) {
    s.minx = std::min(s.minx, vrt[k][0]);
    s.maxx = std::max(s.maxx, vrt[k][0]);
    s.miny = std::min(s.miny, vrt[k][1]);
    s.maxy = std::max(s.maxy, vrt[k][1]);
  }

  cgm_prim* p = new cgm_prim{};
  p->nvert = n;
  p->vert = new int32_t[2 * static_cast<size_t>(n)];
  std::memcpy(p->vert, vrt, sizeof(int32_t) * 2 * static_cast<size_t>(n));
  p->linewidth = s.width;
  p->fillcolr = s.fill;
  p->linecolr = s.line;
  if (kind == Kind::line) {
    p->drawflags = CGM_OUTLINE;
  } else {
    if (s.edges && s.width != 0) p->drawflags |= CGM_OUTLINE;
    if (s.filled) p->drawflags |= CGM_FILL;
  }
  if (s.tail)
    s.tail->next = p;
  else
    s.pic->prims = p;
  s.tail = p;

  if (!(p->drawflags & CGM_FILL)) return;
  // A closing repeat of the first point is not a vertex of the fill.
  int32_t m = n;
  if (n > 1 && vrt[n - 1][0] == vrt[0][0] && vrt[n - 1][1] == vrt[0][1]) m = n - 1;
  if (m < 3) return;
  p->tri = new int32_t[6 * static_cast<size_t>(m - 2)];
  const int32_t got = cgm_earclip(&vrt[0][0], m, p->tri);
  if (got < 0) {
    delete[] p->tri;
    p->tri = nullptr;
    cgm_lastload.gaveup++;
    return;
  }
  p->ntri = got;
}

// First colour table: the starting index is ignored; entries become colours
// 1, 2, 3, ... and file index k maps to colour k.
void read_first_table(State& s) {
  char tok[kMaxToken + 1];
  int32_t len;
  if (!read_token(s.f, tok, len)) {
    cgm_lastload.malformed++;
    return;
  }
  for (;;) {
    int32_t r, g, b;
    const bool okr = cgm_read_int(s.f, r);
    const bool okg = cgm_read_int(s.f, g);
    if (!read_token(s.f, tok, len)) {
      cgm_lastload.malformed++;
      return;
    }
    const bool okb = leading_int(std::string_view(tok, static_cast<size_t>(len)), b);
    if (okr && okg && okb && s.next <= kMaxColour) {
      s.pic->colr[s.next] = pack(r, g, b);
      if (s.next < kClutSize) clut[s.next] = s.next;
      s.next++;
    } else {
      cgm_lastload.malformed++;
    }
    if (tok[len - 1] == ';') return;
  }
}

// A single "colrtable" element: index, red, green, blue. An equal colour
// already defined is reused (the highest-numbered one).
void colour_entry(State& s) {
  int32_t idx, r, g, b;
  const bool ok = cgm_read_int(s.f, idx) && cgm_read_int(s.f, r) && cgm_read_int(s.f, g) && cgm_read_int(s.f, b);
  if (!ok || idx < 0 || idx >= kClutSize) {
    cgm_lastload.malformed++;
    return;
  }
  const int32_t w = pack(r, g, b);
  for (int32_t k = s.next - 1; k >= 1; k--)
    if (s.pic->colr[k] == w) {
      clut[idx] = k;
      return;
    }
  if (s.next > kMaxColour) {
    cgm_lastload.malformed++;
    clut[idx] = kMaxColour;
    return;
  }
  s.pic->colr[s.next] = w;
  clut[idx] = s.next++;
}

// Reads the token after a keyword and its leading number.
bool operand(State& s, int32_t& v) {
  char tok[kMaxToken + 1];
  int32_t len;
  if (!read_token(s.f, tok, len)) return false;
  if (!leading_int(std::string_view(tok, static_cast<size_t>(len)), v)) {
    cgm_lastload.malformed++;
    return false;
  }
  return true;
}

// A colour index operand; null when it is missing or outside 0..99.
const int32_t* colour_index(State& s) {
  int32_t v;
  if (!operand(s, v)) return nullptr;
  if (v < 0 || v >= kClutSize) {
    cgm_lastload.malformed++;
    return nullptr;
  }
  return &clut[v];
}

void dispatch(State& s, std::string_view t) {
  char tok[kMaxToken + 1];
  int32_t len;
  if (t == "ENDMF" || t == "ENDMF;") {
    cgm_lastload.ended = 1;  // noted for callers; what follows is still read
  } else if (t == "colrtable") {
    colour_entry(s);
  } else if (t == "fillcolr") {
    if (const int32_t* c = colour_index(s)) s.fill = *c;
  } else if (t == "linecolr") {
    if (const int32_t* c = colour_index(s)) s.line = *c;
  } else if (t == "backcolr") {
    int32_t r, g, b;
    if (cgm_read_int(s.f, r) && cgm_read_int(s.f, g) && cgm_read_int(s.f, b)) {
      s.pic->backcolr = pack(r, g, b);
      cgm_lastload.hasback = 1;
    } else {
      cgm_lastload.malformed++;
    }
  } else if (t == "linewidth" || t == "edgewidth") {
    int32_t v;
    if (operand(s, v)) s.width = v / kWidthUnit;
  } else if (t == "intstyle") {
    // EMPTY: not filled; SOLID: filled; HOLLOW and the rest leave it.
    if (read_token(s.f, tok, len)) {
      if (tok[0] == 'E') s.filled = false;
      if (tok[0] == 'S') s.filled = true;
    }
  } else if (t == "edgevis") {
    // ON / OFF, told apart by the second character.
    if (read_token(s.f, tok, len) && len >= 2) {
      if (tok[1] == 'N') s.edges = true;
      if (tok[1] == 'F') s.edges = false;
    }
  } else if (t == "polygon") {
    make_prim(s, Kind::polygon, read_points(s.f));
  } else if (t == "line") {
    make_prim(s, Kind::line, read_points(s.f));
  } else if (t == "rect") {
    make_prim(s, Kind::rect, read_points(s.f));
  }
}

// Centres the box on 0 and scales its larger half-extent to 65536:
// v' = (v - c) * 65536 / h, truncating, in 64 bits, clamped to 32 bits.
void normalise(State& s) {
  const int64_t cx = (static_cast<int64_t>(s.maxx) + s.minx) / 2;
  const int64_t cy = (static_cast<int64_t>(s.maxy) + s.miny) / 2;
  const int64_t ex = static_cast<int64_t>(s.maxx) - s.minx;
  const int64_t ey = static_cast<int64_t>(s.maxy) - s.miny;
  int64_t h = ex > ey ? ex / 2 : ey / 2;  // ties take y
  if (h <= 0) {
    if (s.pic->prims) cgm_lastload.malformed++;
    h = 1;
  }
  cgm_lastload.minx = s.minx;
  cgm_lastload.miny = s.miny;
  cgm_lastload.maxx = s.maxx;
  cgm_lastload.maxy = s.maxy;
  cgm_lastload.cx = static_cast<int32_t>(cx);
  cgm_lastload.cy = static_cast<int32_t>(cy);
  cgm_lastload.half = static_cast<int32_t>(h);
  auto norm = [h](int32_t& v, int64_t c) {
    const int64_t r = (v - c) * kOne / h;
    v = static_cast<int32_t>(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
  };
  for (cgm_prim* p = s.pic->prims; p; p = p->next) {
    for (int32_t k = 0; k < p->nvert; k++) {
      norm(p->vert[2 * k], cx);
      norm(p->vert[2 * k + 1], cy);
    }
    for (int32_t k = 0; k < 3 * p->ntri; k++) {
      norm(p->tri[2 * k], cx);
      norm(p->tri[2 * k + 1], cy);
    }
  }
}

}  // namespace

// --- Public ------------------------------------------------------------------

cgm_loadinfo cgm_lastload;
const char* cgm_errorstr = "";
int32_t cgm_earclip_passes = 0;

bool cgm_read_int(FILE* f, int32_t& v) {
  v = 0;
  int c;
  do c = std::getc(f);
  while (is_space(c));
  bool neg = false;
  if (c == '-' || c == '+') {
    neg = c == '-';
    c = std::getc(f);
  }
  if (c < '0' || c > '9') {
    if (c != EOF) std::ungetc(c, f);
    return false;
  }
  int64_t mag = 0;
  while (c >= '0' && c <= '9') {
    if (mag <= 2147483648LL) mag = mag * 10 + (c - '0');
    c = std::getc(f);
  }
  if (c != EOF) std::ungetc(c, f);
  v = saturate(mag, neg);
  return true;
}

int32_t cgm_earclip(int32_t* poly, int32_t m, int32_t* tri) {
  cgm_earclip_passes = 0;
  if (m < 3) return 0;
  auto X = [poly](int32_t k) -> int64_t { return poly[2 * k]; };
  auto Y = [poly](int32_t k) -> int64_t { return poly[2 * k + 1]; };

  // Orientation at the top vertex (first with the smallest y): a negative
  // turn P -> T -> N means the other sense, so the polygon is reversed.
  int32_t t = 0;
  for (int32_t k = 1; k < m; k++)
    if (Y(k) < Y(t)) t = k;
  const int32_t nx = (t + 1) % m, pv = (t + m - 1) % m;
  if (cross(X(nx) - X(t), Y(nx) - Y(t), X(pv) - X(t), Y(pv) - Y(t)) < 0)
    for (int32_t a = 0, b = m - 1; a < b; a++, b--) {
      std::swap(poly[2 * a], poly[2 * b]);
      std::swap(poly[2 * a + 1], poly[2 * b + 1]);
    }

  // Clip ears A, B, C walking i forward. The budget gains one per ear and
  // loses one per pass over the polygon, so a pass without an ear gives up.
  int32_t out = 0, i = 0, budget = 0;
  // leftof(U, V, Q): Q strictly to the left of U -> V.
  auto leftof = [&](int32_t u, int32_t v, int32_t q) {
    return cross(X(v) - X(u), Y(v) - Y(u), X(q) - X(u), Y(q) - Y(u)) > 0;
  };
  while (m != 2) {
    const int32_t a = i, b = (i + 1) % m, c = (i + 2) % m;
    if (cross(X(c) - X(b), Y(c) - Y(b), X(a) - X(b), Y(a) - Y(b)) > 0) {
      bool inside = false;
      for (int32_t q = 0; q < m && !inside; q++)
        if (q != a && q != b && q != c) inside = leftof(a, b, q) && leftof(b, c, q) && leftof(c, a, q);
      if (!inside) {
        int32_t* o = tri + 6 * out++;
        o[0] = poly[2 * a], o[1] = poly[2 * a + 1];
        o[2] = poly[2 * b], o[3] = poly[2 * b + 1];
        o[4] = poly[2 * c], o[5] = poly[2 * c + 1];
        std::memmove(poly + 2 * b, poly + 2 * (b + 1), sizeof(int32_t) * 2 * static_cast<size_t>(m - b - 1));
        m--;
        budget++;
      }
    }
    i++;
    if (i >= m) {
      i = 0;
      cgm_earclip_passes++;
      if (--budget < 0) return -1;
    }
  }
  return out;
}

cgm_picture* cgm_load_stream(FILE* f) {
  cgm_lastload = cgm_loadinfo{};
  cgm_errorstr = "";
  char tok[kMaxToken + 1];
  int32_t len;
  if (!read_token(f, tok, len) || std::string_view(tok, static_cast<size_t>(len)) != "BEGMF") {
    cgm_errorstr = "not a picture (no BEGMF)";
    return nullptr;
  }

  State s{};
  s.f = f;
  s.pic = new cgm_picture{};
  s.fill = s.line = s.width = 1;
  s.edges = s.filled = true;
  s.next = 1;
  s.minx = s.miny = kBoxStart;
  s.maxx = s.maxy = -kBoxStart;

  bool table = false;
  while (read_token(f, tok, len))
    if (std::string_view(tok, static_cast<size_t>(len)) == "colrtable") {
      table = true;
      break;
    }
  if (table) {
    read_first_table(s);
    while (read_token(f, tok, len)) dispatch(s, std::string_view(tok, static_cast<size_t>(len)));
  } else {
    cgm_lastload.malformed++;
  }

  normalise(s);
  s.pic->ncolr = s.next - 1;
  cgm_prepare(s.pic);
  return s.pic;
}

cgm_picture* cgm_load(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) {
    std::snprintf(errbuf, sizeof errbuf, "cannot open: %s", std::strerror(errno));
    cgm_lastload = cgm_loadinfo{};
    cgm_errorstr = errbuf;
    return nullptr;
  }
  cgm_picture* pic = cgm_load_stream(f);
  // A read error ends the tokens as the end of the file would; it is a
  // failure, not a shorter picture.
  if (std::ferror(f)) {
    std::snprintf(errbuf, sizeof errbuf, "read error: %s", std::strerror(errno));
    cgm_free(pic);
    pic = nullptr;
    cgm_errorstr = errbuf;
  }
  std::fclose(f);
  return pic;
}

void cgm_prepare(cgm_picture* pic) {
  delete[] pic->corners;
  delete[] pic->boxes;
  pic->corners = nullptr;
  pic->boxes = nullptr;
  size_t total = 0, prims = 0;
  for (const cgm_prim* p = pic->prims; p; p = p->next) {
    if (p->nvert > CGM_MAXPOINTS || p->ntri < 0) return;
    total += 3 * static_cast<size_t>(p->ntri);
    prims++;
  }
  uint16_t* corners = new uint16_t[total + 1];
  int32_t* boxes = new int32_t[4 * prims + 1];
  uint16_t* o = corners;
  int32_t* box = boxes;
  bool boxed = true;
  // The corners were cut from the outline's points, so each is found among
  // them: vertex numbers sorted by (x, y), one binary search per corner.
  uint16_t order[CGM_MAXPOINTS];
  for (const cgm_prim* p = pic->prims; p; p = p->next, box += 4) {
    const int32_t* v = p->vert;
    box[0] = box[1] = INT32_MAX;
    box[2] = box[3] = INT32_MIN;
    for (int32_t k = 0; k < p->nvert; k++) {
      box[0] = std::min(box[0], v[2 * k]), box[2] = std::max(box[2], v[2 * k]);
      box[1] = std::min(box[1], v[2 * k + 1]), box[3] = std::max(box[3], v[2 * k + 1]);
    }
    constexpr int32_t kBoxLimit = 1 << 17;
    if (p->nvert > 0 && (box[0] < -kBoxLimit || box[1] < -kBoxLimit || box[2] > kBoxLimit || box[3] > kBoxLimit))
      boxed = false;
    if (p->ntri == 0) continue;
    auto before = [v](int32_t i, int32_t x, int32_t y) { return v[2 * i] != x ? v[2 * i] < x : v[2 * i + 1] < y; };
    for (int32_t k = 0; k < p->nvert; k++) order[k] = static_cast<uint16_t>(k);
    std::sort(order, order + p->nvert, [&](uint16_t i, uint16_t j) { return before(i, v[2 * j], v[2 * j + 1]); });
    for (int32_t k = 0; k < 3 * p->ntri; k++) {
      const int32_t x = p->tri[2 * k], y = p->tri[2 * k + 1];
      const uint16_t* it = std::lower_bound(order, order + p->nvert, 0,
                                            [&](uint16_t i, int) { return before(i, x, y); });
      if (it == order + p->nvert || v[2 * *it] != x || v[2 * *it + 1] != y) {
        delete[] corners;
        delete[] boxes;
        return;
      }
      *o++ = static_cast<uint16_t>(2 * *it);  // where the vertex's x is in vert
    }
  }
  pic->corners = corners;
  if (boxed)
    pic->boxes = boxes;
  else
    delete[] boxes;
}

void cgm_free(cgm_picture* pic) {
  if (!pic) return;
  delete[] pic->corners;
  delete[] pic->boxes;
  for (cgm_prim* p = pic->prims; p;) {
    cgm_prim* next = p->next;
    delete[] p->vert;
    delete[] p->tri;
    delete p;
    p = next;
  }
  delete pic;
}
