// libFuzzer target for modcompose's command line (modcompose_parse_args): the
// input is the words after the program name, parted by zero bytes (argv.h).
// A line that parses is the help, or the score and the module as the first
// and second word, neither an option; any other gives a usage error in the
// one shape (sys/cli.h; main prints it and exits 2). -h, --help and
// --version win wherever they stand. The parser must not change argv.
//   scripts/fuzz 60 modcompose_args
#include <cstring>
#include <string>
#include <vector>

#include "args.h"
#include "argv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_argv line("modcompose", data, size, 8);
  const std::vector<std::string> before(line.argv.begin(), line.argv.end() - 1);
  modcompose_args a;
  std::string message;
  const bool ok = modcompose_parse_args(line.argc, line.argv.data(), a, message);
  fuzz_check(std::vector<std::string>(line.argv.begin(), line.argv.end() - 1) == before);
  if (!ok) {
    fuzz_check(fuzz_wants(line) == CLI_RUN && fuzz_usage_shape(message, "modcompose"));
    fuzz_check(!a.help && !a.version && !a.score && !a.out);
    return 0;
  }
  fuzz_check(message.empty());
  fuzz_check(a.help == (fuzz_wants(line) == CLI_HELP) && a.version == (fuzz_wants(line) == CLI_VERSION));
  if (a.version || a.help) {
    fuzz_check(!(a.help && a.version) && !a.score && !a.out);
  } else {
    fuzz_check(line.argc == 3 && a.score == line.argv[1] && a.out == line.argv[2]);
    fuzz_check(a.score[0] != '-' && a.out[0] != '-');
  }
  return 0;
}
