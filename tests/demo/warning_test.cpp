// The warning card: which event chooses what, what the card draws, that the
// show after it starts as it would without it, and the program's run with
// the card (once, before the first show only) driven headless under SDL's
// dummy drivers with events pushed into SDL's queue.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "demo/framelog.h"
#include "demo/gfx.h"
#include "demo/options.h"
#include "demo/platform.h"
#include "demo/scenes.h"
#include "demo/timeline.h"
#include "demo/warning.h"
#include "demo_testutil.h"
#include "gfx/view.h"
#include "music/cool_mzx.h"

namespace {

#ifdef ZAP_HANDHELD
constexpr bool k_handheld = true;
#else
constexpr bool k_handheld = false;
#endif

SDL_Event key_event(SDLKey key, int mod = 0) {
  SDL_Event ev;
  std::memset(&ev, 0, sizeof ev);
  ev.type = SDL_KEYDOWN;
  ev.key.state = SDL_PRESSED;
  ev.key.keysym.sym = key;
  ev.key.keysym.mod = static_cast<SDLMod>(mod);
  return ev;
}

SDL_Event button_event(int button) {
  SDL_Event ev;
  std::memset(&ev, 0, sizeof ev);
  ev.type = SDL_JOYBUTTONDOWN;
  ev.jbutton.button = static_cast<Uint8>(button);
  ev.jbutton.state = SDL_PRESSED;
  return ev;
}

SDL_Event quit_event() {
  SDL_Event ev;
  std::memset(&ev, 0, sizeof ev);
  ev.type = SDL_QUIT;
  return ev;
}

TEST(WarningCard, EachEventChoosesWhatTheCardSays) {
  struct Case {
    const char* what;
    SDL_Event ev;
    warning_choice desktop, handheld;
  };
  const Case cases[] = {
      {"G", key_event(SDLK_g), WARNING_GENTLE, WARNING_WAIT},
      {"Enter", key_event(SDLK_RETURN), WARNING_SHOW, WARNING_WAIT},
      {"keypad Enter", key_event(SDLK_KP_ENTER), WARNING_SHOW, WARNING_WAIT},
      {"Space", key_event(SDLK_SPACE), WARNING_SHOW, WARNING_WAIT},
      {"Escape", key_event(SDLK_ESCAPE), WARNING_STOP, WARNING_WAIT},
      {"Q", key_event(SDLK_q), WARNING_STOP, WARNING_WAIT},
      {"the window's close request", quit_event(), WARNING_STOP, WARNING_WAIT},
      {"Alt+Enter (full screen)", key_event(SDLK_RETURN, KMOD_LALT), WARNING_WAIT, WARNING_WAIT},
      {"F11 (full screen)", key_event(SDLK_F11), WARNING_WAIT, WARNING_WAIT},
      {"+ (volume)", key_event(SDLK_PLUS), WARNING_WAIT, WARNING_WAIT},
      {"another key", key_event(SDLK_x), WARNING_WAIT, WARNING_WAIT},
      {"pad button 0", button_event(0), WARNING_SHOW, WARNING_SHOW},
      {"pad stop button 13", button_event(BUTTON_STOP_A), WARNING_SHOW, WARNING_SHOW},
      {"pad button 8", button_event(8), WARNING_SHOW, WARNING_SHOW},
      {"pad volume up", button_event(BUTTON_VOL_UP), WARNING_WAIT, WARNING_WAIT},
      {"pad volume down", button_event(BUTTON_VOL_DOWN), WARNING_WAIT, WARNING_WAIT},
  };
  platform_fullscreen = false;
  for (const Case& c : cases) {
    EXPECT_EQ(warning_choice_of(c.ev), k_handheld ? c.handheld : c.desktop) << c.what;
  }
}

// Pixels of the picture in each palette index.
std::vector<int> histogram(const uint8_t* frame) {
  std::vector<int> n(256, 0);
  for (int i = 0; i < FRAME_BYTES; i++) n[frame[i]]++;
  return n;
}

TEST(WarningCard, DrawsItsTextsAndACountdownInItsOwnInks) {
  static std::array<uint8_t, FRAME_ALLOC> frame;
  struct Case {
    int32_t t;
    int bar;  // bar pixels in each of its rows
  } cases[] = {
      {-50, WARNING_BAR_W},
      {0, WARNING_BAR_W},
      {1500, WARNING_BAR_W * 3 / 4},
      {3000, WARNING_BAR_W / 2},
      {WARNING_TIMEOUT_MS - 1, 0},
      {WARNING_TIMEOUT_MS, 0},
      {60000, 0},
  };
  for (const Case& c : cases) {
    frame.fill(77);
    warning_draw(frame.data(), c.t);
    // Only the picture is written: the slack rows below it keep their bytes.
    for (int i = FRAME_BYTES; i < FRAME_ALLOC; i++) ASSERT_EQ(frame[i], 77) << "slack byte " << i << " t " << c.t;
    const std::vector<int> n = histogram(frame.data());
    const int inks[] = {WARNING_PAPER, WARNING_INK_ALERT, WARNING_INK_KEY, WARNING_INK_TEXT, WARNING_INK_BAR};
    int known = 0;
    for (int k : inks) known += n[k] + n[k | 0x80];
    EXPECT_EQ(known, FRAME_BYTES) << "every pixel in one of the card's inks or their outlines, t " << c.t;
    EXPECT_GT(n[WARNING_INK_ALERT], 500) << "the warning is written, t " << c.t;
    EXPECT_GT(n[WARNING_INK_KEY], 100) << "the keys are written, t " << c.t;
    EXPECT_GT(n[WARNING_PAPER], FRAME_BYTES / 2) << "mostly ground, t " << c.t;
    // The bar: centred, its rows alike, nothing of it elsewhere.
    EXPECT_EQ(n[WARNING_INK_BAR], c.bar * WARNING_BAR_H) << "t " << c.t;
    if (c.bar > 0) {
      const int x0 = WARNING_BAR_X + (WARNING_BAR_W - c.bar) / 2;
      for (int y = WARNING_BAR_Y; y < WARNING_BAR_Y + WARNING_BAR_H; y++) {
        EXPECT_EQ(frame[y * FRAME_W + x0], WARNING_INK_BAR) << "t " << c.t;
        EXPECT_EQ(frame[y * FRAME_W + x0 + c.bar - 1], WARNING_INK_BAR) << "t " << c.t;
        EXPECT_NE(frame[y * FRAME_W + x0 - 1], WARNING_INK_BAR) << "t " << c.t;
      }
    }
  }
}

// A clock for the card that moves on by a fixed step at every reading.
uint32_t g_fake_ms = 0;
uint32_t g_fake_step = 0;
Uint32 fake_clock() { return g_fake_ms += g_fake_step; }

class Card : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_mixer_path = "/nonexistent/zap-test-mixer";
    assets_root = demo_assets_root().c_str();
    unsetenv("ZAP_TIME_SCALE");
    options_parse(1, std::vector<const char*>{"zapcobbles"}.data());
    scene_gentle = false;
    demo_user_stop = false;
    ASSERT_TRUE(demo_open());
    ASSERT_NE(scr, nullptr);
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
    }
  }
  void TearDown() override {
    demo_clock = demo_ticks;
    mzx_close();
    SDL_Quit();
    assets_root = "";
    // The show the other tests look at is the default one.
    scene_gentle = false;
    demo_user_stop = false;
    options_parse(1, std::vector<const char*>{"zapcobbles"}.data());
  }
};

