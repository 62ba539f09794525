// The scene timeline driven from outside the frame loop: the music position is
// stored into the player's published position and tid is set by hand, on the
// data set the tests make (and, for the golden frames, on the shipped data).
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "demo/gfx.h"
#include "demo/scene_looks.h"
#include "demo/timeline.h"
#include "demo_testutil.h"
#include "gfx/view.h"
#include "music/cool_mzx.h"
#include "music/heard.h"
#include "player/pt.h"
#include "support/golden.h"

namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Rgb& c) { return o << "(" << c.r << "," << c.g << "," << c.b << ")"; }
// Entry index of a scene's palette table, as the scene sets it.
template <size_t N>
Rgb entry(const std::array<looks::entry, N>& palette, int index) {
  const looks::rgb c = looks::colour_of(palette, index);
  return {c.r, c.g, c.b};
}

class Timeline : public ::testing::Test {
 protected:
  void SetUp() override { open(demo_assets_root()); }
  void TearDown() override {
    SDL_Quit();
    scr = nullptr;
    assets_root = "";
  }

  // Loads the data under root and opens a fresh screen (a fresh palette).
  void open(const std::string& root) {
    root_ = root;
    assets_root = root_.c_str();
    ASSERT_TRUE(assets_load());
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    scr = SDL_SetVideoMode(FRAME_W, SCREEN_H, 8, 0);
    ASSERT_NE(scr, nullptr) << SDL_GetError();
    demo_reset();
  }

  // One frame step at position pos and time t, as the frame loop runs it.
  static void frame(int32_t pos, int32_t t) {
    pt_position.store(pos);
    tid = t;
    dest = buf.data();
    timeline_frame();
  }
  static Rgb pal(int i) {
    const SDL_Color& c = scr->format->palette->colors[i];
    return {c.r, c.g, c.b};
  }
  static std::string text() { return tst; }
  // Pixels of colour c in rows y0..y1 (both included) of the presented frame.
  static int count(int c, int y0, int y1) {
    int n = 0;
    for (int i = y0 * FRAME_W; i < (y1 + 1) * FRAME_W; i++) n += dest[i] == c;
    return n;
  }

  std::string root_;
};

// The scene slots a scene's first frame fills.
std::vector<int> slots_of(int scene, int32_t pos) {
  if (scene <= 8) return {scene - 1};
  if (scene == 9) return pos >= 2200 ? std::vector<int>{SLOT_CREDITS_A, SLOT_CREDITS_B} : std::vector<int>{SLOT_CREDITS_A};
  return {SLOT_FINALE};
}

TEST_F(Timeline, WindowBoundariesPickOneSceneAndItsFrame) {
  struct Case {
    int32_t pos;
    int scene;
    bool puh;
  } cases[] = {
      {-37, 1, false},  {199, 1, false},  {200, 2, false},  {399, 2, false},  {400, 3, true},   {699, 3, true},
      {700, 4, false},  {899, 4, false},  {900, 5, false},  {1099, 5, false}, {1100, 6, true},  {1499, 6, true},
      {1500, 7, false}, {1799, 7, false}, {1800, 8, false}, {1831, 8, false}, {1832, 8, true},  {2099, 8, true},
      {2100, 9, false}, {2199, 9, false}, {2200, 9, false}, {2299, 9, false}, {2300, 10, false}, {2499, 10, false},
      {2500, 10, false}, {2763, 10, false}, {INT32_MAX, 10, false}, {INT32_MIN, 1, false},
  };
  for (const Case& c : cases) {
    demo_reset();
    frame(c.pos, 4321);
    EXPECT_EQ(timeline_scene, c.scene) << "pos " << c.pos;
    EXPECT_EQ(timeline_scene_of(c.pos), c.scene) << "pos " << c.pos;
    EXPECT_EQ(dest, c.puh ? puh.data() : buf.data()) << "pos " << c.pos;
    EXPECT_EQ(stopcount, c.pos >= STOP_POSITION ? 1 : 0) << "pos " << c.pos;
    const std::vector<int> set = slots_of(c.scene, c.pos);
    for (int s = 0; s < 11; s++) {
      const bool want = std::find(set.begin(), set.end(), s) != set.end();
      EXPECT_EQ(scene_start[s], want ? 4321 : -1) << "pos " << c.pos << " slot " << s;
    }
  }
}

