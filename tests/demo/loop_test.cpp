// The frame loop run for real under SDL's dummy video driver, with button
// presses injected as SDL events.
#include <gtest/gtest.h>

#include <SDL.h>

#include <unistd.h>

#include <cstring>

#include "demo/demo.h"
#include "demo/gfx.h"
#include "demo/platform.h"
#include "demo/timeline.h"
#include "demo_testutil.h"
#include "gfx/view.h"
#include "music/cool_mzx.h"
#include "sound/sd_main.h"
#include "sound/sd_mix.h"
#include "sys/sdlcall.h"

namespace {

void push_button(int button) {
  SDL_Event ev;
  std::memset(&ev, 0, sizeof ev);
  ev.type = SDL_JOYBUTTONDOWN;
  ev.jbutton.which = 0;
  ev.jbutton.button = static_cast<Uint8>(button);
  ev.jbutton.state = SDL_PRESSED;
  ASSERT_EQ(SDL_PushEvent(&ev), 0) << SDL_GetError();
}

void push_key(SDLKey key) {
  SDL_Event ev;
  std::memset(&ev, 0, sizeof ev);
  ev.type = SDL_KEYDOWN;
  ev.key.state = SDL_PRESSED;
  ev.key.keysym.sym = key;
  ASSERT_EQ(SDL_PushEvent(&ev), 0) << SDL_GetError();
}

void push_quit() {
  SDL_Event ev;
  std::memset(&ev, 0, sizeof ev);
  ev.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&ev), 0) << SDL_GetError();
}

class Loop : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_mixer_path = "/nonexistent/zap-test-mixer";
    assets_root = demo_assets_root().c_str();
    ASSERT_TRUE(demo_startup());
    ASSERT_NE(scr, nullptr);
    stopcount = 0;
  }
  void TearDown() override {
    // The output closed as the program's end closes it, so that later tests
    // in this process drive the frame step by a position they set.
    mzx_close();
    SDL_Quit();
    assets_root = "";
  }

  void set_volume(int32_t l, int32_t r) {
    vol_left = l;
    vol_right = r;
  }
};

TEST_F(Loop, StartUpClearsTheScreenAndStartsAtTheDesktopVolume) {
  EXPECT_FALSE(platform_have_mixer);
  EXPECT_EQ(vol_left, DESKTOP_VOLUME);
  EXPECT_EQ(vol_right, DESKTOP_VOLUME);
  for (int32_t s : scene_start) EXPECT_EQ(s, -1);
  EXPECT_EQ(prevstep, 0);
  const uint8_t* px8 = static_cast<const uint8_t*>(scr->pixels);
  for (int i = 0; i < FRAME_W * SCREEN_H; i++) ASSERT_EQ(px8[i], 0) << "byte " << i;
  EXPECT_EQ(buf[0], 127);
  EXPECT_EQ(buf[FRAME_BYTES - 1], 127);
}

TEST_F(Loop, VolumeButtonsStepByTenAndClamp) {
  struct Case {
    int32_t l, r;
    int button;
    int32_t want_l, want_r;
  } cases[] = {
      {100, 100, BUTTON_VOL_UP, 99, 99}, {100, 100, BUTTON_VOL_DOWN, 90, 90}, {95, 3, BUTTON_VOL_DOWN, 85, 0},
      {0, 0, BUTTON_VOL_UP, 10, 10},     {0, 0, BUTTON_VOL_DOWN, 0, 0},       {42, 17, 0, 42, 17},
  };
  for (const Case& c : cases) {
    set_volume(c.l, c.r);
    const int32_t writes = platform_volume_writes;
    demo_button(c.button);
    EXPECT_EQ(vol_left, c.want_l) << c.l << "/" << c.r << " button " << c.button;
    EXPECT_EQ(vol_right, c.want_r) << c.l << "/" << c.r << " button " << c.button;
    EXPECT_EQ(platform_volume_writes, writes + 1) << "every press writes the volume";
    EXPECT_EQ(platform_last_volume, c.want_l + c.want_r * 256);
  }
}

