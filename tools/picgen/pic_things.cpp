// The cat, the bottles and the two stars: hipcat and bottles coloured from
// Symbola's pictographs (cat face U+1F431, dark sunglasses U+1F576, bottle
// with popping cork U+1F37E) with procedural bodies and fizz; the stars are
// procedural.
#include <cmath>

#include "glyph.h"
#include "glyphart.h"
#include "pictures.h"

namespace {

constexpr double kTol = 1.5;
constexpr double kPi = 3.14159265358979323846;

// A star picture: the frame is square about the star's centre, so it turns
// about that centre in the star effect.
void star_frame(Picture& p, double r) { pic_frame(p, -r, -r, r, r); }

}  // namespace

// hipcat, the credits' first picture (centre column 100, half-extent 70..130
// pixels, on orange): a cream cat face U+1F431 behind dark sunglasses
// U+1F576, in a purple shirt with a wide collar and a gold medallion.
Picture pic_hipcat() {
  enum { INK = 1, FUR, EAR, SHIRT, COLLAR, GOLDC, LENS, GLINT, NOSE };
  Picture p;
  p.name = "hipcat";
  p.desc = "a cool cat in shades";
  p.back = 0xffb400;
  p.colours = {0x000000, 0xfaebd2, 0xf08ca0, 0x8c1e8c, 0xdca0f0, 0xffd200, 0x005a64, 0xb4f0ff, 0xe6507a};
  const double w = 16;  // ink border of the procedural parts
  // The frame: the bust is cut off at its bottom edge.
  const double bottom = -1150, top = 1450;
  pic_frame(p, 835 - 1050, bottom, 835 + 1050, top);
  // Shoulders and shirt.
  const Poly torso = smooth({{-150, bottom - 200}, {60, -450}, {420, -150}, {835, -120}, {1250, -150}, {1610, -450},
                             {1820, bottom - 200}}, 10);
  const Polys clipbox = {{{-400, bottom}, {2100, bottom}, {2100, 2000}, {-400, 2000}}};
  sticker(p, SHIRT, INK, intersect({torso}, clipbox), w);
  // Open neck: fur showing in a V, then the medallion on its chain.
  const Poly vee = {{600, -60}, {1070, -60}, {835, -760}};
  sticker(p, FUR, INK, {vee}, w);
  pic_fill(p, INK, stroke(smooth_open({{660, -80}, {700, -380}, {835, -520}, {970, -380}, {1010, -80}}, 8), 26));
  sticker(p, GOLDC, INK, {circle({835, -560}, 95, 32)}, w);
  pic_fill(p, INK, {star({835, -560}, 5, 60, 26)});
  // The wide pointed collar, both wings.
  for (int side = -1; side <= 1; side += 2) {
    const Poly wing = {{835 + side * 40.0, -70}, {835 + side * 300.0, -20}, {835 + side * 620.0, -560},
                       {835 + side * 360.0, -330}, {835 + side * 230.0, -700}};
    sticker(p, COLLAR, INK, {side < 0 ? reversed(wing) : wing}, w);
  }
  // The head, then the shades across its eyes, tilted a little.
  const Polys cat = glyph(kSymbola, 0x1F431, kTol);
  draw(p, paint(cat, Place{}, 8, {{837, 1022, FUR}, {300, 1150, EAR}, {1380, 1150, EAR}, {830, 300, NOSE}}, FUR, 0),
       INK);
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
// three bottles U+1F37E fanned out, corks flying, fizz spraying from the
// necks, with bubbles and sparkles.
Picture pic_bottles() {
  enum { INK = 1, GLASS, GLASS2, FOIL, LABEL, RIBBON, CORK, FIZZ, FIZZ2, SPARK };
  Picture p;
  p.name = "bottles";
  p.desc = "bottles with popping corks and fizz";
  p.back = 0xffdc50;
  p.colours = {0x000000, 0x147840, 0xa01e3c, 0xff7800, 0xfff5dc, 0xdc1e1e, 0xc8965a, 0xffffff, 0xb4f0ff, 0xe61e78};
  const Polys bottle = glyph(kSymbola, 0x1F37E, kTol);
  // The glyph leans left with its neck at about (330, 1100) and its base
  // centre at about (1300, -150); the three copies turn about the base.
  struct Copy {
    double ang;
    bool mirror;
    double dx, dy;
    int glass;
  };
  const Copy copies[] = {{0.35, false, -700, -300, GLASS}, {-0.35, true, 2500, -300, GLASS}, {-0.3, false, 520, -600, GLASS2}};
  for (const Copy& c : copies) {
    Place at;
    at.ang = c.ang;
    at.mirror = c.mirror;
    at.dx = c.dx;
    at.dy = c.dy;
    const GlyphArt art = paint(bottle, at, 8,
                               {{220, 1388, CORK}, {472, 1045, FOIL}, {757, 785, FOIL}, {822, 667, LABEL},
                                {1274, 20, LABEL}, {1000, 500, c.glass, true}},
                               FOIL, 24);
    draw(p, art, INK);
  }
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
  sticker(p, GOLD, BROWN, {star({0, 0}, 5, 960, 400)}, 40);
  sticker(p, ORANGE, BROWN, {star({0, 0}, 5, 560, 235)}, 24);
  sticker(p, PINK, BROWN, {circle({0, 0}, 130, 40)}, 20);
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
  // Concave sides: each quarter a curve from one tip to the next, pulled in.
  Poly s;
  for (int q = 0; q < 4; q++) {
    const double a0 = q * kPi / 2, a1 = a0 + kPi / 2, am = a0 + kPi / 4;
    const Pt t0{960 * std::cos(a0), 960 * std::sin(a0)}, t1{960 * std::cos(a1), 960 * std::sin(a1)};
    const Pt m{150 * std::cos(am), 150 * std::sin(am)};
    if (s.empty()) s.push_back(t0);
    bezier(s, t0, m, m, t1, 16);
  }
  s.pop_back();
  sticker(p, PINK, BROWN, {s}, 40);
  sticker(p, GOLD, BROWN, {scaled(s, {0, 0}, 0.5, 0.5)}, 24);
  sticker(p, ORANGE, BROWN, {circle({0, 0}, 90, 32)}, 16);
  return p;
}
