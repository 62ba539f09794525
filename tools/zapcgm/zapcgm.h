// zapcgm: a command-line tool for people who draw and debug the demo's
// pictures, built on the demo's own loader and rasteriser. Each subcommand
// lives in its own file.
#pragma once

#include "cgm/cgm.h"

// Each takes the arguments after the subcommand name (argv[0] is the first of
// them) and returns the process exit status: 0 done, 1 failed, 2 usage.
int zapcgm_info(int argc, char** argv);    // cmd_text.cpp
int zapcgm_dump(int argc, char** argv);    // cmd_text.cpp
int zapcgm_render(int argc, char** argv);  // cmd_render.cpp

// Loads a picture; on failure prints "zapcgm: FILE: reason" on standard error
// and returns null.
cgm_picture* zapcgm_load(const char* path);
