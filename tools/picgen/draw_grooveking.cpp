// grooveking, the second line drawing: the man dancing U+1F57A in his
// wide-collared suit, traced from Symbola's outline, with beamed notes
// U+266B and sparkles around him and the lit floor under his feet. The
// figure's ink is thinned first, so the two edges of each of its lines meet
// under the 2-pixel pen and draw as one line. Order: the figure's outer
// outline, its inner lines from the largest down, then notes and floor.
#include <algorithm>
#include <cmath>

#include "drawings.h"
#include "glyph.h"
#include "glyphart.h"

namespace {


// Glyph units to frame pixels (y down).
Pt to_frame(Pt p, double s, double dx, double dy) { return {dx + p.x * s, dy - p.y * s}; }

Poly closed(const Poly& p) {
  Poly o = p;
  o.push_back(p[0]);
  // Start at the topmost point, so every outline begins where a hand would.
  const size_t k = static_cast<size_t>(std::min_element(p.begin(), p.end(), [](Pt a, Pt b) { return a.y < b.y; }) - p.begin());
  Poly r(p.begin() + static_cast<long>(k), p.end());
  r.insert(r.end(), p.begin(), p.begin() + static_cast<long>(k) + 1);
  return r;
}

void trace(Sketch& s, const Polys& region, double sc, double dx, double dy) {
  // Outer outlines first, then holes, each group largest first.
  std::vector<Poly> outer, inner;
  for (const Poly& p : region) (area(p) > 0 ? outer : inner).push_back(p);
  auto bigger = [](const Poly& a, const Poly& b) { return std::fabs(area(a)) > std::fabs(area(b)); };
  std::stable_sort(outer.begin(), outer.end(), bigger);
  std::stable_sort(inner.begin(), inner.end(), bigger);
  for (const auto* group : {&outer, &inner})
    for (const Poly& p : *group) {
      Poly f;
      for (const Pt& q : p) f.push_back(to_frame(q, sc, dx, dy));
      s.strokes.push_back(closed(f));
    }
}

}  // namespace

Sketch sketch_grooveking() {
  Sketch s;
  // The figure: glyph units -416..1580 tall, drawn 158 pixels tall with his
  // feet on row 191, centred on column 104 (clear of the greetings above
  // and the "greetz" at the lower right).
  const double sc = 158.0 / 1996, dx = 104 - 707 * sc, dy = 191 - 416 * sc;
  // Thin the ink to about a pixel so both edges of a line fall under the pen.
  const Polys ink = offset(evenodd(glyph(kSymbola, 0x1F57A, 1.5)), -12);
  trace(s, ink, sc, dx, dy);
  // Beamed notes rising to the upper right, and sparkles.
  const Polys notes = evenodd(glyph(kSymbola, 0x266B, 1.5));
  trace(s, notes, 40.0 / 2048, 216, 112);
  trace(s, notes, 28.0 / 2048, 262, 70);
  for (const auto& [c, r] : std::initializer_list<std::pair<Pt, double>>{{{232, 128}, 8}, {{290, 110}, 6}, {{200, 60}, 7}, {{300, 50}, 9}, {{30, 120}, 8}})
    s.strokes.push_back(sparkle(c, r));
  // The lit floor: its front edge, then tile lines meeting far behind him.
  s.strokes.push_back({{4, 192}, {316, 192}});
  for (int i = -5; i <= 5; i++) s.strokes.push_back({{108 + 22.0 * i, 192}, {108 + 34.0 * i, 199}});
  return s;
}
