// modcompose: composes the demo's module from a text score.
//
//   modcompose SCORE OUT.mod
//
// Reads the score (format at the top of data/music/da_plim.score), synthesises
// every instrument's sample and writes the module. Exit status 0 when written,
// 1 on a score, synthesis or write error (one line on standard error, and no
// partial output left behind), 2 on bad arguments.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "args.h"
#include "modwrite.h"
#include "score.h"
#include "synth.h"

namespace {

// Closes the file when the scope ends, for the early returns.
struct file_closer {
  FILE* f;
  ~file_closer() {
    if (f) std::fclose(f);
  }
};

bool read_text(const char* path, std::string& text) {
  FILE* f = std::fopen(path, "rb");
  if (!f) {
    std::fprintf(stderr, "modcompose: %s: %s\n", path, std::strerror(errno));
    return false;
  }
  file_closer closer{f};
  char chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, got);
  if (std::ferror(f)) {
    std::fprintf(stderr, "modcompose: %s: read error\n", path);
    return false;
  }
  return true;
}

// Removes what was written of path, but never anything that is not a plain
// file (a device given as the output).
void remove_partial(const char* path) {
  struct stat st;
  if (stat(path, &st) == 0 && S_ISREG(st.st_mode)) std::remove(path);
}

bool write_bytes(const char* path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path, "wb");
  if (!f) {
    std::fprintf(stderr, "modcompose: %s: %s\n", path, std::strerror(errno));
    return false;
  }
  errno = 0;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fflush(f) == 0 && ok;
  const int err = errno ? errno : EIO;
  ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "modcompose: %s: write error: %s\n", path, std::strerror(errno ? errno : err));
    remove_partial(path);
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  modcompose_args args;
  std::string message;
  if (!modcompose_parse_args(argc, argv, args, message)) {
    std::fputs(message.c_str(), stderr);
    return 2;
  }
  if (args.help) {
    std::fputs(MODCOMPOSE_USAGE, stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  std::string text;
  if (!read_text(args.score, text)) return 1;
  score_song song;
  std::string error;
  if (!score_read(text, args.score, song, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::vector<synth_sample> samples;
  for (const score_instrument& ins : song.instruments) samples.push_back(synth_render(ins));
  std::vector<uint8_t> bytes;
  if (!modwrite(song, samples, bytes, error)) {
    std::fprintf(stderr, "modcompose: %s: %s\n", args.out, error.c_str());
    return 1;
  }
  return write_bytes(args.out, bytes) ? 0 : 1;
}
