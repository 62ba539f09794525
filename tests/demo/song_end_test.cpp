// Where a song ends. The demo's song-end rules (its own rendering without a
// device and its timeline) read the published position, zapmod render follows
// the rows the song plays; a whole song, from its start to where it goes back to a place it
// has played (its wrap, or a jump back), must end there in each of them, as a
// general-purpose player ends it, whatever jumps and loops it takes on the way.
// (The rows of each song below are those openmpt123 --info gives as its
// duration for the same modules: 137, 170, 96, 80 and 85 rows at 0.12 s.)
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "demo/timeline.h"
#include "demo_testutil.h"
#include "music/cool_mzx.h"
#include "support/modbuild.h"

namespace {

constexpr int64_t k_tick = 938;                  // samples of a tick at 44100 Hz and 47 ticks a second
constexpr int64_t k_row = 6 * k_tick;            // speed 6
constexpr int64_t k_buffer = DEMO_PUMP_SAMPLES;  // 2048, a render's and the pump's buffer

struct SongEnd {
  const char* name;
  mb_module module;
  int rows;        // rows a general-purpose player plays before the song ends
  bool jump_ends;  // the song ends with a jump back, which reads as the end from the jumping row's first tick
};

// orders entries playing patterns 0..orders-1, a note on channel 0 of every row.
mb_module song(int orders) {
  mb_module m;
  m.order.clear();
  for (int i = 0; i < orders; i++) m.order.push_back(static_cast<uint8_t>(i));
  m.sample(1, 1000);
  for (int p = 0; p < orders; p++)
    for (int r = 0; r < 64; r++) m.cell(p, r, 0) = {1, mb_period(24 + (r & 7)), 0, 0};
  return m;
}

std::vector<SongEnd> cases() {
  std::vector<SongEnd> out;
  {
    // E60 on order 1's row 0 and E61 on its row 8: rows 0..8 twice, the
    // song 64 + 73 rows (17.5 s).
    mb_module m = song(2);
    m.cell(1, 0, 1) = {0, 0, 0xE, 0x60};
    m.cell(1, 8, 1) = {0, 0, 0xE, 0x61};
    out.push_back({"E61 to row 0", m, 64 + 9 + 64, false});
  }
  {
    // Without a mark of its own, the loop goes back to row 0 (after pt_init).
    mb_module m = song(2);
    m.cell(1, 20, 2) = {0, 0, 0xE, 0x62};
    out.push_back({"E62 unmarked", m, 64 + 21 * 2 + 64, false});
  }
  {
    // D00 on order 0's row 31: order 1 follows from its row 0.
    mb_module m = song(2);
    m.cell(0, 31, 1) = {0, 0, 0xD, 0x00};
    out.push_back({"D00", m, 32 + 64, false});
  }
  {
    // B00 on order 1's row 15: back to the song's start, which has been played.
    mb_module m = song(2);
    m.cell(1, 15, 1) = {0, 0, 0xB, 0x00};
    out.push_back({"B00", m, 64 + 16, true});
  }
  {
    // B02 on order 0's row 20 of three: order 1 is skipped, the last played whole.
    mb_module m = song(3);
    m.cell(0, 20, 3) = {0, 0, 0xB, 0x02};
    out.push_back({"B02 to the last order", m, 21 + 64, false});
  }
  return out;
}

// The samples before the song's end, as a general-purpose player plays it,
// and the bounds a render by buffers must end in: the buffer that holds the
// first tick after the end (or, for a jump back, of the jumping row).
struct Bounds {
  int64_t lo, hi;
};
Bounds bounds(const SongEnd& c) {
  const int64_t end = c.rows * k_row;
  const int64_t seen = c.jump_ends ? end - k_row : end;
  return {seen + 1, (seen / k_buffer + 1) * k_buffer};
}

std::string write_song(const mb_module& m) {
  const std::string root = make_temp_root();
  write_demo_assets(root);
  const std::vector<uint8_t> bytes = m.build();
  EXPECT_TRUE(write_file(root + "data/da_plim.mod", std::string(bytes.begin(), bytes.end())));
  return root;
}

#ifdef ZAP_ZAPMOD_COMMAND
// zapmod render ticks and mixes the song itself, so it ends exactly where the
// song does: after the rows a general-purpose player plays, each of speed 6
// ticks, in the module's own timing (882 samples a tick, 50 ticks a second)
// and, with --demo, at the demo's 47 ticks a second.
TEST(SongEnd, ZapmodRenderEndsWhereTheSongEnds) {
  for (const SongEnd& c : cases()) {
    const std::string root = write_song(c.module);
    const std::string wav = root + "out.wav";
    for (const bool demo : {false, true}) {
      const std::string cmd = std::string("'") + ZAP_ZAPMOD_COMMAND + "' render '" + root + "data/da_plim.mod' '" +
                              wav + "'" + (demo ? " --demo" : "") + " >/dev/null 2>&1";
      const int rc = std::system(cmd.c_str());
      ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << c.name << ": " << cmd;
      struct stat st {};
      ASSERT_EQ(stat(wav.c_str(), &st), 0) << c.name;
      const int64_t samples = (static_cast<int64_t>(st.st_size) - 44) / 2;
      const int64_t tick = demo ? k_tick : 882;
      EXPECT_EQ(samples, c.rows * 6 * tick) << c.name << (demo ? " (--demo)" : "") << ": " << samples / 44100.0
                                            << " s, the song is " << c.rows * 6 * tick / 44100.0 << " s";
    }
  }
}
#endif

// The demo without a device renders the music in its frame loop; under a
// time scale one frame spans much music (here 0.5 s), so the rendering itself
// must stop where the song drops back, and the timeline then ends the show.
TEST(SongEnd, TheShowWithoutADeviceEndsWhereTheSongEnds) {
  for (const SongEnd& c : cases()) {
    const std::string root = write_song(c.module);
    assets_root = root.c_str();
    ASSERT_TRUE(assets_load()) << c.name;
    ASSERT_TRUE(music_start_load(true)) << c.name;
    demo_pumped = 0;
    timeline_song_order = 0;
    int32_t t = 0;
    bool ended = false;
    for (; t < 60000 && !ended; t += 500) {
      demo_music_pump(t);
      ended = timeline_song_ended(mzx_position());
    }
    EXPECT_TRUE(ended) << c.name;
    const Bounds b = bounds(c);
    EXPECT_GE(demo_pumped, b.lo) << c.name << ": " << demo_pumped / 44100.0 << " s";
    EXPECT_LE(demo_pumped, b.hi) << c.name << ": " << demo_pumped / 44100.0 << " s";
    assets_root = "";
  }
}

}  // namespace
