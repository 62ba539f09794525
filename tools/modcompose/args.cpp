// modcompose's command line (see args.h).
#include "args.h"

#include <cstring>

bool modcompose_parse_args(int argc, char** argv, modcompose_args& args, std::string& message) {
  args = modcompose_args{};
  message.clear();
  if (argc == 2 && (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help"))) {
    args.help = true;
    return true;
  }
  if (argc != 3 || argv[1][0] == '-' || argv[2][0] == '-') {
    message = MODCOMPOSE_USAGE;
    return false;
  }
  args.score = argv[1];
  args.out = argv[2];
  return true;
}
