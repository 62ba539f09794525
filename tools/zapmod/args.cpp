// zapmod's command line: which subcommand, its files and its options, read
// without acting on any of them, so that the parsing can be checked (and
// fuzzed) apart from the player, SDL and the files.
#include <cstring>
#include <string>

#include "common/num.h"
#include "common/tool.h"
#include "zapmod.h"

namespace {

// "zapmod SUB: what" and the subcommand's usage, always false.
bool usage_error(std::string& message, const char* sub, const std::string& what, const char* usage) {
  message = tool_usage_message((std::string("zapmod ") + sub).c_str(), what, usage);
  return false;
}

// -h or --help among the words after the subcommand.
bool asks_help(int argc, char** argv) {
  for (int i = 0; i < argc; i++)
    if (tool_is_help(argv[i])) return true;
  return false;
}

// Every word but --ticks and its value is the file, even one that starts
// with '-' (but -h and --help): trace is the regression format, and has
// always read it so.
bool parse_trace(int argc, char** argv, zapmod_args& a, std::string& message) {
  const auto fail = [&](const std::string& what) { return usage_error(message, "trace", what, ZAPMOD_TRACE_USAGE); };
  for (int i = 0; i < argc; i++) {
    std::string why;
    if (!std::strcmp(argv[i], "--ticks")) {
      if (i + 1 >= argc) return fail("missing value after --ticks");
      if (!num_option("--ticks", argv[++i], 0, ZAPMOD_MAX_TICKS, a.ticks, why)) return fail(why);
    } else if (!a.in) {
      a.in = argv[i];
    } else {
      return fail(std::string("unexpected argument '") + argv[i] + "'");
    }
  }
  if (!a.in) return fail("FILE is needed");
  return true;
}

// One option of play or render with its value at argv[i + 1]: true when
// taken (i moved past the value), false with why set when refused, and
// known false when the word is no option of these.
bool parse_option(int argc, char** argv, int& i, bool render, zapmod_args& a, bool& known, std::string& why) {
  const char* o = argv[i];
  known = !std::strcmp(o, "--seconds") || !std::strcmp(o, "--volume") || !std::strcmp(o, "--hz") ||
          (render && !std::strcmp(o, "--rate"));
  if (!known) return false;
  if (i + 1 >= argc) {
    why = std::string("missing value after ") + o;
    return false;
  }
  const char* v = argv[++i];
  if (!std::strcmp(o, "--seconds")) return num_option(o, v, 0.0, ZAPMOD_MAX_SECONDS, true, a.seconds, why);
  if (!std::strcmp(o, "--volume")) return num_option(o, v, 0, ZAPMOD_MAX_VOLUME, a.volume, why);
  if (!std::strcmp(o, "--hz")) return num_option(o, v, 1, ZAPMOD_MAX_HZ, a.hz, why);
  int64_t rate = 0;
  if (num_whole(v, 0, SD_OUTPUT_RATE, rate) && (rate == SD_OUTPUT_RATE || rate == SD_OUTPUT_RATE / 2)) {
    a.rate = static_cast<int32_t>(rate);
    return true;
  }
  why = std::string("--rate must be 44100 or 22050, not '") + v + "'";
  return false;
}

// play FILE [options] and render FILE OUT.wav [options].
bool parse_play_render(int argc, char** argv, bool render, zapmod_args& a, std::string& message) {
  const char* sub = render ? "render" : "play";
  const char* usage = render ? ZAPMOD_RENDER_USAGE : ZAPMOD_PLAY_USAGE;
  const auto fail = [&](const std::string& what) { return usage_error(message, sub, what, usage); };
  for (int i = 0; i < argc; i++) {
    const char* arg = argv[i];
    bool known = false;
    std::string why;
    if (parse_option(argc, argv, i, render, a, known, why)) continue;
    if (known) return fail(why);
    if (arg[0] == '-' && arg[1] != '\0') return fail(std::string("unknown option '") + arg + "'");
    if (!a.in) {
      a.in = arg;
    } else if (render && !a.out) {
      a.out = arg;
    } else {
      return fail(std::string("too many arguments: '") + arg + "'");
    }
  }
  if (!a.in || (render && !a.out)) return fail(render ? "FILE and OUT.wav are needed" : "FILE is needed");
  return true;
}

}  // namespace

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
  if (tool_is_help(cmd)) return true;
  if (tool_is_version(cmd)) {
    args.command = ZAPMOD_VERSION;
    return true;
  }
  struct sub {
    const char* name;
    zapmod_command command;
    const char* usage;
  };
  static constexpr sub subs[] = {{"info", ZAPMOD_INFO, ZAPMOD_INFO_USAGE},
                                 {"trace", ZAPMOD_TRACE, ZAPMOD_TRACE_USAGE},
                                 {"play", ZAPMOD_PLAY, ZAPMOD_PLAY_USAGE},
                                 {"render", ZAPMOD_RENDER, ZAPMOD_RENDER_USAGE}};
  for (const sub& s : subs) {
    if (std::strcmp(cmd, s.name)) continue;
    if (asks_help(n, rest)) {
      args.help = s.usage;
      return true;
    }
    args.command = s.command;
    switch (s.command) {
      case ZAPMOD_INFO:
        if (n == 1) {
          args.in = rest[0];
          return true;
        }
        return usage_error(message, "info", n == 0 ? "FILE is needed" : "too many arguments", s.usage);
      case ZAPMOD_TRACE:
        return parse_trace(n, rest, args, message);
      default:
        return parse_play_render(n, rest, s.command == ZAPMOD_RENDER, args, message);
    }
  }
  message = tool_usage_message("zapmod", std::string("unknown command '") + cmd + "'", ZAPMOD_USAGE);
  return false;
}
