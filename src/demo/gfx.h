// Palette and view functions: the palette layout shared by the scenes, the
// picture renderer and the text writer, and the point transform that places
// a vector picture in the frame.
//
// Palette layout: 1..100 base colours, 129..228 their shades (k + 128 is the
// shade of k), 126 text, 127 background, 255 its shade; 0 is never set.
#pragma once

#include <SDL.h>

#include <cstdint>

// The 320x240 8-bit display surface; every palette change goes to it.
extern SDL_Surface* scr;

// View globals read by transu.
extern int32_t px;     // horizontal offset, quarter pixels
extern int32_t py;     // vertical offset, quarter pixels (down is positive)
extern int32_t skale;  // 2.14 scale from picture units to quarter pixels

// Set by gfx_setcolor, cleared by gfx_present_palette: the logical palette has
// changes the window does not show yet.
extern bool gfx_palette_dirty;

// Sets logical palette entry index to the low 8 bits of r, g, b (one palette call).
void gfx_setcolor(int index, int r, int g, int b);
// Shows the logical palette's changes in the window: one physical palette
// update, made by the frame loop just before each flip.
void gfx_present_palette();
// Sets count entries from first to the RGB triples at rgb, one call each.
void gfx_setpalette(int first, int count, const uint8_t* rgb);
// Loads colours 1..count of a colour table into entries 1..count and their
// shades, each halfway to (r, g, b), into entries 129..128 + count.
void setkolor(const int32_t* colours, int r, int g, int b, int count);
// Picture point to quarter pixels: px + (x * skale >> 14) + 640, py - (y * skale >> 14) + 400.
void transu(int32_t x, int32_t y, int32_t* outx, int32_t* outy);
