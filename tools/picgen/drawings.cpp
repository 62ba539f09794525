// Point drawings: resampling and the point-file writer; see drawings.h.
#include "drawings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The frame in file units: x 0..2559, y 208..1807 (eighth pixels).
constexpr int kUnit = 8;
constexpr int kTop = 208;

int segments_at(const Sketch& s, double step) {
  int n = 0;
  for (const Poly& p : s.strokes) n += std::max(1, static_cast<int>(std::ceil(length(p, false) / step)));
  return n;
}

// Points at k + 1 even steps along an open polyline.
Poly resample(const Poly& p, int k) {
  const double total = length(p, false);
  Poly out{p[0]};
  size_t i = 1;
  double walked = 0;  // length up to p[i - 1]
  for (int j = 1; j < k; j++) {
    const double want = total * j / k;
    while (i < p.size() - 1 && walked + std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y) < want)
      walked += std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y), i++;
    const double seg = std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y);
    const double t = seg > 0 ? std::clamp((want - walked) / seg, 0.0, 1.0) : 0;
    out.push_back({p[i - 1].x + (p[i].x - p[i - 1].x) * t, p[i - 1].y + (p[i].y - p[i - 1].y) * t});
  }
  out.push_back(p.back());
  return out;
}

}  // namespace

Poly sparkle(Pt c, double r) {
  constexpr double kPi = 3.14159265358979323846;
  // Tip to tip along curves pulled in towards the centre.
  Poly o{{c.x + r, c.y}};
  for (int q = 1; q <= 4; q++) {
    const Pt prev{c.x + r * std::cos((q - 1) * kPi / 2), c.y + r * std::sin((q - 1) * kPi / 2)};
    const Pt tip{c.x + r * std::cos(q * kPi / 2), c.y + r * std::sin(q * kPi / 2)};
    const Pt m{c.x + 0.15 * r * std::cos((q - 0.5) * kPi / 2), c.y + 0.15 * r * std::sin((q - 0.5) * kPi / 2)};
    bezier(o, prev, m, m, tip, 8);
  }
  return o;
}

std::string drawing_write(const Sketch& s, int segments, DrawStats& st) {
  // The count falls as the step grows: bisect for the step that gives the target.
  double lo = 0.01, hi = 100;
  for (int it = 0; it < 200; it++) {
    const double mid = (lo + hi) / 2;
    (segments_at(s, mid) > segments ? lo : hi) = mid;
  }
  st.step = hi;
  std::string out;
  for (const Poly& p : s.strokes) {
    const int k = std::max(1, static_cast<int>(std::ceil(length(p, false) / hi)));
    const Poly q = resample(p, k);
    out += std::to_string(q.size());
    int col = 0;
    for (const Pt& v : q) {
      const long x = std::clamp(std::lround(v.x * kUnit), 0L, 320L * kUnit - 1);
      const long y = std::clamp(std::lround(v.y * kUnit) + kTop, static_cast<long>(kTop), 200L * kUnit + kTop - 1);
      char b[32];
      std::snprintf(b, sizeof b, "%s%ld %ld", col++ % 8 ? "  " : "\n", x, y);
      out += b;
    }
    out += "\n";
    st.strokes++;
    st.segments += k;
  }
  out += "-1\n";
  return out;
}
