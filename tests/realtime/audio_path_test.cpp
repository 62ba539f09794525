// Real-time safety of the audio path: a whole song of the demo's module
// through the audio callback, mix_newhand (player ticks, trigger clocks and
// mixing), at both output rates, makes no allocator call and takes no lock.
// First the probe itself is shown to count what it must.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "music/cool_mzx.h"
#include "player/pt.h"
#include "probe.h"
#include "song.h"

namespace {

TEST(Probe, CountsAllocationsAndLocksMadeHereAndInLibraries) {
  std::mutex m;
  SDL_mutex* sdl_mutex = SDL_CreateMutex();
  ASSERT_NE(sdl_mutex, nullptr);
  void* volatile keep = nullptr;
  const struct {
    const char* what;
    std::function<void()> run;
    bool allocates, frees, locks;
  } cases[] = {
      {"nothing", [] {}, false, false, false},
      {"malloc and free", [&] { keep = std::malloc(100); std::free(keep); }, true, true, false},
      {"calloc and realloc", [&] { keep = std::realloc(std::calloc(1, 8), 4000); std::free(keep); }, true, true, false},
      {"new and delete", [&] { keep = new int(1); delete static_cast<int*>(keep); }, true, true, false},
      // The vector's storage escapes, or clang may drop its new/delete pair altogether.
      {"a growing vector", [&] { std::vector<int> v(3); v.resize(100); keep = v.data(); }, true, true, false},
      {"std::mutex", [&] { std::lock_guard<std::mutex> g(m); }, false, false, true},
      {"SDL's mutex (a shared library's lock)", [&] { SDL_LockMutex(sdl_mutex); SDL_UnlockMutex(sdl_mutex); }, false, false, true},
      {"SDL_CreateMutex (a shared library's allocation)", [] { SDL_DestroyMutex(SDL_CreateMutex()); }, true, true, false},
  };
  for (const auto& c : cases) {
    const rt_counts n = rt_watch(c.run);
    EXPECT_EQ(n.allocs > 0, c.allocates) << c.what << ": " << rt_describe(n);
    EXPECT_EQ(n.frees > 0, c.frees) << c.what << ": " << rt_describe(n);
    EXPECT_EQ(n.locks > 0, c.locks) << c.what << ": " << rt_describe(n);
  }
  SDL_DestroyMutex(sdl_mutex);
  // Only the armed thread is counted: another allocates while this one waits.
  std::atomic<int> step{0};
  std::thread other([&] {
    while (step.load() != 1) std::this_thread::yield();
    void* volatile p = new int(1);
    delete static_cast<int*>(p);
    step.store(2);
  });
  rt_arm();
  step.store(1);
  while (step.load() != 2) std::this_thread::yield();
  const rt_counts n = rt_disarm();
  other.join();
  EXPECT_FALSE(n.any()) << rt_describe(n);
}

class AudioPath : public ::testing::TestWithParam<int32_t> {};

TEST_P(AudioPath, WholeSongWithoutAllocatorOrLock) {
  const int32_t rate = GetParam();
  int32_t size = 0;
  std::vector<uint8_t> module = load_demo_module(size);
  ASSERT_GT(size, 0) << "cannot read " << k_demo_module;
  ASSERT_EQ(mzx_init_offline(rate, 47), 1);
  ASSERT_EQ(mzx_get(module.data(), size), 1) << pt_errorstr;
  const int32_t songlen = pt_songlen;

  std::vector<uint8_t> buf(2048 * (rate == 44100 ? 2 : 1));
  rt_counts total;
  int32_t last = mzx_position(), highest = last;
  bool wrapped = false;
  // A song of 128 orders at speed 31 lasts under 45 minutes: a bound, not a target.
  for (int64_t call = 0; !wrapped && call < int64_t{45} * 60 * rate / 2048; call++) {
    rt_add(total, rt_watch([&] { mix_newhand(nullptr, buf.data(), static_cast<int>(buf.size())); }));
    const int32_t p = mzx_position();
    wrapped = p < last;
    highest = std::max(highest, p);
    last = p;
  }
  EXPECT_TRUE(wrapped) << "the song did not come back to its start";
  EXPECT_EQ(highest / 100, songlen - 1) << "not every order was played";
  EXPECT_FALSE(total.any()) << "the audio path called the allocator or a lock: " << rt_describe(total);

  static uint8_t none[1084] = {};
  mzx_get(none, sizeof none);
}

INSTANTIATE_TEST_SUITE_P(BothRates, AudioPath, ::testing::Values(44100, 22050),
                         [](const auto& info) { return "Rate" + std::to_string(info.param); });

}  // namespace