TEST_F(Loop, EveryPendingEventIsHandledBeforeTheNextFrame) {
  set_volume(10, 10);
  const int32_t writes = platform_volume_writes;
  const int32_t frames = frames_presented;
  push_button(BUTTON_VOL_UP);
  push_button(3);  // acts on nothing, still writes
  push_button(BUTTON_VOL_UP);
  push_button(BUTTON_VOL_DOWN);
  push_button(BUTTON_VOL_UP);
  EXPECT_FALSE(demo_frame());
  EXPECT_EQ(frames_presented, frames + 1);
  EXPECT_EQ(vol_left, 30);
  EXPECT_EQ(vol_right, 30);
  EXPECT_EQ(platform_volume_writes, writes + 5);
}

TEST_F(Loop, AStopPressEndsTheLoopAfterTheNextPresentedFrame) {
  push_button(BUTTON_STOP_A);
  push_button(BUTTON_STOP_B);  // several presses act as one
  push_button(BUTTON_STOP_A);
  const int32_t frames = frames_presented;
  EXPECT_EQ(demo_loop(), 1);
  EXPECT_EQ(frames_presented, frames + 1);
  EXPECT_EQ(stopcount, 3);

  // The frame was presented in rows 20..219; the borders are still 0.
  const uint8_t* px8 = static_cast<const uint8_t*>(scr->pixels);
  for (int y = 0; y < SCREEN_H; y++) {
    for (int x = 0; x < FRAME_W; x++) {
      const uint8_t want = (y >= 20 && y < 220) ? dest[(y - 20) * FRAME_W + x] : 0;
      ASSERT_EQ(px8[y * scr->pitch + x], want) << "pixel " << x << "," << y;
    }
  }
}

TEST_F(Loop, PresentShowsTheChosenFrame) {
  std::memset(puh.data(), 9, FRAME_BYTES);
  dest = puh.data();
  demo_present();
  const uint8_t* px8 = static_cast<const uint8_t*>(scr->pixels);
  EXPECT_EQ(px8[19 * scr->pitch], 0);
  EXPECT_EQ(px8[20 * scr->pitch], 9);
  EXPECT_EQ(px8[219 * scr->pitch + 319], 9);
  EXPECT_EQ(px8[220 * scr->pitch], 0);
}

TEST_F(Loop, TidCountsFromTheTimeBase) {
  ticks0 = SDL_GetTicks() - 1234;
  demo_frame();
  EXPECT_GE(tid, 1234);
  EXPECT_LT(tid, 1234 + 5000);
}

#ifndef ZAP_HANDHELD
TEST_F(Loop, OnTheDesktopFramesAreSpacedToAboutSixtyASecond) {
  // The loop sleeps to each frame's deadline, so five frames span at least
  // four periods of 16.7 ms (less a millisecond each for SDL_Delay's grain).
  const uint32_t t0 = SDL_GetTicks();
  for (int i = 0; i < 5; i++) ASSERT_FALSE(demo_frame());
  EXPECT_GE(SDL_GetTicks() - t0, 4u * PLATFORM_FRAME_US / 1000 - 5);
}

namespace pace_fake {
uint32_t now_ms = 0;
Uint32 ticks() { return now_ms; }
void delay(Uint32 ms) { now_ms += ms; }
}  // namespace pace_fake