namespace heard_fake {
uint32_t now_us = 0;
uint32_t clock() { return now_us; }
}  // namespace heard_fake

// With a device sounding, a frame shows the position of the sound being
// heard, not the one the mixer has reached: the buffer mixed last began
// playing just now with a tick of position 150 (the title) at its start, and
// the player has since gone on to 250 (the group rings) further into it.
TEST_F(Timeline, AFrameShowsThePositionOfTheSoundHeard) {
  const int32_t saved_laite = laite;
  uint32_t (*const saved_clock)() = heard_clock_us;
  heard_clock_us = heard_fake::clock;
  laite = 2;
  heard_start(1);
  heard_fake::now_us = 1000;
  heard_buffer(44100, 2048);
  pt_position.store(150);
  heard_tick(0);
  pt_position.store(250);
  heard_tick(1876);
  const struct {
    uint32_t us;  // since the buffer began
    int scene;
  } at[] = {{0, 1}, {42000, 1}, {43000, 2}};  // sample 1876 plays 42.5 ms in
  for (const auto& a : at) {
    heard_fake::now_us = 1000 + a.us;
    tid = 100;
    dest = buf.data();
    timeline_frame();
    EXPECT_EQ(timeline_scene, a.scene) << a.us << " us into the buffer";
  }
  heard_start(0);
  laite = saved_laite;
  heard_clock_us = saved_clock;
}

// When the song drops back before the end position, the show stops on the
// frame it showed last (here scene 8's second frame, puh), not on a frame of
// the title that the position now names.
TEST_F(Timeline, AtTheSongsEndTheLastFrameStays) {
  timeline_song_order = 0;
  frame(1840, 5000);
  ASSERT_EQ(dest, puh.data());
  std::vector<uint8_t> last(puh.begin(), puh.begin() + FRAME_BYTES);
  frame(5, 5100);
  EXPECT_EQ(stopcount, 1);
  EXPECT_EQ(dest, puh.data());
  EXPECT_EQ(timeline_scene, 8);
  EXPECT_TRUE(std::equal(last.begin(), last.end(), puh.begin()));
}

TEST_F(Timeline, TheFrameAtTheStopPositionIsPresentedAndEndsTheLoop) {
  frame(2499, 1000);
  EXPECT_EQ(stopcount, 0);
  pt_position.store(2500);
  EXPECT_EQ(demo_loop(), 1);
  EXPECT_EQ(stopcount, 1);
  const uint8_t* screen = static_cast<const uint8_t*>(scr->pixels);
  EXPECT_EQ(std::memcmp(screen + SCREEN_OFFSET, dest, FRAME_BYTES), 0);
}

TEST_F(Timeline, AScenesSetUpRunsOnceAndAReturnResumesIt) {
  frame(200, 1000);
  EXPECT_EQ(pal(1), entry(looks::rings.palette, 1));
  gfx_setcolor(1, 9, 9, 9);
  frame(263, 3000);
  EXPECT_EQ(scene_start[SLOT_RINGS], 1000);
  EXPECT_EQ(pal(1), (Rgb{9, 9, 9})) << "the set-up ran again";

  frame(400, 4000);  // scene 3 sets entry 1 and restarts prevstep
  EXPECT_EQ(pal(1), entry(looks::first_drawing.palette, 1));
  frame(450, 4600);
  EXPECT_EQ(prevstep, 120);
  frame(399, 5000);  // a position back in scene 2's window
  EXPECT_EQ(timeline_scene, 2);
  EXPECT_EQ(scene_start[SLOT_RINGS], 1000);
  EXPECT_EQ(pal(1), entry(looks::first_drawing.palette, 1));
  frame(500, 6000);  // scene 3 resumes: no fill, prevstep kept
  EXPECT_EQ(scene_start[SLOT_DRAWING], 4000);
  EXPECT_EQ(prevstep, 400);
}