TEST_F(Card, AChoiceOrTheTimeoutEndsItAndLeavesTheShowAsWithoutIt) {
  struct Case {
    const char* what;
    std::vector<SDL_Event> events;
    warning_choice desktop, handheld;
    bool early_desktop, early_handheld;  // the card ends on its first frame (else at the timeout)
  };
  const Case cases[] = {
      {"G", {key_event(SDLK_g)}, WARNING_GENTLE, WARNING_SHOW, true, false},
      {"Enter", {key_event(SDLK_RETURN)}, WARNING_SHOW, WARNING_SHOW, true, false},
      {"Space", {key_event(SDLK_SPACE)}, WARNING_SHOW, WARNING_SHOW, true, false},
      {"Escape", {key_event(SDLK_ESCAPE)}, WARNING_STOP, WARNING_SHOW, true, false},
      {"a pad button", {button_event(2)}, WARNING_SHOW, WARNING_SHOW, true, true},
      {"nothing: the timeout", {}, WARNING_SHOW, WARNING_SHOW, false, false},
      {"volume up, then nothing", {button_event(BUTTON_VOL_UP)}, WARNING_SHOW, WARNING_SHOW, false, false},
  };
  // The clock moves 250 ms a reading: the card starts at the first, and its
  // nth frame is at n x 250 ms, so the 24th is the one at the timeout.
  const int timeout_frames = WARNING_TIMEOUT_MS / 250;
  // A palette of the show's own, which the card must give back.
  uint8_t before[768];
  for (int i = 0; i < 768; i++) before[i] = static_cast<uint8_t>(i * 7 + 3);
  for (const Case& c : cases) {
    gfx_setpalette(0, PALETTE_SIZE, before);
    scene_gentle = false;
    demo_user_stop = false;
    for (int32_t& s : scene_start) s = 5;
    g_fake_ms = 1000;
    g_fake_step = 250;
    demo_clock = fake_clock;
    vol_left = vol_right = 50;
    for (SDL_Event ev : c.events) ASSERT_EQ(SDL_PushEvent(&ev), 0);
    const int32_t frames = frames_presented;
    const int32_t shown = warning_shown;
    const warning_choice want = k_handheld ? c.handheld : c.desktop;
    EXPECT_EQ(warning_run(), want) << c.what;
    EXPECT_EQ(warning_shown, shown + 1) << c.what;
    EXPECT_EQ(frames_presented - frames, (k_handheld ? c.early_handheld : c.early_desktop) ? 1 : timeout_frames)
        << c.what;
    if (c.events.size() == 1 && c.events[0].type == SDL_JOYBUTTONDOWN && c.events[0].jbutton.button == BUTTON_VOL_UP) {
      EXPECT_EQ(vol_left, 60) << "the volume button sets the volume on the card too";
    }
    EXPECT_EQ(scene_gentle, want == WARNING_GENTLE) << c.what;
    EXPECT_EQ(demo_user_stop, want == WARNING_STOP) << c.what;
    // Afterwards: the palette as before, the scene state and frame as at start-up.
    uint8_t after[768];
    gfx_getpalette(after);
    EXPECT_EQ(std::memcmp(before, after, sizeof after), 0) << c.what;
    for (int32_t s : scene_start) EXPECT_EQ(s, -1) << c.what;
    EXPECT_EQ(dest, buf.data()) << c.what;
    const std::vector<int> n = histogram(buf.data());
    EXPECT_EQ(n[127], FRAME_BYTES) << c.what;
  }
}

