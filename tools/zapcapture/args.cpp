// zapcapture's command line: the options of both modes and the checks that
// they go together, read without acting on any of them, so that the parsing
// can be checked (and fuzzed) apart from the demo, ffmpeg and the files.
#include <cstdint>
#include <cstring>
#include <string>

#include "common/tool.h"
#include "sys/num.h"
#include "zapcapture.h"

namespace {

bool ends_with(const char* s, const char* suffix) {
  const size_t a = std::strlen(s), b = std::strlen(suffix);
  return a >= b && !std::strcmp(s + a - b, suffix);
}

// The options that take a value.
constexpr const char* k_valued[] = {"--wav", "--frames", "--raw",   "--every", "--at",     "--from",
                                    "--to",  "--fps",    "--scale", "--data",  "--script", "--seconds"};

bool takes_value(const char* a) {
  for (const char* v : k_valued)
    if (!std::strcmp(a, v)) return true;
  return false;
}

// One option a (from k_valued) with its value v into o; false with why set.
bool parse_value(const char* a, const char* v, cap_options& o, bool& seen_to, std::string& why) {
  if (!std::strcmp(a, "--wav")) o.wav = v;
  else if (!std::strcmp(a, "--frames")) o.frames = v;
  else if (!std::strcmp(a, "--raw")) o.raw = v;
  else if (!std::strcmp(a, "--data")) o.data = v;
  else if (!std::strcmp(a, "--script")) o.script = v;
  else if (!std::strcmp(a, "--seconds"))
    o.seconds = v;
  else if (!std::strcmp(a, "--every")) return num_option(a, v, 1, INT32_MAX, o.every, why);
  else if (!std::strcmp(a, "--fps")) return num_option(a, v, 1, CAP_MAX_FPS, o.fps, why);
  else if (!std::strcmp(a, "--scale")) return num_option(a, v, 1, CAP_MAX_SCALE, o.scale, why);
  else {
    double d = 0.0;
    if (!num_option(a, v, 0.0, CAP_MAX_SECONDS, false, d, why)) return false;
    if (!std::strcmp(a, "--at")) o.at.push_back(d);
    else if (!std::strcmp(a, "--from")) o.from = d;
    else o.to = d, seen_to = true;
  }
  return true;
}

// Whether the options go together: "" when they do, else why not.
std::string mismatch(const cap_options& o, bool seen_to, bool seen_capture_option) {
  if (o.seconds && !o.flashes) return "--seconds goes with --flashes";
  if (o.flashes) {
    if (o.script) return "--flashes and --script are two modes: give one";
    if (o.png || o.video || o.wav || o.frames || o.raw || o.every || !o.at.empty() || o.scale || o.warning)
      return "--flashes takes only --gentle, --seconds, --fps, --from, --to and --data";
    if (seen_to && o.to <= o.from) return "--to must be later than --from";
    return "";
  }
  if (o.script) {
    if (seen_capture_option) return "--script takes only --raw, --png, --gentle and --data";
    if (!o.raw) return "--script needs --raw DIR for the frames";
    return "";
  }
  if (o.png) return "--png goes with --script (the capture's stills are --frames)";
  if (!o.video && !o.wav && !o.frames && !o.raw) return "nothing to write: give OUT.mp4, --wav, --frames or --raw";
  if (o.video && !ends_with(o.video, ".mp4") && !ends_with(o.video, ".mkv") && !ends_with(o.video, ".mov"))
    return std::string("the video must be named .mp4, .mkv or .mov: '") + o.video + "'";
  if (seen_to && o.to <= o.from) return "--to must be later than --from";
  if ((o.every || !o.at.empty()) && !o.frames && !o.raw) return "--every and --at pick stills for --frames or --raw";
  return "";
}

}  // namespace

const char* const cap_usage_text =
    "usage: zapcapture [OUT.mp4] [--wav OUT.wav] [--frames DIR] [--raw DIR] [--every N] [--at SECONDS]...\n"
    "                  [--from SECONDS] [--to SECONDS] [--fps N] [--scale K] [--warning] [--data DIR]\n"
    "       zapcapture --script FILE --raw DIR [--png] [--data DIR]\n"
    "       zapcapture --flashes [--seconds FILE] [--fps N] [--from SECONDS] [--to SECONDS] [--data DIR]\n"
    "  (each with --gentle for the gentle show)\n";

