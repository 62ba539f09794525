// The window's environment: how the 320x240 screen reaches the display (the
// desktop's scaling and full screen, the browser's canvas) and whether there
// is a display at all.
#pragma once

#include <SDL.h>

// Flags of the screen's SDL_SetVideoMode: a software surface. Emscripten's
// SDL 1.2 makes an 8-bit surface only when asked for a hardware palette (any
// other surface is 32-bit there, whatever depth is asked for).
#ifdef __EMSCRIPTEN__
inline constexpr Uint32 PLATFORM_VIDEO_FLAGS = SDL_HWPALETTE;
#else
inline constexpr Uint32 PLATFORM_VIDEO_FLAGS = 0;
#endif

extern bool platform_fullscreen;  // the screen fills the display (desktop; --fullscreen at start)

// The flags of the screen's SDL_SetVideoMode: PLATFORM_VIDEO_FLAGS, with
// SDL_FULLSCREEN while platform_fullscreen (desktop). sdl12-compat then fills
// the display with the 320x240 picture in its 4:3 shape, black bars beside
// it, scaled as SDL12COMPAT_SCALE_METHOD says (nearest: sharp pixels).
Uint32 platform_video_flags();
// Desktop window scaling, set before SDL_Init (sdl12-compat reads its scale
// method there; the drawing surface stays 320x240 at 8 bits). The user's own
// SDL12COMPAT_* settings win. In a browser it sets how the screen reaches the
// page's canvas instead.
void platform_window_setup();
// False when SDL, not asked for a driver (SDL_VIDEODRIVER unset), fell back
// to its offscreen one: there is no display to show the demo on. Call after
// SDL_Init.
bool platform_have_display();