TEST_F(Card, TheEventsAfterTheChoiceAreLeftForTheShow) {
  g_fake_ms = 0;
  g_fake_step = 16;
  demo_clock = fake_clock;
  SDL_Event first = button_event(4), then = button_event(BUTTON_STOP_B);
  ASSERT_EQ(SDL_PushEvent(&first), 0);
  ASSERT_EQ(SDL_PushEvent(&then), 0);
  EXPECT_EQ(warning_run(), WARNING_SHOW);
  SDL_Event ev;
  ASSERT_EQ(SDL_PollEvent(&ev), 1);
  EXPECT_EQ(ev.type, SDL_JOYBUTTONDOWN);
  EXPECT_EQ(ev.jbutton.button, BUTTON_STOP_B);
}

// The whole run as the program makes it (demo_run), at 1000 times real time
// so that a show passes in a fifth of a second. A clock that presses a stop
// button once demo_shows has reached the given count ends it.
int32_t g_stop_in_show = 0;
Uint32 stopping_clock() {
  if (g_stop_in_show > 0 && demo_shows >= g_stop_in_show) {
    SDL_Event ev = button_event(BUTTON_STOP_A);
    SDL_PushEvent(&ev);
    g_stop_in_show = 0;
  }
  return SDL_GetTicks();
}

