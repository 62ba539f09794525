// Palette and view functions: the palette layout shared by the scenes, the
// picture renderer and the text writer, and the point transform that places
// a vector picture in the frame.
//
// Palette layout: 1..100 base colours, 129..228 their shades (k + 128 is the
// shade of k), 126 text, 127 background, 255 its shade; 0 is never set.
//
// Also the frame geometry and the wrapping arithmetic that the renderer, the
// effects and the driver share, defined here once.
#pragma once

#include <SDL.h>

#include <cstdint>

// The work frame: palette indices, row-major with a stride of FRAME_W bytes.
// Rows 0..199 are the picture; the driver's frames have slack rows below it,
// so a text cell may reach row 255.
inline constexpr int FRAME_W = 320;
inline constexpr int FRAME_H = 200;                       // picture rows
inline constexpr int FRAME_BYTES = FRAME_W * FRAME_H;     // 64000
inline constexpr int FRAME_ROWS = 256;                    // with the slack
inline constexpr int FRAME_ALLOC = FRAME_W * FRAME_ROWS;  // 81920
inline constexpr int SCREEN_H = 240;                      // the screen: FRAME_W x SCREEN_H

// 32-bit product and sum that wrap on purpose, as the transforms' 2.14 and
// 16.16 arithmetic does; through unsigned, so the wrap is defined. >> of a
// negative result is an arithmetic shift (floor), as C++20 guarantees.
constexpr int32_t mul_wrap(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
constexpr int32_t add_wrap(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// The 320x240 8-bit display surface; every palette change goes to it.
extern SDL_Surface* scr;
// The screen in memory for tools that draw offline: a 320x240 8-bit software
// surface made by hand (no SDL call), its pixels 0 and its palette SDL 1.2's
// default for a new 8-bit screen, the one the dummy video driver gives. While
// scr is this surface palette changes are written into it directly.
SDL_Surface* gfx_memory_screen();

// View globals read by transu. Defined here (inline variables) like transu
// itself, so the renderer, which applies transu in place, needs nothing else
// of this module.
inline int32_t px = 0;         // horizontal offset, quarter pixels
inline int32_t py = 0;         // vertical offset, quarter pixels (down is positive)
inline int32_t skale = 16384;  // 2.14 scale from picture units to quarter pixels

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
// Picture point to quarter pixels: px + (x * skale >> 14) + 640, py - (y * skale >> 14) + 400.
// Inline, so the renderer can apply it in place of calling it per vertex;
// products and sums wrap in 32 bits on purpose (mul_wrap above).
inline void transu(int32_t x, int32_t y, int32_t* outx, int32_t* outy) {
  *outx = static_cast<int32_t>(static_cast<uint32_t>(px) + static_cast<uint32_t>(mul_wrap(x, skale) >> 14) + 640u);
  *outy = static_cast<int32_t>(static_cast<uint32_t>(py) - static_cast<uint32_t>(mul_wrap(y, skale) >> 14) + 400u);
}
