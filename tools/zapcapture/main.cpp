// zapcapture entry: parses the command line (args.cpp), runs the mode, and
// checks that standard output took everything written to it.
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "zapcapture.h"

namespace {

// A failed write to standard output (a full disk, a closed pipe) fails the
// run, whatever it made of its work.
int finish(int status) {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "zapcapture: standard output: write error: %s\n", std::strerror(errno ? errno : EIO));
    return status == 0 ? 1 : status;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe (ffmpeg gone, standard output closed) is a write error to
  // report, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  cap_options o;
  std::string message;
  if (!cap_parse_args(argc, argv, o, message)) {
    std::fputs(message.c_str(), stderr);
    return 2;
  }
  if (o.help) {
    std::fputs(cap_usage_text, stdout);
    std::fputs(cap_help_text, stdout);
    return finish(0);
  }
  return finish(o.script ? script_run(o) : capture_run(o));
}
