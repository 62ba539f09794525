// Picture writer and fill prover; see cgmwrite.h.
#include "cgmwrite.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cgm/cgm.h"

namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;

constexpr size_t kMaxPoints = CGM_MAXPOINTS;
constexpr int kJitterTries = 40;
// Samples across a piece's larger extent in the coverage check.
constexpr int kGrid = 160;
// The format's extent limit: differences are multiplied in 32 bits.
constexpr int kMaxExtent = 32767;

[[noreturn]] void fail(const Picture& p, const char* what) {
  std::fprintf(stderr, "picgen: %s.cgm: %s\n", p.name.c_str(), what);
  std::exit(1);
}

// A small fixed generator for the jitter, so the output is the same on every run.
struct Rng {
  uint32_t s;
  int next3() {  // -1, 0 or +1
    s = s * 1664525u + 1013904223u;
    return static_cast<int>((s >> 16) % 3) - 1;
  }
};

// Strictly inside triangle (x0, y0, x1, y1, x2, y2) with a positive turn.
bool in_tri(const int32_t* t, double x, double y) {
  auto side = [&](int a, int b) {
    return (t[b] - t[a]) * (y - t[a + 1]) - (t[b + 1] - t[a + 1]) * (x - t[a]) > 0;
  };
  return side(0, 2) && side(2, 4) && side(4, 0);
}

// Do the triangles tile the polygon? Each sample point of a grid over the
// polygon must lie in exactly one triangle when it is inside the polygon
// and in none when outside. The grid is offset by odd fractions so that no
// sample lies on an edge between whole-unit points in practice.
bool covers(const Path& poly, const std::vector<int32_t>& tri, int ntri) {
  cInt x0 = poly[0].X, x1 = x0, y0 = poly[0].Y, y1 = y0;
  for (const IntPoint& q : poly) {
    x0 = std::min(x0, q.X), x1 = std::max(x1, q.X);
    y0 = std::min(y0, q.Y), y1 = std::max(y1, q.Y);
  }
  const double step = std::max(0.5, static_cast<double>(std::max(x1 - x0, y1 - y0)) / kGrid);
  const int nx = static_cast<int>((x1 - x0) / step) + 1, ny = static_cast<int>((y1 - y0) / step) + 1;
  auto sx = [&](int i) { return x0 + (i + 0.3137) * step; };
  auto sy = [&](int j) { return y0 + (j + 0.6173) * step; };
  std::vector<uint8_t> count(static_cast<size_t>(nx) * ny, 0);
  for (int k = 0; k < ntri; k++) {
    const int32_t* t = &tri[6 * static_cast<size_t>(k)];
    const double tx0 = std::min({t[0], t[2], t[4]}), tx1 = std::max({t[0], t[2], t[4]});
    const double ty0 = std::min({t[1], t[3], t[5]}), ty1 = std::max({t[1], t[3], t[5]});
    const int i0 = std::max(0, static_cast<int>((tx0 - x0) / step) - 1);
    const int i1 = std::min(nx - 1, static_cast<int>((tx1 - x0) / step) + 1);
    const int j0 = std::max(0, static_cast<int>((ty0 - y0) / step) - 1);
    const int j1 = std::min(ny - 1, static_cast<int>((ty1 - y0) / step) + 1);
    for (int j = j0; j <= j1; j++)
      for (int i = i0; i <= i1; i++)
        if (in_tri(t, sx(i), sy(j))) count[static_cast<size_t>(j) * nx + i]++;
  }
  std::vector<double> xs;
  for (int j = 0; j < ny; j++) {
    const double y = sy(j);
    xs.clear();
    for (size_t a = 0, b = poly.size() - 1; a < poly.size(); b = a++) {
      const double ya = static_cast<double>(poly[a].Y), yb = static_cast<double>(poly[b].Y);
      if ((ya <= y) != (yb <= y))
        xs.push_back(static_cast<double>(poly[a].X) + (y - ya) / (yb - ya) * static_cast<double>(poly[b].X - poly[a].X));
    }
    std::sort(xs.begin(), xs.end());
    size_t c = 0;
    for (int i = 0; i < nx; i++) {
      const double x = sx(i);
      while (c < xs.size() && xs[c] < x) c++;
      if (count[static_cast<size_t>(j) * nx + i] != (c & 1)) return false;
    }
  }
  return true;
}

// Fills the way the loader does? Ear clipping must finish and tile the piece.
bool fills(const Path& poly, int& ntri) {
  std::vector<int32_t> work;
  for (const IntPoint& q : poly) work.push_back(static_cast<int32_t>(q.X)), work.push_back(static_cast<int32_t>(q.Y));
  const int32_t m = static_cast<int32_t>(poly.size());
  std::vector<int32_t> tri(6 * static_cast<size_t>(m));
  const int32_t got = cgm_earclip(work.data(), m, tri.data());
  if (got != m - 2) return false;
  ntri = got;
  return covers(poly, tri, got);
}

