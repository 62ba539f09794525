// Palette and view functions. Owns the display surface pointer `scr`;
// touches the palette of `scr` and nothing else.
#include "demo/gfx.h"

#include <cstring>

SDL_Surface* scr = nullptr;
bool gfx_palette_dirty = false;
// The view globals px, py and skale are inline in gfx.h, beside transu.

// The palette has PALETTE_SIZE entries; an index outside 0..255 is ignored.
// The entry is written into the surface's logical palette in place, not
// through SDL_SetPalette: sdl12-compat allocates a scratch copy on every call,
// and the scenes set entries from the frame step (99 a frame in the finale's
// fade), which must not allocate. SDL hears of the frame's changes in one call
// before the flip (gfx_present_palette).
void gfx_setcolor(int index, int r, int g, int b) {
  if (index < 0 || index >= PALETTE_SIZE) return;
  SDL_Palette* pal = scr ? scr->format->palette : nullptr;
  if (!pal || index >= pal->ncolors) return;
  SDL_Color& c = pal->colors[index];
  c.r = static_cast<Uint8>(r & 0xFF);
  c.g = static_cast<Uint8>(g & 0xFF);
  c.b = static_cast<Uint8>(b & 0xFF);
  c.unused = 0;
  gfx_palette_dirty = true;
}

void gfx_present_palette() {
  if (!scr || !gfx_palette_dirty) return;
  // Logical and physical at once: the logical entries were written in place,
  // and sdl12-compat shows only the physical palette (redrawing the window on
  // every physical change, about 0.8 ms under X11), so a frame's changes go
  // as one update. A copy, because SDL copies into the surface's own palette
  // and the two must not overlap.
  const SDL_Palette* pal = scr->format->palette;
  if (!pal) return;
  SDL_Color colours[256];
  const int n = pal->ncolors < 256 ? pal->ncolors : 256;
  std::memcpy(colours, pal->colors, sizeof(SDL_Color) * static_cast<size_t>(n));
  SDL_SetPalette(scr, SDL_LOGPAL | SDL_PHYSPAL, colours, 0, n);
  gfx_palette_dirty = false;
}

void gfx_getpalette(uint8_t rgb[768]) {
  std::memset(rgb, 0, 768);
  const SDL_Palette* pal = scr ? scr->format->palette : nullptr;
  if (!pal) return;
  const int n = pal->ncolors < 256 ? pal->ncolors : 256;
  for (int i = 0; i < n; i++) {
    rgb[3 * i] = pal->colors[i].r;
    rgb[3 * i + 1] = pal->colors[i].g;
    rgb[3 * i + 2] = pal->colors[i].b;
  }
}

void gfx_setpalette(int first, int count, const uint8_t* rgb) {
  for (int i = 0; i < count; i++) gfx_setcolor(first + i, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
}

void setkolor(const int32_t* colours, int r, int g, int b, int count) {
  // Colour k goes to entry k and its shade to k + 128: past 127 colours the
  // shades would leave the palette (and the table be read past a picture's
  // colr), so the count is held to 127.
  if (count > SETKOLOR_MAX) count = SETKOLOR_MAX;
  for (int i = 0; i < count; i++) {
    const int32_t w = colours[i + 1];
    const int R = (w >> 16) & 0xFF;
    const int G = (w >> 8) & 0xFF;
    const int B = w & 0xFF;
    gfx_setcolor(i + 1, R, G, B);
    gfx_setcolor(i + 129, (R + r) >> 1, (G + g) >> 1, (B + b) >> 1);
  }
}
