// The window's environment (see platform_window.h). Owns the full-screen
// flag; reads the window scale the command line asks for (--scale).
#include "demo/platform_window.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "demo/options.h"
#include "sys/sdlcall.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#endif

bool platform_fullscreen = false;

void platform_window_setup() {
#ifdef __EMSCRIPTEN__
  // Emscripten's SDL 1.2 would read the canvas back into the surface on
  // every lock, which it cannot do for an 8-bit surface; the program draws
  // every byte it shows, so the canvas is only written (at each unlock, the
  // whole surface through the palette).
  EM_ASM({
    SDL.defaults.copyOnLock = false;
    SDL.defaults.discardOnLock = true;
    SDL.defaults.opaqueFrontBuffer = false;
  });
#elif !defined(ZAP_HANDHELD)
  // sdl12-compat sizes a plain window by this factor without changing the
  // surface the program draws on; 3 gives 960x720. Nearest-neighbour keeps
  // the pixels sharp. setenv's last argument 0 leaves a user's choice alone.
  // --scale N asks for another factor.
  const std::string factor = std::to_string(opt_scale > 0 ? opt_scale : 3);
  setenv("SDL12COMPAT_WINDOW_SCALING", factor.c_str(), 0);
  setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
  // A window that comes back from full screen (or was first opened there at
  // the picture's own size) is centred on the display.
  setenv("SDL_VIDEO_CENTERED", "1", 0);
#endif
}

Uint32 platform_video_flags() {
#if defined(__EMSCRIPTEN__) || defined(ZAP_HANDHELD)
  return PLATFORM_VIDEO_FLAGS;
#else
  return PLATFORM_VIDEO_FLAGS | (platform_fullscreen ? SDL_FULLSCREEN : 0);
#endif
}

bool platform_have_display() {
  char name[32];
  const char* env = std::getenv("SDL_VIDEODRIVER");
  if (env && *env) return true;
  return !(sdl_videodrivername(name, sizeof name) && std::strcmp(name, "offscreen") == 0);
}
