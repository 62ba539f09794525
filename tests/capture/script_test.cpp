// zapcapture's chosen moments against the demo's own frame loop: the same
// positions and times through `zapcapture --script` and through demo_frame()
// (its clock replaced, the position stored where the player publishes it)
// must give the same presented frames, palettes, scenes and stops, byte for
// byte. The moments cross every scene, carry state from step to step (a
// drawing that grows, a scene resumed, a palette changed mid-scene) and end
// with the stop.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "demo/gfx.h"
#include "demo/timeline.h"
#include "gfx/view.h"
#include "player/pt.h"

namespace {

struct Moment {
  int32_t pos, tid;
};

const Moment kMoments[] = {
    {0, 0},           {40, 700},        {131, 2200},      {132, 2300},      {200, 16000},     {216, 16500},
    {400, 33000},     {450, 34000},     {470, 34200},     {700, 57000},     {830, 66000},     {900, 73000},
    {1100, 90000},    {1200, 95000},    {1500, 122000},   {1604, 124000},   {1800, 147000},   {1831, 148000},
    {1832, 148100},   {150, 149000},    {1840, 149500},   {2100, 171000},   {2200, 180000},   {2300, 188000},
    {2350, 190500},   {2500, 204000},
};

uint32_t g_now = 0;
Uint32 fake_clock() { return g_now; }

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

char name_buf[32];
const char* numbered(size_t n, const char* suffix) {
  std::snprintf(name_buf, sizeof name_buf, "%05zu%s", n, suffix);
  return name_buf;
}

TEST(CaptureScript, ChosenMomentsAreTheFrameLoopsFramesByteForByte) {
  char tmpl[] = "/tmp/zap-capture-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = std::string(tmpl) + "/";
  {
    std::ofstream s(dir + "moments.txt");
    s << "# every scene, in the demo's order, with a return to the title\n";
    for (const Moment& m : kMoments) s << "frame " << m.pos << " " << m.tid << "\n\n";
  }
  std::ofstream(dir + "lsan.supp") << "leak:libSDL2-2.0.so\n";
  const std::string cmd = "LSAN_OPTIONS=print_suppressions=0:suppressions='" + dir + "lsan.supp' '" +
                          ZAP_CAPTURE_COMMAND + "' --script '" + dir + "moments.txt' --raw '" + dir + "raw' --data '" +
                          ZAP_SOURCE_DIR + "' >'" + dir + "out.txt' 2>'" + dir + "err.txt'";
  const int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << cmd << "\n" << slurp(dir + "err.txt");
  EXPECT_EQ(slurp(dir + "err.txt"), "");
  std::istringstream lines(slurp(dir + "out.txt"));

  // The frame loop's start-up on the same data, without the music.
  assets_root = ZAP_SOURCE_DIR;
  ASSERT_TRUE(assets_load());
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
  scr = SDL_SetVideoMode(FRAME_W, SCREEN_H, 8, 0);
  ASSERT_NE(scr, nullptr) << SDL_GetError();
  ASSERT_EQ(scr->pitch, FRAME_W);
  std::memset(scr->pixels, 0, static_cast<size_t>(FRAME_W * SCREEN_H));
  demo_reset();
  demo_time_scale = 0;
  demo_clock = fake_clock;
  ticks0 = 0;

  for (size_t n = 0; n < std::size(kMoments); n++) {
    pt_position.store(kMoments[n].pos);
    g_now = static_cast<uint32_t>(kMoments[n].tid);
    const bool end = demo_frame();
    ASSERT_EQ(tid, kMoments[n].tid);
    const std::string at = "step " + std::to_string(n) + " (pos " + std::to_string(kMoments[n].pos) + ")";

    const std::string frame = slurp(dir + "raw/" + numbered(n, ".frame"));
    ASSERT_EQ(frame.size(), static_cast<size_t>(FRAME_BYTES)) << at;
    EXPECT_EQ(std::memcmp(frame.data(), static_cast<const uint8_t*>(scr->pixels) + SCREEN_OFFSET, FRAME_BYTES), 0)
        << at << ": the frame differs from the one presented";

    const std::string pal = slurp(dir + "raw/" + numbered(n, ".pal"));
    ASSERT_EQ(pal.size(), 768u) << at;
    for (int i = 0; i < 256; i++) {
      const SDL_Color& c = scr->format->palette->colors[i];
      const uint8_t want[3] = {c.r, c.g, c.b};
      ASSERT_EQ(std::memcmp(pal.data() + 3 * i, want, 3), 0) << at << ": palette entry " << i;
    }

    std::string line;
    ASSERT_TRUE(std::getline(lines, line)) << at << ": no output line";
    const std::string want = "frame " + std::to_string(n) + " scene " + std::to_string(timeline_scene) + " dest " +
                             (dest == puh.data() ? "puh" : "buf") + " stop " + std::to_string(stopcount);
    EXPECT_EQ(line, want) << at;
    EXPECT_EQ(end, n + 1 == std::size(kMoments)) << at << ": only the last moment stops the loop";
  }
  std::string extra;
  EXPECT_FALSE(std::getline(lines, extra)) << "more output than steps: " << extra;

  demo_clock = demo_ticks;
  SDL_Quit();
  scr = nullptr;
  assets_root = "";
  std::filesystem::remove_all(tmpl);
}

}  // namespace
