// Fills for the star pictures, cut for the star effect's frame step.
//
// The loader ear-clips each polygon its own way; on a spiky or concave-sided
// outline that gives fans of long thin triangles, and the rasteriser pays
// for every row of every triangle. The star effect draws these pictures at
// every size from 37 to 444 pixels in half-extent, turning, so a triangle's
// cost is its rows averaged over sizes and angles. pic_fill_pieces finds the
// triangulation of least such cost and writes it as polygons the loader
// clips into those same triangles: triangles grouped into larger pieces
// where sharing the vertices saves more than the loader's own clipping of
// the bigger piece adds. The region's outline is unchanged, so the pixels
// are the same but for a few where a row's rounding meets a new diagonal.
#pragma once

#include "cgmwrite.h"

// Adds region in colour as pieces, each its own item (a region with holes
// goes to pic_fill whole: none of the stars has any).
void pic_fill_pieces(Picture& p, int colour, const Polys& region);

// sticker() with both fills cut by pic_fill_pieces: the ink region
// (region grown by w, its round tips to kStarTol), then the region over it.
void star_sticker(Picture& p, int colour, int ink, const Polys& region, double w);

// How far the star pictures' curves may stray from the true curve, picture
// units: 1.6 pixels for the instant a star is drawn its largest (444 pixels
// in half-extent, at the front and moving fastest), within half a pixel
// from a third of that size on. Every point fewer is a triangle fewer in
// each of the six layers of every frame.
inline constexpr double kStarTol = 3.5;

// Appends a cubic Bezier from p0 (not appended) to p3 with as few points as
// keep every chord within tol of the curve: more where it bends sharply.
void bezier_flat(Poly& out, Pt p0, Pt p1, Pt p2, Pt p3, double tol);

// The fewest points of a circle of radius r whose sides stray at most tol.
int circle_points(double r, double tol);
