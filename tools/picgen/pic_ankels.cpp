// ankels, the title picture: two feet striding in platform shoes and flares
// on a lit dance floor, side view, all procedural. The title zooms out of
// it from a half-extent of 1000 pixels to about 93, centred at (160, 120),
// so the middle of the frame (the platform soles) is what the opening shows.
#include <cmath>

#include "demo/scene_looks.h"
#include "glyphart.h"
#include "pictures.h"

namespace {

enum {
  INK = 1, FLARE, FLARE2, STRIPE, UPPER, UPPER2, SOLE1, SOLE2, SOLE3, SOLE4, TILE1, TILE2, TILE3, TILE4, GROUT, SHINE,
  REFL
};

// Ink width, picture units (the frame is 16000 wide: at the end of the
// title one pixel is about 86 units).
constexpr double kInk = 70;

struct Shoe {
  Polys sole, upper;
};

// A platform shoe pointing left: its toe's floor point at t, length L,
// tilted by ang (radians, positive lifts the heel).
Shoe shoe(Pt t, double L, double ang) {
  auto at = [&](double u, double v) { return rot(Pt{t.x + u * L, t.y + v * L}, t, ang); };
  auto poly = [&](std::initializer_list<Pt> uv, int n) {
    Poly c;
    for (const Pt& q : uv) c.push_back(at(q.x, q.y));
    return smooth(c, n);
  };
  Shoe s;
  // Front platform, arch, block heel; the top line climbs towards the heel.
  s.sole = {poly({{0.0, 0.03}, {0.06, 0.0}, {0.55, 0.0}, {0.62, 0.02}, {0.66, 0.13}, {0.72, 0.14}, {0.74, 0.02},
                  {0.76, 0.0}, {1.0, 0.0}, {1.01, 0.2}, {1.0, 0.42}, {0.7, 0.37}, {0.4, 0.27}, {0.1, 0.24}, {0.0, 0.16}},
                 5)};
  // The upper: a round toe box rising to the ankle.
  s.upper = {poly({{0.03, 0.22}, {0.3, 0.26}, {0.7, 0.36}, {1.0, 0.41}, {1.02, 0.66}, {0.8, 0.68}, {0.5, 0.56},
                   {0.3, 0.5}, {0.12, 0.47}, {0.02, 0.36}},
                  6)};
  return s;
}

// Horizontal bands of the sole in the four stripe colours.
void striped(Picture& p, const Polys& sole, Pt t, double L, double ang, bool dim) {
  pic_fill(p, INK, offset(sole, kInk));
  const int cols[] = {SOLE1, SOLE2, SOLE3, SOLE4};
  for (int b = 0; b < 6; b++) {
    const double v0 = -0.1 + b * 0.085, v1 = b == 5 ? 0.6 : v0 + 0.085;
    Poly band = {rot({t.x - L, t.y + v0 * L}, t, ang), rot({t.x + 2 * L, t.y + v0 * L}, t, ang),
                 rot({t.x + 2 * L, t.y + v1 * L}, t, ang), rot({t.x - L, t.y + v1 * L}, t, ang)};
    pic_fill(p, dim ? cols[(b + 2) % 4] : cols[b % 4], intersect(sole, {band}));
  }
}

}  // namespace

