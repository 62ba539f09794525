// zapmod's command line: which subcommand, its files and its options, read
// without acting on any of them, so that the parsing can be checked (and
// fuzzed) apart from the player, SDL and the files.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "zapmod.h"

namespace {

constexpr const char* k_play_usage = "usage: zapmod play FILE [--seconds S] [--volume N] [--hz N]\n";
constexpr const char* k_render_usage =
    "usage: zapmod render FILE OUT.wav [--seconds S] [--rate 44100|22050] [--volume N] [--hz N]\n";

// "zapmod SUBCOMMAND: what" and the subcommand's usage line, always false.
bool usage_error(std::string& message, const char* cmd, const char* what, const char* usage) {
  message = std::string("zapmod ") + cmd + ": " + what + "\n" + usage;
  return false;
}

bool parse_info(int argc, char** argv, zapmod_args& a, std::string& message) {
  if (argc != 1) {
    message = "usage: zapmod info FILE\n";
    return false;
  }
  a.in = argv[0];
  return true;
}

bool parse_ticks(const char* s, long& ticks) {
  char* end = nullptr;
  errno = 0;
  ticks = std::strtol(s, &end, 10);
  return *s && !*end && errno == 0 && ticks >= 0 && ticks <= ZAPMOD_MAX_TICKS;
}

// Every word but --ticks and its value is the file, even one that starts
// with '-': trace is the regression format, and has always read it so.
bool parse_trace(int argc, char** argv, zapmod_args& a, std::string& message) {
  for (int i = 0; i < argc; i++) {
    if (!std::strcmp(argv[i], "--ticks")) {
      if (i + 1 >= argc || !parse_ticks(argv[i + 1], a.ticks)) {
        message = "zapmod: trace: --ticks needs a whole number of ticks\n";
        return false;
      }
      i++;
    } else if (!a.in) {
      a.in = argv[i];
    } else {
      message = std::string("zapmod: trace: unexpected argument '") + argv[i] + "'\n";
      return false;
    }
  }
  if (!a.in) {
    message = "usage: zapmod trace FILE [--ticks N]\n";
    return false;
  }
  return true;
}

bool parse_play(int argc, char** argv, zapmod_args& a, std::string& message) {
  const auto fail = [&](const char* what) { return usage_error(message, "play", what, k_play_usage); };
  for (int i = 0; i < argc; i++) {
    if (!std::strcmp(argv[i], "--seconds")) {
      if (i + 1 >= argc) return fail("missing value after --seconds");
      if (!zapmod_seconds(argv[++i], a.seconds)) return fail(ZAPMOD_SECONDS_RULE);
    } else if (!std::strcmp(argv[i], "--volume")) {
      if (i + 1 >= argc) return fail("missing value after --volume");
      if (!zapmod_whole(argv[++i], 0, ZAPMOD_MAX_VOLUME, a.volume)) return fail(ZAPMOD_VOLUME_RULE);
    } else if (!std::strcmp(argv[i], "--hz")) {
      if (i + 1 >= argc) return fail("missing value after --hz");
      if (!zapmod_whole(argv[++i], 1, ZAPMOD_MAX_HZ, a.hz)) return fail(ZAPMOD_HZ_RULE);
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      return fail("unknown option");
    } else if (!a.in) {
      a.in = argv[i];
    } else {
      return fail("too many arguments");
    }
  }
  if (!a.in) return fail("FILE is needed");
  return true;
}

bool parse_render(int argc, char** argv, zapmod_args& a, std::string& message) {
  const auto fail = [&](const char* what) { return usage_error(message, "render", what, k_render_usage); };
  for (int i = 0; i < argc; i++) {
    const char* arg = argv[i];
    const bool seconds = !std::strcmp(arg, "--seconds");
    const bool rate = !std::strcmp(arg, "--rate");
    const bool volume = !std::strcmp(arg, "--volume");
    const bool hz = !std::strcmp(arg, "--hz");
    if (seconds || rate || volume || hz) {
      if (i + 1 >= argc) return fail("missing value after an option");
      const char* v = argv[++i];
      const char* rule = nullptr;
      if (seconds) {
        if (!zapmod_seconds(v, a.seconds)) rule = ZAPMOD_SECONDS_RULE;
      } else if (volume) {
        if (!zapmod_whole(v, 0, ZAPMOD_MAX_VOLUME, a.volume)) rule = ZAPMOD_VOLUME_RULE;
      } else if (hz) {
        if (!zapmod_whole(v, 1, ZAPMOD_MAX_HZ, a.hz)) rule = ZAPMOD_HZ_RULE;
      } else if (!zapmod_whole(v, 0, 44100, a.rate) || (a.rate != 44100 && a.rate != 22050)) {
        rule = "--rate must be 44100 or 22050";
      }
      if (rule) return fail(rule);
    } else if (arg[0] == '-' && arg[1] != '\0') {
      return fail("unknown option");
    } else if (!a.in) {
      a.in = arg;
    } else if (!a.out) {
      a.out = arg;
    } else {
      return fail("too many arguments");
    }
  }
  if (!a.out) return fail("FILE and OUT.wav are needed");
  return true;
}

}  // namespace

bool zapmod_seconds(const char* text, double& seconds) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || errno != 0 || !(v > 0.0 && v <= ZAPMOD_MAX_SECONDS)) return false;
  seconds = v;
  return true;
}

bool zapmod_whole(const char* text, int32_t lo, int32_t hi, int32_t& value) {
  if (*text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (*end != '\0' || errno != 0 || v < lo || v > hi) return false;
  value = static_cast<int32_t>(v);
  return true;
}

bool zapmod_parse_args(int argc, char** argv, zapmod_args& args, std::string& message) {
  args = zapmod_args{};
  message.clear();
  if (argc < 2) {
    message = ZAPMOD_USAGE;
    return false;
  }
  const char* cmd = argv[1];
  const int n = argc - 2;
  char** rest = argv + 2;
  if (!std::strcmp(cmd, "-h") || !std::strcmp(cmd, "--help")) {
    args.command = ZAPMOD_HELP;
    return true;
  }
  if (!std::strcmp(cmd, "info")) {
    args.command = ZAPMOD_INFO;
    return parse_info(n, rest, args, message);
  }
  if (!std::strcmp(cmd, "trace")) {
    args.command = ZAPMOD_TRACE;
    return parse_trace(n, rest, args, message);
  }
  if (!std::strcmp(cmd, "play")) {
    args.command = ZAPMOD_PLAY;
    return parse_play(n, rest, args, message);
  }
  if (!std::strcmp(cmd, "render")) {
    args.command = ZAPMOD_RENDER;
    return parse_render(n, rest, args, message);
  }
  message = std::string("zapmod: unknown command '") + cmd + "'\n" + ZAPMOD_USAGE;
  return false;
}