double box_mid(const Path& p, bool xaxis) {
  cInt lo = xaxis ? p[0].X : p[0].Y, hi = lo;
  for (const IntPoint& q : p) {
    const cInt v = xaxis ? q.X : q.Y;
    lo = std::min(lo, v), hi = std::max(hi, v);
  }
  return static_cast<double>(lo + hi) / 2;
}

bool wide(const Path& p) {
  cInt x0 = p[0].X, x1 = x0, y0 = p[0].Y, y1 = y0;
  for (const IntPoint& q : p) {
    x0 = std::min(x0, q.X), x1 = std::max(x1, q.X);
    y0 = std::min(y0, q.Y), y1 = std::max(y1, q.Y);
  }
  return x1 - x0 >= y1 - y0;
}

// The half of a region (outer plus holes) on one side of the line x = c (or y = c).
void half(const Paths& group, bool xaxis, cInt c, bool low, ClipperLib::PolyTree& out) {
  const cInt far = 1 << 24;
  Path r;
  if (xaxis) {
    const cInt a = low ? -far : c, b = low ? c : far;
    r = {{a, -far}, {b, -far}, {b, far}, {a, far}};
  } else {
    const cInt a = low ? -far : c, b = low ? c : far;
    r = {{-far, a}, {far, a}, {far, b}, {-far, b}};
  }
  ClipperLib::Clipper cl;
  cl.StrictlySimple(true);
  cl.AddPaths(group, ClipperLib::ptSubject, true);
  cl.AddPath(r, ClipperLib::ptClip, true);
  cl.Execute(ClipperLib::ctIntersection, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
}

struct Writer {
  const Picture& pic;
  PicStats& st;
  std::string out;
  uint32_t seed = 1;

  void points(const Path& p, bool close) {
    size_t col = 0;
    auto put = [&](const IntPoint& q) {
      char b[48];
      const int n = std::snprintf(b, sizeof b, "%s(%lld,%lld)", col ? " " : "", static_cast<long long>(q.X),
                                  static_cast<long long>(q.Y));
      if (col + static_cast<size_t>(n) > 100) {
        out += "\n ";
        col = 1;
      }
      out += b;
      col += static_cast<size_t>(n);
    };
    for (const IntPoint& q : p) put(q);
    if (close) put(p[0]);
    out += ";\n";
    const int np = static_cast<int>(p.size()) + (close ? 1 : 0);
    st.points += np;
    st.maxpoints = std::max(st.maxpoints, np);
    st.elements++;
  }

  // One hole-free piece: prove it fills, moving points or cutting as needed.
  void piece(Path p, int depth) {
    ClipperLib::CleanPolygon(p, 1.0);
    if (p.size() < 3) return;
    if (p.size() > kMaxPoints) return cut(p, depth);
    int ntri = 0;
    if (fills(p, ntri)) return emit(p, ntri);
    Rng rng{seed++ * 2654435761u};
    for (int t = 0; t < kJitterTries; t++) {
      Path q = p;
      for (IntPoint& v : q) v.X += rng.next3(), v.Y += rng.next3();
      if (ClipperLib::Orientation(q) == ClipperLib::Orientation(p) && fills(q, ntri)) {
        st.jittered++;
        return emit(q, ntri);
      }
    }
    if (depth > 12) fail(pic, "a piece does not fill even after cutting");
    st.cut++;
    cut(p, depth);
  }

  void cut(const Path& p, int depth) {
    const bool xaxis = wide(p);
    const cInt c = static_cast<cInt>(std::floor(box_mid(p, xaxis)));
    for (int side = 0; side < 2; side++) {
      ClipperLib::PolyTree t;
      half({p}, xaxis, c, side == 0, t);
      tree(t, depth + 1);
    }
  }

  void emit(const Path& p, int ntri) {
    out += "polygon ";
    points(p, false);
    st.triangles += ntri;
  }

  // Every outer contour of a tree with its holes, cut until no holes remain.
  void tree(const ClipperLib::PolyTree& t, int depth) {
    std::vector<const ClipperLib::PolyNode*> stack;
    for (const ClipperLib::PolyNode* n : t.Childs) stack.push_back(n);
    for (size_t k = 0; k < stack.size(); k++) {
      const ClipperLib::PolyNode* n = stack[k];
      // Outer n; its children are holes, whose children are outers again.
      Paths group{n->Contour};
      for (const ClipperLib::PolyNode* h : n->Childs) {
        group.push_back(h->Contour);
        for (const ClipperLib::PolyNode* o : h->Childs) stack.push_back(o);
      }
      if (group.size() == 1) {
        piece(group[0], depth);
        continue;
      }
      // Cut through the middle of the first hole, across the outer's longer side.
      const bool xaxis = wide(group[0]);
      const cInt c = static_cast<cInt>(std::floor(box_mid(group[1], xaxis)));
      for (int side = 0; side < 2; side++) {
        ClipperLib::PolyTree h;
        half(group, xaxis, c, side == 0, h);
        tree(h, depth);
      }
    }
  }
};

}  // namespace

