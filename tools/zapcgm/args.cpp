// zapcgm's command line: which subcommand, its files and render's options,
// read without acting on any of them, so that the parsing can be checked (and
// fuzzed) apart from the loader, the rasteriser and the files.
#include <cstdint>
#include <cstring>
#include <string>

#include "common/tool.h"
#include "sys/num.h"
#include "zapcgm.h"

namespace {

// The subcommands in the order of zapcgm_command from ZAPCGM_INFO.
constexpr tool_subcommand k_subs[] = {
    {"info",
     "usage: zapcgm info FILE\n"
     "Prints what the demo's loader makes of the picture FILE: its colours, background,\n"
     "primitives, vertices and triangles, and where a fill was given up.\n"},
    {"dump",
     "usage: zapcgm dump FILE\n"
     "Prints the picture FILE as the loader reads it, an item a line: its colours, then each\n"
     "primitive with its vertices and triangles.\n"},
    {"render",
     "usage: zapcgm render FILE OUT.png|OUT.raw [--zoom N] [--px N] [--py N] [--background I] [--scale K]\n"
     "  --zoom N        the scenes' zoom (skale; 100 is the picture's own size), any whole\n"
     "                  32-bit number (default 100); --skale is its old name\n"
     "  --px, --py N    the scenes' offset of the picture's centre in quarter pixels, any\n"
     "                  whole 32-bit number (default 0)\n"
     "  --background I  the frame's index before drawing, 0..255 (default 127)\n"
     "  --scale K       PNG upscale, 1..16 (default 3)\n"},
};

bool ends_with(const char* s, const char* suffix) {
  const size_t a = std::strlen(s), b = std::strlen(suffix);
  return a >= b && !std::strcmp(s + a - b, suffix);
}

// "zapcgm SUB: what" and the line pointing to its --help; always false.
bool usage_error(std::string& message, const char* sub, const std::string& what) {
  message = tool_usage_message((std::string("zapcgm ") + sub).c_str(), what);
  return false;
}

// One option and its value into a; false with why set.
bool parse_option(const char* opt, const char* v, zapcgm_args& a, std::string& why) {
  // --skale is the old name of --zoom, kept for the scripts that use it.
  if (!std::strcmp(opt, "--zoom") || !std::strcmp(opt, "--skale"))
    return num_option(opt, v, INT32_MIN, INT32_MAX, a.skale, why);
  if (!std::strcmp(opt, "--px")) return num_option(opt, v, INT32_MIN, INT32_MAX, a.px, why);
  if (!std::strcmp(opt, "--py")) return num_option(opt, v, INT32_MIN, INT32_MAX, a.py, why);
  if (!std::strcmp(opt, "--background")) return num_option(opt, v, 0, 255, a.background, why);
  if (!std::strcmp(opt, "--scale")) return num_option(opt, v, 1, ZAPCGM_MAX_SCALE, a.scale, why);
  why = std::string("unknown option '") + opt + "'";
  return false;
}

// FILE OUT [--option value]...: the options come in pairs after the files.
bool parse_render(int argc, char** argv, zapcgm_args& a, std::string& message) {
  const auto fail = [&](const std::string& what) { return usage_error(message, "render", what); };
  if (argc < 2) return fail("FILE and OUT are needed");
  a.in = argv[0];
  a.out = argv[1];
  a.png = ends_with(a.out, ".png");
  if (!a.png && !ends_with(a.out, ".raw")) return fail(std::string(a.out) + ": output must end in .png or .raw");
  for (int i = 2; i < argc; i += 2) {
    if (i + 1 >= argc) return fail(std::string("missing value after ") + argv[i]);
    std::string why;
    if (!parse_option(argv[i], argv[i + 1], a, why)) return fail(why);
  }
  return true;
}

}  // namespace

bool zapcgm_parse_args(int argc, char** argv, zapcgm_args& args, std::string& message) {
  args = zapcgm_args{};
  const int sub = tool_pick(argc, argv, "zapcgm", k_subs, 3, ZAPCGM_USAGE, args.help, args.version, message);
  if (sub == 2) {
    args.command = ZAPCGM_RENDER;
    return parse_render(argc - 2, argv + 2, args, message);
  }
  if (sub < 0) return message.empty();
  args.command = sub == 0 ? ZAPCGM_INFO : ZAPCGM_DUMP;
  const char* what = argc < 3 ? "FILE is needed" : "too many arguments";
  if (argc != 3) return usage_error(message, argv[1], what);
  args.in = argv[2];
  return true;
}
