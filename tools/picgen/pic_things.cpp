// The cat, the bottles and the two stars: hipcat and bottles coloured from
// Symbola's pictographs (cat face U+1F431, dark sunglasses U+1F576, bottle
// with popping cork U+1F37E) with procedural bodies and fizz; the stars are
// procedural.
#include <cmath>

#include "demo/scene_looks.h"
#include "glyph.h"
#include "glyphart.h"
#include "pictures.h"
#include "star_pieces.h"

namespace {

// Flattening tolerance for the glyphs, font units (of 2048 to the em). The
// largest picture on screen (strutter, 200 rows for its 2800 units) maps 14
// units to a pixel, so 10 moves no outline by a whole pixel, while the glyphs'
// curves take a fifth fewer points, and so triangles, than at 1.5: the frame
// step of the scenes that draw three dancers at once pays for every one.
constexpr double kTol = 10.0;
constexpr double kPi = 3.14159265358979323846;

// A star picture: the frame is square about the star's centre, so it turns
// about that centre in the star effect.
void star_frame(Picture& p, double r) { pic_frame(p, -r, -r, r, r); }

}  // namespace

// hipcat, the credits' first picture (centre column 100, half-extent 70..130
// pixels, on orange): a cream cat face U+1F431 behind dark sunglasses
// U+1F576, in a teal shirt with a wide collar and a gold medallion, on a
// plum vinyl record that frames the bust at every size of the pulse.
Picture pic_hipcat() {
  enum { INK = 1, FUR, EAR, SHIRT, COLLAR, GOLDC, LENS, GLINT, VINYL, GROOVE };
  Picture p;
  p.name = "hipcat";
  p.desc = "a cool cat in shades";
  p.back = looks::colour_of(looks::credits.palette, looks::BACKGROUND).word();
  p.colours = {0x000000, 0xfaebd2, 0xf08ca0, 0x00968c, 0xdca0f0, 0xffd200, 0x005a64, 0xb4f0ff, 0x781e5a, 0xa03c82};
  const double w = 16;  // ink border of the procedural parts
  // The record: grooves as thin rings, a highlight across them.
  const Pt rc{835, 250};
  const double rr = 1250;
  sticker(p, VINYL, INK, {circle(rc, rr, 96)}, w);
  for (int k = 0; k < 6; k++) pic_fill(p, GROOVE, rim({circle(rc, rr - 110 - 95 * k, 96)}, 16));
  pic_fill(p, GROOVE, intersect({circle(rc, rr - 60, 96)},
                                {{{rc.x + 300, rc.y + 1400}, {rc.x + 700, rc.y + 1400}, {rc.x + 1600, rc.y - 200}, {rc.x + 1200, rc.y - 200}}}));
  // Shoulders and shirt, cut to the record.
  const Poly torso = smooth({{-150, -1300}, {60, -450}, {420, -150}, {835, -120}, {1250, -150}, {1610, -450},
                             {1820, -1300}}, 10);
  const Polys disc = {circle(rc, rr, 96)};
  sticker(p, SHIRT, INK, intersect({torso}, offset(disc, -w)), w);
  // Open neck: fur showing in a V, then the medallion on its chain.
  const Poly vee = {{745, -60}, {925, -60}, {835, -640}};
  sticker(p, FUR, INK, {vee}, w);
  pic_fill(p, INK, stroke(smooth_open({{660, -80}, {700, -380}, {835, -520}, {970, -380}, {1010, -80}}, 8), 26));
  sticker(p, GOLDC, INK, {circle({835, -560}, 95, 32)}, w);
  pic_fill(p, INK, {star({835, -560}, 5, 60, 26)});
  // The wide pointed collar, both wings.
  for (int side = -1; side <= 1; side += 2) {
    const Poly wing = smooth({{835 + side * 70.0, -50}, {835 + side * 380.0, -30}, {835 + side * 560.0, -260},
                              {835 + side * 650.0, -640}, {835 + side * 330.0, -420}, {835 + side * 120.0, -330}}, 4);
    sticker(p, COLLAR, INK, {side < 0 ? reversed(wing) : wing}, w);
  }
  // The head, then the shades across its eyes, tilted a little.
  const Polys cat = glyph(kSymbola, 0x1F431, kTol);
  const GlyphArt head = paint(cat, Place{}, 8, {{837, 1022, FUR}}, FUR, 0);
  for (const auto& [c, r] : head.areas) pic_fill(p, c, r);
  // Pink inside the ears, under the ink.
  const Poly ear = smooth({{235, 1210}, {265, 1000}, {450, 1075}}, 4);
  pic_fill(p, EAR, {ear, scaled(ear, {835, 0}, -1, 1)});
  pic_fill(p, INK, head.ink);
  Place sh;
  sh.s = 0.86;
  sh.ang = -0.06;
  sh.dx = 810 - 883 * 0.86;
  sh.dy = 560 - 760 * 0.86 + 50;
  draw(p, paint(glyph(kSymbola, 0x1F576, kTol), sh, 6,
                {{1212, 875, GLINT}, {555, 875, GLINT}, {700, 700, LENS, true}, {1350, 700, LENS, true}}, 0, 30),
       INK);
  return p;
}

