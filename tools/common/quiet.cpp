// Library chatter kept off standard error (see quiet.h).
#include "quiet.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

int g_saved = -1;             // standard error while it is diverted
std::FILE* g_file = nullptr;  // where it goes meanwhile

// Lines that say nothing the tool does not say better.
bool chatter(const char* line) {
  return std::strncmp(line, "ALSA lib ", 9) == 0 || std::strstr(line, "XDG_RUNTIME_DIR") != nullptr;
}

}  // namespace

void tool_quiet_begin() {
  if (g_file != nullptr) return;
  std::fflush(stderr);
  g_file = std::tmpfile();
  g_saved = g_file ? dup(2) : -1;
  if (g_saved < 0 || dup2(fileno(g_file), 2) < 0) {
    // Without a temporary file everything goes where it went.
    if (g_saved >= 0) close(g_saved);
    if (g_file) std::fclose(g_file);
    g_file = nullptr;
    g_saved = -1;
  }
}

void tool_quiet_end() {
  if (g_file == nullptr) return;
  std::fflush(stderr);
  dup2(g_saved, 2);
  close(g_saved);
  g_saved = -1;
  std::rewind(g_file);
  char line[1024];
  while (std::fgets(line, sizeof line, g_file) != nullptr) {
    if (!chatter(line)) std::fputs(line, stderr);
  }
  std::fclose(g_file);
  g_file = nullptr;
}
