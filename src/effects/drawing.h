// Line drawing: point drawings read from text point files, drawn segment by
// segment with thick lines.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int DRAWING_MAX_STROKES = 1000;
constexpr int32_t DRAWING_MAX_POINTS = 1000000;  // per stroke; larger counts are refused

// One polyline: n points, xy holds X0, Y0, X1, Y1, ... in quarter pixels.
struct drawing_stroke {
  int32_t n;
  int16_t* xy;
};

// A loaded drawing. Segments are numbered from 0 across all strokes in order;
// a stroke of n points has n - 1 of them (none below two points).
struct drawing_rec {
  int32_t nstrokes;
  drawing_stroke strokes[DRAWING_MAX_STROKES];
};

// The stroke that the end of the file cut short in the last drawing_load (its
// whole points are kept and the content ends there), or -1.
extern int32_t drawing_cutstroke;
// What the last drawing_load found wrong, empty when nothing: why it gave
// null ("stroke 1: bad point count -7"), or what it left out of the drawing
// it gave. The loader prints nothing; the program that calls it reports the
// message under its own name, with the file's.
extern char drawing_message[160];
// Reads a point file; null when it cannot be opened or read (drawing_message
// empty, errno says why), or holds a negative or absurd (above
// DRAWING_MAX_POINTS) point count or runs out of memory (drawing_message).
drawing_rec* drawing_load(const char* path);
// The same from an open stream.
drawing_rec* drawing_load_stream(std::FILE* f);
// Frees a drawing of drawing_load (null is ignored).
void drawing_free(drawing_rec* d);
// Draws segments from..to (both included) of d, 2 pixels thick, in colour;
// a null drawing draws nothing.
void drawing(uint8_t* frame, const drawing_rec* d, int from, int to, int colour);
// Draws seg = x0, y0, x1, y1 (quarter pixels) as width parallel one-pixel
// lines, as cgm_line does; a zero-length segment is a row of width dots.
void ceegm_line(uint8_t* frame, const int32_t* seg, int width, int colour);
// Sets the pixel holding quarter-pixel point (x, y) if it lies in the 320x200 frame.
void ceegm_dot(uint8_t* frame, int32_t x, int32_t y, int colour);
