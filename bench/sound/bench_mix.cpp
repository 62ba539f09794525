// Mixer throughput. BM_MixMono mixes whole blocks as the audio callback does
// (938 samples at 44100 Hz, 16-bit out) for 4, 8, 16 and 32 active channels with
// looping or one-shot samples; per_sample_ch is the time per output sample
// per channel (seconds, shown with an SI prefix: "1.2n" is 1.2 ns).
// BM_PlainMonoLoop runs the plain mono channel loop alone on one channel for
// a fixed 2000 blocks, for instruction counts under callgrind (Release build):
//   valgrind --tool=callgrind --toggle-collect='sd_c_mixmono*' bench_sound --benchmark_filter='BM_PlainMonoLoop/1'
// The instructions counted, divided by 2000 * 938, are those per output sample.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "sound/sd_mix.h"

namespace {

constexpr int32_t kBlock = 938;  // 44100 / 47: one tick slice of the demo
constexpr uint32_t kLength = 60000;

// Sample bytes (plus the two readable bytes after them): a coarse saw wave.
std::array<int8_t, kLength + 2> make_wave() {
  std::array<int8_t, kLength + 2> d{};
  for (size_t i = 0; i < d.size(); i++) d[i] = static_cast<int8_t>((i * 7) & 0xFF);
  return d;
}
const std::array<int8_t, kLength + 2> g_wave = make_wave();
std::array<int16_t, kBlock> g_out;

// Channel c plays the wave at a period between 113 and 856 (steps from 0.09
// to 0.71 bytes per sample at 44100 Hz, about the span of a module's notes).
void set_up_channels(int32_t channels, bool looping) {
  sd_mix_init(44100);
  mix_setmainvolume(64);
  mix_getsample(1, g_wave.data(), kLength, 1000, looping ? 3000 : 0, looping ? 1 : 0);
  for (int32_t c = 0; c < channels; c++) {
    mix_selectchannel(c);
    mix_setsample(1);
    mix_setamigaperiod(113 + (c * 97) % 744);
    mix_setvolume(64 - c);
    mix_setoffset(0);
  }
  mix_setactivechannels(channels);
}

void BM_MixMono(benchmark::State& state) {
  const int32_t channels = static_cast<int32_t>(state.range(0));
  const bool looping = state.range(1) != 0;
  set_up_channels(channels, looping);
  int32_t block = 0;
  for (auto _ : state) {
    // One-shot notes are struck again now and then, as the player would.
    if (!looping && (++block & 63) == 0) {
      for (int32_t c = 0; c < channels; c++) {
        mix_selectchannel(c);
        mix_setoffset(0);
      }
    }
    sd_mix_mono(g_out.data(), kBlock, 1);
    benchmark::DoNotOptimize(g_out.data());
    benchmark::ClobberMemory();
  }
  state.counters["per_sample_ch"] = benchmark::Counter(
      static_cast<double>(kBlock) * channels,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_MixMono)->ArgsProduct({{4, 8, 16, 32}, {1, 0}})->ArgNames({"channels", "looping"});

// The plain mono loop alone on one channel, a fixed number of blocks.
void BM_PlainMonoLoop(benchmark::State& state) {
  const bool looping = state.range(0) != 0;
  set_up_channels(1, looping);
  sd_mix_mono(g_out.data(), 0, 1);  // take the channel over into its working copy
  mix_channel& ch = mix_realchannels[0];
  const uint32_t gain = 129;
  for (auto _ : state) {
    if (!looping && ch.pos > kLength - 2000) {
      ch.pos = 0;
      ch.volume = 64;
    }
    sd_c_mixmono(&ch, mix_buffer32.data(), kBlock, gain);
    benchmark::DoNotOptimize(mix_buffer32.data());
    benchmark::ClobberMemory();
  }
  state.counters["per_sample"] =
      benchmark::Counter(kBlock, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlainMonoLoop)->Arg(1)->Arg(0)->Iterations(2000);

}  // namespace
