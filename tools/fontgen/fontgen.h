// fontgen: makes the demo's bitmap font image, "data/fontti.raw", from an
// outline font through FreeType, and renders a preview sheet of it through
// the demo's own text writer. Each subcommand lives in its own file.
#pragma once

inline constexpr const char* FONTGEN_USAGE =
    "usage: fontgen make OUT.raw [--font FILE] [--verbose]\n"
    "       fontgen sheet FONT.raw OUT.png [--scale K]\n"
    "       fontgen SUBCOMMAND --help | fontgen --version\n";
inline constexpr const char* FONTGEN_MAKE_USAGE = "usage: fontgen make OUT.raw [--font FILE] [--verbose]\n";
inline constexpr const char* FONTGEN_SHEET_USAGE = "usage: fontgen sheet FONT.raw OUT.png [--scale K]\n";

// Each takes the arguments after the subcommand name (argv[0] is the first of
// them) and returns the process exit status: 0 done, 1 failed, 2 usage (after
// the message and the subcommand's usage).
int fontgen_make(int argc, char** argv);   // cmd_make.cpp
int fontgen_sheet(int argc, char** argv);  // cmd_sheet.cpp
