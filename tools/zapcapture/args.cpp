// zapcapture's command line: the options of both modes and the checks that
// they go together, read without acting on any of them, so that the parsing
// can be checked (and fuzzed) apart from the demo, ffmpeg and the files.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "zapcapture.h"

namespace {

bool parse_whole(const char* s, long lo, long hi, int& out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(s, &end, 10);
  if (end == s || *end != '\0' || errno != 0 || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

bool parse_seconds(const char* s, double& out) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(s, &end);
  if (end == s || *end != '\0' || errno != 0 || !std::isfinite(v) || v < 0.0 || v > CAP_MAX_SECONDS) return false;
  out = v;
  return true;
}

bool ends_with(const char* s, const char* suffix) {
  const size_t a = std::strlen(s), b = std::strlen(suffix);
  return a >= b && !std::strcmp(s + a - b, suffix);
}

}  // namespace

const char* const cap_usage_text =
    "usage: zapcapture [OUT.mp4] [--wav OUT.wav] [--frames DIR] [--raw DIR] [--every N] [--at SECONDS]...\n"
    "                  [--from SECONDS] [--to SECONDS] [--fps N] [--scale K] [--data DIR]\n"
    "       zapcapture --script FILE --raw DIR [--png] [--data DIR]\n";

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
    "  --every N        stills of every Nth frame only (default: every frame, unless --at)\n"
    "  --at SECONDS     a still of the frame on screen at that time (may be repeated)\n"
    "  --from, --to     the span in seconds of demo time (the demo still runs from its start)\n"
    "  --fps N          frames per second, 1..240 (default 60)\n"
    "  --scale K        nearest-neighbour upscale, 1..8 (default 4 for the video: 1280x960\n"
    "                   with the screen's borders; 1 for stills)\n"
    "  NNNNN is the frame number from the start of the demo; frame N is taken at N/fps s.\n"
    "\n"
    "Chosen moments:\n"
    "  --script FILE    one frame step per line 'frame POS TID' (music position, ms), from\n"
    "                   the start-up state; '#' lines and blank lines are skipped; '-' reads\n"
    "                   standard input. Writes DIR/NNNNN.frame and .pal for step N (with --png\n"
    "                   a PNG too) and prints 'frame N scene S dest buf|puh stop 0|1'.\n"
    "\n"
    "  --data DIR       load the data files from DIR/data/ instead of ./data/\n"
    "  -h, --help       this text\n";

bool cap_parse_args(int argc, char** argv, cap_options& o, std::string& message) {
  o = cap_options{};
  message.clear();
  const auto usage_error = [&](const char* what, const char* arg = nullptr) {
    message = std::string("zapcapture: ") + what + (arg ? std::string(" '") + arg + "'" : std::string()) + "\n" +
              cap_usage_text;
    return false;
  };
  if (argc < 2) return usage_error("nothing to do");

  bool seen_to = false, seen_capture_option = false;
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    if (!std::strcmp(a, "-h") || !std::strcmp(a, "--help")) {
      o.help = true;
      return true;
    }
    const bool takes_value = !std::strcmp(a, "--wav") || !std::strcmp(a, "--frames") || !std::strcmp(a, "--raw") ||
                             !std::strcmp(a, "--every") || !std::strcmp(a, "--at") || !std::strcmp(a, "--from") ||
                             !std::strcmp(a, "--to") || !std::strcmp(a, "--fps") || !std::strcmp(a, "--scale") ||
                             !std::strcmp(a, "--data") || !std::strcmp(a, "--script");
    if (takes_value) {
      if (i + 1 >= argc) return usage_error("a value is missing after", a);
      const char* v = argv[++i];
      double d = 0.0;
      if (!std::strcmp(a, "--wav")) {
        o.wav = v;
      } else if (!std::strcmp(a, "--frames")) {
        o.frames = v;
      } else if (!std::strcmp(a, "--raw")) {
        o.raw = v;
      } else if (!std::strcmp(a, "--data")) {
        o.data = v;
      } else if (!std::strcmp(a, "--script")) {
        o.script = v;
      } else if (!std::strcmp(a, "--every")) {
        if (!parse_whole(v, 1, INT32_MAX, o.every)) return usage_error("--every needs a whole number from 1, not", v);
      } else if (!std::strcmp(a, "--fps")) {
        if (!parse_whole(v, 1, CAP_MAX_FPS, o.fps)) return usage_error("--fps needs a whole number 1..240, not", v);
      } else if (!std::strcmp(a, "--scale")) {
        if (!parse_whole(v, 1, CAP_MAX_SCALE, o.scale)) return usage_error("--scale needs a whole number 1..8, not", v);
      } else {
        if (!parse_seconds(v, d)) return usage_error("seconds from 0 to 3600 are needed, not", v);
        if (!std::strcmp(a, "--at")) {
          o.at.push_back(d);
        } else if (!std::strcmp(a, "--from")) {
          o.from = d;
        } else {
          o.to = d;
          seen_to = true;
        }
      }
      if (std::strcmp(a, "--raw") && std::strcmp(a, "--data") && std::strcmp(a, "--script")) {
        seen_capture_option = true;
      }
    } else if (!std::strcmp(a, "--png")) {
      o.png = true;
    } else if (a[0] == '-' && a[1] != '\0') {
      return usage_error("unknown option", a);
    } else if (!o.video) {
      o.video = a;
      seen_capture_option = true;
    } else {
      return usage_error("only one video output, not also", a);
    }
  }

  if (o.script) {
    if (seen_capture_option) return usage_error("--script takes only --raw, --png and --data");
    if (!o.raw) return usage_error("--script needs --raw DIR for the frames");
    return true;
  }
  if (o.png) return usage_error("--png goes with --script (the capture's stills are --frames)");
  if (!o.video && !o.wav && !o.frames && !o.raw) {
    return usage_error("nothing to write: give OUT.mp4, --wav, --frames or --raw");
  }
  if (o.video && !ends_with(o.video, ".mp4") && !ends_with(o.video, ".mkv") && !ends_with(o.video, ".mov")) {
    return usage_error("the video must be named .mp4, .mkv or .mov:", o.video);
  }
  if (seen_to && o.to <= o.from) return usage_error("--to must be later than --from");
  if ((o.every || !o.at.empty()) && !o.frames && !o.raw) {
    return usage_error("--every and --at pick stills for --frames or --raw");
  }
  return true;
}
