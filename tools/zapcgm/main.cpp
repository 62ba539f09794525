// zapcgm entry: parses the command line (args.cpp), runs the subcommand, and fails any of them whose
// output did not reach standard output.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "zapcgm.h"

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
  zapcgm_args args;
  std::string message;
  if (!zapcgm_parse_args(argc, argv, args, message)) {
    std::fputs(message.c_str(), stderr);
    return 2;
  }
  switch (args.command) {
    case ZAPCGM_HELP:
      std::fputs(ZAPCGM_USAGE, stdout);
      return finish(0);
    case ZAPCGM_INFO:
      return finish(zapcgm_info(args));
    case ZAPCGM_DUMP:
      return finish(zapcgm_dump(args));
    case ZAPCGM_RENDER:
      return finish(zapcgm_render(args));
  }
  return 2;
}
