// The screen as the frame loop uses it: cleared once, the frame copied into
// rows 20..219 and flipped, full screen switched with palette and picture
// kept. Owns the palette the screen opened with.
#include "demo/demo_screen.h"

#include <cstdio>
#include <cstring>

#include "demo/demo.h"
#include "demo/framelog.h"
#include "demo/gfx.h"
#include "demo/platform.h"
#include "gfx/view.h"
#include "sys/sdlcall.h"

uint8_t demo_start_palette[768];

void demo_clear_screen() {
  sdl_locksurface(scr);
  for (int y = 0; y < SCREEN_H; y++) std::memset(static_cast<uint8_t*>(scr->pixels) + y * scr->pitch, 0, FRAME_W);
  sdl_unlocksurface(scr);
}

void demo_set_fullscreen(bool on) {
  if (on == platform_fullscreen) return;
  // The screen is opened anew, and SDL may give another surface with a new
  // palette: the palette goes over, the borders are cleared again, and the
  // next frame fills the picture. When full screen cannot be had, the window
  // stays as it was.
  uint8_t palette[768];
  gfx_getpalette(palette);
  platform_fullscreen = on;
  platform_quiet_begin();
  SDL_Surface* s = sdl_setvideomode(FRAME_W, SCREEN_H, 8, platform_video_flags());
  if (!s) {
    std::fprintf(stderr, "zapcobbles: cannot %s full screen (%s)\n", on ? "go to" : "leave", sdl_error());
    platform_fullscreen = !on;
    s = sdl_setvideomode(FRAME_W, SCREEN_H, 8, platform_video_flags());
  }
  platform_quiet_end();
  if (!s) return;  // scr stays; the next flip says what SDL makes of it
  scr = s;
  demo_clear_screen();
  gfx_setpalette(0, 256, palette);
  sdl_showcursor(0);
}

void demo_blit() {
  sdl_locksurface(scr);
  uint8_t* pixels = static_cast<uint8_t*>(scr->pixels);
  if (scr->pitch == FRAME_W) {
    std::memcpy(pixels + SCREEN_OFFSET, dest, FRAME_BYTES);
  } else {
    // A surface with padded rows (never the case for a 320-wide 8-bit software
    // surface, but SDL does not promise it) gets one row at a time.
    for (int y = 0; y < FRAME_H; y++) std::memcpy(pixels + (20 + y) * scr->pitch, dest + y * FRAME_W, FRAME_W);
  }
  sdl_unlocksurface(scr);
}

void demo_present() {
  demo_blit();
  gfx_present_palette();
  sdl_flip(scr);
  frames_presented++;
  if (framelog_on) framelog_note();
}
