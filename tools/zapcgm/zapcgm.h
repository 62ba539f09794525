// zapcgm: a command-line tool for people who draw and debug the demo's
// pictures, built on the demo's own loader and rasteriser. Each subcommand
// lives in its own file.
#pragma once

#include <cstdint>
#include <string>

#include "cgm/cgm.h"

inline constexpr const char* ZAPCGM_USAGE =
    "usage: zapcgm info FILE\n"
    "       zapcgm dump FILE\n"
    "       zapcgm render FILE OUT.png|OUT.raw [--zoom N] [--px N] [--py N] [--background I] [--scale K]\n"
    "       zapcgm SUBCOMMAND --help | zapcgm --version\n";
inline constexpr int32_t ZAPCGM_MAX_SCALE = 16;  // render --scale: PNG upscale 1..16

// What a command line asks for.
enum zapcgm_command : int32_t { ZAPCGM_HELP, ZAPCGM_INFO, ZAPCGM_DUMP, ZAPCGM_RENDER };

// A parsed command line, with render's defaults where the line gives no
// value. The texts point into argv.
struct zapcgm_args {
  zapcgm_command command = ZAPCGM_HELP;
  const char* help = nullptr;  // the usage asked for (the tool's or a subcommand's); command HELP
  bool version = false;        // --version; command HELP
  const char* in = nullptr;   // FILE
  const char* out = nullptr;  // render: OUT.png or OUT.raw
  bool png = false;           // render: OUT ends in .png (else .raw)
  int32_t skale = 100;        // render: --zoom (the scenes' skale), px and py (any 32-bit value)
  int32_t px = 0;
  int32_t py = 0;
  int32_t background = 127;  // render: the frame's index before drawing, 0..255
  int32_t scale = 3;         // render: PNG upscale, 1..ZAPCGM_MAX_SCALE
};

// Parses the whole command line (argv[0] is the program) without acting on
// it. True with args set; false with message = the text for standard error
// (ending with the subcommand's usage), for which the exit status is 2.
bool zapcgm_parse_args(int argc, char** argv, zapcgm_args& args, std::string& message);  // args.cpp

// Each runs a parsed command line and returns the process exit status: 0
// done, 1 failed.
int zapcgm_info(const zapcgm_args& args);    // cmd_text.cpp
int zapcgm_dump(const zapcgm_args& args);    // cmd_text.cpp
int zapcgm_render(const zapcgm_args& args);  // cmd_render.cpp

// Loads a picture; on failure prints "zapcgm SUB: FILE: reason" on standard error
// and returns null.
cgm_picture* zapcgm_load(const char* path);
