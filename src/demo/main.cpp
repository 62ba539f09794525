// Program entry: read the command line, find the data, then the run itself
// (demo_run: start-up, the warning card, the show, again and again with
// --loop, the hand-back to the launcher).
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "demo/datadir.h"
#include "demo/demo.h"
#include "demo/framelog.h"
#include "demo/options.h"
#include "demo/timeline.h"
#include "sys/version.h"

int main(int argc, char** argv) {
  const options_action action = options_parse(argc, argv);
  switch (action) {
    case OPTIONS_HELP:
      std::fputs(options_usage(), stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    case OPTIONS_VERSION:
      zap_print_version("zapcobbles");
      return std::fflush(stdout) == 0 ? 0 : 1;
    case OPTIONS_BAD:
      std::fputs(options_error.c_str(), stderr);
      return options_exit_status(action);
    case OPTIONS_RUN:
      break;
  }

  // Before anything opens: where the data are. A directory given with --data
  // is taken as it is when it has a data/, so that a file missing there is
  // named by the loading.
  static std::string root, looked;
  struct stat st;
  if (opt_data && stat((std::string(opt_data) + "/data").c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    root = opt_data;
  } else if (opt_data) {
    std::fprintf(stderr, "zapcobbles: --data %s: no data/ there; give the directory that holds data/\n", opt_data);
    return 1;
  } else if (!datadir_find(nullptr, root, looked)) {
    std::fprintf(stderr, "zapcobbles: no data directory: looked in %s; give --data DIR\n", looked.c_str());
    return 1;
  }
  assets_root = root.c_str();

  if (!framelog_open()) return 1;
  return demo_run();
}
