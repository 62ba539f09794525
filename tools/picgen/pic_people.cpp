// The dancers: swing1, swing2, strutter, strutterblk and zoomer, coloured
// from Symbola's line-art pictographs (man dancing U+1F57A, dancer U+1F483,
// dancers U+1F46F) with procedural additions (afros, skates, speed lines).
#include <cmath>

#include "demo/scene_looks.h"
#include "glyph.h"
#include "glyphart.h"
#include "pictures.h"

namespace {

// Flattening tolerance for the glyphs, font units (of 2048 to the em). The
// largest picture on screen (strutter, 200 rows for its 2800 units) maps 14
// units to a pixel, so 10 moves no outline by a whole pixel, while the glyphs'
// curves take a fifth fewer points, and so triangles, than at 1.5: the frame
// step of the scenes that draw three dancers at once pays for every one.
constexpr double kTol = 10.0;

constexpr uint32_t kSkin = 0xc07040;

// Paint-bucket seeds of the man dancing, U+1F57A: suit (jacket left and
// right, trousers), shirt, collar, skin (face, hands), shoe shines.
std::vector<Seed> man_seeds(int skin, int suit, int shirt, int collar, int shine) {
  return {{982, 1403, skin}, {916, 944, suit}, {560, 960, skin},  {435, 733, suit},    {685, 836, collar},
          {762, 651, shirt}, {926, 478, suit}, {231, 374, skin},  {1054, -312, suit},  {1224, -342, shine},
          {454, -362, shine}};
}

// Seeds of the dancer, U+1F483: face, both arms, both legs, and her dress
// (on the solid ink).
std::vector<Seed> dancer_seeds(int skin, int dress, int legs) {
  return {{625, 1177, skin}, {297, 835, skin}, {833, 615, skin}, {454, 23, legs}, {776, 79, legs}, {560, 650, dress, true}};
}

// The man dancing as strutter draws him: the same art gives the silhouette.
enum { STRUT_SKIN = 6, STRUT_SUIT, STRUT_WHITE };
GlyphArt strutter_art() {
  return paint(glyph(kSymbola, 0x1F57A, kTol), Place{}, 6, man_seeds(STRUT_SKIN, STRUT_SUIT, GOLD, ORANGE, STRUT_WHITE),
               0, 14);
}
// strutter's colours; strutterblk keeps the same table.
const std::vector<uint32_t> kStrutterColours = {kGold, kOrange, kPink, kBrown, kBlack, kSkin, 0x009696, 0xffffff};

// Bounce frame: the box is a third taller than the figure, so at the
// scene's size (half-extent 120 pixels) the figure stands 180 pixels tall.
void strutter_frame(Picture& p) { pic_frame(p, 707 - 1400, 582 - 1331, 707 + 1400, 582 + 1331); }

// A quad roller skate under a foot from heel to toe (the boot's sole line),
// in the given colours, each part with an ink border.
void skate(Picture& p, Pt heel, Pt toe, double h, int boot, int wheel, int stop, int ink, double w) {
  const double dx = toe.x - heel.x, dy = toe.y - heel.y, len = std::hypot(dx, dy);
  const double ux = dx / len, uy = dy / len;  // along the sole
  const double nx = ux < 0 ? uy : -uy, ny = ux < 0 ? -ux : ux;  // and up, whichever way the toe points
  auto at = [&](double s, double t) { return Pt{heel.x + ux * s * len + nx * t * h, heel.y + uy * s * len + ny * t * h}; };
  // Boot: a high ankle boot, shaft up from the heel, toe rounded.
  const Poly bootp = smooth({at(-0.05, 0.0), at(1.02, 0.0), at(1.05, 0.35), at(0.75, 0.55), at(0.45, 0.8),
                             at(0.42, 1.6), at(-0.05, 1.6), at(-0.1, 0.6)}, 6);
  const Poly plate = rrect(0, -0.28, 1, 0.02, 0.08);
  auto place = [&](const Poly& q) {
    Poly o;
    for (const Pt& v : q) o.push_back(at(v.x, v.y));
    return o;
  };
  sticker(p, boot, ink, {bootp}, w);
  sticker(p, stop, ink, {place(ellipse({1.02, -0.1}, 0.1, 0.16, 16))}, w);
  sticker(p, ink, ink, {place(plate)}, 0);
  for (double s : {0.14, 0.82}) {
    const Pt c = at(s, -0.36);
    sticker(p, wheel, ink, {circle(c, 0.3 * h * 0.9, 24)}, w);
    pic_fill(p, ink, {circle(c, 0.09 * h, 12)});
  }
}

}  // namespace

// swing1, the star scroll's dancer (three copies 80 pixels tall over the
// stars): the dancer U+1F483 in a pink dress, tilted into the swing.
// Colours 1..5 are the star colours.
Picture pic_swing1() {
  enum { SKIN = 6 };
  Picture p;
  p.name = "swing1";
  p.desc = "a dancer in mid-swing";
  p.back = looks::colour_of(looks::stars.palette, looks::BACKGROUND).word();
  p.colours = {kGold, kOrange, kPink, kBrown, kBlack, kSkin};
  Place at;
  at.ang = -0.12;
  const GlyphArt art = paint(glyph(kSymbola, 0x1F483, kTol), at, 12, dancer_seeds(SKIN, PINK, SKIN), 0, 16);
  draw(p, art, BLACK);
  return p;
}

