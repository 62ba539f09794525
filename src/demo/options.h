// The demo's command line: how the viewer wants to watch (window or full
// screen, its size, sound or none, where to start, once or over and over) and
// where the data are. Parsing opens nothing, so it is tested on its own.
#pragma once

#include <cstdint>
#include <string>

// What the command line asks for.
enum options_action : int {
  OPTIONS_RUN = 0,      // run the demo
  OPTIONS_HELP = 1,     // print the usage and end with status 0
  OPTIONS_VERSION = 2,  // print the version and end with status 0
  OPTIONS_BAD = 3,      // options_error says what is wrong (standard error); end with status 2
};

// Limits of the values.
inline constexpr int32_t OPTIONS_SCALE_MAX = 8;
inline constexpr int32_t OPTIONS_SCENES = 10;
inline constexpr int32_t OPTIONS_AV_OFFSET_MAX = 500;

extern const char* opt_data;      // --data DIR: the directory holding data/; null when not given
extern bool opt_fullscreen;       // --fullscreen (--window: false, the default)
extern int32_t opt_scale;         // --scale N: window of N x 320x240; 0 when not given
extern bool opt_mute;             // --mute: no sound device, the silent timer runs the music
extern int32_t opt_start;         // --start SCENE: 1..10, 1 when not given
extern bool opt_loop;             // --loop: play the show again when it ends
extern bool opt_gentle;           // --gentle: the gentle show, straight away (no warning card)
extern bool opt_warning;          // the warning card before the first show (--no-warning: false)
// What is wrong with a bad line: "zapcobbles: ..." and the line that points
// to --help, each ending in a newline (for standard error as it stands).
extern std::string options_error;

// Parses the words after the program's name into the opt_ values (every
// value set anew first). --opt=value is the same as --opt value. -h, --help
// and --version win wherever they stand, the first of them deciding; an
// error has the shape of every program's (sys/cli.h).
options_action options_parse(int argc, const char* const* argv);
// The usage text (what --help prints).
const char* options_usage();
// The exit status an action ends the program with (OPTIONS_RUN: none, -1).
int options_exit_status(options_action action);