TEST_F(Timeline, CreditsWordsFollowTidAndBothHalvesCanStartInOneFrame) {
  frame(2100, 600);
  EXPECT_EQ(curpic, hipcat);
  EXPECT_EQ(pal(255), entry(looks::credits.palette, 255));
  EXPECT_EQ(pal(127), entry(looks::credits.palette, 127));
  const std::pair<int32_t, const char*> first[] = {{600, "vemp"},   {799, "vemp"}, {800, "code"},
                                                   {1000, "grafix"}, {1199, "grafix"}, {1200, "vemp"}};
  for (const auto& [t, word] : first) {
    frame(2150, t);
    EXPECT_EQ(text(), word) << "tid " << t;
  }
  const std::pair<int32_t, const char*> second[] = {{1600, "tib"}, {1799, "tib"}, {1800, "funk"}, {2000, "tib"}};
  for (const auto& [t, word] : second) {
    frame(2200, t);
    EXPECT_EQ(text(), word) << "tid " << t;
  }
  EXPECT_EQ(scene_start[SLOT_CREDITS_A], 600);
  EXPECT_EQ(scene_start[SLOT_CREDITS_B], 1600);
  EXPECT_EQ(curpic, zoomer);

  demo_reset();
  frame(2230, 7000);
  EXPECT_EQ(scene_start[SLOT_CREDITS_A], 7000);
  EXPECT_EQ(scene_start[SLOT_CREDITS_B], 7000);
  EXPECT_EQ(curpic, zoomer);
  EXPECT_EQ(text(), "funk");
  const int32_t w = zoomer->colr[1];
  EXPECT_EQ(pal(1), (Rgb{(w >> 16) & 255, (w >> 8) & 255, w & 255})) << "zoomer's colours win";
}

TEST_F(Timeline, TitleTextsFollowThePosition) {
  // "bongo squad" is centred on row 80 (glyph rows 64..95), "on the floor" on
  // row 120 (104..135); the text colour 126 appears nowhere else.
  struct Case {
    int32_t pos;
    bool bongo, floor;
  } cases[] = {{99, false, false}, {100, true, false}, {131, true, false}, {132, false, true}, {199, false, true}};
  for (const Case& c : cases) {
    frame(c.pos, 2000);
    EXPECT_EQ(count(126, 64, 97) > 0, c.bongo) << "pos " << c.pos;
    EXPECT_EQ(count(126, 104, 137) > 0, c.floor) << "pos " << c.pos;
  }
  EXPECT_EQ(pal(127), entry(looks::title.palette, 127));
  EXPECT_EQ(pal(128), entry(looks::title.palette, 128));
  const int32_t w = ankels->colr[1];
  EXPECT_EQ(pal(129), (Rgb{(((w >> 16) & 255) + 255) >> 1, (((w >> 8) & 255) + 255) >> 1, ((w & 255) + 255) >> 1}));
}

