// The demo's command line. Owns the opt_ values and sets the picture's offset
// against the sound (heard_offset_ms); reads only its arguments.
#include "demo/options.h"

#include "music/heard.h"
#include "sys/cli.h"
#include "sys/num.h"

const char* opt_data = nullptr;
bool opt_fullscreen = false;
int32_t opt_scale = 0;
bool opt_mute = false;
int32_t opt_start = 1;
bool opt_loop = false;
bool opt_gentle = false;
bool opt_warning = true;
std::string options_error;

namespace {

constexpr char k_usage[] =
    "Usage: zapcobbles [OPTION]...\n"
    "Plays the Zap Cobbles demo: ten scenes that follow their music.\n"
    "\n"
    "  --data DIR        take the data files from DIR/data/\n"
    "  --fullscreen      start in full screen (F11 or Alt+Enter switches while it runs)\n"
    "  --window          start in a window (the default)\n"
    "  --scale N         a window of N times 320x240, N from 1 to 8 (default 3)\n"
    "  --mute            no sound: the music runs silently on a timer\n"
    "  --start SCENE     begin at scene SCENE, 1 to 10, with the music from there (default 1)\n"
    "  --loop            play the show again from the start when it ends, until stopped\n"
    "  --gentle          the gentle show: the same scenes with their flashing tamed\n"
    "                    (no warning card first)\n"
    "  --no-warning      no warning card before the show (it has flashing lights)\n"
    "  --av-offset MS    show the picture MS milliseconds later (-500 to 500) than the\n"
    "                    sound it belongs to (negative: earlier; default 0)\n"
    "  -h, --help        print this help and end\n"
    "  --version         print the version and end\n"
    "\n"
    "The show has flashing lights. Unless --gentle or --no-warning is given, a card\n"
    "says so first: G starts the gentle show, Enter or Space the show itself, Escape\n"
    "stops; after 6 seconds the show starts by itself.\n"
    "Keys: Escape or Q stops (in full screen Escape first returns to the window),\n"
    "+ and - set the volume, F11 or Alt+Enter switches full screen.\n"
    "Without --data the data are looked for where the program is installed (or, for\n"
    "a program in its build tree, in its source tree), then in the working directory.\n";

enum class kind { flag_on, flag_off, number, text };

struct option_def {
  const char* name;
  kind what;
  void* target;     // bool* for flags, int32_t* for numbers, const char** for text
  int32_t lo, hi;   // allowed numbers
};

const option_def k_options[] = {
    {"--data", kind::text, &opt_data, 0, 0},
    {"--fullscreen", kind::flag_on, &opt_fullscreen, 0, 0},
    {"--window", kind::flag_off, &opt_fullscreen, 0, 0},
    {"--scale", kind::number, &opt_scale, 1, OPTIONS_SCALE_MAX},
    {"--mute", kind::flag_on, &opt_mute, 0, 0},
    {"--start", kind::number, &opt_start, 1, OPTIONS_SCENES},
    {"--loop", kind::flag_on, &opt_loop, 0, 0},
    {"--gentle", kind::flag_on, &opt_gentle, 0, 0},
    {"--no-warning", kind::flag_off, &opt_warning, 0, 0},
    {"--av-offset", kind::number, &heard_offset_ms, -OPTIONS_AV_OFFSET_MAX, OPTIONS_AV_OFFSET_MAX},
};

options_action bad(const std::string& what) {
  options_error = cli_usage_error("zapcobbles", what);
  return OPTIONS_BAD;
}

void reset() {
  opt_data = nullptr;
  opt_fullscreen = false;
  opt_scale = 0;
  opt_mute = false;
  opt_start = 1;
  opt_loop = false;
  opt_gentle = false;
  opt_warning = true;
  heard_offset_ms = 0;
  options_error.clear();
}

// Stores one value; false (with options_error set) when it is not allowed.
// Numbers are read as every tool reads them (sys/num.h).
bool take_value(const option_def& o, const char* value) {
  if (value == nullptr) {
    bad(std::string("missing value after ") + o.name);
    return false;
  }
  if (o.what == kind::text) {
    if (*value == 0) {
      bad(std::string(o.name) + " must name a directory, not ''");
      return false;
    }
    *static_cast<const char**>(o.target) = value;
    return true;
  }
  std::string why;
  if (!num_option(o.name, value, o.lo, o.hi, *static_cast<int32_t*>(o.target), why)) {
    bad(why);
    return false;
  }
  return true;
}

}  // namespace

options_action options_parse(int argc, const char* const* argv) {
  reset();
  // -h, --help and --version win wherever they stand, whatever else the line
  // holds (sys/cli.h); the first of them decides.
  switch (cli_wants(argc, argv, 1)) {
    case CLI_HELP:
      return OPTIONS_HELP;
    case CLI_VERSION:
      return OPTIONS_VERSION;
    case CLI_RUN:
      break;
  }
  for (int i = 1; i < argc; i++) {
    const std::string word = argv[i];
    const size_t eq = word.compare(0, 2, "--") == 0 ? word.find('=') : std::string::npos;
    const std::string name = word.substr(0, eq);
    const char* inline_value = eq == std::string::npos ? nullptr : argv[i] + eq + 1;
    if (name == "--help" || name == "--version") return bad(name + " takes no value");
    const option_def* found = nullptr;
    for (const option_def& o : k_options)
      if (name == o.name) found = &o;
    if (found == nullptr) {
      if (word.empty() || word[0] != '-') return bad("unexpected argument '" + word + "'");
      return bad("unknown option '" + name + "'");
    }
    if (found->what == kind::flag_on || found->what == kind::flag_off) {
      if (inline_value) return bad(name + " takes no value");
      *static_cast<bool*>(found->target) = found->what == kind::flag_on;
      continue;
    }
    const char* value = inline_value;
    if (value == nullptr && i + 1 < argc) value = argv[++i];
    if (!take_value(*found, value)) return OPTIONS_BAD;
  }
  return OPTIONS_RUN;
}

const char* options_usage() { return k_usage; }

int options_exit_status(options_action action) {
  switch (action) {
    case OPTIONS_RUN: return -1;
    case OPTIONS_BAD:
      return CLI_USAGE_STATUS;
    default: return 0;
  }
}
