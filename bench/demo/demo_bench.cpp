// Cost of the frame step of each scene, and of starting the demo up to its
// first presented frame, on the shipped data (or the data under
// ZAP_DATA_ROOT, a directory holding data/).
//
//   bench_demo --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// Instructions per frame: BM_SceneFixed runs exactly 200 frames of a scene in
// bench_frame (after one set-up frame at the scene's start, two for scene 9),
// so under callgrind, collecting only there,
//   valgrind --tool=callgrind --toggle-collect='*bench_frame*' bench_demo --benchmark_filter='BM_SceneFixed/3/'
// the total Ir divided by 200 is the count per frame (the set-up frames
// included, which adds well under 1 %).
//
// Instructions per frame over a whole scene: BM_SceneWalk/N plays scene N's
// window as the demo does at 60 frames a second and, under callgrind, writes
// one dump of every 8th frame (named "scene N"), so
//   valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*bench_frame*'
//     bench_demo --benchmark_filter='BM_SceneWalk/'       (one command line)
// leaves one count per sampled frame in the dump files (scripts/bench takes
// their median per scene). Natively it times the walk.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// The dump requests are no-ops outside valgrind; without valgrind's header
// (scripts/bench installs valgrind) they are left out altogether.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define ZAP_CALLGRIND 1
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(s) (void)(s)
#define ZAP_CALLGRIND 0
#endif

#include "demo/demo.h"
#include "demo/gfx.h"
#include "demo/timeline.h"
#include "gfx/view.h"
#include "music/cool_mzx.h"
#include "player/pt.h"

namespace {

// A representative position of each scene 1..10 (scene 8 in its mosaic half,
// scene 9 in its second half, the texts showing where a scene has one).
constexpr int32_t kShot[11] = {0, 120, 316, 505, 812, 1040, 1205, 1604, 1840, 2240, 2330};
// First position of each scene's window.
constexpr int32_t kStart[11] = {0, 0, 200, 400, 700, 900, 1100, 1500, 1800, 2100, 2300};
// Milliseconds at which the music reaches pos at speed 6 and 47 ticks a second.
int32_t ms_at(int32_t pos) { return (pos / 100) * 8170 + (pos % 100) * 8170 / 64; }

std::string g_root;

bool open_demo(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  const char* r = std::getenv("ZAP_DATA_ROOT");
  g_root = r ? std::string(r) + "/" : std::string(ZAP_SOURCE_DIR) + "/";
  assets_root = g_root.c_str();
  if (!assets_load()) {
    state.SkipWithError("cannot load the data (see stderr)");
    return false;
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0 || !(scr = SDL_SetVideoMode(FRAME_W, SCREEN_H, 8, 0))) {
    state.SkipWithError("no dummy display");
    return false;
  }
  demo_reset();
  return true;
}

void close_demo() {
  SDL_Quit();
  scr = nullptr;
}

__attribute__((noinline)) void bench_frame(int32_t pos, int32_t t) {
  pt_position.store(pos);
  tid = t;
  dest = buf.data();
  timeline_frame();
}

// Frames 16 ms apart from the scene's shot position, as a 60 Hz display
// would see them; the time runs back after 4 s so a scene never leaves its
// range (the drawings then draw nothing for a while, as on a return).
void run_scene(benchmark::State& state) {
  const int scene = static_cast<int>(state.range(0));
  if (!open_demo(state)) return;
  bench_frame(kStart[scene], ms_at(kStart[scene]));
  if (scene == 9) bench_frame(2200, ms_at(2200));
  const int32_t t0 = ms_at(kShot[scene]);
  int32_t step = 0;
  for (auto _ : state) {
    bench_frame(kShot[scene], t0 + 16 * step);
    step = (step + 1) % 250;
    benchmark::DoNotOptimize(dest);
  }
  close_demo();
}

void BM_Scene(benchmark::State& state) { run_scene(state); }
BENCHMARK(BM_Scene)->DenseRange(1, 10);
void BM_SceneFixed(benchmark::State& state) { run_scene(state); }
BENCHMARK(BM_SceneFixed)->DenseRange(1, 10)->Iterations(200);

// Music position at ms milliseconds, the inverse of ms_at: whole orders of
// 8170 ms, then rows of 8170 / 64 ms.
int32_t pos_at(int32_t ms) { return (ms / 8170) * 100 + (ms % 8170) * 64 / 8170; }

// Scene N from the first to the last frame of its window, frame k at
// k * 1000 / 60 ms. The two line-drawing scenes (3 and 6) draw the segments
// due since the previous frame, so every one of their frames runs; the other
// scenes depend only on the position and the time, so only the sampled
// frames run. Every kWalkStride-th frame is sampled.
constexpr int32_t kWalkStride = 8;
void BM_SceneWalk(benchmark::State& state) {
  const int scene = static_cast<int>(state.range(0));
  const int32_t end_pos = scene == 10 ? STOP_POSITION : kStart[scene + 1];
  const bool every = scene == 3 || scene == 6;
  char name[16];
  std::snprintf(name, sizeof name, "scene %d", scene);
  int64_t sampled = 0;
  if (!open_demo(state)) return;
  for (auto _ : state) {
    demo_reset();
    int32_t k = static_cast<int32_t>((int64_t{ms_at(kStart[scene])} * 60 + 999) / 1000);
    for (;; k++) {
      const int32_t t = static_cast<int32_t>(int64_t{k} * 1000 / 60), pos = pos_at(t);
      if (pos >= end_pos) break;
      const bool sample = k % kWalkStride == 0;
      if (!sample && !every) continue;
      if (sample) CALLGRIND_ZERO_STATS;
      bench_frame(pos, t);
      if (sample) {
        CALLGRIND_DUMP_STATS_AT(name);
        sampled++;
      }
    }
  }
  close_demo();
  state.counters["sampled_frames"] = static_cast<double>(sampled) / static_cast<double>(state.iterations());
  state.counters["callgrind_dumps"] = ZAP_CALLGRIND;
}
BENCHMARK(BM_SceneWalk)->DenseRange(1, 10)->Unit(benchmark::kMillisecond)->Iterations(1);

// Start-up to the first presented frame: the data files, SDL, the screen, the
// music (through SDL's dummy audio driver) and its first tick, one frame step
// and the present.
void BM_StartToFirstFrame(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  const char* r = std::getenv("ZAP_DATA_ROOT");
  g_root = r ? std::string(r) + "/" : std::string(ZAP_SOURCE_DIR) + "/";
  assets_root = g_root.c_str();
  for (auto _ : state) {
    if (!demo_startup()) {
      state.SkipWithError("start-up failed (see stderr)");
      break;
    }
    stopcount = 1;  // present the frame and return, without the pacing sleep
    demo_frame();
    state.PauseTiming();
    mzx_close();
    SDL_Quit();
    scr = nullptr;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(10);

// The data files alone.
void BM_LoadAssets(benchmark::State& state) {
  const char* r = std::getenv("ZAP_DATA_ROOT");
  g_root = r ? std::string(r) + "/" : std::string(ZAP_SOURCE_DIR) + "/";
  assets_root = g_root.c_str();
  for (auto _ : state) {
    if (!assets_load()) {
      state.SkipWithError("cannot load the data (see stderr)");
      break;
    }
  }
}
BENCHMARK(BM_LoadAssets)->Unit(benchmark::kMillisecond);

}  // namespace
