// libFuzzer target for zapcapture's command line (cap_parse_args): the input
// is the words after the program name, parted by zero bytes (argv.h). A line
// that parses must give options inside their ranges that go together as the
// usage says (a script run takes only --raw, --png, --gentle and --data; the
// flash check only --gentle, --seconds, --fps, --from, --to and --data; a
// capture writes something, and its stills options have somewhere to go), with every
// path pointing at a word of its own; a line that does not must give a
// message (main prints it and exits 2) in the one shape (sys/cli.h). -h,
// --help and --version win wherever they stand. The parser
// must not change argv, and the same line must parse the same way twice.
//   scripts/fuzz 60 zapcapture_args
#include <string>
#include <vector>

#include "argv.h"
#include "zapcapture.h"

namespace {

bool same(const cap_options& a, const cap_options& b) {
  return a.video == b.video && a.wav == b.wav && a.frames == b.frames && a.raw == b.raw && a.fps == b.fps &&
         a.scale == b.scale && a.from == b.from && a.to == b.to && a.every == b.every && a.at == b.at &&
         a.warning == b.warning && a.script == b.script && a.png == b.png && a.flashes == b.flashes &&
         a.seconds == b.seconds && a.gentle == b.gentle && a.data == b.data && a.help == b.help &&
         a.version == b.version;
}

bool word_or_null(const fuzz_argv& line, const char* p) { return !p || line.index_of(p) >= 1; }

bool seconds(double s) { return s >= 0.0 && s <= CAP_MAX_SECONDS; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_argv line("zapcapture", data, size, 32);
  cap_options o;
  std::string message;
  const bool ok = fuzz_parse(line, cap_parse_args, same, o, message);
  if (!ok) {
    fuzz_check(fuzz_wants(line) == CLI_RUN && fuzz_usage_shape(message, "zapcapture"));
    return 0;
  }
  fuzz_check(message.empty() && line.argc >= 2);
  fuzz_check(o.help == (fuzz_wants(line) == CLI_HELP) && o.version == (fuzz_wants(line) == CLI_VERSION));
  if (o.help || o.version) return 0;  // the rest of the line may hold anything
  for (const char* p : {o.video, o.wav, o.frames, o.raw, o.script, o.seconds, o.data})
    fuzz_check(word_or_null(line, p));
  fuzz_check(o.fps >= 1 && o.fps <= CAP_MAX_FPS && o.scale >= 0 && o.scale <= CAP_MAX_SCALE && o.every >= 0);
  fuzz_check(seconds(o.from) && seconds(o.to));
  for (double s : o.at) fuzz_check(seconds(s));
  fuzz_check(!o.seconds || o.flashes);
  if (o.flashes) {
    fuzz_check(!o.script && !o.png && !o.video && !o.wav && !o.frames && !o.raw && !o.warning);
    fuzz_check(o.scale == 0 && o.every == 0 && o.at.empty());
    fuzz_check(o.to == 0.0 || o.to > o.from);
  } else if (o.script) {
    fuzz_check(o.raw && !o.warning && !o.video && !o.wav && !o.frames && o.fps == 60 && o.scale == 0 && o.every == 0);
    fuzz_check(o.at.empty() && o.from == 0.0 && o.to == 0.0);
  } else {
    fuzz_check(!o.png && (o.video || o.wav || o.frames || o.raw));
    fuzz_check(!o.video || fuzz_ends_with(o.video, ".mp4") || fuzz_ends_with(o.video, ".mkv") ||
               fuzz_ends_with(o.video, ".mov"));
    fuzz_check(o.to == 0.0 || o.to > o.from);
    fuzz_check((o.every == 0 && o.at.empty()) || o.frames || o.raw);
  }
  return 0;
}
