// Offline render speed through the demo's callback path (what `zapmod render`
// runs): mix_newhand with 2048-sample buffers, the player ticking 47 times a
// second, main volume 64. Each iteration renders one buffer; the counter
// audio_s_per_s is seconds of audio per second of wall time (real-time
// factor; "1.2k" means 1200 times faster than playback).
//
// BM_Render uses game3.mod in ZAP_MODULE_DIR (Debian's tuxmath-data) when it is
// there, a synthetic four-channel module otherwise (the label says which).
// Medians: bench_music --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "music/cool_mzx.h"
#include "player/pt.h"

namespace {

constexpr int32_t k_buffer_samples = 2048;

// Four channels of looping notes on every eighth row at speed 6: a busy but
// ordinary module for when the real ones are missing. File layout: 20-byte
// title, 31 sample headers of 30 bytes, song length, restart, 128 orders,
// "M.K.", then pattern 0 (64 rows x 4 cells x 4 bytes), then the sample data.
std::vector<uint8_t> synthetic_module() {
  constexpr size_t k_sample_bytes = 8000;
  constexpr int k_samples = 4;
  std::vector<uint8_t> m(1084 + 1024 + k_samples * k_sample_bytes, 0);
  auto put16 = [&](size_t at, int v) {
    m[at] = static_cast<uint8_t>(v >> 8);
    m[at + 1] = static_cast<uint8_t>(v);
  };
  for (int s = 0; s < k_samples; s++) {
    const size_t h = 20 + 30 * s;
    put16(h + 22, k_sample_bytes / 2);  // length in words
    m[h + 25] = 64;                     // volume
    put16(h + 26, 1000);                // loop start, words
    put16(h + 28, 2000);                // loop length, words
  }
  m[950] = 4;  // four order entries, all pattern 0
  m[1080] = 'M', m[1081] = '.', m[1082] = 'K', m[1083] = '.';
  constexpr int k_periods[] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453};
  for (int row = 0; row < 64; row += 8) {
    for (int ch = 0; ch < 4; ch++) {
      const size_t at = 1084 + (row * 4 + ch) * 4;
      const int period = k_periods[(ch * 5 + row / 8) % 12];
      const int sample = ch + 1;
      m[at] = static_cast<uint8_t>((sample & 0xF0) | (period >> 8));
      m[at + 1] = static_cast<uint8_t>(period);
      m[at + 2] = static_cast<uint8_t>((sample & 0x0F) << 4);
    }
  }
  for (size_t i = 0; i < k_samples * k_sample_bytes; i++) m[2108 + i] = static_cast<uint8_t>((i * 3) & 0xFF);
  return m;
}

std::vector<uint8_t> load_module(std::string& label) {
  const std::string path = std::string(ZAP_MODULE_DIR) + "/game3.mod";
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  label = file.empty() ? "synthetic" : "game3.mod";
  return file.empty() ? synthetic_module() : file;
}

void BM_Render(benchmark::State& state) {
  const int32_t rate = static_cast<int32_t>(state.range(0));
  std::string label;
  const std::vector<uint8_t> file = load_module(label);
  std::vector<uint8_t> image(file.size() + 64, 0);  // converted in place; slack after the samples
  std::copy(file.begin(), file.end(), image.begin());
  if (!mzx_init_offline(rate, 47) || !mzx_get(image.data(), static_cast<int32_t>(file.size()))) {
    state.SkipWithError("module not taken");
    return;
  }
  const int bytes = rate == 44100 ? 2 : 1;
  std::vector<uint8_t> buf(static_cast<size_t>(k_buffer_samples) * bytes);
  for (auto _ : state) {
    mix_newhand(nullptr, buf.data(), static_cast<int>(buf.size()));
    benchmark::DoNotOptimize(buf.data());
    benchmark::ClobberMemory();
  }
  state.SetLabel(label);
  state.counters["audio_s_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * k_buffer_samples / rate, benchmark::Counter::kIsRate);
  // The song loops forever, so iterations may run past its end; nothing else
  // needs undoing, and the module image is not used after this point.
  static uint8_t none[1084] = {};
  mzx_get(none, sizeof none);
}
BENCHMARK(BM_Render)->Arg(44100)->Arg(22050)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
