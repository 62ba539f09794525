// Paint-bucket colouring of line-art glyphs; see glyphart.h.
#include "glyphart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Index of the smallest polygon holding q, or -1.
int smallest_holding(const Polys& ps, Pt q) {
  int best = -1;
  for (size_t h = 0; h < ps.size(); h++)
    if (inside({ps[h]}, q) &&
        (best < 0 || std::fabs(area(ps[h])) < std::fabs(area(ps[static_cast<size_t>(best)]))))
      best = static_cast<int>(h);
  return best;
}

void add(std::vector<std::pair<int, Polys>>& to, int colour, const Poly& p) {
  for (auto& [c, r] : to)
    if (c == colour) return r.push_back(p);
  to.push_back({colour, {p}});
}

}  // namespace

Pt Place::at(Pt p) const {
  if (mirror) p.x = -p.x;
  const Pt r = rot(p, {0, 0}, ang);
  return {r.x * s + dx, r.y * s + dy};
}

Polys Place::at(const Polys& p) const {
  Polys o;
  for (const Poly& q : p) {
    Poly t;
    for (const Pt& v : q) t.push_back(at(v));
    if (mirror) t = reversed(t);
    o.push_back(t);
  }
  return o;
}

Polys holes_of(const Polys& ink) {
  ClipperLib::Clipper c;
  c.StrictlySimple(true);
  c.AddPaths(to_paths(ink), ClipperLib::ptSubject, true);
  ClipperLib::PolyTree t;
  c.Execute(ClipperLib::ctUnion, t, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
  Polys out;
  for (const ClipperLib::PolyNode* n = t.GetFirst(); n; n = n->GetNext())
    if (n->IsHole()) out.push_back(reversed(from_path(n->Contour)));
  return out;
}

GlyphArt paint(const Polys& contours, const Place& at, double grow, const std::vector<Seed>& seeds, int rest,
               double rimw) {
  GlyphArt g;
  g.ink = evenodd(at.at(contours));
  if (grow != 0) g.ink = offset(g.ink, grow);
  const Polys holes = holes_of(g.ink);
  // The solid parts of the ink: shrunk by twice the rim, so strokes up to
  // four rims wide vanish, then grown back by one rim, which keeps a rim of
  // ink around them. Only seeds on solid ink find a part.
  Polys solid;
  if (rimw > 0)
    for (const Poly& p : offset(offset(g.ink, -2 * rimw), rimw))
      if (area(p) > 0) solid.push_back(p);
  std::vector<int> colour(holes.size(), rest);
  for (const Seed& s : seeds) {
    const Pt q = at.at(Pt{s.x, s.y});
    if (s.solid) {
      // Solid parts may have holes of their own: take the part's outer
      // contour and cut the ink's holes back out.
      const int k = smallest_holding(solid, q);
      if (k < 0) {
        std::fprintf(stderr, "picgen: seed (%.0f, %.0f) is not on solid ink\n", s.x, s.y);
        std::exit(1);
      }
      add(g.solids, s.colour, solid[static_cast<size_t>(k)]);
      continue;
    }
    // A seed that the thickened ink covered finds the nearest area around it.
    int h = smallest_holding(holes, q);
    for (int r = 1; h < 0 && r <= 24; r++)
      for (int k = 0; k < 16 && h < 0; k++) {
        const Pt t{q.x + 4 * r * std::cos(k * 0.3927), q.y + 4 * r * std::sin(k * 0.3927)};
        if (!inside(g.ink, t)) h = smallest_holding(holes, t);
      }
    if (h < 0) {
      std::fprintf(stderr, "picgen: seed (%.0f, %.0f) finds no area\n", s.x, s.y);
      std::exit(1);
    }
    colour[static_cast<size_t>(h)] = s.colour;
  }
  for (auto& [c, r] : g.solids) r = subtract(r, offset(holes, rimw));
  for (size_t h = 0; h < holes.size(); h++)
    if (colour[h] > 0) add(g.areas, colour[h], holes[h]);
  return g;
}

void draw(Picture& pic, const GlyphArt& g, int ink) {
  for (const auto& [c, r] : g.areas) pic_fill(pic, c, r);
  pic_fill(pic, ink, g.ink);
  for (const auto& [c, r] : g.solids) pic_fill(pic, c, r);
}

Polys silhouette(const GlyphArt& g) {
  Polys all = g.ink;
  for (const auto& [c, r] : g.areas) all.insert(all.end(), r.begin(), r.end());
  return unite(all);
}

Pt inner_point(const Poly& p) {
  double y0 = p[0].y, y1 = y0;
  for (const Pt& q : p) y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
  Pt best{p[0].x, p[0].y};
  double wbest = -1;
  for (int k = 1; k < 32; k++) {
    const double y = y0 + (y1 - y0) * k / 32 + 0.25;
    std::vector<double> xs;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
      if ((p[i].y <= y) != (p[j].y <= y)) xs.push_back(p[i].x + (y - p[i].y) / (p[j].y - p[i].y) * (p[j].x - p[i].x));
    std::sort(xs.begin(), xs.end());
    for (size_t i = 0; i + 1 < xs.size(); i += 2)
      if (xs[i + 1] - xs[i] > wbest) wbest = xs[i + 1] - xs[i], best = {(xs[i] + xs[i + 1]) / 2, y};
  }
  return best;
}

GlyphArt placed(const GlyphArt& g, const Place& at) {
  GlyphArt o;
  o.ink = at.at(g.ink);
  for (const auto& [c, r] : g.areas) o.areas.push_back({c, at.at(r)});
  for (const auto& [c, r] : g.solids) o.solids.push_back({c, at.at(r)});
  return o;
}

GlyphArt clip(const GlyphArt& g, const Polys& keep) {
  GlyphArt o;
  o.ink = intersect(g.ink, keep);
  for (const auto& [c, r] : g.areas) o.areas.push_back({c, intersect(r, keep)});
  for (const auto& [c, r] : g.solids) o.solids.push_back({c, intersect(r, keep)});
  return o;
}

void sticker(Picture& pic, int colour, int ink, const Polys& region, double w) {
  pic_fill(pic, ink, offset(region, w));
  pic_fill(pic, colour, region);
}
