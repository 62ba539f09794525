// modcompose: composes the demo's module from a text score.
//
//   modcompose SCORE OUT.mod
//
// Reads the score (format at the top of data/music/da_plim.score), synthesises
// every instrument's sample and writes the module. Exit status 0 when written,
// 1 on a score, synthesis or write error (one line on standard error, and no
// partial output left behind), 2 on bad arguments.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "args.h"
#include "common/outfile.h"
#include "common/tool.h"
#include "modwrite.h"
#include "score.h"
#include "synth.h"

namespace {

bool read_text(const char* path, std::string& text) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path, "rb"), &std::fclose);
  if (!f) {
    tool_error("%s: %s", path, std::strerror(errno));
    return false;
  }
  char chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) text.append(chunk, got);
  if (std::ferror(f.get())) {
    tool_error("%s: read error", path);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  tool_begin("modcompose");
  modcompose_args args;
  std::string message;
  if (!modcompose_parse_args(argc, argv, args, message)) return tool_usage_exit(message);
  if (args.help) return tool_help(MODCOMPOSE_USAGE);
  if (args.version) return tool_version();
  std::string text;
  if (!read_text(args.score, text)) return 1;
  score_song song;
  std::string error;
  if (!score_read(text, args.score, song, error)) {
    tool_error("%s", error.c_str());
    return 1;
  }
  std::vector<synth_sample> samples;
  for (const score_instrument& ins : song.instruments) samples.push_back(synth_render(ins));
  std::vector<uint8_t> bytes;
  if (!modwrite(song, samples, bytes, error)) {
    tool_error("%s: %s", args.out, error.c_str());
    return 1;
  }
  return tool_finish(out_save(args.out, bytes.data(), bytes.size()) ? 0 : 1);
}
