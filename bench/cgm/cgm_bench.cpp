// Picture loader and rasteriser benchmarks: loading a 2,000-primitive
// picture, rendering a typical picture at two sizes, single triangles, and a
// frame copy as the floor to compare the rest with.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "cgm/cgm.h"
#include "cgm/cgm_soft.h"
#include "gfx/view.h"

namespace {

uint8_t frame[320 * 256];

// Appends formatted text (GCC 12 warns falsely on chains of string +).
void add(std::string& s, const char* fmt, long a = 0, long b = 0, long c = 0, long d = 0) {
  char buf[128];
  std::snprintf(buf, sizeof buf, fmt, a, b, c, d);
  s += buf;
}

// A picture text of n primitives: star-shaped filled polygons of 6..24
// vertices (outlined, closed), rectangles and open lines, over 30 colours.
std::string make_picture(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::string s = "BEGMF \"bench\";\nBEGPIC \"bench\";\ncolrtable 1";
  for (int k = 0; k < 30; k++) add(s, " %ld %ld %ld", k * 8, 255 - k * 8, 128);
  s += ";\n";
  for (int p = 0; p < n; p++) {
    add(s, "fillcolr %ld;\nlinecolr %ld;\n", 1 + p % 30, 1 + (p * 7) % 30);
    const long cx = static_cast<long>(u(rng) * 2000), cy = static_cast<long>(u(rng) * 1400);
    const long r = 20 + static_cast<long>(u(rng) * 150);
    switch (p % 5) {
      case 0:
        add(s, "rect (%ld,%ld) (%ld,%ld);\n", cx, cy, cx + r, cy + r / 2);
        break;
      case 1:
        s += "line";
        for (long k = 0; k < 6; k++) add(s, " (%ld,%ld)", cx + k * r / 5, cy + (k % 2) * r / 3);
        s += ";\n";
        break;
      default: {
        const int m = 6 + static_cast<int>(u(rng) * 19);
        long fx = 0, fy = 0;
        s += "polygon";
        for (int k = 0; k < m; k++) {
          const double a = (k + 0.1 + 0.8 * u(rng)) * 2 * M_PI / m;
          const double rr = static_cast<double>(r) * (0.4 + 0.6 * u(rng));
          const long x = cx + static_cast<long>(rr * std::cos(a)), y = cy + static_cast<long>(rr * std::sin(a));
          if (k == 0) fx = x, fy = y;
          add(s, " (%ld,%ld)", x, y);
        }
        add(s, " (%ld,%ld);\n", fx, fy);
      }
    }
  }
  s += "ENDPIC;\nENDMF;\n";
  return s;
}

// Writes text to a temporary file and returns its name.
std::string temp_file(const std::string& text) {
  char name[] = "/tmp/zapcgm_bench_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  FILE* f = fdopen(fd, "w");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  return name;
}

void BM_Load2000(benchmark::State& state) {
  const std::string path = temp_file(make_picture(2000, 1));
  int64_t tris = 0;
  for (auto _ : state) {
    cgm_picture* pic = cgm_load(path.c_str());
    if (!pic) state.SkipWithError("load failed");
    for (const cgm_prim* p = pic->prims; p; p = p->next) tris += p->ntri;
    cgm_free(pic);
  }
  benchmark::DoNotOptimize(tris);
  state.counters["gaveup"] = cgm_lastload.gaveup;
  state.counters["tris"] = static_cast<double>(tris) / static_cast<double>(state.iterations());
  std::remove(path.c_str());
}
BENCHMARK(BM_Load2000)->Unit(benchmark::kMillisecond);

// A typical scene picture: 300 primitives, about 5,000 vertices.
void BM_Render(benchmark::State& state) {
  const std::string path = temp_file(make_picture(300, 2));
  cgm_picture* pic = cgm_load(path.c_str());
  std::remove(path.c_str());
  skale = static_cast<int32_t>(state.range(0));
  px = py = 0;
  for (auto _ : state) {
    cgm_render_view(pic, frame);
    benchmark::ClobberMemory();
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  cgm_free(pic);
}
BENCHMARK(BM_Render)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// How the renderer's cost grows: with the number of primitives at full width
// on screen (skale 160 maps the picture's half-extent 65536 to 160 pixels),
// and with the size on screen at 300 primitives (skale 20 to 320: 40 to 640
// pixels wide; above 320 the frame crops it).
void BM_RenderScaling(benchmark::State& state) {
  const int prims = static_cast<int>(state.range(0));
  const std::string path = temp_file(make_picture(prims, 3));
  cgm_picture* pic = cgm_load(path.c_str());
  std::remove(path.c_str());
  skale = static_cast<int32_t>(state.range(1));
  px = py = 0;
  for (auto _ : state) {
    cgm_render_view(pic, frame);
    benchmark::ClobberMemory();
  }
  cgm_free(pic);
}
BENCHMARK(BM_RenderScaling)
    ->ArgsProduct({{100, 300, 1000, 3000}, {160}})
    ->ArgsProduct({{300}, {20, 40, 80, 320}})
    ->ArgNames({"prims", "skale"})
    ->Unit(benchmark::kMicrosecond);

void BM_TriSmall(benchmark::State& state) {
  int32_t v[6] = {600, 380, 612, 392, 596, 396};  // about 4 x 4 pixels
  for (auto _ : state) {
    cgm_tri(frame, v, 3);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TriSmall);

void BM_TriScreen(benchmark::State& state) {
  int32_t v[6] = {-40, -40, 2600, -40, -40, 1600};  // covers the frame's upper-left half and more
  for (auto _ : state) {
    cgm_tri(frame, v, 4);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TriScreen);

// Floor: one copy of the 64000-byte frame.
void BM_FrameCopy(benchmark::State& state) {
  static uint8_t other[64000];
  for (auto _ : state) {
    benchmark::DoNotOptimize(frame);
    std::memcpy(other, frame, sizeof other);
    benchmark::DoNotOptimize(other);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FrameCopy);

}  // namespace
