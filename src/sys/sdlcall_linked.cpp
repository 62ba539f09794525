// The SDL call table, filled from the linked library before main(): for the
// demo, the tests and the browser build.
#include "sys/sdlcall.h"

#define SDLCALL_DEFINE(ours, theirs) decltype(&theirs) ours = theirs;
SDLCALL_FUNCTIONS(SDLCALL_DEFINE)
#undef SDLCALL_DEFINE

const char* const sdl_library = nullptr;
const char* sdl_loaderror = "";

int32_t sdl_load() { return 1; }

const char* sdl_error() { return sdl_geterror(); }
