// libFuzzer target for zapcgm's command line (zapcgm_parse_args): the input is
// the words after the program name, parted by zero bytes (argv.h). A line
// that parses must give a command, files that are its words and render
// options inside their ranges; a line that does not must give a message
// (main prints it and exits 2) that ends with the usage. The parser must not
// change argv, and the same line must parse the same way twice.
//   scripts/fuzz 60 zapcgm_args
#include <cstring>
#include <string>
#include <vector>

#include "argv.h"
#include "zapcgm.h"

namespace {

bool same(const zapcgm_args& a, const zapcgm_args& b) {
  return a.command == b.command && a.in == b.in && a.out == b.out && a.png == b.png && a.skale == b.skale &&
         a.px == b.px && a.py == b.py && a.background == b.background && a.scale == b.scale && a.help == b.help &&
         a.version == b.version;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_argv line("zapcgm", data, size, 32);
  zapcgm_args a;
  std::string message;
  const bool ok = fuzz_parse(line, zapcgm_parse_args, same, a, message);
  if (!ok) {
    // "zapcgm[ SUB]: what" and the line pointing to its --help (sys/cli.h).
    fuzz_check(fuzz_wants(line) == CLI_RUN && fuzz_usage_shape(message, "zapcgm"));
    return 0;
  }
  fuzz_check(message.empty() && line.argc >= 2);
  fuzz_check((a.help != nullptr) == (fuzz_wants(line) == CLI_HELP) && a.version == (fuzz_wants(line) == CLI_VERSION));
  const char* cmd = line.argv[1];
  const bool defaults = !a.png && a.skale == 100 && a.px == 0 && a.py == 0 && a.background == 127 && a.scale == 3;
  fuzz_check(a.command == ZAPCGM_HELP || (!a.help && !a.version));
  switch (a.command) {
    case ZAPCGM_HELP:
      // The tool's usage or a subcommand's, or the version: nothing else set.
      fuzz_check(!a.in && !a.out && defaults && (a.help != nullptr) != a.version);
      fuzz_check(a.version || std::string(a.help).rfind("usage: zapcgm ", 0) == 0);
      break;
    case ZAPCGM_INFO:
    case ZAPCGM_DUMP:
      fuzz_check(!std::strcmp(cmd, a.command == ZAPCGM_INFO ? "info" : "dump"));
      fuzz_check(line.argc == 3 && line.index_of(a.in) == 2 && !a.out && defaults);
      break;
    case ZAPCGM_RENDER:
      fuzz_check(!std::strcmp(cmd, "render") && line.index_of(a.in) == 2 && line.index_of(a.out) == 3);
      fuzz_check(line.argc % 2 == 0);  // options come in pairs after the two files
      fuzz_check(a.png ? fuzz_ends_with(a.out, ".png") : fuzz_ends_with(a.out, ".raw"));
      fuzz_check(a.background >= 0 && a.background <= 255 && a.scale >= 1 && a.scale <= ZAPCGM_MAX_SCALE);
      break;
    default:
      fuzz_check(false);
  }
  return 0;
}
