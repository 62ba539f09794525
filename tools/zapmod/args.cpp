// zapmod's command line: which subcommand, its files and its options, read
// without acting on any of them, so that the parsing can be checked (and
// fuzzed) apart from the player, SDL and the files.
#include <cstring>
#include <string>

#include "common/tool.h"
#include "sys/num.h"
#include "zapmod.h"

namespace {

// The subcommands in the order of zapmod_command from ZAPMOD_INFO.
constexpr tool_subcommand k_subs[] = {
    {"info", "usage: zapmod info FILE\n"},
    {"trace", "usage: zapmod trace FILE [--ticks N]\n"},
    {"play", "usage: zapmod play FILE [--seconds S] [--volume N] [--hz N]\n"},
    {"render", "usage: zapmod render FILE OUT.wav [--seconds S] [--rate 44100|22050] [--volume N] [--hz N]\n"},
};

// "zapmod SUB: what" and the line pointing to its --help; always false.
bool usage_error(std::string& message, const char* sub, const std::string& what) {
  message = tool_usage_message((std::string("zapmod ") + sub).c_str(), what);
  return false;
}

// Every word but --ticks and its value is the file, even one that starts
// with '-' (but -h and --help): trace is the regression format, and has
// always read it so.
bool parse_trace(int argc, char** argv, zapmod_args& a, std::string& message) {
  const auto fail = [&](const std::string& what) { return usage_error(message, "trace", what); };
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
  const auto fail = [&](const std::string& what) { return usage_error(message, sub, what); };
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
  const int sub = tool_pick(argc, argv, "zapmod", k_subs, 4, ZAPMOD_USAGE, args.help, args.version, message);
  switch (sub) {
    case -1:
      return message.empty();
    case 0:
      args.command = ZAPMOD_INFO;
      if (argc == 3) args.in = argv[2];
      if (args.in) return true;
      return usage_error(message, "info", argc < 3 ? "FILE is needed" : "too many arguments");
    case 1:
      args.command = ZAPMOD_TRACE;
      return parse_trace(argc - 2, argv + 2, args, message);
    default:
      args.command = sub == 2 ? ZAPMOD_PLAY : ZAPMOD_RENDER;
      return parse_play_render(argc - 2, argv + 2, sub == 3, args, message);
  }
}
