// Any moment on demand: a script of frame steps, each at a chosen music
// position and tid, from the state the frame loop's start-up leaves (no music
// runs; the position is held where the script puts it). State carries from
// line to line as from frame to frame of the demo: scene slots, prevstep,
// the palette and both frames.
//
// Script: one step per line, "frame POS TID" (whole numbers, 32-bit signed);
// blank lines and lines starting with '#' are skipped. For step N (from 0) it
// writes DIR/NNNNN.frame (the 64000 bytes presented) and DIR/NNNNN.pal (the 256
// palette entries, red, green, blue), with --png DIR/NNNNN.png as well, and
// prints "frame N scene S dest buf|puh stop 0|1".
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/tool.h"
#include "sys/num.h"
#include "zapcapture.h"

namespace {

struct step {
  int32_t pos;
  int32_t tid;
};

// A whole decimal number in int32's range, the entire word.
bool parse_int32(const char* word, int32_t& out) {
  int64_t v = 0;
  if (!num_whole(word, INT32_MIN, INT32_MAX, v)) return false;
  out = static_cast<int32_t>(v);
  return true;
}

// Reads the script; false after one line naming the file, and the line when
// one is wrong.
bool read_script(const char* path, std::vector<step>& steps) {
  const bool from_stdin = !std::strcmp(path, "-");
  std::FILE* f = from_stdin ? stdin : std::fopen(path, "r");
  if (!f) {
    tool_error("%s: %s", path, std::strerror(errno));
    return false;
  }
  char* line = nullptr;
  size_t cap = 0;
  bool ok = true;
  int64_t number = 0;
  errno = 0;
  for (ssize_t len; (len = getline(&line, &cap, f)) >= 0;) {
    number++;
    if (std::strlen(line) != static_cast<size_t>(len)) {
      tool_error("%s:%lld: a NUL byte in the line", path, static_cast<long long>(number));
      ok = false;
      break;
    }
    char* words[4] = {};
    int n = 0;
    for (char* save = nullptr; n < 4; n++) {
      words[n] = strtok_r(n == 0 ? line : nullptr, " \t\r\n\v\f", &save);
      if (!words[n]) break;
    }
    if (n == 0 || words[0][0] == '#') continue;
    step s;
    if (n != 3 || std::strcmp(words[0], "frame") != 0 || !parse_int32(words[1], s.pos) ||
        !parse_int32(words[2], s.tid)) {
      tool_error("%s:%lld: expected 'frame POS TID' (whole numbers, 32-bit)", path,
                   static_cast<long long>(number));
      ok = false;
      break;
    }
    steps.push_back(s);
    errno = 0;
  }
  if (ok && std::ferror(f)) {
    tool_error("%s: cannot read: %s", path, std::strerror(errno ? errno : EIO));
    ok = false;
  }
  std::free(line);
  if (!from_stdin) std::fclose(f);
  return ok;
}

}  // namespace

int script_run(const cap_options& o) {
  std::vector<step> steps;
  if (!read_script(o.script, steps)) return 1;
  if (!session_open(o.data)) return 1;
  session_gentle(o.gentle);
  bool made = false;
  if (!dir_make(o.raw, &made)) {
    session_close();
    return 1;
  }
  uint8_t pal[CAP_PALETTE_BYTES];
  for (size_t n = 0; n < steps.size(); n++) {
    const int scene = session_step_at(steps[n].pos, steps[n].tid);
    const uint8_t* frame = session_frame();
    session_palette(pal);
    const auto k = static_cast<int64_t>(n);
    if (!raw_write(o.raw, k, frame, pal) || (o.png && !still_write(numbered(o.raw, k, ".png"), frame, pal, 1))) {
      session_close();
      dir_unmake(o.raw, made);
      return 1;
    }
    std::printf("frame %zu scene %d dest %s stop %d\n", n, scene, session_frame_is_puh() ? "puh" : "buf",
                static_cast<int>(session_stop()));
  }
  session_close();
  return 0;
}
