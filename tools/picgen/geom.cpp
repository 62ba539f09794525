// Plane geometry for the generators; see geom.h. Curves are sampled with a
// fixed number of points so the output never depends on anything but the
// arguments; set operations go through Clipper on whole units.
#include "geom.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Arc tolerance of Clipper's round joins, in picture units.
constexpr double kArcTol = 2.0;

Pt catmull(Pt p0, Pt p1, Pt p2, Pt p3, double t) {
  const double t2 = t * t, t3 = t2 * t;
  auto f = [&](double a, double b, double c, double d) {
    return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (-a + 3 * b - 3 * c + d) * t3);
  };
  return {f(p0.x, p1.x, p2.x, p3.x), f(p0.y, p1.y, p2.y, p3.y)};
}

Polys run(ClipperLib::ClipType op, const Polys& a, const Polys& b, ClipperLib::PolyFillType ft) {
  ClipperLib::Clipper c;
  c.StrictlySimple(true);
  c.AddPaths(to_paths(a), ClipperLib::ptSubject, true);
  if (!b.empty()) c.AddPaths(to_paths(b), ClipperLib::ptClip, true);
  ClipperLib::Paths out;
  c.Execute(op, out, ft, ft);
  return from_paths(out);
}

// Convex hull (monotone chain), counter-clockwise.
Poly hull(Poly p) {
  std::sort(p.begin(), p.end(), [](Pt a, Pt b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  if (p.size() < 3) return p;
  auto cr = [](Pt o, Pt a, Pt b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); };
  Poly h(2 * p.size());
  size_t k = 0;
  for (size_t i = 0; i < p.size(); i++) {
    while (k >= 2 && cr(h[k - 2], h[k - 1], p[i]) <= 0) k--;
    h[k++] = p[i];
  }
  for (size_t i = p.size() - 1, t = k + 1; i > 0; i--) {
    while (k >= t && cr(h[k - 2], h[k - 1], p[i - 1]) <= 0) k--;
    h[k++] = p[i - 1];
  }
  h.resize(k - 1);
  return h;
}

}  // namespace

void bezier(Poly& out, Pt p0, Pt p1, Pt p2, Pt p3, int n) {
  for (int i = 1; i <= n; i++) {
    const double t = static_cast<double>(i) / n, u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    out.push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
  }
}

Poly smooth(const Poly& c, int n) {
  Poly out;
  const size_t m = c.size();
  for (size_t i = 0; i < m; i++)
    for (int k = 0; k < n; k++)
      out.push_back(catmull(c[(i + m - 1) % m], c[i], c[(i + 1) % m], c[(i + 2) % m], static_cast<double>(k) / n));
  return out;
}

Poly smooth_open(const Poly& c, int n) {
  Poly out;
  const size_t m = c.size();
  if (m < 2) return c;
  for (size_t i = 0; i + 1 < m; i++) {
    const Pt p0 = i ? c[i - 1] : Pt{2 * c[0].x - c[1].x, 2 * c[0].y - c[1].y};
    const Pt p3 = i + 2 < m ? c[i + 2] : Pt{2 * c[m - 1].x - c[m - 2].x, 2 * c[m - 1].y - c[m - 2].y};
    for (int k = 0; k < n; k++) out.push_back(catmull(p0, c[i], c[i + 1], p3, static_cast<double>(k) / n));
  }
  out.push_back(c[m - 1]);
  return out;
}

Poly ellipse(Pt c, double rx, double ry, int n, double r) {
  Poly out;
  for (int i = 0; i < n; i++) {
    const double t = 2 * kPi * i / n;
    out.push_back(rot({c.x + rx * std::cos(t), c.y + ry * std::sin(t)}, c, r));
  }
  return out;
}

Poly capsule(Pt a, Pt b, double ra, double rb, int n) {
  Poly pts = circle(a, ra, n);
  const Poly q = circle(b, rb, n);
  pts.insert(pts.end(), q.begin(), q.end());
  return hull(pts);
}

Poly star(Pt c, int k, double ro, double ri, double r0) {
  Poly out;
  for (int i = 0; i < 2 * k; i++) {
    const double t = r0 + kPi * i / k, r = (i & 1) ? ri : ro;
    out.push_back({c.x - r * std::sin(t), c.y + r * std::cos(t)});
  }
  return out;
}

Poly bumpy(Pt c, double r, int k, double d, double phase, int per) {
  Poly out;
  const int n = k * per;
  for (int i = 0; i < n; i++) {
    const double t = 2 * kPi * i / n + phase;
    // |sin| gives round bumps meeting in sharp notches.
    const double rr = r - d + d * std::fabs(std::sin(k * (t - phase) / 2));
    out.push_back({c.x + rr * std::cos(t), c.y + rr * std::sin(t)});
  }
  return out;
}

