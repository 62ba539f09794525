// Frame log (see framelog.h). Owns the frames noted and the file they go to;
// reads the position the timeline showed, the sound being heard (music/heard)
// and the player's position.
#include "demo/framelog.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "demo/timeline.h"
#include "music/cool_mzx.h"
#include "music/heard.h"

bool framelog_on = false;

namespace {

struct frame_note {
  int64_t t_us;
  int64_t read_us;
  int32_t shown;
  int32_t mixer;
  int64_t sample;  // -1: not known
  uint32_t handed;
};

std::unique_ptr<frame_note[]> g_notes;
int32_t g_count = 0;
int64_t g_read_us = 0;  // when the running frame step began
int64_t g_dropped = 0;
std::FILE* g_file = nullptr;
const char* g_path = nullptr;

int64_t now_us() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

bool framelog_open() {
  const char* path = std::getenv("ZAP_FRAME_LOG");
  if (path == nullptr || *path == 0 || framelog_on) return true;
  g_file = std::fopen(path, "w");
  if (g_file == nullptr) {
    std::fprintf(stderr, "zapcobbles: ZAP_FRAME_LOG: cannot write %s: %s\n", path, std::strerror(errno));
    return false;
  }
  g_path = path;
  g_notes = std::make_unique<frame_note[]>(FRAMELOG_MAX);
  g_count = 0;
  g_dropped = 0;
  framelog_on = true;
  return true;
}

void framelog_step() {
  if (framelog_on) g_read_us = now_us();
}

void framelog_note() {
  if (!framelog_on) return;
  if (g_count >= FRAMELOG_MAX) {
    g_dropped++;
    return;
  }
  frame_note& n = g_notes[static_cast<size_t>(g_count++)];
  n.t_us = now_us();
  n.read_us = g_read_us;
  n.shown = timeline_pos;
  n.mixer = mzx_position();
  uint32_t sample = 0;
  n.sample = heard_output(&sample) ? int64_t{sample} : -1;
  n.handed = heard_handed();
}

bool framelog_close() {
  if (!framelog_on) return true;
  framelog_on = false;
  std::fprintf(g_file, "# zapcobbles frame log: t_us read_us shown mixer sample handed\nframes %d dropped %lld\n",
               static_cast<int>(g_count), static_cast<long long>(g_dropped));
  for (int32_t i = 0; i < g_count; i++) {
    const frame_note& n = g_notes[static_cast<size_t>(i)];
    std::fprintf(g_file, "%lld %lld %d %d %lld %u\n", static_cast<long long>(n.t_us), static_cast<long long>(n.read_us),
                 static_cast<int>(n.shown), static_cast<int>(n.mixer), static_cast<long long>(n.sample),
                 static_cast<unsigned>(n.handed));
  }
  const bool ok = std::ferror(g_file) == 0;
  const bool closed = std::fclose(g_file) == 0;
  g_file = nullptr;
  g_notes.reset();
  if (!ok || !closed) {
    std::fprintf(stderr, "zapcobbles: ZAP_FRAME_LOG: cannot write %s\n", g_path);
    return false;
  }
  return true;
}
