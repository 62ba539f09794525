// zapmod entry: the command line (args.cpp), then the subcommand, under the
// tools' shared conventions (tools/common/tool.h).
#include "common/tool.h"
#include "zapmod.h"

namespace {

// The subcommands by zapmod_command (help and version never get here).
constexpr int (*k_run[])(const zapmod_args&) = {nullptr, zapmod_info, zapmod_trace, zapmod_play,
                                                 zapmod_render};

int run(const zapmod_args& args) { return k_run[args.command](args); }

}  // namespace

int main(int argc, char** argv) { return tool_main("zapmod", argc, argv, zapmod_parse_args, run); }
