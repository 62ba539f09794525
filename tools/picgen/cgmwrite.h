// Writes a picture in the demo's clear-text metafile subset and proves that
// the demo's own loader fills every polygon of it.
//
// A picture is a colour table and a list of items in painter's order: filled
// regions (any polygons, holes allowed, non-zero fill) and open lines. The
// writer cuts each region into hole-free pieces of at most 500 points, runs
// each piece through the loader's ear clipping, checks that the triangles
// cover the piece exactly, and moves points by a unit at random (then cuts
// the piece in two) until they do. The finished text is loaded again with
// cgm_load_stream; any fill given up or anything malformed is fatal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geom.h"

struct Picture {
  std::string name;              // file stem, also the picture's name inside the file
  std::string desc;              // one line saying what it shows (no keywords of the format)
  std::vector<uint32_t> colours;  // colour k (1-based) = colours[k - 1], 0xRRGGBB
  uint32_t back = 0xffffff;      // the scene's background, stored as backcolr for previews
  bool framed = false;           // an invisible line sets the bounding box
  double fx0 = 0, fy0 = 0, fx1 = 0, fy1 = 0;
  struct Item {
    int colour;
    int width;    // 0: a filled region; else an open line this many pixels wide
    Polys region; // the region, or one polyline in region[0]
  };
  std::vector<Item> items;
};

// Counts of what pic_write produced, for the report.
struct PicStats {
  int elements = 0;  // filled polygons and lines
  int points = 0;    // points written
  int triangles = 0; // fill triangles the loader makes
  int jittered = 0;  // pieces whose points had to move
  int cut = 0;       // pieces cut in two because jitter was not enough
  int maxpoints = 0; // largest element
  int extent = 0;    // larger extent of the bounding box, file units
};

// Adds a filled region in colour k (1-based).
void pic_fill(Picture& p, int colour, const Polys& region);
// Adds an open line width pixels wide (width >= 1).
void pic_line(Picture& p, int colour, int width, const Poly& line);
// Sets the bounding box with an invisible line from (x0, y0) to (x1, y1).
void pic_frame(Picture& p, double x0, double y0, double x1, double y1);

// The picture as text; exits with a message naming the picture when the
// demo's loader would give up a fill or find it malformed.
std::string pic_write(const Picture& p, PicStats& st);
