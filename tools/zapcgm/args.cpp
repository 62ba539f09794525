// zapcgm's command line: which subcommand, its files and render's options,
// read without acting on any of them, so that the parsing can be checked (and
// fuzzed) apart from the loader, the rasteriser and the files.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "zapcgm.h"

namespace {

bool ends_with(const char* s, const char* suffix) {
  const size_t a = std::strlen(s), b = std::strlen(suffix);
  return a >= b && !std::strcmp(s + a - b, suffix);
}

bool parse_int(const char* s, long lo, long hi, int32_t& out) {
  char* end;
  errno = 0;
  const long v = std::strtol(s, &end, 10);
  if (errno || end == s || *end || v < lo || v > hi) return false;
  out = static_cast<int32_t>(v);
  return true;
}

// What went wrong, if anything, then the usage; always false.
bool usage_error(std::string& message, const std::string& what = "") {
  message = what + ZAPCGM_USAGE;
  return false;
}

// FILE OUT [--option value]...: the options come in pairs after the files.
bool parse_render(int argc, char** argv, zapcgm_args& a, std::string& message) {
  if (argc < 2) return usage_error(message);
  a.in = argv[0];
  a.out = argv[1];
  a.png = ends_with(a.out, ".png");
  if (!a.png && !ends_with(a.out, ".raw"))
    return usage_error(message, std::string("zapcgm: ") + a.out + ": output must end in .png or .raw\n");
  for (int i = 2; i < argc; i += 2) {
    const char* opt = argv[i];
    if (i + 1 >= argc) return usage_error(message, std::string("zapcgm: ") + opt + " needs a value\n");
    bool ok;
    if (!std::strcmp(opt, "--skale")) ok = parse_int(argv[i + 1], INT32_MIN, INT32_MAX, a.skale);
    else if (!std::strcmp(opt, "--px")) ok = parse_int(argv[i + 1], INT32_MIN, INT32_MAX, a.px);
    else if (!std::strcmp(opt, "--py")) ok = parse_int(argv[i + 1], INT32_MIN, INT32_MAX, a.py);
    else if (!std::strcmp(opt, "--background")) ok = parse_int(argv[i + 1], 0, 255, a.background);
    else if (!std::strcmp(opt, "--scale")) ok = parse_int(argv[i + 1], 1, ZAPCGM_MAX_SCALE, a.scale);
    else return usage_error(message, std::string("zapcgm: unknown option '") + opt + "'\n");
    if (!ok)
      return usage_error(message, std::string("zapcgm: bad value '") + argv[i + 1] + "' for " + opt + "\n");
  }
  return true;
}

}  // namespace

bool zapcgm_parse_args(int argc, char** argv, zapcgm_args& args, std::string& message) {
  args = zapcgm_args{};
  message.clear();
  if (argc < 2) return usage_error(message);
  const char* cmd = argv[1];
  const int n = argc - 2;
  char** rest = argv + 2;
  if (!std::strcmp(cmd, "-h") || !std::strcmp(cmd, "--help")) {
    args.command = ZAPCGM_HELP;
    return true;
  }
  if (!std::strcmp(cmd, "info") || !std::strcmp(cmd, "dump")) {
    args.command = cmd[0] == 'i' ? ZAPCGM_INFO : ZAPCGM_DUMP;
    if (n != 1) return usage_error(message);
    args.in = rest[0];
    return true;
  }
  if (!std::strcmp(cmd, "render")) {
    args.command = ZAPCGM_RENDER;
    return parse_render(n, rest, args, message);
  }
  return usage_error(message, std::string("zapcgm: unknown command '") + cmd + "'\n");
}
