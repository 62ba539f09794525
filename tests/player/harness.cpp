#include "harness.h"

#include <cstdlib>
#include <utility>

#include "music/cool_mzx.h"
#include "music/mzx_sync.h"
#include "player/pt.h"
#include "sound/sd_mix.h"

namespace {
sd_rec_entry g_record[8192];
std::vector<uint8_t> g_image;
std::vector<rec_call> g_load;
std::string g_load_text;
}  // namespace

std::vector<int64_t> tick_calls::values(int ch, sd_rec_op op) const {
  std::vector<int64_t> out;
  for (const rec_call& c : calls[ch])
    if (c.op == op) out.push_back(c.value);
  return out;
}

int64_t tick_calls::last(int ch, sd_rec_op op) const {
  const std::vector<int64_t> v = values(ch, op);
  return v.empty() ? -1 : v.back();
}

int32_t load_module(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> image = bytes;
  image.resize(bytes.size() + 16, 0);
  return load_image(std::move(image), static_cast<int32_t>(bytes.size()));
}

int32_t load_image(std::vector<uint8_t> image, int32_t size) {
  g_image = std::move(image);
  sd_mix_init(44100);
  sd_rec_install(g_record, 8192);
  std::srand(1);
  pt_songpos = 0;
  pt_rowcount = 0;
  const int32_t ok = pt_takemod(g_image.data(), size);
  g_load.clear();
  g_load_text.clear();
  char line[128];
  for (int32_t i = 0; i < sd_rec_count; i++) {
    g_load.push_back({g_record[i].op, g_record[i].a[0]});
    sd_rec_format(g_record[i], line, sizeof line);
    g_load_text += line;
    g_load_text += '\n';
  }
  sd_rec_clear();
  if (ok) pt_init();
  return ok;
}

int32_t load_module(const mb_module& m) { return load_module(m.build()); }

const std::vector<rec_call>& load_calls() { return g_load; }

const std::string& load_trace() { return g_load_text; }

std::vector<uint8_t>& loaded_image() { return g_image; }

tick_calls play_tick() {
  sd_rec_clear();
  pt_play();
  tick_calls t;
  int ch = -1;
  for (int32_t i = 0; i < sd_rec_count; i++) {
    const sd_rec_entry& e = g_record[i];
    t.total++;
    if (e.op == SD_REC_SELECT) {
      ch = static_cast<int>(e.a[0]);
      t.selects++;
    } else if (ch >= 0 && ch < 32) {
      t.calls[ch].push_back({e.op, e.a[0]});
    }
  }
  sd_rec_clear();
  return t;
}

std::vector<tick_calls> play_ticks(int n) {
  std::vector<tick_calls> out;
  for (int i = 0; i < n; i++) out.push_back(play_tick());
  return out;
}

std::string trace_tick(int64_t k) {
  std::string s = "tick " + std::to_string(k) + "\n";
  sd_rec_clear();
  pt_play();
  update_sample_trig_times();
  char line[128];
  for (int32_t i = 0; i < sd_rec_count; i++) {
    sd_rec_format(g_record[i], line, sizeof line);
    s += line;
    s += '\n';
  }
  sd_rec_clear();
  s += "pos " + std::to_string(mzx_position()) + " " + std::to_string(pt_vbcount) + "\n";
  return s;
}
