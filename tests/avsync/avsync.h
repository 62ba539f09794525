// Picture against sound, measured: what a recording of the sound output and
// the demo's frame log (ZAP_FRAME_LOG) say about how far each frame's picture
// was from the sound heard when it was presented.
//
// The sound is a song of clicks, one at the start of every row: the onsets in
// the recording are the moments each row began to be heard. A frame is off by
// how far its presentation time lies outside the span of the row it showed
// (0 inside it), in ms, positive when the picture is ahead of the sound.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// One frame of the log.
struct avs_frame {
  int64_t t_us = 0;    // presented, steady clock
  int32_t shown = 0;   // position shown: order x 100 + row
  int32_t mixer = 0;   // the player's own position then
  int64_t sample = -1; // the sample the program took as being output (-1: not known)
  uint32_t handed = 0; // samples handed to the output by then
};

// The first sample of every click: where |x| reaches threshold after at least
// quiet samples below it (the first one needs no quiet before it).
std::vector<int64_t> avs_onsets(std::span<const int16_t> pcm, int32_t threshold, int32_t quiet);

// The row index of position pos in a song of full 64-row patterns.
int32_t avs_row_of(int32_t pos);

// Rows at the recording's end whose frames are not compared (the sound was
// cut off there): 5 rows, over 200 ms at the test's speed.
inline constexpr size_t AVS_END_ROWS = 5;

struct avs_result {
  std::vector<double> offs_ms;  // per frame compared: positive = picture ahead
  int32_t unknown = 0;          // frames in the recording whose row has no known span
  double median_ms = 0;         // of the absolute offsets
  double max_ms = 0;
};

// row_start_us[i]: when row i began to be heard (steady clock). Frames before
// the first row or from AVS_END_ROWS rows before the last row's start on are
// outside the recording and not counted.
avs_result avs_compare(const std::vector<int64_t>& row_start_us, const std::vector<avs_frame>& frames);

// Reads a frame log; false with a message in *error when it is not one.
bool avs_read_log(const std::string& path, std::vector<avs_frame>& frames, std::string* error);
