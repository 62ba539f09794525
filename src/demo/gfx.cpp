// Palette and presentation. Owns the display surface pointer `scr` and the
// screen in memory that offline tools point it at; touches the palette of
// `scr` and nothing else.
#include "demo/gfx.h"

#include <array>
#include <cstring>

#include "gfx/view.h"
#include "sys/sdlcall.h"

SDL_Surface* scr = nullptr;
bool gfx_palette_dirty = false;

namespace {

// The memory screen: every part of the surface a drawing program reads.
std::array<uint8_t, FRAME_W * SCREEN_H> g_mem_pixels;
std::array<SDL_Color, PALETTE_SIZE> g_mem_colours;
SDL_Palette g_mem_palette;
SDL_PixelFormat g_mem_format;
SDL_Surface g_mem_screen;

// SDL 1.2's default palette of a new 8-bit screen: index bits rrrgggbb, each
// field widened to 8 bits by repeating its bits (3 bits: abc -> abcabcab,
// 2 bits: ab -> abababab), opaque.
SDL_Color default_colour(int i) {
  const int r3 = (i >> 5) & 7;
  const int g3 = (i >> 2) & 7;
  const int b2 = i & 3;
  SDL_Color c;
  c.r = static_cast<Uint8>((r3 << 5) | (r3 << 2) | (r3 >> 1));
  c.g = static_cast<Uint8>((g3 << 5) | (g3 << 2) | (g3 >> 1));
  c.b = static_cast<Uint8>(b2 * 0x55);
  c.unused = 255;
  return c;
}

}  // namespace

SDL_Surface* gfx_memory_screen() {
  g_mem_pixels.fill(0);
  for (int i = 0; i < PALETTE_SIZE; i++) g_mem_colours[static_cast<size_t>(i)] = default_colour(i);
  g_mem_palette = SDL_Palette{};
  g_mem_palette.ncolors = PALETTE_SIZE;
  g_mem_palette.colors = g_mem_colours.data();
  g_mem_format = SDL_PixelFormat{};
  g_mem_format.palette = &g_mem_palette;
  g_mem_format.BitsPerPixel = 8;
  g_mem_format.BytesPerPixel = 1;
  g_mem_format.Rloss = g_mem_format.Gloss = g_mem_format.Bloss = g_mem_format.Aloss = 8;
  g_mem_screen = SDL_Surface{};
  g_mem_screen.flags = SDL_SWSURFACE;
  g_mem_screen.format = &g_mem_format;
  g_mem_screen.w = FRAME_W;
  g_mem_screen.h = SCREEN_H;
  g_mem_screen.pitch = FRAME_W;
  g_mem_screen.pixels = g_mem_pixels.data();
  g_mem_screen.clip_rect.w = FRAME_W;
  g_mem_screen.clip_rect.h = SCREEN_H;
  g_mem_screen.refcount = 1;
  gfx_palette_dirty = false;
  return &g_mem_screen;
}
// The palette has PALETTE_SIZE entries; an index outside 0..255 is ignored.
// The entry is written into the surface's logical palette in place, not
// through SDL_SetPalette: sdl12-compat allocates a scratch copy on every call,
// and the scenes set entries from the frame step (99 a frame in the finale's
// fade), which must not allocate. SDL hears of the frame's changes in one call
// before the flip (gfx_present_palette). The browser's SDL keeps the palette
// on its side and gives the surface none: there each entry goes to SDL as it
// is set, which allocates nothing there.
void gfx_setcolor(int index, int r, int g, int b) {
  if (index < 0 || index >= PALETTE_SIZE || !scr) return;
  SDL_Palette* pal = scr->format->palette;
  if (!pal) {
    SDL_Color one;
    one.r = static_cast<Uint8>(r & 0xFF);
    one.g = static_cast<Uint8>(g & 0xFF);
    one.b = static_cast<Uint8>(b & 0xFF);
    one.unused = 0;
    sdl_setpalette(scr, SDL_LOGPAL | SDL_PHYSPAL, &one, index, 1);
    return;
  }
  if (index >= pal->ncolors) return;
  SDL_Color& c = pal->colors[index];
  c.r = static_cast<Uint8>(r & 0xFF);
  c.g = static_cast<Uint8>(g & 0xFF);
  c.b = static_cast<Uint8>(b & 0xFF);
  // The memory screen keeps what SDL's palette change would leave: opaque.
  c.unused = scr == &g_mem_screen ? 255 : 0;
  gfx_palette_dirty = true;
}

void gfx_present_palette() {
  // The memory screen has no window to show its palette in.
  if (!scr || scr == &g_mem_screen || !gfx_palette_dirty) return;
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
  sdl_setpalette(scr, SDL_LOGPAL | SDL_PHYSPAL, colours, 0, n);
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
