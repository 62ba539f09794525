// Clear-text metafile loader: reads a picture into a colour table and an
// ordered list of primitives. Filled polygons are triangulated at load time
// by ear clipping; all coordinates are then normalised so that the bounding
// box is centred on 0 with its larger half-extent at 65536 (1.0 in 16.16).
#pragma once

#include <cstdint>

struct cgm_prim {
  int32_t drawflags;  // bit 0: outline, bit 1: fill
  int32_t linewidth;  // outline thickness in pixels
  int32_t fillcolr;   // picture colour number of the fill
  int32_t linecolr;   // picture colour number of the outline
  int32_t ntri;       // fill triangles; 0 when not filled or the triangulation gave up
  int32_t nvert;      // outline vertices
  int32_t* vert;      // nvert (x, y) pairs, file order
  int32_t* tri;       // ntri x (x0, y0, x1, y1, x2, y2)
  cgm_prim* next;     // next primitive in file order
};

struct cgm_picture {
  int32_t colr[200];  // colour k = red * 65536 + green * 256 + blue; word 0 is 0
  int32_t ncolr;      // colours 1..ncolr are defined
  int32_t backcolr;   // background colour, stored only
  cgm_prim* prims;    // first primitive, or null
};

// Loads a picture: a new picture, or null when the file cannot be opened or
// does not start with "BEGMF".
cgm_picture* cgm_load(const char* path);
