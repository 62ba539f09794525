// The flash check of the show (--flashes): the demo run on the simulated
// clock as the capture runs it (frame k at k / fps seconds, the music rendered
// up to each frame's time), every presented frame measured with its palette by
// the flash analysis (flash.h), and the result told per scene.
//
// Each second of the show is given to the scene that was on screen at its
// worst frame (per measure), so every failing second is counted once. The
// exit status says whether any second fails, general or red: 1 when one does,
// 0 when none does.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/outfile.h"
#include "common/tool.h"
#include "demo/demo.h"
#include "demo/scene_looks.h"
#include "flash.h"
#include "zapcapture.h"

namespace {

constexpr int k_scenes = looks::SCENES;
constexpr double k_cap_seconds = 600.0;  // a song that never reaches the stop position
constexpr const char* k_measure_names[FLASH_MEASURES] = {"general", "red"};

// m:ss.mmm
std::string clock_text(int64_t ms) {
  char b[32];
  std::snprintf(b, sizeof b, "%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
  return b;
}

int64_t ms_of(int64_t k, int fps) { return k * 1000 / fps; }

std::string place_text(const flash_state& s, int field) {
  if (field < 0) return "no field";
  const flash_field& f = s.fields[static_cast<size_t>(field)];
  if (f.w == s.w && f.h == s.h) return "the whole picture";
  char b[64];
  std::snprintf(b, sizeof b, "field %dx%d at (%d,%d)", f.w, f.h, f.x, f.y);
  return b;
}

// "80, 82-85": the seconds as runs.
std::string runs_text(const std::vector<int64_t>& v) {
  std::string t;
  for (size_t i = 0; i < v.size();) {
    size_t j = i;
    while (j + 1 < v.size() && v[j + 1] == v[j] + 1) j++;
    if (!t.empty()) t += ", ";
    t += std::to_string(v[i]);
    if (j > i) {
      t += '-';
      t += std::to_string(v[j]);
    }
    i = j + 1;
  }
  return t;
}

// What the run has seen: the analysis, the seconds and the scene of every frame.
struct check {
  flash_state state;
  std::vector<flash_second> seconds;
  std::vector<uint8_t> scene_of;  // per frame from the start
  int64_t k0 = 0, k_last = -1;
  std::array<int64_t, k_scenes + 1> first{}, last{};
};

// The scene a second is given to by a measure: the one at its worst frame.
int scene_of_second(const check& c, const flash_second& s, int m) {
  return c.scene_of[static_cast<size_t>(s.frame[static_cast<size_t>(m)])];
}

// One line of a scene's report for one measure; the failing seconds added to failed.
void report_measure(const check& c, int scene, int m, std::vector<bool>& failed) {
  std::vector<int64_t> fails;
  const flash_second* worst = nullptr;
  for (size_t n = 0; n < c.seconds.size(); n++) {
    const flash_second& s = c.seconds[n];
    if (s.frame[static_cast<size_t>(m)] < 0 || scene_of_second(c, s, m) != scene) continue;
    if (flash_fails(s, m)) {
      fails.push_back(static_cast<int64_t>(n));
      failed[n] = true;
    }
    if (!worst || s.worst[static_cast<size_t>(m)].transitions > worst->worst[static_cast<size_t>(m)].transitions) {
      worst = &s;
    }
  }
  std::printf("  %-8s ", k_measure_names[m]);
  if (fails.empty()) {
    std::printf("no second fails");
  } else {
    std::printf("%zu %s: %s", fails.size(), fails.size() == 1 ? "second fails" : "seconds fail",
                runs_text(fails).c_str());
  }
  const flash_worst w = worst ? worst->worst[static_cast<size_t>(m)] : flash_worst{};
  if (w.transitions == 0) {
    std::printf("; no transition\n");
  } else {
    std::printf("; worst %d %s in the second to %s, %s\n", w.transitions,
                w.transitions == 1 ? "transition" : "transitions",
                clock_text(ms_of(worst->frame[static_cast<size_t>(m)], c.state.fps)).c_str(),
                place_text(c.state, w.field).c_str());
  }
}

// The table of seconds for the plot: second, scene, general, red.
bool write_seconds(const check& c, const char* path, bool gentle) {
  char line[256];
  std::snprintf(line, sizeof line,
                "# zapcapture --flashes%s: per second of the show, the most transitions one field holds\n"
                "# within one second (general and red; more than %d fails) and the scene on screen then\n",
                gentle ? " --gentle" : "", FLASH_LIMIT);
  std::string t = line;
  t += "# second scene general red\n";
  for (size_t n = 0; n < c.seconds.size(); n++) {
    const flash_second& s = c.seconds[n];
    if (s.frame[FLASH_GENERAL] < 0) continue;
    std::snprintf(line, sizeof line, "%zu %d %d %d\n", n, scene_of_second(c, s, FLASH_GENERAL),
                  s.worst[FLASH_GENERAL].transitions, s.worst[FLASH_RED].transitions);
    t += line;
  }
  return out_save(path, t.data(), t.size());
}

}  // namespace

int flash_run(const cap_options& o) {
  check c;
  if (!flash_begin(c.state, FRAME_W, FRAME_H, o.fps)) {
    tool_error("the flash check takes 1..255 frames a second, not %d", o.fps);
    return 1;
  }
  if (!session_open(o.data)) return 1;
  session_gentle(o.gentle);
  if (!session_music(nullptr)) {
    session_close();
    return 1;
  }
  c.k0 = static_cast<int64_t>(std::ceil(o.from * o.fps - 1e-9));
  const int64_t k_end = static_cast<int64_t>(std::ceil((o.to > 0 ? o.to : k_cap_seconds) * o.fps - 1e-9));
  c.first.fill(-1);
  uint8_t pal[CAP_PALETTE_BYTES];
  bool stopped = false;
  for (int64_t k = 0; k < k_end && !stopped; k++) {
    const int64_t ms = ms_of(k, o.fps);
    session_music_until(static_cast<int32_t>(ms));
    const int scene = session_step(static_cast<int32_t>(ms));
    stopped = session_stop() != 0;
    c.scene_of.push_back(static_cast<uint8_t>(scene));
    if (k < c.k0) continue;
    session_palette(pal);
    flash_tally(c.seconds, k, o.fps, flash_frame(c.state, session_frame(), pal));
    if (c.first[static_cast<size_t>(scene)] < 0) c.first[static_cast<size_t>(scene)] = k;
    c.last[static_cast<size_t>(scene)] = k;
    c.k_last = k;
  }
  session_close();
  if (c.k_last < 0) {
    tool_error("no frame to measure: the demo stopped before --from");
    return 1;
  }

  const int fields = static_cast<int>(c.state.fields.size());
  std::printf(
      "zapcapture: flash check of the %s show, frames %lld..%lld at %d a second (%s); %d fields of %dx%d at "
      "steps of half a field, and the whole picture; a second fails with more than %d transitions in one "
      "second of one field\n",
      o.gentle ? "gentle" : "default", static_cast<long long>(c.k0), static_cast<long long>(c.k_last), o.fps,
      clock_text(ms_of(c.k_last + 1 - c.k0, o.fps)).c_str(), fields - 1, FLASH_FIELD_W, FLASH_FIELD_H, FLASH_LIMIT);
  std::array<std::vector<bool>, FLASH_MEASURES> failed;
  for (auto& f : failed) f.assign(c.seconds.size(), false);
  for (int s = 1; s <= k_scenes; s++) {
    if (c.first[static_cast<size_t>(s)] < 0) continue;
    std::printf("scene %2d  %s (%s-%s)\n", s, looks::scene_names[static_cast<size_t>(s - 1)],
                clock_text(ms_of(c.first[static_cast<size_t>(s)], o.fps)).c_str(),
                clock_text(ms_of(c.last[static_cast<size_t>(s)] + 1, o.fps)).c_str());
    for (int m = 0; m < FLASH_MEASURES; m++) report_measure(c, s, m, failed[static_cast<size_t>(m)]);
  }
  int64_t measured = 0, general = 0, red = 0, any = 0;
  for (size_t n = 0; n < c.seconds.size(); n++) {
    if (c.seconds[n].frame[FLASH_GENERAL] < 0) continue;
    measured++;
    general += failed[FLASH_GENERAL][n];
    red += failed[FLASH_RED][n];
    any += failed[FLASH_GENERAL][n] || failed[FLASH_RED][n];
  }
  std::printf("seconds that fail: %lld of %lld (general %lld, red %lld)\n", static_cast<long long>(any),
              static_cast<long long>(measured), static_cast<long long>(general), static_cast<long long>(red));
  if (o.seconds && !write_seconds(c, o.seconds, o.gentle)) return 1;
  return any ? 1 : 0;
}
