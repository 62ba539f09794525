// fontgen entry: dispatches to the subcommands.
#include <cstdio>
#include <cstring>

#include "fontgen.h"

static void usage(FILE* f) {
  std::fputs(
      "usage: fontgen make OUT.raw [--font FILE] [--verbose]\n"
      "       fontgen sheet FONT.raw OUT.png [--scale K]\n",
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
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    std::fprintf(stderr, "fontgen: cannot write to standard output\n");
    return 1;
  }
  int rc = -1;
  if (!std::strcmp(cmd, "make")) rc = fontgen_make(argc - 2, argv + 2);
  else if (!std::strcmp(cmd, "sheet")) rc = fontgen_sheet(argc - 2, argv + 2);
  else std::fprintf(stderr, "fontgen: unknown command '%s'\n", cmd);
  if (rc == -1 || rc == 2) {
    usage(stderr);
    return 2;
  }
  return rc;
}
