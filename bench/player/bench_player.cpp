// Player tick rate: pt_play calls per second with the silent device installed,
// so every channel operation lands in the mixer's records as in the demo (but
// nothing is mixed). The demo needs 47 ticks per second; the ratio to that is
// the headroom the player leaves the mixer on the audio thread.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "player/pt.h"
#include "sound/sd_ns.h"

namespace {

std::vector<uint8_t> g_image;

// The demo's way: the file in a 1,000,000-byte zeroed buffer.
bool load_file(const std::string& path) {
  g_image.assign(1000000, 0);
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  const size_t n = std::fread(g_image.data(), 1, g_image.size(), f);
  std::fclose(f);
  sd_ns_init();
  if (!pt_takemod(g_image.data(), static_cast<int32_t>(n))) return false;
  pt_init();
  return true;
}

void put_cell(std::vector<uint8_t>& m, int channels, int pattern, int row, int ch, int sample, int period,
              int effect, int param) {
  uint8_t* c = m.data() + 1084 + (pattern * 64 * channels + row * channels + ch) * 4;
  c[0] = static_cast<uint8_t>((sample & 0xF0) | ((period >> 8) & 0x0F));
  c[1] = static_cast<uint8_t>(period & 0xFF);
  c[2] = static_cast<uint8_t>(((sample & 0x0F) << 4) | effect);
  c[3] = static_cast<uint8_t>(param);
}

// A busy module: a note on every channel every other row and a running effect
// (arpeggio, slides, tone portamento, vibrato, tremolo, volume slide) on every
// row, so that every tick does work on every channel.
void load_synthetic(int channels) {
  const char* id = channels == 8 ? "8CHN" : "M.K.";
  const int patterns = 4;
  const int sample_bytes = 8000;
  std::vector<uint8_t> m(1084 + patterns * channels * 256 + 4 * sample_bytes, 0);
  for (int s = 1; s <= 4; s++) {
    uint8_t* h = m.data() + 20 + 30 * (s - 1);
    h[22] = static_cast<uint8_t>((sample_bytes / 2) >> 8);
    h[23] = static_cast<uint8_t>((sample_bytes / 2) & 0xFF);
    h[24] = static_cast<uint8_t>(s * 3 & 15);
    h[25] = 48;
    h[29] = 1;
  }
  m[950] = patterns;
  for (int i = 0; i < patterns; i++) m[952 + i] = static_cast<uint8_t>(i);
  for (int i = 0; i < 4; i++) m[1080 + i] = static_cast<uint8_t>(id[i]);
  const int effects[][2] = {{0x0, 0x37}, {0x1, 0x02}, {0x2, 0x02}, {0x3, 0x08},
                            {0x4, 0x46}, {0x7, 0x48}, {0xA, 0x21}, {0x6, 0x01}};
  const int periods[] = {856, 640, 428, 320, 214, 160};
  for (int p = 0; p < patterns; p++)
    for (int r = 0; r < 64; r++)
      for (int c = 0; c < channels; c++) {
        const int* e = effects[(r + c + p) % 8];
        const bool note = (r + c) % 2 == 0 && e[0] != 0x3;
        put_cell(m, channels, p, r, c, note ? 1 + (c + r) % 4 : 0, note || e[0] == 0x3 ? periods[(r * 7 + c) % 6] : 0,
                 e[0], e[1]);
      }
  for (size_t i = 1084 + patterns * channels * 256; i < m.size(); i++) m[i] = static_cast<uint8_t>(i * 7);
  g_image = m;
  g_image.resize(g_image.size() + 16, 0);
  sd_ns_init();
  pt_takemod(g_image.data(), static_cast<int32_t>(m.size()));
  pt_init();
}

void run_ticks(benchmark::State& state) {
  for (auto _ : state) {
    pt_play();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["ticks_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Tick_Game3(benchmark::State& state) {
  if (!load_file(std::string(ZAP_MODULE_DIR) + "/game3.mod")) {
    state.SkipWithError("game3.mod not available");
    return;
  }
  run_ticks(state);
}

void BM_Tick_Synthetic4(benchmark::State& state) {
  load_synthetic(4);
  run_ticks(state);
}

void BM_Tick_Synthetic8(benchmark::State& state) {
  load_synthetic(8);
  run_ticks(state);
}

}  // namespace

BENCHMARK(BM_Tick_Game3);
BENCHMARK(BM_Tick_Synthetic4);
BENCHMARK(BM_Tick_Synthetic8);
