// Where the demo's data files are: the directory that holds data/.
//
// Looked for in this order, the first that holds data/da_plim.mod wins:
//   1. the directory given on the command line (--data), and only that one
//      when one is given;
//   2. for an installed program, the installed data directory: first as seen
//      from the program's own directory (an installed tree, or an unpacked
//      release, wherever it lies), then under the prefix it was configured
//      for; for a program run from its build tree, the source tree instead;
//   3. the working directory.
#pragma once

#include <string>

// Finds the data directory. On success root is the directory holding data/
// (with no trailing '/') and the result is true; otherwise looked lists the
// places tried, separated by ", ", for the message that says so.
bool datadir_find(const char* given, std::string& root, std::string& looked);
// The directory of the running program (from /proc/self/exe), "" when unknown.
std::string datadir_program_dir();
// Whether program_dir lies in the build tree build_dir (or is it), both
// taken with their symbolic links resolved: /proc/self/exe names the real
// place, while the build tree may have been configured through a link.
bool datadir_in_build(const std::string& program_dir, const std::string& build_dir);