Poly rrect(double x0, double y0, double x1, double y1, double rr, int per) {
  Poly out;
  const Pt cs[4] = {{x1 - rr, y0 + rr}, {x1 - rr, y1 - rr}, {x0 + rr, y1 - rr}, {x0 + rr, y0 + rr}};
  for (int q = 0; q < 4; q++)
    for (int i = 0; i <= per; i++) {
      const double t = kPi / 2 * (q - 1) + kPi / 2 * i / per;
      out.push_back({cs[q].x + rr * std::cos(t), cs[q].y + rr * std::sin(t)});
    }
  return out;
}

Pt rot(Pt p, Pt c, double ang) {
  const double s = std::sin(ang), co = std::cos(ang);
  return {c.x + (p.x - c.x) * co - (p.y - c.y) * s, c.y + (p.x - c.x) * s + (p.y - c.y) * co};
}

Poly moved(const Poly& p, double dx, double dy) {
  Poly o(p);
  for (Pt& q : o) q = {q.x + dx, q.y + dy};
  return o;
}

Poly scaled(const Poly& p, Pt c, double sx, double sy) {
  Poly o(p);
  for (Pt& q : o) q = {c.x + (q.x - c.x) * sx, c.y + (q.y - c.y) * sy};
  // A mirror turns the winding; turn it back so regions stay non-zero positive.
  if (sx * sy < 0) std::reverse(o.begin(), o.end());
  return o;
}

Poly rotated(const Poly& p, Pt c, double ang) {
  Poly o(p);
  for (Pt& q : o) q = rot(q, c, ang);
  return o;
}

Polys moved(const Polys& p, double dx, double dy) {
  Polys o;
  for (const Poly& q : p) o.push_back(moved(q, dx, dy));
  return o;
}

Polys scaled(const Polys& p, Pt c, double sx, double sy) {
  Polys o;
  for (const Poly& q : p) o.push_back(scaled(q, c, sx, sy));
  return o;
}

Polys rotated(const Polys& p, Pt c, double ang) {
  Polys o;
  for (const Poly& q : p) o.push_back(rotated(q, c, ang));
  return o;
}

Poly reversed(Poly p) {
  std::reverse(p.begin(), p.end());
  return p;
}

double area(const Poly& p) {
  double a = 0;
  for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) a += (p[j].x * p[i].y - p[i].x * p[j].y);
  return a / 2;
}

double length(const Poly& p, bool closed) {
  double l = 0;
  for (size_t i = 1; i < p.size(); i++) l += std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y);
  if (closed && p.size() > 1) l += std::hypot(p[0].x - p.back().x, p[0].y - p.back().y);
  return l;
}

Polys unite(const Polys& a) { return run(ClipperLib::ctUnion, a, {}, ClipperLib::pftNonZero); }
Polys unite(const Polys& a, const Polys& b) { return run(ClipperLib::ctUnion, a, b, ClipperLib::pftNonZero); }
Polys subtract(const Polys& a, const Polys& b) { return run(ClipperLib::ctDifference, a, b, ClipperLib::pftNonZero); }
Polys intersect(const Polys& a, const Polys& b) {
  return run(ClipperLib::ctIntersection, a, b, ClipperLib::pftNonZero);
}
Polys evenodd(const Polys& a) { return run(ClipperLib::ctUnion, a, {}, ClipperLib::pftEvenOdd); }

Polys offset(const Polys& a, double d) {
  ClipperLib::ClipperOffset co(2.0, kArcTol);
  co.AddPaths(to_paths(unite(a)), ClipperLib::jtRound, ClipperLib::etClosedPolygon);
  ClipperLib::Paths out;
  co.Execute(out, d);
  return unite(from_paths(out));
}

Polys stroke(const Poly& line, double w) {
  ClipperLib::ClipperOffset co(2.0, kArcTol);
  co.AddPath(to_path(line), ClipperLib::jtRound, ClipperLib::etOpenRound);
  ClipperLib::Paths out;
  co.Execute(out, w / 2);
  return unite(from_paths(out));
}

Polys rim(const Polys& a, double w) { return subtract(offset(a, w / 2), offset(a, -w / 2)); }

ClipperLib::Path to_path(const Poly& p) {
  ClipperLib::Path o;
  for (const Pt& q : p) o.push_back({std::llround(q.x), std::llround(q.y)});
  return o;
}

ClipperLib::Paths to_paths(const Polys& p) {
  ClipperLib::Paths o;
  for (const Poly& q : p) o.push_back(to_path(q));
  return o;
}

Poly from_path(const ClipperLib::Path& p) {
  Poly o;
  for (const auto& q : p) o.push_back({static_cast<double>(q.X), static_cast<double>(q.Y)});
  return o;
}

Polys from_paths(const ClipperLib::Paths& p) {
  Polys o;
  for (const auto& q : p) o.push_back(from_path(q));
  return o;
}

bool inside(const Polys& region, Pt q) {
  int w = 0;
  for (const Poly& p : region)
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
      const Pt a = p[j], b = p[i];
      const double cr = (b.x - a.x) * (q.y - a.y) - (q.x - a.x) * (b.y - a.y);
      if (a.y <= q.y) {
        if (b.y > q.y && cr > 0) w++;
      } else if (b.y <= q.y && cr < 0) {
        w--;
      }
    }
  return w != 0;
}
