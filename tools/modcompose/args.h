// modcompose's command line, read without acting on it (so that it can be
// checked and fuzzed apart from the score, the synthesiser and the files).
#pragma once

#include <string>

inline constexpr const char* MODCOMPOSE_USAGE =
    "usage: modcompose SCORE OUT.mod\n"
    "       modcompose --help | --version\n";

struct modcompose_args {
  bool help = false;            // -h or --help: print the usage on standard output, nothing else
  bool version = false;         // --version: print the version, nothing else
  const char* score = nullptr;  // SCORE (points into argv)
  const char* out = nullptr;    // OUT.mod
};

// Parses the whole command line (argv[0] is the program). True with args set;
// false with message = the text for standard error ("modcompose: what" and
// the usage), for which the exit status is 2. Neither file may start with '-'.
bool modcompose_parse_args(int argc, char** argv, modcompose_args& args, std::string& message);
