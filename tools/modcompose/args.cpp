// modcompose's command line (see args.h).
#include "args.h"

#include <cstring>

#include "common/tool.h"

bool modcompose_parse_args(int argc, char** argv, modcompose_args& args, std::string& message) {
  args = modcompose_args{};
  message.clear();
  // -h, --help and --version win wherever they stand.
  switch (cli_wants(argc, argv, 1)) {
    case CLI_HELP:
      args.help = true;
      return true;
    case CLI_VERSION:
      args.version = true;
      return true;
    case CLI_RUN:
      break;
  }
  const char* what = argc < 3 ? "SCORE and OUT.mod are needed" : argc > 3 ? "too many arguments" : nullptr;
  for (int i = 1; !what && i < argc; i++)
    if (argv[i][0] == '-') what = "a file name may not start with '-'";
  if (what) {
    message = tool_usage_message("modcompose", what);
    return false;
  }
  args.score = argv[1];
  args.out = argv[2];
  return true;
}