// bottles, the finale (centre column 150, row 70, growing to a half-extent
// of 219 pixels; colours fade in from the background, at most 99 of them):
// three bottles U+1F37E fanned out like a bouquet, corks flying, foam and
// spray bursting from the necks, with sparkles.
Picture pic_bottles() {
  enum { INK = 1, GLASS, GLASS2, FOIL, LABEL, CORK, FOAM, DROP, SPARK, SPARK2 };
  Picture p;
  p.name = "bottles";
  p.desc = "bottles with popping corks and fizz";
  p.back = looks::finale.background.colour.word();
  p.colours = {0x000000, 0x147840, 0xa01e3c, 0xff7800, 0xfff5dc, 0xc8965a, 0xffffff, 0xb4f0ff, 0xe61e78, 0xff6e00};
  const Polys bottle = glyph(kSymbola, 0x1F37E, kTol);
  // The glyph's bottle leans 38.7 degrees left: base centre (1350, -200),
  // mouth (270, 1150).
  const Pt base{1350, -200}, mouth{270, 1150};
  const double lean = std::atan2(base.x - mouth.x, mouth.y - base.y);
  struct Copy {
    double tilt;  // radians, positive leans left
    Pt at;        // where the base stands
    int glass;
  };
  const Copy copies[] = {{0.5, {-330, -1000}, GLASS}, {-0.5, {330, -1000}, GLASS}, {0.0, {0, -1080}, GLASS2}};
  const double w = 14;
  for (const Copy& c : copies) {
    Place at;
    at.mirror = c.tilt < 0;
    at.ang = std::fabs(c.tilt) - lean;
    if (at.mirror) at.ang = -at.ang;
    const Pt b0 = at.at(base);
    at.dx = c.at.x - b0.x;
    at.dy = c.at.y - b0.y;
    const Pt m = at.at(mouth);
    const double len = std::hypot(m.x - c.at.x, m.y - c.at.y);
    const Pt dir{(m.x - c.at.x) / len, (m.y - c.at.y) / len}, side{-dir.y, dir.x};
    auto along = [&](double a, double s) { return Pt{m.x + dir.x * a + side.x * s, m.y + dir.y * a + side.y * s}; };
    // The bottle without the glyph's own little cork: cut beyond the mouth.
    const Poly keep = {along(60, -3000), along(60, 3000), along(-4000, 3000), along(-4000, -3000)};
    draw(p, clip(paint(bottle, at, 8,
                       {{472, 1045, FOIL}, {757, 785, FOIL}, {822, 667, LABEL}, {1274, 20, LABEL},
                        {1000, 500, c.glass, true}},
                       FOIL, 24),
                 {keep}),
         INK);
    // Drops arcing out of the foam to both sides, two arcs a side, falling
    // away as they go.
    for (int s = -1; s <= 1; s += 2)
      for (int arc = 0; arc < 2; arc++)
        for (int i = 0; i < 4; i++) {
          const double lat = s * (140 + (arc ? 150 : 95) * (i + 1));
          const double a = 380 + (arc ? 150 : 300) + 80 * i - (arc ? 0.0009 : 0.0005) * lat * lat;
          sticker(p, (i + arc) & 1 ? DROP : FOAM, INK, {circle(along(a, lat), 62 - 11 * i, 20)}, w);
        }
    // Foam boiling up out of the mouth.
    const Polys foam = unite({bumpy(along(130, 0), 200, 10, 40, 0.2), bumpy(along(360, 0), 170, 9, 35, 0.9),
                              bumpy(along(560, 0), 125, 8, 30, 0.4)});
    sticker(p, FOAM, INK, foam, w);
    // The cork, flying on along the bottle's line, with speed marks behind it.
    const Poly cork = rotated(rrect(-95, -130, 95, 130, 45), {0, 0}, std::atan2(dir.y, dir.x) + 0.9);
    sticker(p, CORK, INK, {moved(cork, along(1000, 0).x, along(1000, 0).y)}, w);
    for (int k = -1; k <= 1; k++) pic_fill(p, INK, stroke({along(740, 70 * k), along(840, 80 * k)}, 28));
  }
  // Sparkles about the corks.
  const Pt sp[] = {{-1250, 1350}, {1250, 1400}, {-450, 1750}, {-1350, 300}, {1400, 250}, {500, 1700}};
  for (int i = 0; i < 6; i++) sticker(p, i % 2 ? SPARK : SPARK2, INK, {star(sp[i], 4, 150 - 10 * i, 40)}, 12);
  return p;
}

