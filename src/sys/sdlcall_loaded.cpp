// The SDL call table, filled at run time: for the command-line tools, which
// render offline without SDL and load it only to open a sound device.
// Linking SDL would load it, and the some fifty libraries it pulls in, into
// every run of every tool (about 6 ms of processor time per process).
#include <dlfcn.h>

#include <string>

#include "sys/sdlcall.h"

#define SDLCALL_DEFINE(ours, theirs) decltype(&theirs) ours = nullptr;
SDLCALL_FUNCTIONS(SDLCALL_DEFINE)
#undef SDLCALL_DEFINE

const char* const sdl_library = "libSDL-1.2.so.0";
const char* sdl_loaderror = "";

namespace {

bool g_loaded = false;
std::string g_why;  // keeps sdl_loaderror's text

// One entry: SDL's function by name. A function pointer from dlsym's object
// pointer is what POSIX promises to work.
template <typename F>
bool take(void* lib, const char* name, F& slot) {
  void* sym = dlsym(lib, name);
  if (!sym) return false;
  slot = reinterpret_cast<F>(sym);
  return true;
}

int32_t fail(const std::string& why) {
#define SDLCALL_CLEAR(ours, theirs) ours = nullptr;
  SDLCALL_FUNCTIONS(SDLCALL_CLEAR)
#undef SDLCALL_CLEAR
  g_why = why;
  sdl_loaderror = g_why.c_str();
  return 0;
}

}  // namespace

int32_t sdl_load() {
  if (g_loaded) return 1;
  // Kept for the life of the process: the audio thread runs inside it.
  void* lib = dlopen(sdl_library, RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    const char* e = dlerror();
    return fail(std::string("cannot load SDL (") + (e ? e : sdl_library) + ")");
  }
  // All or nothing (fail clears the table): a table half filled would pass
  // for a loaded one.
#define SDLCALL_TAKE(ours, theirs) \
  if (!take(lib, #theirs, ours)) return fail(std::string(sdl_library) + " has no " #theirs);
  SDLCALL_FUNCTIONS(SDLCALL_TAKE)
#undef SDLCALL_TAKE
  g_loaded = true;
  return 1;
}

const char* sdl_error() { return g_loaded ? sdl_geterror() : sdl_loaderror; }
