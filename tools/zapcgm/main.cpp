// zapcgm entry: parses the command line (args.cpp) and runs the subcommand;
// the tool's shared conventions (tools/common/tool.h) do the rest.
#include <string>

#include "common/tool.h"
#include "zapcgm.h"

cgm_picture* zapcgm_load(const char* path) {
  cgm_picture* pic = cgm_load(path);
  if (!pic) tool_error("%s: %s", path, cgm_errorstr);
  return pic;
}

int main(int argc, char** argv) {
  tool_begin("zapcgm");
  zapcgm_args args;
  std::string message;
  if (argc >= 2 && !tool_is_help(argv[1]) && !tool_is_version(argv[1])) tool_sub(argv[1]);
  if (!zapcgm_parse_args(argc, argv, args, message)) return tool_usage_exit(message);
  switch (args.command) {
    case ZAPCGM_HELP:
      return tool_help(args.help);
    case ZAPCGM_VERSION:
      return tool_version();
    case ZAPCGM_INFO:
      return tool_finish(zapcgm_info(args));
    case ZAPCGM_DUMP:
      return tool_finish(zapcgm_dump(args));
    case ZAPCGM_RENDER:
      return tool_finish(zapcgm_render(args));
  }
  return 2;
}