Picture pic_ankels() {
  Picture p;
  p.name = "ankels";
  p.desc = "feet in platform shoes and flares";
  p.back = looks::colour_of(looks::title.palette, looks::BACKGROUND).word();
  p.colours = {0x000000, 0x008c96, 0x005f69, 0xffc800, 0xd21428, 0x960a1e, 0xffc400, 0xff6e00, 0xe61e78, 0xffffff,
               0xff78c8, 0xffe650, 0x50dcdc, 0xffa03c, 0x3c1428, 0xffffff, 0xd28cb4};
  pic_frame(p, -8000, -4400, 8000, 5000);

  // Everything is cut to the frame: the legs run off its top edge.
  const Polys frame = {{{-8000, -5000}, {8000, -5000}, {8000, 5000}, {-8000, 5000}}};

  // The dance floor: rows of lit tiles in perspective, below the soles.
  const double floor = -1200;
  const int tiles[] = {TILE1, TILE2, TILE3, TILE4};
  // The floor is a pool of light: its near corners round off.
  const Polys pool = intersect({ellipse({0, floor}, 8600, 4200, 64)}, {{{-9000, -6000}, {9000, -6000}, {9000, floor}, {-9000, floor}}});
  pic_fill(p, GROUT, offset(pool, 60));
  const double rows[] = {floor, -2000, -3100, -5000};
  for (int r = 0; r < 3; r++) {
    const double y0 = rows[r] - 50, y1 = rows[r + 1] + 50;
    for (int c = -8; c <= 8; c++) {
      // Column lines meet at a vanishing point far above the picture.
      auto x = [&](double y, double cc) { return 300 + cc * 1300 * (1 + (floor - y) / 4000); };
      Poly t = {{x(y0, c - 0.5) + 60, y0}, {x(y0, c + 0.5) - 60, y0}, {x(y1, c + 0.5) - 60, y1}, {x(y1, c - 0.5) + 60, y1}};
      pic_fill(p, tiles[((c + 16) + r * 3) % 4], intersect(intersect({t}, frame), pool));
    }
  }

  const double L = 4400;
  // Back leg (right): heel lifted mid-stride, a shade darker. Its striped
  // sole crosses the middle of the frame, which the title opens on.
  const Pt backtoe{-1600, floor};
  const double lift = 0.3;
  Shoe b = shoe(backtoe, L, lift);
  striped(p, b.sole, backtoe, L, lift, true);
  sticker(p, UPPER2, INK, b.upper, kInk);
  const Polys bl = intersect({smooth({{2500, 5400}, {4300, 5400}, {4200, 3800}, {3900, 2800}, {3700, 1600},
                                      {2500, 1000}, {1200, 650}, {-300, 550}, {400, 1500}, {1500, 2500}, {2200, 3800}},
                                     10)},
                             frame);
  sticker(p, FLARE2, INK, bl, kInk);

  // Front leg (left): flat on the floor.
  const Pt fronttoe{-7600, floor};
  Shoe f = shoe(fronttoe, L, 0);
  striped(p, f.sole, fronttoe, L, 0, false);
  sticker(p, UPPER, INK, f.upper, kInk);
  const Polys fl = intersect({smooth({{-5300, 5400}, {-3500, 5400}, {-3550, 3500}, {-3300, 1800}, {-2700, 300},
                                      {-2500, -700}, {-3400, -900}, {-4600, -700}, {-5800, -350}, {-6500, -100},
                                      {-6000, 700}, {-5200, 2000}, {-5150, 3600}},
                                     10)},
                             frame);
  sticker(p, FLARE, INK, fl, kInk);
  // Side stripes down both legs, a fold in each bell, a shine on each toe.
  pic_fill(p, STRIPE, intersect(fl, stroke(smooth_open({{-4300, 5300}, {-4300, 2500}, {-4500, 300}, {-4700, -1000}}, 8), 300)));
  pic_fill(p, STRIPE, intersect(bl, stroke(smooth_open({{3500, 5300}, {3350, 3000}, {2700, 1500}, {1900, 600}}, 8), 300)));
  pic_fill(p, INK, stroke(smooth_open({{-5500, 1200}, {-5700, 200}, {-5750, -400}}, 8), kInk));
  pic_fill(p, INK, stroke(smooth_open({{-3300, 1000}, {-3100, 0}, {-3000, -700}}, 8), kInk));
  pic_fill(p, INK, stroke(smooth_open({{1400, 2300}, {800, 1400}, {400, 800}}, 8), kInk));
  pic_fill(p, SHINE, {ellipse({fronttoe.x + 650, floor + 1150}, 330, 120, 24, 0.35)});
  pic_fill(p, SHINE, {ellipse(rot({backtoe.x + 650, floor + 1150}, backtoe, lift), 330, 120, 24, 0.35 + lift)});
  // Lift the scene so the back sole sits at the frame's middle, and cut
  // everything to the frame.
  const Polys box = {{{-8000, -4400}, {8000, -4400}, {8000, 5000}, {-8000, 5000}}};
  for (Picture::Item& it : p.items)
    if (it.width == 0) it.region = intersect(moved(it.region, 0, 500), box);
  return p;
}
