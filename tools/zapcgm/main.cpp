// zapcgm entry: the command line (args.cpp), then the subcommand, under the
// tools' shared conventions (tools/common/tool.h).
#include "common/tool.h"
#include "zapcgm.h"

cgm_picture* zapcgm_load(const char* path) {
  cgm_picture* pic = cgm_load(path);
  if (!pic) tool_error("%s: %s", path, cgm_errorstr);
  return pic;
}

namespace {

// The subcommands by zapcgm_command (help and version never get here).
constexpr int (*k_run[])(const zapcgm_args&) = {nullptr, zapcgm_info, zapcgm_dump, zapcgm_render};

int run(const zapcgm_args& args) { return k_run[args.command](args); }

}  // namespace

int main(int argc, char** argv) { return tool_main("zapcgm", argc, argv, zapcgm_parse_args, run); }
