// The command-line rule every program keeps, the demo and each tool alike:
//   -h, --help    the usage on standard output, exit 0, wherever the word
//   --version     stands on the line and whatever else is wrong with it; the
//                 first of them decides
//   an error      "PROGRAM[ SUB]: what is wrong" on standard error, then one
//                 line that points to the help, "Try 'PROGRAM[ SUB] --help'.",
//                 and exit status 2
//   numbers       read by sys/num.h, strictly
#pragma once

#include <string>

// The exit status of a usage error.
inline constexpr int CLI_USAGE_STATUS = 2;

// What a command line asks for before anything else.
enum cli_ask : int {
  CLI_RUN = 0,      // neither: parse the line
  CLI_HELP = 1,     // -h or --help
  CLI_VERSION = 2,  // --version
};

// True for "-h" and "--help"; for "--version".
bool cli_is_help(const char* word);
bool cli_is_version(const char* word);
// Looks at the words argv[from..argc): the first -h, --help or --version
// decides, wherever it stands; CLI_RUN when there is none.
cli_ask cli_wants(int argc, const char* const* argv, int from);
// The text of a usage error: "PREFIX: what", newline, "Try 'PREFIX --help'.",
// newline. PREFIX is "PROGRAM" or "PROGRAM SUB".
std::string cli_usage_error(const std::string& prefix, const std::string& what);
