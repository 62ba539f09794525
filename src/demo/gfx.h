// Palette and presentation: the palette layout shared by the scenes, the
// picture renderer and the text writer, kept in the display surface.
//
// Palette layout: 1..100 base colours, 129..228 their shades (k + 128 is the
// shade of k), 126 text, 127 background, 255 its shade; 0 is never set.
//
// The frame geometry, the wrapping arithmetic and the view transform transu
// live below the renderer and the effects, in gfx/view.h, which has no SDL.
#pragma once

#include <SDL.h>

#include <cstdint>

// The 320x240 8-bit display surface; every palette change goes to it.
extern SDL_Surface* scr;
// The screen in memory for tools that draw offline: a 320x240 8-bit software
// surface made by hand (no SDL call), its pixels 0 and its palette SDL 1.2's
// default for a new 8-bit screen, the one the dummy video driver gives. While
// scr is this surface palette changes are written into it directly.
SDL_Surface* gfx_memory_screen();

// Set by gfx_setcolor, cleared by gfx_present_palette: the logical palette has
// changes the window does not show yet.
extern bool gfx_palette_dirty;

inline constexpr int PALETTE_SIZE = 256;  // entries of the display palette
inline constexpr int SETKOLOR_MAX = 127;   // colours 1..127, shades 129..255

// Sets logical palette entry index to the low 8 bits of r, g, b, in the
// surface's palette in place (no SDL call, no allocation; where the surface
// has no palette array, as in the browser, one SDL call); an index outside
// 0..255 is ignored.
void gfx_setcolor(int index, int r, int g, int b);
// Hands the palette's changes to SDL, logical and physical, in one call made
// by the frame loop just before each flip.
void gfx_present_palette();
// Copies the 256 logical palette entries, the colours the frame is drawn in,
// as red, green, blue triples into rgb; all 0 while no screen is open. The one
// place that reads the palette back, for tools that record what is shown.
void gfx_getpalette(uint8_t rgb[768]);
// Sets count entries from first to the RGB triples at rgb.
void gfx_setpalette(int first, int count, const uint8_t* rgb);
// Loads colours 1..count of a colour table into entries 1..count and their
// shades, each halfway to (r, g, b), into entries 129..128 + count. count is
// held to SETKOLOR_MAX (127), the most the palette has shades for, so at most
// colours[1..127] are read.
void setkolor(const int32_t* colours, int r, int g, int b, int count);
