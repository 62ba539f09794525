// zapcapture entry: parses the command line (args.cpp) and runs the mode; the
// tools' shared conventions (tools/common/tool.h) do the rest.
#include <csignal>
#include <string>

#include "common/tool.h"
#include "zapcapture.h"

int main(int argc, char** argv) {
  tool_begin("zapcapture");
  // A closed pipe (ffmpeg gone, standard output closed) is a write error to
  // report, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  cap_options o;
  std::string message;
  if (!cap_parse_args(argc, argv, o, message)) return tool_usage_exit(message);
  if (o.help) return tool_help((std::string(cap_usage_text) + cap_help_text).c_str());
  if (o.version) return tool_version();
  return tool_finish(o.script ? script_run(o) : o.flashes ? flash_run(o) : capture_run(o));
}
