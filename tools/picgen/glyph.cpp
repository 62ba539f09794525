// Glyph outlines through FreeType; see glyph.h. Outlines are read unscaled
// and unhinted (font units), so they do not depend on any rendering setting.
#include "glyph.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

struct Flat {
  Polys out;
  Pt cur{0, 0};
  double tol;
};

Pt pt(const FT_Vector* v) { return {static_cast<double>(v->x), static_cast<double>(v->y)}; }

// Segments for a curve whose control polygon bends by dd (second difference):
// the chord error of n equal steps is about dd / (8 n^2).
int steps(double dd, double tol) { return std::max(1, std::min(64, static_cast<int>(std::ceil(std::sqrt(dd / (8 * tol)))))); }

int move_to(const FT_Vector* to, void* u) {
  Flat& f = *static_cast<Flat*>(u);
  f.cur = pt(to);
  f.out.push_back({f.cur});
  return 0;
}

int line_to(const FT_Vector* to, void* u) {
  Flat& f = *static_cast<Flat*>(u);
  f.cur = pt(to);
  f.out.back().push_back(f.cur);
  return 0;
}

int conic_to(const FT_Vector* c, const FT_Vector* to, void* u) {
  Flat& f = *static_cast<Flat*>(u);
  const Pt p0 = f.cur, p1 = pt(c), p2 = pt(to);
  const int n = steps(2 * std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y), f.tol);
  for (int i = 1; i <= n; i++) {
    const double t = static_cast<double>(i) / n, v = 1 - t;
    f.out.back().push_back({v * v * p0.x + 2 * v * t * p1.x + t * t * p2.x, v * v * p0.y + 2 * v * t * p1.y + t * t * p2.y});
  }
  f.cur = p2;
  return 0;
}

int cubic_to(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* u) {
  Flat& f = *static_cast<Flat*>(u);
  const Pt p0 = f.cur, p1 = pt(c1), p2 = pt(c2), p3 = pt(to);
  const double dd = 6 * std::max(std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                                 std::hypot(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
  bezier(f.out.back(), p0, p1, p2, p3, steps(dd, f.tol));
  f.cur = p3;
  return 0;
}

[[noreturn]] void die(const char* path, uint32_t cp, const char* what) {
  std::fprintf(stderr, "picgen: %s: glyph U+%04X: %s\n", path, static_cast<unsigned>(cp), what);
  std::exit(1);
}

}  // namespace

Polys glyph(const char* path, uint32_t cp, double tol) {
  FT_Library lib;
  FT_Face face;
  if (FT_Init_FreeType(&lib)) die(path, cp, "cannot start FreeType");
  if (FT_New_Face(lib, path, 0, &face)) die(path, cp, "cannot open the font (is its Debian package installed?)");
  const FT_UInt gi = FT_Get_Char_Index(face, cp);
  if (!gi) die(path, cp, "no such glyph");
  if (FT_Load_Glyph(face, gi, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
    die(path, cp, "cannot load the outline");
  Flat f;
  f.tol = tol;
  const FT_Outline_Funcs funcs{move_to, line_to, conic_to, cubic_to, 0, 0};
  if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &f)) die(path, cp, "cannot walk the outline");
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  // Contours end on their first point; drop the repeat.
  for (Poly& p : f.out)
    while (p.size() > 1 && p.back().x == p.front().x && p.back().y == p.front().y) p.pop_back();
  Polys out;
  for (Poly& p : f.out)
    if (p.size() >= 3) out.push_back(std::move(p));
  return out;
}
