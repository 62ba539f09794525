// fontgen entry: dispatches to the subcommands; the shared conventions
// (tools/common/tool.h) do the rest.
#include <cstring>
#include <string>

#include "common/tool.h"
#include "fontgen.h"

int main(int argc, char** argv) {
  tool_begin("fontgen");
  if (argc < 2) return tool_usage_exit(FONTGEN_USAGE);
  const char* cmd = argv[1];
  if (tool_is_help(cmd)) return tool_help(FONTGEN_USAGE);
  if (tool_is_version(cmd)) return tool_version();
  const bool make = !std::strcmp(cmd, "make");
  if (!make && std::strcmp(cmd, "sheet")) {
    return tool_usage_exit(tool_usage_message("fontgen", std::string("unknown command '") + cmd + "'", FONTGEN_USAGE));
  }
  tool_sub(cmd);
  for (int i = 2; i < argc; i++)
    if (tool_is_help(argv[i])) return tool_help(make ? FONTGEN_MAKE_USAGE : FONTGEN_SHEET_USAGE);
  return tool_finish(make ? fontgen_make(argc - 2, argv + 2) : fontgen_sheet(argc - 2, argv + 2));
}
