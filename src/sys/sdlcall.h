// The SDL functions the program calls, as a table of function pointers. The
// engine, the demo's platform layer and the tools call SDL only through it,
// so a program that never opens a window or a sound device never needs the
// library: the demo, the tests and the browser build link SDL and get the
// table filled at start (sdlcall_linked.cpp); the command-line tools load it
// at run time, only when a device opens (sdlcall_loaded.cpp, through dlopen).
// Each program links exactly one of the two.
#pragma once

#include <SDL.h>

#include <cstdint>

// Every entry: our name, SDL's name. The pointers have SDL's own types.
#define SDLCALL_FUNCTIONS(X)                  \
  X(sdl_init, SDL_Init)                       \
  X(sdl_quit, SDL_Quit)                       \
  X(sdl_geterror, SDL_GetError)               \
  X(sdl_openaudio, SDL_OpenAudio)             \
  X(sdl_pauseaudio, SDL_PauseAudio)           \
  X(sdl_closeaudio, SDL_CloseAudio)           \
  X(sdl_audiodrivername, SDL_AudioDriverName) \
  X(sdl_getticks, SDL_GetTicks)               \
  X(sdl_delay, SDL_Delay)                     \
  X(sdl_settimer, SDL_SetTimer)               \
  X(sdl_setpalette, SDL_SetPalette)           \
  X(sdl_setvideomode, SDL_SetVideoMode)       \
  X(sdl_videodrivername, SDL_VideoDriverName) \
  X(sdl_locksurface, SDL_LockSurface)         \
  X(sdl_unlocksurface, SDL_UnlockSurface)     \
  X(sdl_flip, SDL_Flip)                       \
  X(sdl_pollevent, SDL_PollEvent)             \
  X(sdl_joystickopen, SDL_JoystickOpen)       \
  X(sdl_wm_setcaption, SDL_WM_SetCaption)     \
  X(sdl_showcursor, SDL_ShowCursor)

#define SDLCALL_DECLARE(ours, theirs) extern decltype(&theirs) ours;
SDLCALL_FUNCTIONS(SDLCALL_DECLARE)  // the table: null until sdl_load succeeds where SDL is loaded at run time
#undef SDLCALL_DECLARE

// The library file a tool loads ("libSDL-1.2.so.0"); null where SDL is linked.
extern const char* const sdl_library;
// Fills the table (once; later calls only answer): 1 when every entry is set,
// 0 when the library or one of its functions cannot be found, with the reason
// in sdl_loaderror. Where SDL is linked it always answers 1.
int32_t sdl_load();
// Why the last sdl_load failed; "" while none has.
extern const char* sdl_loaderror;
// SDL's last error, or sdl_loaderror while the table is not filled.
const char* sdl_error();
