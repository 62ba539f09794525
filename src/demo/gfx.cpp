// Palette and view functions. Owns the display surface pointer `scr` and the
// view globals; touches the palette of `scr` and nothing else.
#include "demo/gfx.h"

SDL_Surface* scr = nullptr;

int32_t px = 0;
int32_t py = 0;
int32_t skale = 16384;

void gfx_setcolor(int index, int r, int g, int b) {
  SDL_Color c;
  c.r = static_cast<Uint8>(r & 0xFF);
  c.g = static_cast<Uint8>(g & 0xFF);
  c.b = static_cast<Uint8>(b & 0xFF);
  c.unused = 0;
  // The logical palette alone is not shown by every SDL 1.2 implementation
  // (sdl12-compat keeps the window's old colours). Setting the physical
  // palette too is what SDL 1.2 does by itself for a surface without
  // SDL_HWPALETTE, so both flags give the same result everywhere.
  if (scr) SDL_SetPalette(scr, SDL_LOGPAL | SDL_PHYSPAL, &c, index, 1);
}

void gfx_setpalette(int first, int count, const uint8_t* rgb) {
  for (int i = 0; i < count; i++) gfx_setcolor(first + i, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
}

void setkolor(const int32_t* colours, int r, int g, int b, int count) {
  for (int i = 0; i < count; i++) {
    const int32_t w = colours[i + 1];
    const int R = (w >> 16) & 0xFF;
    const int G = (w >> 8) & 0xFF;
    const int B = w & 0xFF;
    gfx_setcolor(i + 1, R, G, B);
    gfx_setcolor(i + 129, (R + r) >> 1, (G + g) >> 1, (B + b) >> 1);
  }
}

// Products wrap in 32 bits on purpose (through unsigned, so the wrap is
// defined); >> on a negative value is an arithmetic shift (floor), as C++20
// guarantees.
static inline int32_t mul_wrap(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

void transu(int32_t x, int32_t y, int32_t* outx, int32_t* outy) {
  *outx = static_cast<int32_t>(static_cast<uint32_t>(px) + static_cast<uint32_t>(mul_wrap(x, skale) >> 14) + 640u);
  *outy = static_cast<int32_t>(static_cast<uint32_t>(py) - static_cast<uint32_t>(mul_wrap(y, skale) >> 14) + 400u);
}
