// afrogirl, the first line drawing: a portrait of a woman with a big afro,
// hoop earrings and a choker, with sunburst rays behind, all drawn from
// hand-placed curves in frame pixels (320x200, y down). Order as an artist
// draws: the afro's outline, the face, neck and shoulders, then the
// features, then the afro's curls, the jewellery, and last the rays.
#include <cmath>

#include "drawings.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMid = 160;  // the face's axis

Poly curve(const Poly& c) { return smooth_open(c, 10); }

Poly mirror(const Poly& p) {
  Poly o;
  for (const Pt& q : p) o.push_back({2 * kMid - q.x, q.y});
  return o;
}

Poly arc(Pt c, double rx, double ry, double a0, double a1, int n = 24) {
  Poly o;
  for (int i = 0; i <= n; i++) {
    const double t = a0 + (a1 - a0) * i / n;
    o.push_back({c.x + rx * std::cos(t), c.y + ry * std::sin(t)});
  }
  return o;
}

// The afro's rim: round bumps along an ellipse from angle a0 to a1 (y down,
// so angles run clockwise on screen).
Poly scallops(Pt c, double rx, double ry, double a0, double a1, int bumps) {
  Poly o;
  const int per = 12;
  for (int i = 0; i <= bumps * per; i++) {
    const double t = a0 + (a1 - a0) * i / (bumps * per);
    const double bump = 1 + 0.07 * std::sin(kPi * (i % per) / per);
    o.push_back({c.x + rx * bump * std::cos(t), c.y + ry * bump * std::sin(t)});
  }
  return o;
}

// A small curl: most of a turn of a tightening spiral.
Poly curl(Pt c, double r, double a0, bool cw) {
  Poly o;
  for (int i = 0; i <= 20; i++) {
    const double t = a0 + (cw ? 1 : -1) * 1.6 * kPi * i / 20, rr = r * (1 - 0.45 * i / 20);
    o.push_back({c.x + rr * std::cos(t), c.y + rr * std::sin(t)});
  }
  return o;
}

}  // namespace

Sketch sketch_afrogirl() {
  Sketch s;
  auto add = [&](const Poly& p) { s.strokes.push_back(p); };
  auto pair = [&](const Poly& left) {
    add(left);
    add(mirror(left));
  };

  // The afro: one sweep of bumps from the left jaw round the top to the
  // right jaw, its lower ends tucked in behind the neck.
  {
    Poly a = curve({{140, 124}, {118, 130}, {96, 128}});
    const Poly top = scallops({kMid, 72}, 80, 64, kPi * 0.86, kPi * 2.14, 23);
    a.insert(a.end(), top.begin(), top.end());
    const Poly end = curve({{224, 128}, {202, 130}, {180, 124}});
    a.insert(a.end(), end.begin(), end.end());
    add(a);
  }
  // The face: hairline across the forehead, then the cheeks down to the chin.
  add(curve({{131, 74}, {134, 60}, {146, 52}, {kMid, 50}, {174, 52}, {186, 60}, {189, 74}}));
  add(curve({{131, 74}, {130, 90}, {134, 106}, {142, 120}, {151, 129}, {kMid, 132}, {169, 129}, {178, 120},
             {186, 106}, {190, 90}, {189, 74}}));
  // Neck and shoulders, the top's scoop neckline.
  pair(curve({{147, 128}, {146, 140}, {144, 151}, {128, 158}, {100, 166}, {72, 178}, {52, 199}}));
  add(curve({{100, 166}, {114, 178}, {132, 189}, {kMid, 194}, {188, 189}, {206, 178}, {220, 166}}));
  // Ears peeping out of the hair.
  pair(curve({{131, 90}, {126, 92}, {125, 100}, {128, 107}, {133, 108}}));

  // Brows, lids, irises, lashes.
  pair(curve({{133, 79}, {139, 73}, {147, 72}, {154, 76}}));
  pair(curve({{136, 88}, {141, 83}, {148, 82}, {155, 87}}));
  pair(curve({{137, 88}, {144, 91}, {150, 91}, {155, 87}}));
  pair(arc({146.5, 87}, 3.2, 3.2, 0, 2 * kPi, 20));
  pair(curve({{134, 84}, {137, 81.5}, {141, 80}, {147, 79.5}, {153, 81.5}}));
  pair(curve({{136.5, 87.5}, {132.5, 85.5}}));
  pair(curve({{138, 85.5}, {134.5, 82.5}}));
  pair(curve({{140.5, 84}, {138.5, 80.5}}));
  // Nose and lips.
  add(curve({{157, 90}, {156, 98}, {154, 104}, {152, 107}, {155, 109}, {kMid, 108}, {165, 109}, {168, 107}, {166, 104}}));
  add(curve({{147, 116}, {152, 113.5}, {157, 112.5}, {kMid, 114}, {163, 112.5}, {168, 113.5}, {173, 116}}));
  add(curve({{147, 116}, {154, 117.5}, {kMid, 118}, {166, 117.5}, {173, 116}}));
  add(curve({{148, 116.5}, {153, 121}, {kMid, 123}, {167, 121}, {172, 116.5}}));

  // Curls all over the afro, placed on rings about its centre.
  for (int ring = 0; ring < 3; ring++) {
    const int n = 9 + 4 * ring;
    const double rx = 44 + 13 * ring, ry = 33 + 11 * ring;
    for (int i = 0; i < n; i++) {
      const double t = kPi * (0.92 + 1.16 * (i + 0.5 * (ring & 1)) / n);
      const Pt c{kMid + rx * std::cos(t), 70 + ry * std::sin(t)};
      // Skip curls that would fall on the face.
      if (std::fabs(c.x - kMid) < 34 && c.y > 47) continue;
      add(curl(c, 4.2 - 0.4 * ring, t + ring, (i + ring) & 1));
    }
  }
  // Hoop earrings and the choker with its pendant.
  pair(arc({127, 119}, 8.5, 10.5, -kPi / 2, 1.5 * kPi, 28));
  add(curve({{144, 143}, {152, 146}, {kMid, 147}, {168, 146}, {176, 143}}));
  add(sparkle({kMid, 153}, 5));

  // Sunburst rays behind her, from just outside the afro to the frame.
  for (int i = 0; i < 14; i++) {
    const double t = kPi * (0.96 + 1.08 * i / 13);
    const Pt a{kMid + 96 * std::cos(t), 74 + 80 * std::sin(t)};
    const Pt b{kMid + 190 * std::cos(t), 74 + 160 * std::sin(t)};
    add({a, b});
  }
  add(sparkle({38, 40}, 9));
  add(sparkle({286, 34}, 7));
  add(sparkle({270, 150}, 10));
  add(sparkle({46, 140}, 7));
  return s;
}
