// Real-time safety of the frame loop: the demo started as the program starts
// it (the shipped data, the dummy display, ZAP_TIME_SCALE's silent music, so
// the step also renders the music through the audio callback), then every
// frame of the whole show as demo_step runs it, on a clock that advances 100 ms
// a frame. The frame's own work (demo_draw: the music and the scene) and its
// copy to the screen (demo_blit) may not call the allocator or take a lock,
// from the first scene to the frame that sets the stop. The SDL calls around
// them, event polling and the flip, are the platform's: SDL 2 locks its event
// queue and sdl12-compat allocates while it presents, which no demo code
// can change.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>

#include "demo/demo.h"
#include "demo/platform.h"
#include "demo/timeline.h"
#include "music/cool_mzx.h"
#include "probe.h"

namespace {

uint32_t g_now = 0;
Uint32 fake_clock() { return g_now; }

TEST(FrameStep, WholeShowWithoutAllocatorOrLock) {
  setenv("ZAP_TIME_SCALE", "1", 1);
  platform_mixer_path = "/nonexistent/zap-test-mixer";
  demo_clock = fake_clock;
  ASSERT_TRUE(demo_startup());
  unsetenv("ZAP_TIME_SCALE");

  rt_counts total;
  int32_t frames = 0, first_bad = -1, scenes_seen = 0;
  bool stopped = false;
  // 204 s of song at 10 frames a second; the bound is twice that.
  while (!stopped && frames < 4000) {
    g_now += 100;
    demo_poll_events();
    const rt_counts n = rt_watch([] {
      demo_draw();
      demo_blit();
    });
    demo_present();
    stopped = stopcount != 0;
    if (n.any() && first_bad < 0) first_bad = frames;
    rt_add(total, n);
    scenes_seen |= 1 << timeline_scene;
    frames++;
  }
  EXPECT_TRUE(stopped) << "the show did not reach its end in " << frames << " frames";
  EXPECT_GE(mzx_position(), STOP_POSITION);
  EXPECT_EQ(scenes_seen, 0x7FE) << "not every scene 1..10 ran";
  EXPECT_FALSE(total.any()) << "frame " << first_bad << " of " << frames
                            << " called the allocator or a lock: " << rt_describe(total);
  SDL_Quit();
  demo_clock = SDL_GetTicks;
  demo_time_scale = 0;
}

}  // namespace
