// Fills cut for the star effect; see star_pieces.h.
#include "star_pieces.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "cgm/cgm.h"

namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;

constexpr double kPi = 3.14159265358979323846;

// The frame step's costs, in instructions, roughly as callgrind counts them
// in the star scenes: mapping one vertex through the effect's callback,
// setting up one triangle, filling one row of it, and one primitive. The
// pieces chosen move little with them (a few thousand instructions a frame
// over the values tried).
constexpr double kVertex = 35;
constexpr double kTriangle = 40;
constexpr double kRow = 20;
constexpr double kPrimitive = 15;

// The sizes and angles a triangle is costed at: depths 0, 50, .., 950 of
// the effect (40 / (depth + 90) pixels per unit of a picture 1000 units in
// half-extent), each at 12 angles over a half turn (a turn by a half turn
// fills the same number of rows).
constexpr int kDepths = 20;
constexpr int kAngles = 12;

struct View {
  double s, c;  // scale times the angle's sine and cosine
};

const std::vector<View>& views() {
  static const std::vector<View> v = [] {
    std::vector<View> out;
    for (int d = 0; d < kDepths; d++)
      for (int a = 0; a < kAngles; a++) {
        const double scale = 40.0 / (50 * d + 90), t = kPi * a / kAngles;
        out.push_back({scale * std::sin(t), scale * std::cos(t)});
      }
    return out;
  }();
  return v;
}

// Mean cost of drawing the triangle over the views: the set-up, and a row
// for each of its pixel rows in the frame (rows of pixels 0..199 about the
// centre row 100; a triangle left or right of the frame fills none).
double tri_cost(const IntPoint& a, const IntPoint& b, const IntPoint& c) {
  double rows = 0;
  for (const View& v : views()) {
    auto row = [&](const IntPoint& q) {
      return std::floor(100.5 - (static_cast<double>(q.X) * v.s + static_cast<double>(q.Y) * v.c));
    };
    auto col = [&](const IntPoint& q) { return 160 + static_cast<double>(q.X) * v.c - static_cast<double>(q.Y) * v.s; };
    const double r0 = std::min({row(a), row(b), row(c)}), r2 = std::max({row(a), row(b), row(c)});
    const double x0 = std::min({col(a), col(b), col(c)}), x1 = std::max({col(a), col(b), col(c)});
    if (r0 == r2 || x1 < 0 || x0 > 320) continue;
    const double top = std::max(r0, 0.0), bottom = std::min(r2, 199.0);
    if (top <= bottom) rows += bottom - top + 1;
  }
  return kTriangle + kRow * rows / static_cast<double>(views().size());
}

// Twice the signed area of a, b, c (positive counter-clockwise, y up).
cInt cross(const IntPoint& a, const IntPoint& b, const IntPoint& c) {
  return (b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X);
}

int sign(cInt v) { return (v > 0) - (v < 0); }

// Do segments p-q and r-s meet at all (touching counts)?
bool meet(const IntPoint& p, const IntPoint& q, const IntPoint& r, const IntPoint& s) {
  const int d1 = sign(cross(p, q, r)), d2 = sign(cross(p, q, s)), d3 = sign(cross(r, s, p)), d4 = sign(cross(r, s, q));
  if (d1 * d2 < 0 && d3 * d4 < 0) return true;
  auto on = [](const IntPoint& a, const IntPoint& b, const IntPoint& x) {
    return std::min(a.X, b.X) <= x.X && x.X <= std::max(a.X, b.X) && std::min(a.Y, b.Y) <= x.Y && x.Y <= std::max(a.Y, b.Y);
  };
  return (d1 == 0 && on(p, q, r)) || (d2 == 0 && on(p, q, s)) || (d3 == 0 && on(r, s, p)) || (d4 == 0 && on(r, s, q));
}

// Is i-j a diagonal of the counter-clockwise polygon p: inside it, and
// touching no edge or vertex but at its own ends?
bool diagonal(const Path& p, size_t i, size_t j) {
  const size_t n = p.size();
  if ((i + 1) % n == j || (j + 1) % n == i) return true;  // an edge
  const IntPoint &a = p[i], &b = p[j], &prev = p[(i + n - 1) % n], &next = p[(i + 1) % n];
  // Inside the angle at i.
  const bool cone = cross(a, next, prev) >= 0 ? cross(a, b, prev) > 0 && cross(b, a, next) > 0
                                              : !(cross(a, b, next) >= 0 && cross(b, a, prev) >= 0);
  if (!cone) return false;
  for (size_t k = 0; k < n; k++) {
    const size_t l = (k + 1) % n;
    if (k == i || k == j || l == i || l == j) continue;
    if (meet(a, b, p[k], p[l])) return false;
  }
  return true;
}

