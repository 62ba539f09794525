// fontgen entry: dispatches to the subcommands.
#include <cstdio>
#include <cstring>

#include "fontgen.h"

static void usage(FILE* f) {
  std::fputs(
      "usage: fontgen make OUT.raw [--font FILE]\n"
      "       fontgen sheet FONT.raw OUT.png\n",
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
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
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
