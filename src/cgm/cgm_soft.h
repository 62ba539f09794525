// Picture rasteriser: draws a loaded picture into a 320x200 frame through a
// coordinate callback. Frame coordinates are quarter pixels: value q falls in
// pixel (q + 2) >> 2, and the frame centre is (640, 400).
#pragma once

#include <cstdint>

#include "cgm/cgm.h"

// Maps one normalised vertex to quarter pixels (y down); must write both outputs.
using cgm_xform = void (*)(int32_t x, int32_t y, int32_t* outx, int32_t* outy);

// Draws every primitive: fill triangles, then the open outline chain, in file
// order, calling fn once per use of a vertex, in drawing order.
void cgm_render(const cgm_picture* pic, uint8_t* frame, cgm_xform fn);
// Draws what cgm_render(pic, frame, transu) draws, the view transform of
// gfx/view.h (px, py, skale) applied inline: the scenes' fast path.
void cgm_render_view(const cgm_picture* pic, uint8_t* frame);
// Draws what cgm_render draws, for a callback whose result depends on x and y
// alone (it changes nothing and nothing it reads changes while it draws): it
// may map each vertex once, out of drawing order, and skip off-frame fills.
void cgm_render_pure(const cgm_picture* pic, uint8_t* frame, cgm_xform fn);
// Fills the triangle v = x0, y0, x1, y1, x2, y2 (quarter pixels).
void cgm_tri(uint8_t* frame, const int32_t* v, int32_t colour);
// Draws seg = x0, y0, x1, y1 (quarter pixels) width pixels thick.
void cgm_line(uint8_t* frame, const int32_t* seg, int32_t width, int32_t colour);
// Plots the pixel of quarter-pixel point (x, y) when it lies in the frame.
void cgm_dot(uint8_t* frame, int32_t x, int32_t y, int32_t colour);
// Sets the 64000 bytes of the frame to 0; the first argument is not used.
void cgm_clear(void* ignored, uint8_t* frame);
