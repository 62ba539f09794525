// fontgen: makes the demo's bitmap font image, "data/fontti.raw", from an
// outline font through FreeType, and renders a preview sheet of it through
// the demo's own text writer. Each subcommand lives in its own file.
#pragma once

// Each takes the arguments after the subcommand name (argv[0] is the first of
// them) and returns the process exit status: 0 done, 1 failed, 2 usage.
int fontgen_make(int argc, char** argv);   // cmd_make.cpp
int fontgen_sheet(int argc, char** argv);  // cmd_sheet.cpp
