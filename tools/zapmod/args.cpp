// zapmod's command line: which subcommand, its files and its options, read
// without acting on any of them, so that the parsing can be checked (and
// fuzzed) apart from the player, SDL and the files.
#include <cstring>
#include <string>

#include "common/tool.h"
#include "music/mzx_song.h"
#include "sys/num.h"
#include "zapmod.h"

namespace {

// The subcommands in the order of zapmod_command from ZAPMOD_INFO, each with
// its help: every option with its meaning, range and default.
constexpr tool_subcommand k_subs[] = {
    {"info",
     "usage: zapmod info FILE\n"
     "\n"
     "What the player makes of the module FILE: its id, channels, song length,\n"
     "restart position and patterns, the song's duration in the module's own\n"
     "timing and at the demo's 47 ticks a second, and a table of the samples.\n"},
    {"trace",
     "usage: zapmod trace FILE [--ticks N]\n"
     "\n"
     "Prints every sound-device call the player makes while loading FILE and\n"
     "during its first N ticks, one per line (the player's regression format).\n"
     "\n"
     "  --ticks N   ticks to trace, 0 to 100000000 (default 2000)\n"},
    {"play",
     "usage: zapmod play FILE [--seconds S] [--volume N] [--hz N | --demo] [--mono] [--separation P]\n"
     "                        [--interp nearest|linear]\n"
     "\n"
     "Plays the module FILE through the sound device with the demo's player and\n"
     "mixer, showing where the song is and its speed and tempo; Ctrl-C stops.\n"
     "\n"
     "  --seconds S      stop after S seconds, above 0 and at most 3600\n"
     "                   (default: play until Ctrl-C; the song repeats)\n"
     "  --volume N       main volume, 0 to 252 (default: the highest at which the\n"
     "                   module's channels cannot clip, 31 for four channels;\n"
     "                   with --demo 64, the demo's)\n"
     "  --hz N           a fixed tick rate, 1 to 1000 ticks a second (default: the\n"
     "                   module's own timing, 50 ticks a second until an Fxx of\n"
     "                   32 or more sets its tempo)\n"
     "  --demo           play as the demo does: 47 ticks a second, the module's\n"
     "                   tempo stored only, mono, volume 64\n"
     "  --mono           mono even when the device has two channels (default:\n"
     "                   stereo where the device has two)\n"
     "  --separation P   stereo separation in percent, 0 (mono) to 100 (channels\n"
     "                   1 and 4 hard left, 2 and 3 hard right) (default 70)\n"
     "  --interp MODE    nearest (the demo's) or linear interpolation between\n"
     "                   sample points (default nearest)\n"},
    {"render",
     "usage: zapmod render FILE OUT.wav [--seconds S | --loop N] [--rate 44100|22050] [--volume N]\n"
     "                        [--hz N | --demo] [--stereo] [--separation P] [--interp nearest|linear]\n"
     "\n"
     "Renders the module FILE to the WAV file OUT.wav with the demo's player and\n"
     "mixer, and reports the peak level and the clipped samples.\n"
     "\n"
     "  --seconds S      render S seconds, above 0 and at most 3600 (default: up\n"
     "                   to the song's end, or 600 s when it has none)\n"
     "  --loop N         play the song N more times after its end, 0 to 1000\n"
     "                   (default 0)\n"
     "  --rate R         44100 (16-bit) or 22050 (8-bit) samples a second\n"
     "                   (default 44100)\n"
     "  --volume N       main volume, 0 to 252 (default: the highest at which the\n"
     "                   module's channels cannot clip, 31 for four channels;\n"
     "                   with --demo 64, the demo's)\n"
     "  --hz N           a fixed tick rate, 1 to 1000 ticks a second (default: the\n"
     "                   module's own timing, 50 ticks a second until an Fxx of\n"
     "                   32 or more sets its tempo)\n"
     "  --demo           render as the demo plays: 47 ticks a second, the\n"
     "                   module's tempo stored only, volume 64\n"
     "  --stereo         stereo output (default mono)\n"
     "  --separation P   stereo separation in percent, 0 (mono) to 100 (channels\n"
     "                   1 and 4 hard left, 2 and 3 hard right) (default 70)\n"
     "  --interp MODE    nearest (the demo's) or linear interpolation between\n"
     "                   sample points (default nearest)\n"},
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

// Options of play and render without a value.
bool flag_option(const char* o, bool render, zapmod_args& a) {
  if (!std::strcmp(o, "--demo")) return a.demo = true;
  if (render && !std::strcmp(o, "--stereo")) return a.stereo = true;
  if (!render && !std::strcmp(o, "--mono")) return a.mono = true;
  return false;
}

// One option of play or render with its value at argv[i + 1]: true when
// taken (i moved past the value), false with why set when refused, and
// known false when the word is no option of these.
bool parse_option(int argc, char** argv, int& i, bool render, zapmod_args& a, bool& known, std::string& why) {
  const char* o = argv[i];
  known = !std::strcmp(o, "--seconds") || !std::strcmp(o, "--volume") || !std::strcmp(o, "--hz") ||
          !std::strcmp(o, "--separation") || !std::strcmp(o, "--interp") ||
          (render && (!std::strcmp(o, "--rate") || !std::strcmp(o, "--loop")));
  if (!known) return false;
  if (i + 1 >= argc) {
    why = std::string("missing value after ") + o;
    return false;
  }
  const char* v = argv[++i];
  if (!std::strcmp(o, "--seconds")) return num_option(o, v, 0.0, ZAPMOD_MAX_SECONDS, true, a.seconds, why);
  if (!std::strcmp(o, "--volume")) return num_option(o, v, 0, ZAPMOD_MAX_VOLUME, a.volume, why);
  if (!std::strcmp(o, "--hz")) return num_option(o, v, 1, ZAPMOD_MAX_HZ, a.hz, why);
  if (!std::strcmp(o, "--separation")) return num_option(o, v, 0, SONG_MAX_SEPARATION, a.separation, why);
  if (!std::strcmp(o, "--loop")) return num_option(o, v, 0, ZAPMOD_MAX_LOOPS, a.loops, why);
  if (!std::strcmp(o, "--interp")) {
    if (!std::strcmp(v, "nearest") || !std::strcmp(v, "linear")) {
      a.interp = v[0] == 'l';
      return true;
    }
    why = std::string("--interp must be nearest or linear, not '") + v + "'";
    return false;
  }
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
  bool hz_given = false;
  bool loop_given = false;
  for (int i = 0; i < argc; i++) {
    const char* arg = argv[i];
    bool known = false;
    std::string why;
    if (flag_option(arg, render, a)) continue;
    if (parse_option(argc, argv, i, render, a, known, why)) {
      hz_given = hz_given || !std::strcmp(arg, "--hz");
      loop_given = loop_given || !std::strcmp(arg, "--loop");
      continue;
    }
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
  if (a.demo && hz_given) return fail("--demo plays at 47 ticks a second: it takes no --hz");
  if (loop_given && a.seconds > 0.0) return fail("--seconds sets the length: it takes no --loop");
  if (a.demo) a.hz = SONG_DEMO_HZ;
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
