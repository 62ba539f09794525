// zapmod entry: parses the command line (args.cpp), runs the subcommand, and fails any of them whose
// output did not reach standard output.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "zapmod.h"

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
  zapmod_args args;
  std::string message;
  if (!zapmod_parse_args(argc, argv, args, message)) {
    std::fputs(message.c_str(), stderr);
    return 2;
  }
  switch (args.command) {
    case ZAPMOD_HELP:
      std::fputs(ZAPMOD_USAGE, stdout);
      return finish(0);
    case ZAPMOD_INFO:
      return finish(zapmod_info(args));
    case ZAPMOD_TRACE:
      return finish(zapmod_trace(args));
    case ZAPMOD_PLAY:
      return finish(zapmod_play(args));
    case ZAPMOD_RENDER:
      return finish(zapmod_render(args));
  }
  return 2;
}
