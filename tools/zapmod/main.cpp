// zapmod entry: parses the command line (args.cpp) and runs the subcommand;
// the tool's shared conventions (tools/common/tool.h) do the rest.
#include <string>

#include "common/tool.h"
#include "zapmod.h"

int main(int argc, char** argv) {
  tool_begin("zapmod");
  zapmod_args args;
  std::string message;
  if (argc >= 2 && !tool_is_help(argv[1]) && !tool_is_version(argv[1])) tool_sub(argv[1]);
  if (!zapmod_parse_args(argc, argv, args, message)) return tool_usage_exit(message);
  switch (args.command) {
    case ZAPMOD_HELP:
      return tool_help(args.help);
    case ZAPMOD_VERSION:
      return tool_version();
    case ZAPMOD_INFO:
      return tool_finish(zapmod_info(args));
    case ZAPMOD_TRACE:
      return tool_finish(zapmod_trace(args));
    case ZAPMOD_PLAY:
      return tool_finish(zapmod_play(args));
    case ZAPMOD_RENDER:
      return tool_finish(zapmod_render(args));
  }
  return 2;
}
