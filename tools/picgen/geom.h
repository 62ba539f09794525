// Plane geometry for the picture and drawing generators: points and
// polygons in picture units (y up), curve sampling, simple shapes, affine
// moves, and the polygon set operations (through Clipper, on integer
// coordinates, so every result is exact and the same on every run).
#pragma once

#include <polyclipping/clipper.hpp>

#include <cstdint>
#include <vector>

struct Pt {
  double x, y;
};
using Poly = std::vector<Pt>;     // closed unless said otherwise; no repeated first point
using Polys = std::vector<Poly>;  // a region: the union (non-zero) of its polygons

// Cubic Bezier from p0 to p3, n points after p0 (p0 itself not included).
void bezier(Poly& out, Pt p0, Pt p1, Pt p2, Pt p3, int n);
// Closed Catmull-Rom curve through the control points, n samples per span.
Poly smooth(const Poly& ctrl, int n = 8);
// Open Catmull-Rom curve through the control points (ends included).
Poly smooth_open(const Poly& ctrl, int n = 8);

Poly ellipse(Pt c, double rx, double ry, int n = 48, double rot = 0);
inline Poly circle(Pt c, double r, int n = 48) { return ellipse(c, r, r, n); }
// Convex hull of two discs: a limb from a (radius ra) to b (radius rb).
Poly capsule(Pt a, Pt b, double ra, double rb, int n = 24);
// Star with k points between radii ro and ri, first point at angle rot (radians, 0 = up).
Poly star(Pt c, int k, double ro, double ri, double rot = 0);
// Circle of radius r whose rim is k round bumps of depth d (a cloud, an afro).
Poly bumpy(Pt c, double r, int k, double d, double phase = 0, int per = 10);
// Axis-aligned rectangle with rounded corners of radius rr.
Poly rrect(double x0, double y0, double x1, double y1, double rr, int per = 6);

// Affine moves.
Pt rot(Pt p, Pt c, double ang);
Poly moved(const Poly& p, double dx, double dy);
Poly scaled(const Poly& p, Pt c, double sx, double sy);
Poly rotated(const Poly& p, Pt c, double ang);
Polys moved(const Polys& p, double dx, double dy);
Polys scaled(const Polys& p, Pt c, double sx, double sy);
Polys rotated(const Polys& p, Pt c, double ang);
Poly reversed(Poly p);

double area(const Poly& p);  // signed, positive counter-clockwise (y up)
double length(const Poly& p, bool closed);

// Set operations on regions (non-zero fill), results non-zero and free of
// self-intersections. Coordinates round to whole picture units.
Polys unite(const Polys& a);
Polys unite(const Polys& a, const Polys& b);
Polys subtract(const Polys& a, const Polys& b);
Polys intersect(const Polys& a, const Polys& b);
// Grows (d > 0) or shrinks the region with round joins.
Polys offset(const Polys& a, double d);
// The even-odd region of a set of contours (a glyph's outline with its holes).
Polys evenodd(const Polys& a);
// A stroke of width w along an open polyline, round caps.
Polys stroke(const Poly& line, double w);
// The band of width w centred on a region's boundary (its ink outline).
Polys rim(const Polys& a, double w);

// Conversions to and from Clipper's integer paths.
ClipperLib::Path to_path(const Poly& p);
ClipperLib::Paths to_paths(const Polys& p);
Poly from_path(const ClipperLib::Path& p);
Polys from_paths(const ClipperLib::Paths& p);

// Point in polygon (non-zero winding over the region).
bool inside(const Polys& region, Pt q);