// And at most sixty a second: on a clock of its own, where a frame's work
// takes 5 ms, sixty paced frames take one second (each sleep rounds down to
// whole milliseconds, which the next deadline makes up), and a frame that
// runs long (40 ms) gets no sleep and no rush after it.
TEST(Pace, OnTheDesktopSixtyFramesTakeASecondNoMore) {
  auto* const saved_ticks = sdl_getticks;
  auto* const saved_delay = sdl_delay;
  sdl_getticks = pace_fake::ticks;
  sdl_delay = pace_fake::delay;
  pace_fake::now_ms = 50000000;  // far past any deadline left by a real frame: the count starts afresh
  platform_pace();
  const uint32_t t0 = pace_fake::now_ms;
  for (int i = 0; i < 60; i++) {
    pace_fake::now_ms += 5;
    platform_pace();
  }
  const uint32_t second = pace_fake::now_ms - t0;
  pace_fake::now_ms += 40;
  const uint32_t before = pace_fake::now_ms;
  platform_pace();
  const uint32_t after_long = pace_fake::now_ms - before;
  sdl_getticks = saved_ticks;
  sdl_delay = saved_delay;
  EXPECT_GE(second, 60u * PLATFORM_FRAME_US / 1000 - 1);
  EXPECT_LE(second, 60u * PLATFORM_FRAME_US / 1000 + 1);
  EXPECT_EQ(after_long, 0u);
}

TEST_F(Loop, OnTheDesktopKeysAndTheCloseRequestStandForTheButtons) {
  set_volume(50, 50);
  push_key(SDLK_PLUS);
  push_key(SDLK_KP_PLUS);
  push_key(SDLK_MINUS);
  push_key(SDLK_a);  // no button: no write
  EXPECT_FALSE(demo_frame());
  EXPECT_EQ(vol_left, 60);

  push_key(SDLK_ESCAPE);
  EXPECT_TRUE(demo_frame());
  stopcount = 0;
  push_key(SDLK_q);
  EXPECT_TRUE(demo_frame());
  stopcount = 0;
  push_quit();
  EXPECT_TRUE(demo_frame());
}

TEST_F(Loop, WithoutAHardwareMixerTheButtonsSetTheMainVolume) {
  mzx_close();  // the music started with the loop; the test installs the mixer's functions itself
  sd_mix_setfunctions();
  mix_setmainvolume(64);
  set_volume(DESKTOP_VOLUME, DESKTOP_VOLUME);
  demo_button(0);
  EXPECT_EQ(mix_mainvolume, 64);
  demo_button(BUTTON_VOL_UP);
  EXPECT_EQ(mix_mainvolume, platform_mainvolume_for(90, 90));
  EXPECT_GT(mix_mainvolume, 64);
  for (int i = 0; i < 10; i++) demo_button(BUTTON_VOL_DOWN);
  EXPECT_EQ(mix_mainvolume, 0);
}
#else
TEST_F(Loop, OnTheHandheldKeysAndTheCloseRequestAreDiscarded) {
  set_volume(50, 50);
  const int32_t writes = platform_volume_writes;
  push_key(SDLK_ESCAPE);
  push_key(SDLK_PLUS);
  push_quit();
  EXPECT_FALSE(demo_frame());
  EXPECT_EQ(vol_left, 50);
  EXPECT_EQ(platform_volume_writes, writes);
}
#endif

TEST(MainVolume, DesktopLevelsMapOntoTheMixersRange) {
  EXPECT_EQ(platform_mainvolume_for(DESKTOP_VOLUME, DESKTOP_VOLUME), 64);
  EXPECT_EQ(platform_mainvolume_for(0, 0), 0);
  EXPECT_EQ(platform_mainvolume_for(99, 99), 79);
  // Levels past the mixer device's range (a driver's own scale) stop at the
  // mixer's ceiling, not one above it.
  EXPECT_EQ(platform_mainvolume_for(400, 400), 252);
  EXPECT_EQ(platform_mainvolume_for(99, 0), 39);  // mono: the mean level, 49
  int32_t prev = -1;
  for (int level = 0; level <= 99; level += 10) {
    const int32_t m = platform_mainvolume_for(level, level);
    EXPECT_GT(m, prev) << "every step of 10 is audible";
    prev = m;
  }
}

TEST(Exit, ReturnsZeroWhenTheLauncherIsAbsent) {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
  EXPECT_EQ(demo_exit(), 0);
  EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
  ASSERT_EQ(chdir(cwd), 0);
}

}  // namespace
