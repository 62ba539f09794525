// zapmod entry: dispatches to the subcommands.
#include <cstdio>
#include <cstring>

#include "zapmod.h"

static void usage(FILE* f) {
  std::fputs(
      "usage: zapmod info FILE\n"
      "       zapmod play FILE\n"
      "       zapmod render FILE OUT.wav [--seconds S] [--rate 44100|22050]\n"
      "       zapmod trace FILE [--ticks N]\n",
      f);
}

int main(int argc, char** argv) {
  if (argc < 2) {
    usage(stderr);
    return 2;
  }
  const char* cmd = argv[1];
  if (!std::strcmp(cmd, "-h") || !std::strcmp(cmd, "--help")) {
    usage(stdout);
    return 0;
  }
  if (!std::strcmp(cmd, "info")) return zapmod_info(argc - 2, argv + 2);
  if (!std::strcmp(cmd, "trace")) return zapmod_trace(argc - 2, argv + 2);
  if (!std::strcmp(cmd, "play")) return zapmod_play(argc - 2, argv + 2);
  if (!std::strcmp(cmd, "render")) return zapmod_render(argc - 2, argv + 2);
  std::fprintf(stderr, "zapmod: unknown command '%s'\n", cmd);
  usage(stderr);
  return 2;
}
