// Clear-text metafile loader: reads a picture into a colour table and an
// ordered list of primitives. Filled polygons are triangulated at load time
// by ear clipping; all coordinates are then normalised so that the bounding
// box is centred on 0 with its larger half-extent at 65536 (1.0 in 16.16).
#pragma once

#include <cstdint>
#include <cstdio>

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
  // Filled at load for the renderer: every fill triangle's corners as places
  // in its primitive's vert (2 x the vertex number, where its x is),
  // primitive after primitive (3 x ntri each), so a pure coordinate callback
  // maps each vertex once. Null when some corner
  // is no vertex of its outline or an outline has more than CGM_MAXPOINTS.
  uint16_t* corners;
  // Filled at load beside corners: per primitive min x, min y, max x, max y
  // of its vertices (min above max when it has none), so the renderer can
  // skip a fill placed wholly off the frame. Null when corners is, or when a
  // vertex lies beyond +-2^17.
  int32_t* boxes;
};

// drawflags bits.
inline constexpr int32_t CGM_OUTLINE = 1;
inline constexpr int32_t CGM_FILL = 2;

// Most points one element may hold; further points of an element are read and ignored.
inline constexpr int32_t CGM_MAXPOINTS = 500;

// What the last cgm_load / cgm_load_stream saw, for tools and tests. The box is
// in file units as the loader widened it (it starts at min 10000, max -10000,
// so it always reaches +-10000 on an axis whose points all lie beyond that).
struct cgm_loadinfo {
  int32_t minx, miny, maxx, maxy;  // bounding box, file units
  int32_t cx, cy, half;            // centre and half-extent used to normalise
  int32_t hasback;                 // 1 when the file had a "backcolr" element
  int32_t gaveup;                  // filled polygons whose ear clipping ran out of budget
  int32_t malformed;               // malformed items dropped or clamped (see cgm.cpp)
  int32_t ended;                   // 1 when the file had its closing "ENDMF" (a file cut short has none)
};
extern cgm_loadinfo cgm_lastload;

// Why the last load returned null ("cannot open: ...", "read error: ...",
// "not a picture (no BEGMF)"); "" after a successful load.
extern const char* cgm_errorstr;

// Loads a picture: a new picture, or null when the file cannot be opened or
// read or does not start with "BEGMF".
cgm_picture* cgm_load(const char* path);
// The same from an open stream, read to its end; the stream is not closed.
cgm_picture* cgm_load_stream(FILE* f);
// Fills pic->corners and pic->boxes from the primitives' tri and vert
// (replacing any it held); cgm_load does it, a caller that changes a
// picture's arrays redoes it.
void cgm_prepare(cgm_picture* pic);
// Frees a picture, its primitives and their arrays (null is allowed).
void cgm_free(cgm_picture* pic);
// Reads a decimal integer as "%d" does: white space, an optional sign, digits;
// values beyond 32 bits saturate. False (v = 0, the character that is no
// digit left unread) when no number stands there. The point-file reader of
// the line drawings reads its numbers with it too.
bool cgm_read_int(FILE* f, int32_t& v);

// Ear clipping of the working polygon poly (m (x, y) pairs, file units, at
// most +-2^30 so every cross product fits 64 bits); poly is reordered and
// consumed. Writes up to m - 2 triangles (x0, y0, x1, y1, x2, y2) to tri, each
// with a positive turn A->B->C. Returns the number written (m - 2), 0 when
// m < 3, or -1 when the clipping ran out of budget (degenerate or
// self-intersecting outline).
int32_t cgm_earclip(int32_t* poly, int32_t m, int32_t* tri);
// Passes the last cgm_earclip made over its working polygon. Each clipped ear
// adds one to the budget and each pass takes one, so an outline that stops
// yielding ears is given up after as many passes as it had ears to spare.
extern int32_t cgm_earclip_passes;