// The triangulation of p (counter-clockwise) of least cost, as corner
// indices, by the usual dynamic programme over the chains i..j.
std::vector<std::array<size_t, 3>> best_triangles(const Path& p) {
  const size_t n = p.size();
  constexpr double kNone = std::numeric_limits<double>::infinity();
  std::vector<char> ok(n * n);
  for (size_t i = 0; i < n; i++)
    for (size_t j = i + 1; j < n; j++) ok[i * n + j] = diagonal(p, i, j);
  std::vector<double> cost(n * n, kNone);
  std::vector<size_t> pick(n * n, 0);
  for (size_t i = 0; i + 1 < n; i++) cost[i * n + i + 1] = 0;
  for (size_t len = 2; len < n; len++)
    for (size_t i = 0; i + len < n; i++) {
      const size_t j = i + len;
      if (!ok[i * n + j]) continue;
      for (size_t k = i + 1; k < j; k++) {
        const double c = cost[i * n + k] + cost[k * n + j];
        if (c == kNone) continue;
        const double t = c + tri_cost(p[i], p[k], p[j]);
        if (t < cost[i * n + j]) cost[i * n + j] = t, pick[i * n + j] = k;
      }
    }
  std::vector<std::array<size_t, 3>> out;
  if (cost[n - 1] == kNone) return out;
  std::vector<std::pair<size_t, size_t>> todo{{0, n - 1}};
  while (!todo.empty()) {
    const auto [i, j] = todo.back();
    todo.pop_back();
    if (j - i < 2) continue;
    const size_t k = pick[i * n + j];
    out.push_back({i, k, j});
    todo.push_back({i, k});
    todo.push_back({k, j});
  }
  return out;
}

// The outlines the writer makes of a region: the non-zero union, cleaned
// as it cleans each piece. Holes make it fail (none of the stars has any).
bool outlines(const Paths& region, Paths& out) {
  ClipperLib::Clipper cl;
  cl.StrictlySimple(true);
  cl.AddPaths(region, ClipperLib::ptSubject, true);
  ClipperLib::PolyTree t;
  cl.Execute(ClipperLib::ctUnion, t, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
  out.clear();
  for (const ClipperLib::PolyNode* node : t.Childs) {
    if (!node->Childs.empty()) return false;
    Path q = node->Contour;
    ClipperLib::CleanPolygon(q, 1.0);
    if (q.size() >= 3) out.push_back(q);
  }
  return true;
}

// What a piece (any union of the region's triangles) costs as the loader
// clips it: its vertices, its primitives and the triangles it is cut into.
// Infinite when the loader would not clip it whole.
double piece_cost(const Paths& tris) {
  Paths first, outs, again;
  if (!outlines(tris, first)) return std::numeric_limits<double>::infinity();
  // The writer unites each piece again, so the points start where it says.
  for (const Path& q : first) {
    if (!outlines({q}, again)) return std::numeric_limits<double>::infinity();
    outs.insert(outs.end(), again.begin(), again.end());
  }
  double cost = 0;
  cInt covered = 0;
  for (const Path& q : outs) {
    std::vector<int32_t> work;
    for (const IntPoint& v : q) work.push_back(static_cast<int32_t>(v.X)), work.push_back(static_cast<int32_t>(v.Y));
    const int32_t m = static_cast<int32_t>(q.size());
    std::vector<int32_t> tri(6 * static_cast<size_t>(m));
    if (cgm_earclip(work.data(), m, tri.data()) != m - 2) return std::numeric_limits<double>::infinity();
    cost += kPrimitive + kVertex * m;
    cInt area = 0;
    for (int32_t k = 0; k < m - 2; k++) {
      const int32_t* t = &tri[6 * static_cast<size_t>(k)];
      const IntPoint a{t[0], t[1]}, b{t[2], t[3]}, c{t[4], t[5]};
      if (cross(a, b, c) <= 0) return std::numeric_limits<double>::infinity();
      area += cross(a, b, c);
      cost += tri_cost(a, b, c);
    }
    if (area != std::abs(static_cast<cInt>(2 * ClipperLib::Area(q)))) return std::numeric_limits<double>::infinity();
    covered += area;
  }
  // Nothing lost on the way: cleaning drops a sliver of points in a line.
  cInt want = 0;
  for (const Path& t : tris) want += std::abs(static_cast<cInt>(2 * ClipperLib::Area(t)));
  return covered == want ? cost : std::numeric_limits<double>::infinity();
}

// Pieces are neighbours when they share a diagonal: two common corners.
bool neighbours(const Paths& a, const Paths& b) {
  for (const Path& s : a)
    for (const Path& t : b) {
      int common = 0;
      for (const IntPoint& u : s)
        for (const IntPoint& v : t) common += u == v;
      if (common >= 2) return true;
    }
  return false;
}

// Joins the group of pieces that gains the most: a piece with one
// neighbour, or with two (a join of two can cost more than both apart and
// still open the way to a join of three that costs less). False when no
// join gains anything.
bool join_best(std::vector<Paths>& pieces, std::vector<double>& cost) {
  double gain = 0, best_cost = 0;
  std::vector<size_t> best;
  Paths best_union;
  auto consider = [&](std::vector<size_t> group) {
    Paths u;
    double apart = 0;
    for (size_t g : group) u.insert(u.end(), pieces[g].begin(), pieces[g].end()), apart += cost[g];
    const double c = piece_cost(u);
    if (apart - c > gain) gain = apart - c, best = group, best_union = u, best_cost = c;
  };
  for (size_t i = 0; i < pieces.size(); i++) {
    std::vector<size_t> near;
    for (size_t j = 0; j < pieces.size(); j++)
      if (j != i && neighbours(pieces[i], pieces[j])) near.push_back(j);
    for (size_t x = 0; x < near.size(); x++) {
      if (near[x] > i) consider({i, near[x]});
      for (size_t y = x + 1; y < near.size(); y++) consider({i, near[x], near[y]});
    }
  }
  if (best.empty()) return false;
  std::sort(best.begin(), best.end());
  pieces[best[0]] = best_union;
  cost[best[0]] = best_cost;
  for (size_t k = best.size() - 1; k > 0; k--) {
    pieces.erase(pieces.begin() + static_cast<long>(best[k]));
    cost.erase(cost.begin() + static_cast<long>(best[k]));
  }
  return true;
}

// Cuts one outline into its best triangles, then joins neighbouring pieces,
// two or three at a time, while a join costs less than its pieces apart,
// the best join first.
Paths cut(Path p) {
  if (!ClipperLib::Orientation(p)) std::reverse(p.begin(), p.end());
  const auto tris = best_triangles(p);
  if (tris.empty()) return {p};
  std::vector<Paths> pieces;
  for (const auto& t : tris) pieces.push_back({{p[t[0]], p[t[1]], p[t[2]]}});
  std::vector<double> cost;
  for (const Paths& q : pieces) cost.push_back(piece_cost(q));
  while (join_best(pieces, cost)) continue;
  // The loader's own clipping of the whole outline may still be cheaper.
  double total = 0;
  for (double c : cost) total += c;
  if (piece_cost({p}) <= total) return {p};
  Paths out;
  for (const Paths& q : pieces) {
    Paths o;
    outlines(q, o);
    out.insert(out.end(), o.begin(), o.end());
  }
  return out;
}

}  // namespace

