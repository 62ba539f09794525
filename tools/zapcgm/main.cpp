// zapcgm entry: dispatches to the subcommands, and fails any of them whose
// output did not reach standard output.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "zapcgm.h"

static void usage(FILE* f) {
  std::fputs(
      "usage: zapcgm info FILE\n"
      "       zapcgm dump FILE\n"
      "       zapcgm render FILE OUT.png|OUT.raw [--skale N] [--px N] [--py N] [--background I] [--scale K]\n",
      f);
}

cgm_picture* zapcgm_load(const char* path) {
  cgm_picture* pic = cgm_load(path);
  if (!pic) std::fprintf(stderr, "zapcgm: %s: %s\n", path, cgm_errorstr);
  return pic;
}

// A command whose output was lost (a full disk, a closed pipe) has failed:
// standard output is buffered, so the flush here is where the loss shows.
static int finish(int status) {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "zapcgm: standard output: write error: %s\n", std::strerror(errno ? errno : EIO));
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
  int rc = -1;
  if (!std::strcmp(cmd, "info")) rc = zapcgm_info(argc - 2, argv + 2);
  else if (!std::strcmp(cmd, "dump")) rc = zapcgm_dump(argc - 2, argv + 2);
  else if (!std::strcmp(cmd, "render")) rc = zapcgm_render(argc - 2, argv + 2);
  else std::fprintf(stderr, "zapcgm: unknown command '%s'\n", cmd);
  if (rc == -1 || rc == 2) {
    usage(stderr);
    return 2;
  }
  return finish(rc);
}