// stara2, the star drawn on the even layers (the front one 444 pixels in
// half-extent): a five-point gold star with an orange star inside and a
// pink heart, brown-rimmed. Colours are the shared star colours.
Picture pic_stara2() {
  Picture p;
  p.name = "stara2";
  p.desc = "a five-point star";
  p.back = 0xffffff;
  p.colours = {kGold, kOrange, kPink, kBrown, kBlack};
  star_frame(p, 1000);
  star_sticker(p, GOLD, BROWN, {star({0, 0}, 5, 960, 400)}, 40);
  star_sticker(p, ORANGE, BROWN, {star({0, 0}, 5, 560, 235)}, 24);
  star_sticker(p, PINK, BROWN, {circle({0, 0}, 130, circle_points(130, kStarTol))}, 20);
  return p;
}

// stara, the star on the odd layers and the small one on top: a
// four-point sparkle, pink with a gold heart, brown-rimmed.
Picture pic_stara() {
  Picture p;
  p.name = "stara";
  p.desc = "a four-point sparkle";
  p.back = 0xffffff;
  p.colours = {kGold, kOrange, kPink, kBrown, kBlack};
  star_frame(p, 1000);
  // Concave sides: each quarter a curve from one tip to the next, pulled in;
  // the inner star the same at half the size, each flattened to kStarTol.
  Poly s[2];
  for (int k = 0; k < 2; k++) {
    const double r = k ? 480 : 960, pull = k ? 75 : 150;
    for (int q = 0; q < 4; q++) {
      const double a0 = q * kPi / 2, a1 = a0 + kPi / 2, am = a0 + kPi / 4;
      const Pt t0{r * std::cos(a0), r * std::sin(a0)}, t1{r * std::cos(a1), r * std::sin(a1)};
      const Pt m{pull * std::cos(am), pull * std::sin(am)};
      if (s[k].empty()) s[k].push_back(t0);
      bezier_flat(s[k], t0, m, m, t1, kStarTol);
    }
    s[k].pop_back();
  }
  star_sticker(p, PINK, BROWN, {s[0]}, 40);
  star_sticker(p, GOLD, BROWN, {s[1]}, 24);
  star_sticker(p, ORANGE, BROWN, {circle({0, 0}, 90, circle_points(90, kStarTol))}, 16);
  return p;
}