void pic_fill_pieces(Picture& p, int colour, const Polys& region) {
  Paths outs;
  if (!outlines(to_paths(region), outs)) {
    pic_fill(p, colour, region);
    return;
  }
  for (const Path& o : outs)
    for (const Path& piece : cut(o)) pic_fill(p, colour, {from_path(piece)});
}

void star_sticker(Picture& p, int colour, int ink, const Polys& region, double w) {
  // The ink's round tips to the stars' tolerance, as their curves.
  ClipperLib::ClipperOffset co(2.0, kStarTol);
  co.AddPaths(to_paths(unite(region)), ClipperLib::jtRound, ClipperLib::etClosedPolygon);
  Paths grown;
  co.Execute(grown, w);
  pic_fill_pieces(p, ink, unite(from_paths(grown)));
  pic_fill_pieces(p, colour, region);
}

void bezier_flat(Poly& out, Pt p0, Pt p1, Pt p2, Pt p3, double tol) {
  auto at = [&](double t) {
    const double u = 1 - t, a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return Pt{a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
  };
  // The chord from t0 to t1 strays from the curve by at most tol (checked
  // at 32 points between).
  auto fits = [&](double t0, double t1) {
    const Pt a = at(t0), b = at(t1);
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    for (int k = 1; k < 32; k++) {
      const Pt q = at(t0 + (t1 - t0) * k / 32);
      if (std::fabs((q.x - a.x) * (b.y - a.y) - (q.y - a.y) * (b.x - a.x)) > tol * len) return false;
    }
    return true;
  };
  constexpr int kSteps = 1024;
  int from = 0;
  while (from < kSteps) {
    int to = from + 1;
    while (to < kSteps && fits(static_cast<double>(from) / kSteps, static_cast<double>(to + 1) / kSteps)) to++;
    out.push_back(at(static_cast<double>(to) / kSteps));
    from = to;
  }
}

int circle_points(double r, double tol) {
  int n = 3;
  while (r * (1 - std::cos(kPi / n)) > tol) n++;
  return n;
}
