// fontgen entry: dispatches to the subcommands; the shared conventions
// (tools/common/tool.h) do the rest.
#include <string>

#include "common/tool.h"
#include "fontgen.h"

int main(int argc, char** argv) {
  tool_begin("fontgen");
  static constexpr tool_subcommand subs[] = {{"make", FONTGEN_MAKE_USAGE}, {"sheet", FONTGEN_SHEET_USAGE}};
  const char* help = nullptr;
  bool version = false;
  std::string message;
  const int sub = tool_pick(argc, argv, "fontgen", subs, 2, FONTGEN_USAGE, help, version, message);
  if (help) return tool_help(help);
  if (version) return tool_version();
  if (sub < 0) return tool_usage_exit(message);
  tool_sub(argv[1]);
  return tool_finish(sub == 0 ? fontgen_make(argc - 2, argv + 2) : fontgen_sheet(argc - 2, argv + 2));
}
