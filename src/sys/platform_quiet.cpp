// The stderr diversion (see platform_quiet.h). Owns the saved descriptor and
// the temporary file while standard error is diverted.
#include "sys/platform_quiet.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#ifndef __EMSCRIPTEN__
namespace {

int g_quiet_saved = -1;        // standard error while it is diverted
std::FILE* g_quiet = nullptr;  // where it goes meanwhile

// Lines that libraries print by themselves, which say nothing the program
// does not say better.
bool chatter(const char* line) {
  return std::strncmp(line, "ALSA lib ", 9) == 0 || std::strstr(line, "XDG_RUNTIME_DIR") != nullptr;
}

}  // namespace
#endif

void platform_quiet_begin() {
#ifndef __EMSCRIPTEN__
  if (g_quiet != nullptr) return;
  std::fflush(stderr);
  g_quiet = std::tmpfile();
  g_quiet_saved = g_quiet ? dup(2) : -1;
  if (g_quiet_saved < 0 || dup2(fileno(g_quiet), 2) < 0) {
    // Without a temporary file everything goes where it went.
    if (g_quiet_saved >= 0) close(g_quiet_saved);
    if (g_quiet) std::fclose(g_quiet);
    g_quiet = nullptr;
    g_quiet_saved = -1;
  }
#endif
}

void platform_quiet_end() {
#ifndef __EMSCRIPTEN__
  if (g_quiet == nullptr) return;
  std::fflush(stderr);
  dup2(g_quiet_saved, 2);
  close(g_quiet_saved);
  g_quiet_saved = -1;
  std::rewind(g_quiet);
  char line[1024];
  while (std::fgets(line, sizeof line, g_quiet) != nullptr) {
    if (!chatter(line)) std::fputs(line, stderr);
  }
  std::fclose(g_quiet);
  g_quiet = nullptr;
#endif
}