TEST_F(Timeline, TypewritersAndTheBounce) {
  // Scene 4: one more letter of "go'go dudes" every 8 rows, from order 7.
  const std::pair<int32_t, const char*> kaleido[] = {
      {707, ""}, {708, "g"}, {723, "go"}, {763, "go'go d"}, {800, "go'go du"}, {823, "go'go dude"}, {824, "go'go dudes"}, {863, "go'go dudes"}};
  for (const auto& [pos, want] : kaleido) {
    frame(pos, 50000);
    EXPECT_EQ(text(), want) << "pos " << pos;
  }

  // Scene 6: a greeting every 3.6 s, a blank 300 ms, then a letter every 300 ms.
  frame(1100, 100000);
  const std::pair<int32_t, const char*> greet[] = {
      {0, ""},          {300, " "},         {3599, " "}, {3600, ""},  {3900, "t"}, {6600, "tumbleweb"},
      {7200, ""},       {7500, "q"},        {32399, "brixo"}, {32400, ""}, {72000, ""}, {400000, ""}};
  for (const auto& [t, want] : greet) {
    frame(1200, 100000 + t);
    EXPECT_EQ(text(), want) << "t " << t;
  }

  // Scene 7: the damped swing of strutter.
  frame(1500, 200000);
  const std::pair<int32_t, int32_t> bounce[] = {{0, 1000}, {2000, -208}, {5000, 39}, {10000, -32}};
  for (const auto& [t, want] : bounce) {
    frame(1532, 200000 + t);
    EXPECT_EQ(py, want) << "t " << t;
    EXPECT_EQ(px, 320);
    EXPECT_EQ(skale, 120);
  }

  // Scene 7's flash of text, positions 1600..1615 (both included): a frame
  // there differs from the frame one order later (same row, same time) only
  // by it.
  for (const auto& [pos, shown] : std::vector<std::pair<int32_t, bool>>{{1600, true}, {1615, true}, {1616, false}}) {
    frame(pos, 150000);
    const std::vector<uint8_t> with(buf.begin(), buf.begin() + FRAME_BYTES);
    frame(pos + 100, 150000);
    EXPECT_EQ(!std::equal(with.begin(), with.end(), buf.begin()), shown) << "pos " << pos;
  }
}

TEST_F(Timeline, FinaleFadesFromTheBackgroundInFiveSeconds) {
  frame(200, 0);  // scene 2 sets entry 130; the finale must leave shades alone
  const Rgb shade = pal(130);
  const Rgb entry100 = pal(100);
  frame(2300, 10000);
  // Every colour starts as the background, divided by 256, not 255 (with the
  // shipped background (255, 220, 80): (254, 219, 79)).
  const looks::rgb bg = looks::finale.background.colour;
  const auto blend = [](int e, int c, int b) { return (e * c + (255 - e) * b) / 256; };
  for (int k = 1; k <= 99; k++)
    ASSERT_EQ(pal(k), (Rgb{blend(0, 0, bg.r), blend(0, 0, bg.g), blend(0, 0, bg.b)})) << "entry " << k;
  EXPECT_EQ(pal(127), (Rgb{bg.r, bg.g, bg.b}));
  // Colour 1 of the test's bottles is white; e = 127 at 2.5 s, 255 from 5 s.
  frame(2310, 12500);
  EXPECT_EQ(pal(1), (Rgb{blend(127, 255, bg.r), blend(127, 255, bg.g), blend(127, 255, bg.b)}));
  frame(2320, 15000);
  EXPECT_EQ(pal(1), (Rgb{254, 254, 254}));
  frame(2330, 900000);
  EXPECT_EQ(pal(1), (Rgb{254, 254, 254}));
  const int32_t w = bottles->colr[2];
  EXPECT_EQ(pal(2), (Rgb{((w >> 16) & 255) * 255 / 256, ((w >> 8) & 255) * 255 / 256, (w & 255) * 255 / 256}));
  EXPECT_EQ(pal(130), shade);
  EXPECT_EQ(pal(100), entry100);
  EXPECT_EQ(skale, 890000 / 78 + 10);
}

TEST_F(Timeline, ScenesRunWithTimesDrivenBackwards) {
  // A caller may drive tid as it likes: no table read out of bounds, no
  // overflow (the sanitizers watch this).
  for (int32_t pos : {0, 250, 450, 750, 950, 1150, 1550, 1850, 2150, 2250, 2350}) {
    frame(pos, 100000);
    frame(pos, -2000000000);
    frame(pos, 2147483647);
  }
}

