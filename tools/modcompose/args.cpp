// modcompose's command line (see args.h).
#include "args.h"

#include <cstring>

#include "common/tool.h"

bool modcompose_parse_args(int argc, char** argv, modcompose_args& args, std::string& message) {
  args = modcompose_args{};
  message.clear();
  if (argc == 2 && tool_is_help(argv[1])) {
    args.help = true;
    return true;
  }
  if (argc == 2 && tool_is_version(argv[1])) {
    args.version = true;
    return true;
  }
  const char* what = argc < 3 ? "SCORE and OUT.mod are needed" : argc > 3 ? "too many arguments" : nullptr;
  for (int i = 1; !what && i < argc; i++)
    if (argv[i][0] == '-') what = "a file name may not start with '-'";
  if (what) {
    message = tool_usage_message("modcompose", what, MODCOMPOSE_USAGE);
    return false;
  }
  args.score = argv[1];
  args.out = argv[2];
  return true;
}