const char* const cap_help_text =
    "\n"
    "Runs the demo offline on a simulated clock, without a display or a sound device,\n"
    "and writes what it shows and plays.\n"
    "\n"
    "Whole demo (until it stops at position 2500, or the span given):\n"
    "  OUT.mp4          H.264 video with AAC sound through ffmpeg (also .mkv, .mov)\n"
    "  --wav OUT.wav    the sound: 16-bit mono at 44100 Hz, as the demo plays it\n"
    "  --frames DIR     PNG stills DIR/NNNNN.png of the presented 320x200 frame\n"
    "  --raw DIR        DIR/NNNNN.frame (64000 palette indices) and DIR/NNNNN.pal (768 bytes RGB)\n"
    "  --every N        stills of every Nth frame only, N from 1 on (default: every frame,\n"
    "                   unless --at)\n"
    "  --at SECONDS     a still of the frame on screen at that time, 0 to 3600 (may be\n"
    "                   repeated; default: none)\n"
    "  --from, --to     the span in seconds of demo time, 0 to 3600, --to later than --from\n"
    "                   (default: from 0 to the demo's end; the demo still runs from its start)\n"
    "  --fps N          frames per second, 1..240 (default 60)\n"
    "  --scale K        nearest-neighbour upscale, 1..8 (default 4 for the video: 1280x960\n"
    "                   with the screen's borders; 1 for stills)\n"
    "  --warning        the warning card first: 6 s of its frames, silent, then the show\n"
    "                   (the times above count from the card's start)\n"
    "  NNNNN is the frame number from the start of the demo; frame N is taken at N/fps s.\n"
    "\n"
    "Chosen moments:\n"
    "  --script FILE    one frame step per line 'frame POS TID' (music position, ms), from\n"
    "                   the start-up state; '#' lines and blank lines are skipped; '-' reads\n"
    "                   standard input. Writes DIR/NNNNN.frame and .pal for step N (with --png\n"
    "                   a PNG too) and prints 'frame N scene S dest buf|puh stop 0|1'.\n"
    "\n"
    "Flash check:\n"
    "  --flashes        measures how the show flashes, frame by frame at 60 a second (or\n"
    "                   --fps), by the general and red flash thresholds: every 76x57 field\n"
    "                   of the picture (a 10-degree field of view of it shown 1440 pixels\n"
    "                   wide) at steps of half a field, and the whole picture; a second\n"
    "                   fails when one field holds more than six transitions (three\n"
    "                   flashes) within one second. Prints per scene the seconds that fail\n"
    "                   and the worst field; exit status 1 when any second fails, 0 when none\n"
    "  --seconds FILE   the worst count of each second, general and red, as a table\n"
    "\n"
    "  --gentle         the gentle show: the same scenes with what flashes tamed\n"
    "  --data DIR       load the data files from DIR/data/ (and only there); without it\n"
    "                   they are looked for as the demo does: the installed data, the\n"
    "                   source tree of a build, the working directory\n"
    "  -h, --help       this text\n"
    "  --version        the version\n";

bool cap_parse_args(int argc, char** argv, cap_options& o, std::string& message) {
  o = cap_options{};
  message.clear();
  const auto usage_error = [&](const std::string& what) {
    message = tool_usage_message("zapcapture", what);
    return false;
  };
  // -h, --help and --version win wherever they stand (sys/cli.h).
  switch (cli_wants(argc, argv, 1)) {
    case CLI_HELP:
      o.help = true;
      return true;
    case CLI_VERSION:
      o.version = true;
      return true;
    case CLI_RUN:
      break;
  }
  if (argc < 2) return usage_error("nothing to do");
  bool seen_to = false, seen_capture_option = false;
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    if (takes_value(a)) {
      if (i + 1 >= argc) return usage_error(std::string("missing value after ") + a);
      std::string why;
      if (!parse_value(a, argv[++i], o, seen_to, why)) return usage_error(why);
      if (std::strcmp(a, "--raw") && std::strcmp(a, "--data") && std::strcmp(a, "--script") &&
          std::strcmp(a, "--seconds")) {
        seen_capture_option = true;
      }
    } else if (!std::strcmp(a, "--png")) {
      o.png = true;
    } else if (!std::strcmp(a, "--warning")) {
      o.warning = true;
      seen_capture_option = true;
    } else if (!std::strcmp(a, "--flashes")) {
      o.flashes = true;
    } else if (!std::strcmp(a, "--gentle")) {
      o.gentle = true;
    } else if (a[0] == '-' && a[1] != '\0') {
      return usage_error(std::string("unknown option '") + a + "'");
    } else if (!o.video) {
      o.video = a;
      seen_capture_option = true;
    } else {
      return usage_error(std::string("only one video output, not also '") + a + "'");
    }
  }
  const std::string why = mismatch(o, seen_to, seen_capture_option);
  return why.empty() || usage_error(why);
}
