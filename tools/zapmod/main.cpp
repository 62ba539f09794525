// zapmod entry: dispatches to the subcommands, and fails any of them whose
// output did not reach standard output.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zapmod.h"

static void usage(FILE* f) {
  std::fputs(
      "usage: zapmod info FILE\n"
      "       zapmod play FILE [--seconds S] [--volume N] [--hz N]\n"
      "       zapmod render FILE OUT.wav [--seconds S] [--rate 44100|22050] [--volume N] [--hz N]\n"
      "       zapmod trace FILE [--ticks N]\n",
      f);
}

bool zapmod_seconds(const char* text, double& seconds) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || errno != 0 || !(v > 0.0 && v <= ZAPMOD_MAX_SECONDS)) return false;
  seconds = v;
  return true;
}

bool zapmod_whole(const char* text, int32_t lo, int32_t hi, int32_t& value) {
  if (*text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (*end != '\0' || errno != 0 || v < lo || v > hi) return false;
  value = static_cast<int32_t>(v);
  return true;
}

// A command whose output was lost (a full disk, a closed pipe) has failed,
// whatever it made of its work: every write to standard output is buffered,
// so the flush here is where the loss shows.
static int finish(int status) {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "zapmod: standard output: write error: %s\n", std::strerror(errno ? errno : EIO));
    return status == 0 ? 1 : status;
  }
  return status;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    usage(stderr);
    return 2;
  }
  const char* cmd = argv[1];
  if (!std::strcmp(cmd, "-h") || !std::strcmp(cmd, "--help")) {
    usage(stdout);
    return finish(0);
  }
  if (!std::strcmp(cmd, "info")) return finish(zapmod_info(argc - 2, argv + 2));
  if (!std::strcmp(cmd, "trace")) return finish(zapmod_trace(argc - 2, argv + 2));
  if (!std::strcmp(cmd, "play")) return finish(zapmod_play(argc - 2, argv + 2));
  if (!std::strcmp(cmd, "render")) return finish(zapmod_render(argc - 2, argv + 2));
  std::fprintf(stderr, "zapmod: unknown command '%s'\n", cmd);
  usage(stderr);
  return 2;
}
