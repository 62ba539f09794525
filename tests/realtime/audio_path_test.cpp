// Real-time safety of the audio path: a whole song of the demo's module
// through the audio callback, mix_newhand (player ticks, trigger clocks, the
// tick record and mixing), at both output rates, makes no allocator call and
// takes no lock; nor does a reader of the tick record on another thread.
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
#include "music/heard.h"
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

// The tick record the callback keeps crosses threads: while the callback
// plays the first minute, a reader on another thread (where the frame loop
// reads it) looks up the sample a buffer behind the newest, again and again.
// Every answer is a position the song has reached, none is ahead of the player,
// and neither side calls the allocator or takes a lock.
TEST(AudioPath, TickRecordReadWhileTheCallbackWrites) {
  int32_t size = 0;
  std::vector<uint8_t> module = load_demo_module(size);
  ASSERT_GT(size, 0) << "cannot read " << k_demo_module;
  ASSERT_EQ(mzx_init_offline(44100, 47), 1);
  ASSERT_EQ(mzx_get(module.data(), size), 1) << pt_errorstr;
  const int32_t songlen = pt_songlen;
  std::atomic<bool> done{false};
  std::atomic<int64_t> reads{0}, wrong{0};
  std::atomic<int32_t> first_wrong{0};
  rt_counts reader_counts;
  std::thread reader([&] {
    reader_counts = rt_watch([&] {
      while (!done.load(std::memory_order_acquire)) {
        const int32_t p = heard_position_at(heard_handed() - 2048);
        const int32_t now = mzx_position();
        const bool valid = p == -37 || (p >= 0 && p / 100 < songlen && p % 100 <= 63 && p <= now);
        if (!valid && wrong.fetch_add(1) == 0) first_wrong.store(p);
        reads.fetch_add(1, std::memory_order_relaxed);
      }
    });
  });
  std::vector<uint8_t> buf(2048 * 2);
  rt_counts writer;
  const int64_t calls = int64_t{60} * 44100 / 2048;
  for (int64_t call = 0; call < calls; call++) {
    // Every 16 buffers the reader gets in at least once, however the threads
    // are scheduled, so the two really overlap.
    if (call % 16 == 0) {
      const int64_t r = reads.load();
      while (reads.load() == r) std::this_thread::yield();
    }
    rt_add(writer, rt_watch([&] { mix_newhand(nullptr, buf.data(), static_cast<int>(buf.size())); }));
  }
  done.store(true, std::memory_order_release);
  reader.join();
  EXPECT_GE(reads.load(), calls / 16);
  EXPECT_EQ(wrong.load(), 0) << "first wrong answer: " << first_wrong.load();
  EXPECT_EQ(heard_handed(), static_cast<uint32_t>(calls * 2048));
  EXPECT_EQ(heard_position_at(heard_handed()), mzx_position()) << "the newest tick is the player's position";
  EXPECT_FALSE(writer.any()) << "the callback: " << rt_describe(writer);
  EXPECT_FALSE(reader_counts.any()) << "the reader: " << rt_describe(reader_counts);

  static uint8_t none[1084] = {};
  mzx_get(none, sizeof none);
}

INSTANTIATE_TEST_SUITE_P(BothRates, AudioPath, ::testing::Values(44100, 22050),
                         [](const auto& info) { return "Rate" + std::to_string(info.param); });

}  // namespace