// ---- Golden frames -----------------------------------------------------------

uint64_t fnv64(const uint8_t* p, size_t n) {
  uint64_t h = 1469598103934665603ULL;
  for (size_t i = 0; i < n; i++) h = (h ^ p[i]) * 1099511628211ULL;
  return h;
}

// Milliseconds at which the music reaches pos at speed 6 and 47 ticks a second.
int32_t ms_at(int32_t pos) { return (pos / 100) * 8170 + (pos % 100) * 8170 / 64; }

// The scenes in order, as the demo meets them: each scene's first frame, then
// the frame that is recorded. State carries through, as in the demo.
struct Step {
  int32_t pos;
  const char* shot;  // null: not recorded
};
constexpr Step kScript[] = {
    {0, nullptr},     {120, "1"},     {200, nullptr},  {316, "2"},    {400, nullptr},  {505, "3"},
    {700, nullptr},   {812, "4"},     {900, nullptr},  {1040, "5"},   {1100, nullptr}, {1205, "6"},
    {1500, nullptr},  {1604, "7"},    {1800, nullptr}, {1840, "8"},   {2100, nullptr}, {2150, "9a"},
    {2200, nullptr},  {2240, "9b"},   {2300, nullptr}, {2330, "10"},
};

const std::string kGoldenFile = std::string(ZAP_SOURCE_DIR) + "/tests/data/demo/goldens.txt";

std::map<std::string, std::string> read_goldens() {
  std::map<std::string, std::string> g;
  std::ifstream in(kGoldenFile);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ls(line);
    std::string set, shot, rest;
    ls >> set >> shot;
    std::getline(ls, rest);
    g[set + " " + shot] = rest;
  }
  return g;
}

// The frames of every scene, on the test data set and on the shipped data,
// against the hashes in tests/data/demo/goldens.txt, each looked at when it
// was taken. ZAP_UPDATE_GOLDENS=1 (scripts/record-goldens) records them again.
// Recorded frames, and frames that differ, go to PNG files in
// BUILD/golden-frames for a look.
class Golden : public Timeline {
 protected:
  void SetUp() override {}
};

TEST_F(Golden, EveryScenesFrameAndPalette) {
  const bool update = golden_update_requested();
  std::filesystem::create_directories(golden_frames_dir());
  std::map<std::string, std::string> want = read_goldens();
  std::vector<std::pair<std::string, std::string>> sets = {{"test", demo_assets_root()}};
  const std::string shipped = std::string(ZAP_SOURCE_DIR) + "/";
  if (std::FILE* probe = std::fopen((shipped + "data/da_plim.mod").c_str(), "rb")) {
    std::fclose(probe);
    sets.emplace_back("shipped", shipped);
  }
  for (const auto& [set, root] : sets) {
    open(root);
    for (const Step& s : kScript) {
      frame(s.pos, ms_at(s.pos));
      if (!s.shot) continue;
      uint8_t palette[768];
      for (int i = 0; i < 256; i++) {
        const Rgb c = pal(i);
        const int rgb[3] = {c.r, c.g, c.b};
        for (int k = 0; k < 3; k++) palette[3 * i + k] = static_cast<uint8_t>(rgb[k]);
      }
      char line[128];
      std::snprintf(line, sizeof line, " %d %d %016llx %016llx", static_cast<int>(s.pos), static_cast<int>(tid),
                    static_cast<unsigned long long>(fnv64(dest, FRAME_BYTES)),
                    static_cast<unsigned long long>(fnv64(palette, sizeof palette)));
      const std::string key = set + " " + s.shot;
      const std::string png = golden_frames_dir() + "/demo-" + set + "-" + s.shot + ".png";
      if (update || want[key] != line) write_png(png, dest, palette, 2);
      if (update) {
        want[key] = line;
      } else {
        EXPECT_EQ(line, want[key]) << key << ": the frame is in " << png << "; " << golden_hint();
      }
    }
    TearDown();
  }
  if (update) {
    std::ofstream o(kGoldenFile);
    o << "# Golden frames of the demo's scenes: SET SHOT POS TID FRAME-FNV64 PALETTE-FNV64\n"
         "# (tests/demo/timeline_test.cpp; ZAP_UPDATE_GOLDENS=1 records them again)\n";
    for (auto& kv : want) o << kv.first << kv.second << "\n";
    ASSERT_TRUE(o.good()) << kGoldenFile;
  }
}

}  // namespace

