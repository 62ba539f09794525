// Watching the show: starting at a scene, playing it again, where it ends,
// and a start that says only the program's own lines.
#include <gtest/gtest.h>

#include <SDL.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "demo/demo.h"
#include "demo/gfx.h"
#include "demo/options.h"
#include "demo/platform.h"
#include "demo/timeline.h"
#include "demo_testutil.h"
#include "music/cool_mzx.h"
#include "music/heard.h"
#include "support/modbuild.h"

namespace {

struct Outcome {
  int status;
  std::string err;
};

// The demo in dir (holding data/), with env's settings and args.
Outcome run_demo(const std::string& dir, const std::string& env, const std::string& args) {
  write_file(dir + "lsan.supp", "leak:libSDL2-2.0.so\n");
  const std::string cmd = "cd '" + dir + "' && env " + env + " LSAN_OPTIONS=suppressions='" + dir +
                          "lsan.supp' timeout 60 '" + ZAP_DEMO_BINARY + "' --data . " + args +
                          " </dev/null >/dev/null 2>'" + dir + "err'";
  const int rc = std::system(cmd.c_str());
  std::string err;
  if (std::FILE* f = std::fopen((dir + "err").c_str(), "rb")) {
    for (int c; (c = std::fgetc(f)) != EOF;) err += static_cast<char>(c);
    std::fclose(f);
  }
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, err};
}

// --start N: the first frame shown is scene N's, at its first position, with
// every scene before it set up on the way (their start times taken) and the
// music going on from there; N = 1 is the ordinary start.
TEST(Watch, StartAtEachScene) {
  setenv("ZAP_TIME_SCALE", "20", 1);
  assets_root = demo_assets_root().c_str();
  for (int scene = 1; scene <= OPTIONS_SCENES; scene++) {
    opt_start = scene;
    ASSERT_TRUE(demo_startup()) << scene;
    ASSERT_FALSE(demo_step()) << scene;
    EXPECT_EQ(timeline_scene, scene);
    const int32_t pos = mzx_position();
    EXPECT_GE(pos, demo_scene_position(scene)) << scene;
    EXPECT_LT(pos, demo_scene_position(scene) + 100) << scene;
    EXPECT_GE(tid, scene == 1 ? 0 : 1000) << scene << ": tid goes on from the unseen run";
    // Slots 0..scene-2 (scene 9 has two) belong to the scenes before.
    const int before = scene <= 9 ? scene - 1 : 10;
    for (int s = 0; s < before; s++) EXPECT_NE(scene_start[s], -1) << "scene " << scene << " slot " << s;
    EXPECT_EQ(scene_start[scene == 10 ? 10 : scene - 1], tid) << scene << ": set up on the first frame shown";
    mzx_close();
    SDL_Quit();
  }
  // In real time the paused sound device renders the way there, and the
  // music goes on from the scene through it.
  unsetenv("ZAP_TIME_SCALE");
  opt_start = 10;
  ASSERT_TRUE(demo_startup());
  ASSERT_FALSE(demo_step());
  EXPECT_EQ(timeline_scene, 10);
  EXPECT_EQ(laite, 2) << "the sound device kept: its first tick after the seek came";
  mzx_close();
  SDL_Quit();
  opt_start = 1;
  assets_root = "";
}

// Played again, the show starts as it did: every scene to be set up again,
// the palette of a new screen, the music at its start.
TEST(Watch, PlayedAgainItStartsAsAtFirst) {
  setenv("ZAP_TIME_SCALE", "1000", 1);
  assets_root = demo_assets_root().c_str();
  ASSERT_TRUE(demo_startup());
  uint8_t first[768];
  gfx_getpalette(first);
  while (!demo_step()) {
  }
  EXPECT_GE(mzx_position(), STOP_POSITION);
  ASSERT_TRUE(demo_restart());
  uint8_t again[768];
  gfx_getpalette(again);
  EXPECT_EQ(std::string(first, first + 768), std::string(again, again + 768));
  for (int32_t s : scene_start) EXPECT_EQ(s, -1);
  EXPECT_EQ(stopcount, 0);
  EXPECT_LE(static_cast<uint32_t>(mzx_position()), 100u);
  ASSERT_FALSE(demo_step());
  EXPECT_EQ(timeline_scene, 1);
  mzx_close();
  SDL_Quit();
  unsetenv("ZAP_TIME_SCALE");
  assets_root = "";
}

// Played again with a sound device, the music starts with the new song's
// first tick at the first sample: no carry of the last show's tick (the
// callback's luku) is mixed before it.
TEST(Watch, PlayedAgainWithASoundDeviceNoCarryComesFirst) {
  unsetenv("ZAP_TIME_SCALE");
  assets_root = demo_assets_root().c_str();
  ASSERT_TRUE(demo_startup());
  if (laite == 0) {
    mzx_close();
    SDL_Quit();
    assets_root = "";
    GTEST_SKIP() << "no sound device opened (the music runs from the silent timer)";
  }
  mzx_close();  // no callback runs now; the last one may leave a carry
  luku = 500;
  ASSERT_TRUE(demo_restart());
  ASSERT_NE(laite, 0);
  uint32_t samples[HEARD_TICKS];
  int32_t positions[HEARD_TICKS];
  ASSERT_GE(heard_recent(samples, positions, HEARD_TICKS), 1);
  EXPECT_EQ(samples[0], 0u) << "the first tick of the show played again";
  EXPECT_EQ(positions[0], 0);
  mzx_close();
  SDL_Quit();
  assets_root = "";
}

