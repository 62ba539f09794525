// The measurement of the picture against the sound (avsync_desktop_pulse's
// arithmetic): clicks found in a recording, frames judged against the rows'
// spans, and the demo's frame log written and read back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "avsync.h"
#include "demo/framelog.h"
#include "demo/timeline.h"
#include "music/cool_mzx.h"
#include "music/heard.h"

namespace {

TEST(AvSync, ClicksFoundWhereTheyBegin) {
  const struct {
    const char* what;
    std::vector<std::pair<int, int>> clicks;  // first sample, length (alternating +/-20000)
    int32_t noise;                            // +/- this on every sample
    std::vector<int64_t> want;
  } cases[] = {
      {"three clicks", {{100, 40}, {2000, 40}, {3876, 40}}, 0, {100, 2000, 3876}},
      {"a click at the very start", {{0, 40}, {1876, 40}}, 0, {0, 1876}},
      {"noise below the threshold is no click", {{500, 40}, {2376, 40}}, 3000, {500, 2376}},
      {"too close after the last: one click", {{500, 40}, {600, 40}}, 0, {500}},
      {"silence", {}, 0, {}},
  };
  for (const auto& c : cases) {
    std::vector<int16_t> pcm(5000);
    for (size_t i = 0; i < pcm.size(); i++) pcm[i] = static_cast<int16_t>(i % 2 ? c.noise : -c.noise);
    for (const auto& [at, len] : c.clicks) {
      for (int k = 0; k < len; k++)
        pcm[static_cast<size_t>(at + k)] = static_cast<int16_t>(k < len / 2 ? 20000 : -20000);
    }
    EXPECT_EQ(avs_onsets(pcm, 5000, 441), c.want) << c.what;
  }
}

TEST(AvSync, FramesAgainstTheRowsHeard) {
  // Rows heard every 42.5 ms from 1 s on, 64 to an order; 100 rows recorded;
  // row 80 came 100 ms late (the sound ran dry), row 85 a little early.
  std::vector<int64_t> starts;
  for (int64_t i = 0; i < 100; i++) {
    starts.push_back(1'000'000 + i * 42'500 + (i >= 80 ? 100'000 : 0) - (i >= 85 ? 7'000 : 0));
  }
  avs_limits limits;
  limits.row_us = 42'500;
  const auto at = [&](int row, int64_t us) { return starts[static_cast<size_t>(row)] + us; };
  // A frame presented at t that read the music read_before earlier.
  const auto fr = [](int64_t t, int32_t shown, int64_t read_before = 2'000) {
    avs_frame f;
    f.t_us = t;
    f.read_us = t - read_before;
    f.shown = shown;
    return f;
  };
  enum class fate { counted, outside, unknown, shown_late, dry };
  const struct {
    const char* what;
    avs_frame frame;
    fate want;
    double want_ms;  // positive: the picture ahead of the sound
  } cases[] = {
      {"inside its row", fr(at(3, 10'000), 3), fate::counted, 0},
      {"on its row's first microsecond", fr(at(3, 0), 3), fate::counted, 0},
      {"a row ahead: 12.5 ms before it begins", fr(at(3, 30'000), 4), fate::counted, 12.5},
      {"a row behind: 2.5 ms after it ended", fr(at(4, 2'500), 3), fate::counted, -2.5},
      {"order 1, row 2 is row 66", fr(at(66, 1'000), 102), fate::counted, 0},
      {"order 1, row 2 shown in row 64: ahead by two rows", fr(at(64, 0), 102), fate::counted, 85},
      {"before the first row", fr(999'000, 0), fate::outside, 0},
      {"in the recording's last rows", fr(at(96, 0), 96 - 64 + 100), fate::outside, 0},
      {"a row past the recording, shown inside it", fr(at(70, 0), 300), fate::unknown, 0},
      {"presented 25 ms after its step read the music", fr(at(10, 0), 3, 25'000), fate::shown_late, 0},
      {"presented 24.9 ms after: counted", fr(at(10, 5'000), 9, 24'900), fate::counted, -5},
      {"the row before the late one", fr(at(79, 0), 79 - 64 + 100), fate::dry, 0},
      {"while the sound ran dry", fr(at(79, 100'000), 80 - 64 + 100), fate::dry, 0},
      {"long after it", fr(at(90, 0), 90 - 64 + 100), fate::dry, 0},
      {"the row two before the late one", fr(at(78, 0), 79 - 64 + 100), fate::counted, 42.5},
      {"its last microsecond", fr(at(79, -1), 78 - 64 + 100), fate::counted, 0},
  };
  for (const auto& c : cases) {
    const avs_result r = avs_compare(starts, {c.frame}, limits);
    EXPECT_EQ(r.late_rows, 2) << c.what;
    EXPECT_EQ(r.unknown, c.want == fate::unknown ? 1 : 0) << c.what;
    EXPECT_EQ(r.shown_late, c.want == fate::shown_late ? 1 : 0) << c.what;
    EXPECT_EQ(r.dry, c.want == fate::dry ? 1 : 0) << c.what;
    ASSERT_EQ(r.offs_ms.size(), c.want == fate::counted ? 1u : 0u) << c.what;
    if (c.want == fate::counted) {
      EXPECT_DOUBLE_EQ(r.offs_ms[0], c.want_ms) << c.what;
    }
  }
  // The summary: median and maximum of the absolute offsets.
  const avs_result r = avs_compare(starts, {fr(at(3, 30'000), 4), fr(at(4, 2'500), 3), fr(at(5, 1), 5)}, limits);
  EXPECT_DOUBLE_EQ(r.median_ms, 2.5);
  EXPECT_DOUBLE_EQ(r.max_ms, 12.5);
}

// The demo's frame log: frames noted after presenting, written at the end,
// read back as they were; a log cut short is refused, an unwritable file is
// said at the start.
TEST(AvSync, FrameLogWrittenAndReadBack) {
  const std::string path = testing::TempDir() + "avsync_frames.log";
  setenv("ZAP_FRAME_LOG", path.c_str(), 1);
  ASSERT_TRUE(framelog_open());
  ASSERT_TRUE(framelog_on);
  heard_start(0);
  for (int32_t i = 0; i < 3; i++) {
    framelog_step();
    timeline_pos = 100 + i;
    framelog_note();
  }
  ASSERT_TRUE(framelog_close());
  EXPECT_FALSE(framelog_on);
  std::vector<avs_frame> frames;
  std::string error;
  ASSERT_TRUE(avs_read_log(path, frames, &error)) << error;
  ASSERT_EQ(frames.size(), 3u);
  for (size_t i = 0; i < frames.size(); i++) {
    EXPECT_EQ(frames[i].shown, 100 + static_cast<int32_t>(i));
    EXPECT_EQ(frames[i].mixer, mzx_position());
    EXPECT_EQ(frames[i].sample, -1) << "nothing handed to an output yet";
    EXPECT_GE(frames[i].t_us, frames[i].read_us) << "presented after its step read the music";
    if (i > 0) {
      EXPECT_GE(frames[i].read_us, frames[i - 1].t_us);
    }
  }
  EXPECT_GT(frames[0].t_us, 0);

  {  // the same log without its last line
    std::ifstream in(path);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    all.erase(all.rfind('\n', all.size() - 2) + 1);
    std::ofstream(path) << all;
  }
  frames.clear();
  EXPECT_FALSE(avs_read_log(path, frames, &error));
  EXPECT_NE(error.find("not a whole frame log"), std::string::npos) << error;
  std::remove(path.c_str());

  setenv("ZAP_FRAME_LOG", "/nonexistent-dir/frames.log", 1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(framelog_open());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("zapcobbles: ZAP_FRAME_LOG: cannot write /nonexistent-dir/frames.log"), std::string::npos)
      << said;
  EXPECT_FALSE(framelog_on);
  unsetenv("ZAP_FRAME_LOG");
  EXPECT_TRUE(framelog_open()) << "unset: nothing to do";
  EXPECT_FALSE(framelog_on);
}

}  // namespace