TEST(WarningRun, TheCardComesOnceBeforeTheFirstShowOnly) {
  struct Case {
    const char* args;
    std::vector<SDL_Event> events;  // waiting when the run starts
    int32_t stop_in_show;           // 0: none, the song's end ends it
    int cards;
    int shows;
    bool gentle;
  };
  const Case cases[] = {
      {"", {}, 0, 1, 1, false},
      {"--no-warning", {}, 0, 0, 1, false},
      {"--gentle", {}, 0, 0, 1, true},
      {"--gentle --no-warning", {}, 0, 0, 1, true},
      {"--loop", {}, 3, 1, 3, false},
      {"--loop --gentle", {}, 2, 0, 2, true},
      {"--loop --no-warning", {}, 2, 0, 2, false},
      {"--loop", {button_event(1)}, 2, 1, 2, false},
      {"--loop", {key_event(SDLK_g)}, 2, 1, 2, !k_handheld},
      {"--loop", {key_event(SDLK_ESCAPE)}, k_handheld ? 1 : 0, 1, k_handheld ? 1 : 0, false},
  };
  platform_mixer_path = "/nonexistent/zap-test-mixer";
  assets_root = demo_assets_root().c_str();
  setenv("ZAP_TIME_SCALE", "1000", 1);
  for (const Case& c : cases) {
    std::vector<std::string> words{"zapcobbles"};
    std::vector<const char*> argv{"zapcobbles"};
    for (const char* p = c.args; *p;) {
      const char* e = std::strchr(p, ' ');
      words.emplace_back(p, e ? static_cast<size_t>(e - p) : std::strlen(p));
      p = e ? e + 1 : p + std::strlen(p);
    }
    for (size_t i = 1; i < words.size(); i++) argv.push_back(words[i].c_str());
    ASSERT_EQ(options_parse(static_cast<int>(argv.size()), argv.data()), OPTIONS_RUN) << c.args;
    scene_gentle = false;
    demo_user_stop = false;
    const int32_t cards = warning_shown, shows = demo_shows;
    g_stop_in_show = c.stop_in_show > 0 ? shows + c.stop_in_show : 0;
    // The events wait in SDL's queue from the moment it opens: the card's first
    // look at them finds them there.
    static std::vector<SDL_Event> pending;
    pending = c.events;
    // demo_run opens SDL itself; the events go in once it has (its first clock reading).
    static bool pushed;
    pushed = false;
    demo_clock = [] {
      if (!pushed) {
        pushed = true;
        for (SDL_Event ev : pending) SDL_PushEvent(&ev);
      }
      return stopping_clock();
    };
    EXPECT_EQ(demo_run(), 0) << c.args;
    EXPECT_EQ(warning_shown - cards, c.cards) << c.args;
    EXPECT_EQ(demo_shows - shows, c.shows) << c.args;
    EXPECT_EQ(scene_gentle, c.gentle) << c.args;
    demo_clock = demo_ticks;
    mzx_close();
  }
  unsetenv("ZAP_TIME_SCALE");
  scene_gentle = false;
  demo_user_stop = false;
  assets_root = "";
  options_parse(1, std::vector<const char*>{"zapcobbles"}.data());
}

// The frame log (ZAP_FRAME_LOG) is of the show: the card's frames, which come
// before the music has started, are not in it.
TEST(WarningRun, TheFrameLogHoldsTheShowOnly) {
  platform_mixer_path = "/nonexistent/zap-test-mixer";
  assets_root = demo_assets_root().c_str();
  const std::string log = make_temp_root() + "frames.log";
  setenv("ZAP_TIME_SCALE", "1000", 1);
  setenv("ZAP_FRAME_LOG", log.c_str(), 1);
  options_parse(1, std::vector<const char*>{"zapcobbles"}.data());
  const int32_t cards = warning_shown;
  // 1 ms a reading at 1000 times: the card's 6 s are its first 6 frames.
  g_fake_ms = 0;
  g_fake_step = 1;
  demo_clock = fake_clock;
  const int32_t presented = frames_presented;
  ASSERT_TRUE(framelog_open());
  EXPECT_EQ(demo_run(), 0);
  const int32_t shown = frames_presented - presented;
  demo_clock = demo_ticks;
  mzx_close();
  unsetenv("ZAP_FRAME_LOG");
  unsetenv("ZAP_TIME_SCALE");
  assets_root = "";
  EXPECT_EQ(warning_shown, cards + 1);
  std::ifstream in(log);
  std::string line;
  int frames = 0, before_music = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line.rfind("frames ", 0) == 0) continue;
    std::istringstream f(line);
    long long t_us, read_us, shown;
    ASSERT_TRUE(f >> t_us >> read_us >> shown) << line;
    frames++;
    if (shown < 0) before_music++;
  }
  EXPECT_EQ(frames, shown - WARNING_TIMEOUT_MS / 1000) << "every frame of the show and none of the card's";
  EXPECT_EQ(before_music, 0) << "frames from before the music are in the log";
}

}  // namespace
