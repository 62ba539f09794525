// The command-line rule (see cli.h).
#include "sys/cli.h"

#include <cstring>

bool cli_is_help(const char* word) { return !std::strcmp(word, "-h") || !std::strcmp(word, "--help"); }

bool cli_is_version(const char* word) { return !std::strcmp(word, "--version"); }

cli_ask cli_wants(int argc, const char* const* argv, int from) {
  for (int i = from; i < argc; i++) {
    if (cli_is_help(argv[i])) return CLI_HELP;
    if (cli_is_version(argv[i])) return CLI_VERSION;
  }
  return CLI_RUN;
}

std::string cli_usage_error(const std::string& prefix, const std::string& what) {
  return prefix + ": " + what + "\nTry '" + prefix + " --help'.\n";
}
