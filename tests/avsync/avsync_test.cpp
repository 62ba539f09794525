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
      for (int k = 0; k < len; k++) pcm[static_cast<size_t>(at + k)] = static_cast<int16_t>(k < len / 2 ? 20000 : -20000);
    }
    EXPECT_EQ(avs_onsets(pcm, 5000, 441), c.want) << c.what;
  }
}

TEST(AvSync, FramesAgainstTheRowsHeard) {
  // Rows heard every 42.5 ms from 1 s on, 64 to an order; 80 rows recorded.
  std::vector<int64_t> starts;
  for (int64_t i = 0; i < 80; i++) starts.push_back(1'000'000 + i * 42'500);
  const auto at = [&](int row, int64_t us) { return starts[static_cast<size_t>(row)] + us; };
  const struct {
    const char* what;
    avs_frame frame;
    bool counted;
    double want_ms;  // positive: the picture ahead of the sound
  } cases[] = {
      {"inside its row", {at(3, 10'000), 3}, true, 0},
      {"on its row's first microsecond", {at(3, 0), 3}, true, 0},
      {"a row ahead: 12.5 ms before it begins", {at(3, 30'000), 4}, true, 12.5},
      {"a row behind: 2.5 ms after it ended", {at(4, 2'500), 3}, true, -2.5},
      {"order 1, row 2 is row 66", {at(66, 1'000), 102}, true, 0},
      {"order 1, row 2 shown in row 64: ahead by two rows' start", {at(64, 0), 102}, true, 85},
      {"before the first row: not counted", {999'000, 0}, false, 0},
      {"in the recording's last rows: not counted", {at(76, 0), 76 - 64 + 100}, false, 0},
      {"a row past the recording, shown inside it", {at(70, 0), 300}, true, 0},
  };
  for (const auto& c : cases) {
    const avs_result r = avs_compare(starts, {c.frame});
    if (!c.counted) {
      EXPECT_TRUE(r.offs_ms.empty() && r.unknown == 0) << c.what;
      continue;
    }
    if (c.frame.shown == 300) {
      EXPECT_EQ(r.unknown, 1) << c.what;
      continue;
    }
    ASSERT_EQ(r.offs_ms.size(), 1u) << c.what;
    EXPECT_DOUBLE_EQ(r.offs_ms[0], c.want_ms) << c.what;
  }
  // The summary: median and maximum of the absolute offsets.
  const avs_result r = avs_compare(starts, {{at(3, 30'000), 4}, {at(4, 2'500), 3}, {at(5, 1), 5}});
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
    if (i > 0) {
      EXPECT_GE(frames[i].t_us, frames[i - 1].t_us);
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