void pic_fill(Picture& p, int colour, const Polys& region) { p.items.push_back({colour, 0, region}); }

void pic_line(Picture& p, int colour, int width, const Poly& line) { p.items.push_back({colour, width, {line}}); }

void pic_frame(Picture& p, double x0, double y0, double x1, double y1) {
  p.framed = true;
  p.fx0 = x0, p.fy0 = y0, p.fx1 = x1, p.fy1 = y1;
}

std::string pic_write(const Picture& p, PicStats& st) {
  if (p.colours.empty() || p.colours.size() > 99) fail(p, "needs 1..99 colours");
  Writer w{p, st, {}};
  std::string& o = w.out;
  o += "BEGMF \"" + p.name + "\";\nmfversion 1;\nmfdesc \"" + p.desc + "\";\nBEGPIC \"" + p.name +
       "\";\ncolrmode indexed;\nBEGPICBODY;\ncolrtable 1";
  for (size_t k = 0; k < p.colours.size(); k++) {
    char b[40];
    std::snprintf(b, sizeof b, "%s%u %u %u", k ? "\n  " : " ", (p.colours[k] >> 16) & 255u, (p.colours[k] >> 8) & 255u,
                  p.colours[k] & 255u);
    o += b;
  }
  o += ";\n";
  {
    // Only previews read the background (zapcgm render shows it).
    char b[48];
    std::snprintf(b, sizeof b, "backcolr %u %u %u;\n", (p.back >> 16) & 255u, (p.back >> 8) & 255u, p.back & 255u);
    o += b;
  }
  o += "intstyle SOLID;\nedgevis OFF;\n";
  if (p.framed) {
    // A line of width 0 draws nothing but widens the bounding box, which
    // sets where the picture's centre lies and what its half-extent is.
    o += "linewidth 0;\nline ";
    w.points(to_path({{p.fx0, p.fy0}, {p.fx1, p.fy1}}), false);
  }
  int fill = -1, line = -1, width = -1;
  for (const Picture::Item& it : p.items) {
    if (it.colour < 1 || it.colour > static_cast<int>(p.colours.size())) fail(p, "an item uses an undefined colour");
    if (it.width == 0) {
      if (it.colour != fill) o += "fillcolr " + std::to_string(fill = it.colour) + ";\n";
      ClipperLib::Clipper cl;
      cl.StrictlySimple(true);
      cl.AddPaths(to_paths(it.region), ClipperLib::ptSubject, true);
      ClipperLib::PolyTree t;
      cl.Execute(ClipperLib::ctUnion, t, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
      w.tree(t, 0);
    } else {
      if (it.colour != line) o += "linecolr " + std::to_string(line = it.colour) + ";\n";
      if (it.width != width) o += "linewidth " + std::to_string(15 * (width = it.width)) + ";\n";
      Path l = to_path(it.region[0]);
      // Long lines go out in runs of at most 500 points that share their ends.
      for (size_t s = 0; s + 1 < l.size(); s += kMaxPoints - 1) {
        o += "line ";
        w.points(Path(l.begin() + static_cast<long>(s), l.begin() + static_cast<long>(std::min(l.size(), s + kMaxPoints))), false);
      }
    }
  }
  o += "ENDPIC;\nENDMF;\n";

  // Load the text as the demo will.
  FILE* f = fmemopen(o.data(), o.size(), "rb");
  if (!f) fail(p, "cannot read the text back");
  cgm_picture* pic = cgm_load_stream(f);
  std::fclose(f);
  if (!pic) fail(p, "the loader refused the text");
  const cgm_loadinfo& li = cgm_lastload;
  st.extent = std::max(li.maxx - li.minx, li.maxy - li.miny);
  int tris = 0;
  for (const cgm_prim* q = pic->prims; q; q = q->next) tris += q->ntri;
  const bool ok = li.gaveup == 0 && li.malformed == 0 && tris == st.triangles &&
                  pic->ncolr == static_cast<int32_t>(p.colours.size()) && li.maxx - li.minx <= kMaxExtent &&
                  li.maxy - li.miny <= kMaxExtent && li.minx > -10000 && li.maxx < 10000 && li.miny > -10000 &&
                  li.maxy < 10000;
  cgm_free(pic);
  if (!ok) fail(p, "the loader does not read it back whole (fill given up, malformed, or out of range)");
  return o;
}