// swing2, the mosaic scene's couple (three copies, 80 pixels tall): the
// right-hand girl of U+1F46F, mirrored, her bunny ears traded for an afro,
// with the man dancing U+1F57A. The scene overwrites colours 1 (its
// background), 2 (its rings) and 3 (black) after loading this palette, so
// the picture draws its ink in 3 and everything else in 4 and up.
Picture pic_swing2() {
  enum { BG = 1, RING, INK, SKIN, DRESS, SUIT, SHIRT, AFRO };
  Picture p;
  p.name = "swing2";
  p.desc = "a dancing couple";
  // Colours 1..3 as the scene sets them.
  constexpr const auto& M = looks::mosaic.palette;
  p.back = looks::colour_of(M, BG).word();
  p.colours = {looks::colour_of(M, BG).word(), looks::colour_of(M, RING).word(), looks::colour_of(M, INK).word(), kSkin, 0xd21e8c, 0xff6e00, 0xffc800, 0x46230f};
  Place girl;
  girl.mirror = true;
  girl.dx = 1905 + 112;
  // Her half of the glyph, without the ears (they rise above y = 1420).
  const Poly keep = {{1010, -500}, {2000, -500}, {2000, 1420}, {1010, 1420}};
  const GlyphArt g = clip(paint(glyph(kSymbola, 0x1F46F, kTol), Place{}, 9,
                                {{1429, 1121, SKIN}, {1755, 797, SKIN}, {1265, 565, SKIN}, {1220, 705, 0},
                                 {1584, 166, SKIN}, {1201, -108, SKIN}, {1450, 600, DRESS, true}}, 0, 18),
                          {keep});
  sticker(p, AFRO, INK, {bumpy(girl.at(Pt{1429, 1230}), 340, 13, 40)}, 14);
  draw(p, placed(g, girl), INK);
  Place man;
  man.dx = 620;
  draw(p, paint(glyph(kSymbola, 0x1F57A, kTol), man, 9, man_seeds(SKIN, SUIT, SHIRT, SHIRT, SHIRT), 0, 18), INK);
  return p;
}

// strutter, the bounce scene's figure (half-extent 120 pixels, centre column
// 240): the man dancing U+1F57A in a teal suit, gold shirt, orange collar. Colours
// 1..5 are the star colours (5 is black, which strutterblk uses).
Picture pic_strutter() {
  Picture p;
  p.name = "strutter";
  p.desc = "a strutting figure in colour";
  p.back = looks::colour_of(looks::bounce.palette, looks::BACKGROUND).word();
  p.colours = kStrutterColours;
  strutter_frame(p);
  draw(p, strutter_art(), BLACK);
  return p;
}

// strutterblk: strutter's outline as a black silhouette, drawn with
// strutter's palette (same colour table, same box, so the two line up).
Picture pic_strutterblk() {
  Picture p;
  p.name = "strutterblk";
  p.desc = "the strutting figure as a black silhouette";
  p.back = looks::colour_of(looks::bounce.palette, looks::BACKGROUND).word();
  p.colours = kStrutterColours;
  strutter_frame(p);
  pic_fill(p, BLACK, silhouette(strutter_art()));
  return p;
}

// zoomer, the credits' second picture (centre column 100, half-extent
// 70..130 pixels): the dancer U+1F483 on quad roller skates, with an afro and
// speed lines.
Picture pic_zoomer() {
  enum { INK = 1, SKIN, TOP, AFRO, BOOT, WHEEL, STOP };
  Picture p;
  p.name = "zoomer";
  p.desc = "a roller-disco skater";
  p.back = looks::colour_of(looks::credits.palette, looks::BACKGROUND).word();
  p.colours = {0x000000, kSkin, 0x00a0aa, 0x3c1e0a, 0xffffff, 0xe61e78, 0xff6e00};
  // Framed with room above and below, so the skates stay in view when the
  // credits pulse the picture up to a half-extent of 130 pixels.
  pic_frame(p, -400, -1000, 1350, 2050);
  Place at;
  at.ang = -0.1;
  // Speed lines trailing to the left.
  const double ys[] = {900, 700, 500, 300, 100};
  const int cs[] = {BOOT, TOP, WHEEL, BOOT, TOP};
  for (int i = 0; i < 5; i++) {
    const double x1 = 250 - 60 * (i % 2), x0 = x1 - 520 + 80 * (i % 3);
    sticker(p, cs[i], INK, {capsule({x0, ys[i]}, {x1, ys[i]}, 22, 40, 16)}, 14);
  }
  sticker(p, AFRO, INK, {bumpy(at.at(Pt{625, 1260}), 360, 14, 45)}, 14);
  // The dancer without her shoes (cut above the ankles); skates go there.
  const GlyphArt art = paint(glyph(kSymbola, 0x1F483, kTol), Place{}, 6, dancer_seeds(SKIN, TOP, SKIN), 0, 14);
  const GlyphArt legs = clip(art, {{{-500, -240}, {2000, -240}, {2000, 2000}, {-500, 2000}}});
  skate(p, at.at(Pt{540, -400}), at.at(Pt{330, -400}), 190, BOOT, WHEEL, STOP, INK, 14);
  skate(p, at.at(Pt{985, -270}), at.at(Pt{1150, -350}), 190, BOOT, WHEEL, STOP, INK, 14);
  draw(p, placed(legs, at), INK);
  return p;
}
