// Cost of each effect per 320x200 frame, and a plain 64000-byte copy of a
// frame as the floor the post-processing effects are measured against.
//
//   bench_effects --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
//
// Instruction counts: run one benchmark under callgrind, collecting only
// inside the effect, e.g.
//   valgrind --tool=callgrind --toggle-collect='rings(*' bench_effects --benchmark_filter=Rings
// and divide by the call count that callgrind_annotate --tree=caller shows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "effects/dots.h"
#include "effects/drawing.h"
#include "effects/kaleido.h"
#include "effects/mosaic.h"
#include "effects/rings.h"
#include "effects/staraz.h"
#include "effects/writeri.h"

namespace {

constexpr int W = 320, H = 200, FRAME = W * H, ROWS = 256;

std::vector<uint8_t> noise_frame(uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> f(W * ROWS);
  for (auto& b : f) b = static_cast<uint8_t>(rng() % 100 + 1);
  return f;
}

void BM_FrameCopy(benchmark::State& state) {
  const std::vector<uint8_t> src = noise_frame(1);
  std::vector<uint8_t> dst(W * ROWS);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), FRAME);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FrameCopy);

// The timeline's three calls: thickness and mode as args.
void BM_Rings(benchmark::State& state) {
  rings_init();
  const int w = static_cast<int>(state.range(0)), mode = static_cast<int>(state.range(1));
  std::vector<uint8_t> f(W * ROWS, 1);
  int t = 0;
  for (auto _ : state) {
    rings(f.data(), t, w, mode, 2);
    t += 20;  // one 50 fps frame; the shapes change every call
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Rings)->Args({18, 1})->Args({28, 1})->Args({23, 2});

void BM_Mosaic(benchmark::State& state) {
  mosaic_init(32);
  const std::vector<uint8_t> src = noise_frame(2);
  std::vector<uint8_t> dst(W * ROWS);
  for (auto _ : state) {
    mosaic(src.data(), dst.data());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Mosaic);

void BM_Kaleido(benchmark::State& state) {
  std::vector<uint8_t> f = noise_frame(3);
  for (auto _ : state) {
    kaleido(f.data(), W, H);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Kaleido);

void BM_Dots(benchmark::State& state) {
  dots_init();
  std::vector<uint8_t> f(W * ROWS, 1);
  int t = 0;
  for (auto _ : state) {
    dots(f.data(), (t / 64) % 5 + (t & 128), 2, 100 + t % 50);  // cycle patterns and forms
    t++;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Dots);

void BM_Writeri10(benchmark::State& state) {
  std::mt19937 rng(4);
  for (auto& v : fnt) {
    const uint32_t r = rng() % 3;
    v = r == 0 ? 0 : r == 1 ? 255 : 40;
  }
  std::vector<uint8_t> f(W * ROWS, 127);
  int tid = 0;
  for (auto _ : state) {
    writeri(f.data(), 160, 100, "foxy lady!", 1, tid, 126);
    tid += 20;
    benchmark::ClobberMemory();
  }
  std::memset(fnt, 0, sizeof fnt);
}
BENCHMARK(BM_Writeri10);

// A star of `points` spikes as one filled primitive (a triangle fan) with a
// 2-pixel outline, over a filled background disc of 24 triangles.
struct StarPicture {
  std::vector<int32_t> tri, vert, disc;
  cgm_prim back{}, star{};
  cgm_picture pic{};
  StarPicture(int points, int colour) {
    constexpr double pi = 3.14159265358979323846;
    const int n = 2 * points;
    for (int i = 0; i <= n; i++) {
      const double r = (i % 2 == 0) ? 65536 : 26000, ang = 2 * pi * i / n;
      vert.push_back(static_cast<int32_t>(r * std::cos(ang)));
      vert.push_back(static_cast<int32_t>(r * std::sin(ang)));
    }
    for (int i = 0; i < n; i++) tri.insert(tri.end(), {0, 0, vert[2 * i], vert[2 * i + 1], vert[2 * i + 2], vert[2 * i + 3]});
    for (int i = 0; i < 24; i++) {
      const double a0 = 2 * pi * i / 24, a1 = 2 * pi * (i + 1) / 24;
      disc.insert(disc.end(), {0, 0, static_cast<int32_t>(30000 * std::cos(a0)), static_cast<int32_t>(30000 * std::sin(a0)),
                               static_cast<int32_t>(30000 * std::cos(a1)), static_cast<int32_t>(30000 * std::sin(a1))});
    }
    back = {2, 1, colour + 1, colour + 1, 24, 0, nullptr, disc.data(), &star};
    star = {3, 2, colour, colour + 2, n, n + 1, vert.data(), tri.data(), nullptr};
    pic.ncolr = colour + 2;
    pic.prims = &back;
  }
};

void BM_Staraz(benchmark::State& state) {
  StarPicture p1(5, 1), p2(8, 10);
  c1 = &p1.pic;
  c2 = &p2.pic;
  std::vector<uint8_t> f(W * ROWS, 127);
  int t = 0;
  for (auto _ : state) {
    staraz(f.data(), t);
    t += 10;
    benchmark::ClobberMemory();
  }
  c1 = c2 = nullptr;
}
BENCHMARK(BM_Staraz);

// One stroke of `segments` segments wandering over the frame, drawn whole
// every iteration (the demo draws a few new segments per frame; this is the
// cost of a few hundred).
void BM_Drawing(benchmark::State& state) {
  const int segments = static_cast<int>(state.range(0));
  std::vector<int16_t> xy;
  std::mt19937 rng(5);
  int x = 640, y = 400;
  for (int i = 0; i <= segments; i++) {
    xy.push_back(static_cast<int16_t>(x));
    xy.push_back(static_cast<int16_t>(y));
    x = std::clamp(x + static_cast<int>(rng() % 61) - 30, 0, 1279);
    y = std::clamp(y + static_cast<int>(rng() % 61) - 30, 0, 799);
  }
  static drawing_rec d;
  d.nstrokes = 1;
  d.strokes[0] = {segments + 1, xy.data()};
  std::vector<uint8_t> f(W * ROWS, 1);
  for (auto _ : state) {
    drawing(f.data(), &d, 0, segments - 1, 2);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * segments);
}
BENCHMARK(BM_Drawing)->Arg(300);

}  // namespace