namespace {

// An output that opens but never asks for sound (here: the mixer installed
// for offline rendering, which nothing calls) must not hold the start for
// ever: after the wait the music runs from the silent device's timer.
TEST(MusicStart, AnOutputWithoutTicksFallsBackToTheSilentTimer) {
  assets_root = demo_assets_root().c_str();
  ASSERT_TRUE(assets_load());
  ASSERT_TRUE(music_start_load(true));
  EXPECT_EQ(mzx_position(), -37);
  const int32_t wait = music_start_tick_wait_ms;
  music_start_tick_wait_ms = 50;  // the output's wait, kept short here
  music_start_begin();
  EXPECT_EQ(laite, 2);
  while (!music_start_poll()) {
    // Fallen back: the silent timer gets the usual wait, which a loaded
    // machine may need for the timer thread's first call.
    if (laite == 0) music_start_tick_wait_ms = wait;
    SDL_Delay(1);
  }
  music_start_tick_wait_ms = wait;
  EXPECT_EQ(laite, 0);
  EXPECT_LE(static_cast<uint32_t>(mzx_position()), 100u);
  mzx_close();
  SDL_Quit();
  assets_root = "";
}

// Without a device a frame sees the music rendered to the end of the
// DEMO_PUMP_SAMPLES buffer (2048, as SDL is asked for) that holds the sample
// at its time: at m ms that is P = (floor(m * 44.1 / 2048) + 1) * 2048
// samples, ceil(P / 938) ticks at 47 a second, row (ticks - 1) / 6 at the test
// song's speed 6, 64 rows an order. So 100 ms sees row 1 (with 1024-sample
// buffers row 0), 190 ms row 1 (with 4096 row 2), and 8150 ms, 17 ms before
// the second order, already sees it.
TEST(MusicStart, AFrameSeesTheMusicToTheEndOfItsBuffer) {
  assets_root = demo_assets_root().c_str();
  ASSERT_TRUE(assets_load());
  ASSERT_TRUE(music_start_load(true));
  demo_pumped = 0;
  const struct {
    int32_t ms, pos;
  } frames[] = {{0, 0}, {92, 0}, {100, 1}, {190, 1}, {8150, 100}};
  for (const auto& f : frames) {
    demo_music_pump(f.ms);
    EXPECT_EQ(mzx_position(), f.pos) << f.ms << " ms";
  }
  assets_root = "";
}

// Run faster than real time, one frame may span more music than the song
// stands at its end position; the rendering stops there, so the frame sees it.
TEST(MusicStart, RenderingWithoutADeviceStopsAtTheEndPosition) {
  const std::string root = demo_assets_root().substr(0, demo_assets_root().size() - 1);  // no '/' at the end
  assets_root = root.c_str();
  ASSERT_TRUE(assets_load());
  ASSERT_TRUE(music_start_load(true));
  demo_pumped = 0;
  demo_music_pump(0);
  EXPECT_EQ(mzx_position(), 0);
  demo_music_pump(400 * 1000);  // the test song is 212 s long, then starts again
  EXPECT_GE(mzx_position(), STOP_POSITION);
  EXPECT_LT(mzx_position(), STOP_POSITION + 64);
  assets_root = "";
}

}  // namespace
