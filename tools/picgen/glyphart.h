// Coloured pictures from line-art glyphs: the glyph's ink (its even-odd
// region, optionally thickened) drawn over the enclosed white areas, each
// area filled with the colour of a seed point placed in it, the way one
// colours a drawing with a paint bucket. Areas without a seed stay open
// (whatever lies behind the picture shows through), or take a default. A
// seed placed on the ink itself recolours the solid part of the ink around
// it (a black dress, a bottle), keeping a rim of ink as its outline.
#pragma once

#include <vector>

#include "cgmwrite.h"
#include "geom.h"

// Placement of glyph units in a picture: scale, optional mirror, rotation
// about the origin, then a move.
struct Place {
  double s = 1;
  bool mirror = false;
  double ang = 0;
  double dx = 0, dy = 0;
  Pt at(Pt p) const;
  Polys at(const Polys& p) const;
};

// A paint-bucket seed, in glyph units.
struct Seed {
  double x, y;
  int colour;         // 0: leave the area open
  bool solid = false; // recolours the solid ink under it instead of an area
};

// A coloured glyph, ready to draw.
struct GlyphArt {
  Polys ink;                         // the ink region, in picture units
  std::vector<std::pair<int, Polys>> areas;  // enclosed areas by colour, drawn under the ink
  std::vector<std::pair<int, Polys>> solids; // recoloured solid ink, drawn over it
};

// The enclosed areas of an ink region: every hole of it, as a simple polygon.
Polys holes_of(const Polys& ink);

// Colours a glyph: grow thickens the ink (picture units); rim is the ink
// kept around recoloured solids (strokes up to four rims wide are not solid); rest colours the areas without a seed (0:
// open).
GlyphArt paint(const Polys& contours, const Place& at, double grow, const std::vector<Seed>& seeds, int rest,
               double rim = 0);
// Adds the areas, the ink in colour ink, then the solids.
void draw(Picture& pic, const GlyphArt& g, int ink);
// Everything the glyph covers (ink, coloured areas), as one region.
Polys silhouette(const GlyphArt& g);
// A point well inside a polygon (the middle of the widest span across it),
// for placing seeds.
Pt inner_point(const Poly& p);
// A coloured glyph moved by a placement.
GlyphArt placed(const GlyphArt& g, const Place& at);
// The part of a coloured glyph inside a region (the rest is cut away).
GlyphArt clip(const GlyphArt& g, const Polys& keep);
// Adds a region in colour with an ink border w wide around it (a sticker).
void sticker(Picture& pic, int colour, int ink, const Polys& region, double w);