// The test data with a song of three orders at speed 1, 4 s long.
std::string short_song_root() {
  const std::string root = make_temp_root();
  write_demo_assets(root);
  mb_module m;
  m.order = {0, 0, 0};
  m.restart = 1;
  m.sample(1, 2000);
  m.cell(0, 0, 0) = {1, mb_period(24), 0xF, 1};  // speed 1: a pattern lasts 64 ticks, 1.4 s
  const std::vector<uint8_t> bytes = m.build();
  write_file(root + "data/da_plim.mod", std::string(bytes.begin(), bytes.end()));
  return root;
}

#ifndef ZAP_HANDHELD
void push_key(SDLKey key, SDLMod mod) {
  SDL_Event ev{};
  ev.type = SDL_KEYDOWN;
  ev.key.state = SDL_PRESSED;
  ev.key.keysym.sym = key;
  ev.key.keysym.mod = mod;
  SDL_PushEvent(&ev);
}

// F11 and Alt+Enter switch full screen, keeping the palette (the screen may
// be a new surface); in full screen Escape returns to the window, and only
// then stops.
TEST(Watch, FullScreenKeys) {
  setenv("ZAP_TIME_SCALE", "20", 1);
  assets_root = demo_assets_root().c_str();
  ASSERT_TRUE(demo_startup());
  ASSERT_FALSE(demo_step());
  uint8_t before[768];
  gfx_getpalette(before);
  const struct {
    SDLKey key;
    SDLMod mod;
    bool full, stop;
  } steps[] = {
      {SDLK_F11, KMOD_NONE, true, false},     {SDLK_F11, KMOD_NONE, false, false},
      {SDLK_RETURN, KMOD_LALT, true, false},  {SDLK_RETURN, KMOD_NONE, true, false},
      {SDLK_ESCAPE, KMOD_NONE, false, false}, {SDLK_ESCAPE, KMOD_NONE, false, true},
  };
  for (const auto& st : steps) {
    push_key(st.key, st.mod);
    EXPECT_EQ(demo_step(), st.stop) << st.key;
    EXPECT_EQ(platform_fullscreen, st.full) << st.key;
    EXPECT_EQ((scr->flags & SDL_FULLSCREEN) != 0, st.full) << st.key;
    uint8_t now[768];
    gfx_getpalette(now);
    EXPECT_EQ(std::string(now + 3, now + 768), std::string(before + 3, before + 768)) << st.key;
  }
  mzx_close();
  SDL_Quit();
  unsetenv("ZAP_TIME_SCALE");
  assets_root = "";
}
#endif

// A song that ends (drops back to its restart position) before the end
// position ends the show there: three orders, in real time for the silent
// timer and faster for the frame loop's own rendering; --start past the
// song's end shows one frame and ends.
TEST(Watch, TheShowEndsWhereTheSongEnds) {
  const std::string root = short_song_root();
  const char* runs[][2] = {
      {"SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ZAP_TIME_SCALE=5", ""},
      {"SDL_VIDEODRIVER=dummy", "--mute"},
      {"SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ZAP_TIME_SCALE=5", "--start 9"},
      {"SDL_VIDEODRIVER=dummy", "--mute --start 4"},
  };
  for (const auto& r : runs) {
    const Outcome got = run_demo(root, r[0], r[1]);
    EXPECT_EQ(got.status, 0) << r[0] << " " << r[1] << ": " << got.err;
    EXPECT_EQ(got.err, "") << r[0] << " " << r[1];
  }
}

// What libraries say by themselves at start-up (ALSA without a sound card,
// SDL without XDG_RUNTIME_DIR) does not reach the terminal; the program's
// own line about the silent music does, alone.
TEST(Watch, AStartWithoutASoundCardSaysOnlyTheProgramsOwnLine) {
  const std::string root = short_song_root();
  const Outcome got = run_demo(root, "-u XDG_RUNTIME_DIR SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=alsa ZAP_TIME_SCALE=1000",
                           "");
  EXPECT_EQ(got.status, 0) << got.err;
  const Outcome live = run_demo(root, "-u XDG_RUNTIME_DIR SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=alsa", "");
  EXPECT_EQ(live.status, 0) << live.err;
  EXPECT_EQ(got.err, "");
  // Without a card the real-time run says so in one line; on a machine with
  // one it says nothing.
  if (!live.err.empty()) {
    EXPECT_EQ(live.err.rfind("zapcobbles: no audio output (", 0), 0u) << live.err;
    EXPECT_EQ(live.err.find('\n'), live.err.size() - 1) << live.err;
  }
}

}  // namespace
