// libFuzzer target for zapmod's command line (zapmod_parse_args): the input is
// the words after the program name, parted by zero bytes (argv.h). A line
// that parses must give a command and values inside their documented ranges,
// with every file pointing at a word of its own; a line that does not must
// give a message (main prints it and exits 2) that starts as every zapmod
// message does and ends its line. The parser must not change argv, and the
// same line must parse the same way twice.
//   scripts/fuzz 60 zapmod_args
#include <cstring>
#include <string>
#include <vector>

#include "argv.h"
#include "zapmod.h"

namespace {

bool same(const zapmod_args& a, const zapmod_args& b) {
  return a.command == b.command && a.in == b.in && a.out == b.out && a.seconds == b.seconds && a.rate == b.rate &&
         a.volume == b.volume && a.hz == b.hz && a.ticks == b.ticks && a.help == b.help && a.version == b.version &&
         a.demo == b.demo && a.stereo == b.stereo && a.mono == b.mono && a.separation == b.separation &&
         a.interp == b.interp && a.loops == b.loops;
}

// A file of play or render: a word after the subcommand that is no option.
bool is_file(const fuzz_argv& line, const char* p) {
  return line.index_of(p) >= 2 && (p[0] != '-' || p[1] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_argv line("zapmod", data, size, 32);
  zapmod_args a;
  std::string message;
  const bool ok = fuzz_parse(line, zapmod_parse_args, same, a, message);
  if (!ok) {
    fuzz_check(fuzz_wants(line) == CLI_RUN && fuzz_usage_shape(message, "zapmod"));
    return 0;
  }
  fuzz_check(message.empty() && line.argc >= 2);
  fuzz_check((a.help != nullptr) == (fuzz_wants(line) == CLI_HELP) && a.version == (fuzz_wants(line) == CLI_VERSION));
  const char* cmd = line.argv[1];
  const bool defaults = a.seconds == 0.0 && a.rate == 44100 && a.volume == ZAPMOD_DEFAULT_VOLUME &&
                        a.hz == ZAPMOD_DEFAULT_HZ && a.ticks == ZAPMOD_DEFAULT_TICKS && !a.demo && !a.stereo &&
                        !a.mono && a.separation == ZAPMOD_DEFAULT_SEPARATION && !a.interp && a.loops == 0;
  fuzz_check(a.command == ZAPMOD_HELP || (!a.help && !a.version));
  switch (a.command) {
    case ZAPMOD_HELP:
      // The tool's usage or a subcommand's, or the version: nothing else set.
      fuzz_check(!a.in && !a.out && defaults && (a.help != nullptr) != a.version);
      fuzz_check(a.version || std::string(a.help).rfind("usage: zapmod ", 0) == 0);
      break;
    case ZAPMOD_INFO:
      fuzz_check(!std::strcmp(cmd, "info") && line.argc == 3 && line.index_of(a.in) == 2 && !a.out && defaults);
      break;
    case ZAPMOD_TRACE:
      fuzz_check(!std::strcmp(cmd, "trace") && line.index_of(a.in) >= 2 && !a.out);
      fuzz_check(a.ticks >= 0 && a.ticks <= ZAPMOD_MAX_TICKS);
      fuzz_check(a.seconds == 0.0 && a.volume == ZAPMOD_DEFAULT_VOLUME && a.hz == ZAPMOD_DEFAULT_HZ);
      break;
    case ZAPMOD_PLAY:
    case ZAPMOD_RENDER: {
      const bool render = a.command == ZAPMOD_RENDER;
      fuzz_check(!std::strcmp(cmd, render ? "render" : "play") && is_file(line, a.in));
      fuzz_check(render ? is_file(line, a.out) && line.index_of(a.out) > line.index_of(a.in) : !a.out);
      fuzz_check(a.seconds == 0.0 || (a.seconds > 0.0 && a.seconds <= ZAPMOD_MAX_SECONDS));
      // Volume: given (0..252) or chosen from the module. Ticks per second:
      // 0 (the module's own timing), given, or the demo's 47 with --demo.
      fuzz_check(a.volume == ZAPMOD_AUTO_VOLUME || (a.volume >= 0 && a.volume <= ZAPMOD_MAX_VOLUME));
      fuzz_check(a.hz >= 0 && a.hz <= ZAPMOD_MAX_HZ && (!a.demo || a.hz == 47));
      fuzz_check(a.rate == 44100 || (render && a.rate == 22050));
      fuzz_check(a.separation >= 0 && a.separation <= 100 && a.loops >= 0 && a.loops <= ZAPMOD_MAX_LOOPS);
      fuzz_check(render ? !a.mono : !a.stereo && a.loops == 0);
      fuzz_check(a.loops == 0 || a.seconds == 0.0);
      fuzz_check(a.ticks == ZAPMOD_DEFAULT_TICKS);
      break;
    }
    default:
      fuzz_check(false);
  }
  return 0;
}
