// Picture against sound, measured: what a recording of the sound output and
// the demo's frame log (ZAP_FRAME_LOG) say about how far each frame's picture
// was from the sound heard when it was presented.
//
// The sound is a song of clicks, one at the start of every row: the onsets in
// the recording are the moments each row began to be heard. A frame is off by
// how far its presentation time lies outside the span of the row it showed
// (0 inside it), in ms, positive when the picture is ahead of the sound.
//
// What the machine does to the program is told apart from what the program
// does: a frame presented long after its frame step read the music (the main
// thread was not run meanwhile), and every frame from the moment the sound
// first ran dry (the audio thread was not run in time: a row heard later or
// earlier than the song's rows follow each other), are left out of the
// figures and counted instead. Once the sound server has run dry, what it
// holds is no longer what the program can know: the server drops or delays
// what comes late, and SDL's account of what the server asked for can stay
// off by part of a buffer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// One frame of the log.
struct avs_frame {
  int64_t t_us = 0;     // presented, steady clock
  int64_t read_us = 0;  // the frame step read the music position, steady clock
  int32_t shown = 0;    // position shown: order x 100 + row
  int32_t mixer = 0;    // the player's own position then
  int64_t sample = -1;  // the sample the program took as being output (-1: not known)
  uint32_t handed = 0;  // samples handed to the output by then
};

// The first sample of every click: where |x| reaches threshold after at least
// quiet samples below it (the first one needs no quiet before it).
std::vector<int64_t> avs_onsets(std::span<const int16_t> pcm, int32_t threshold, int32_t quiet);

// The row index of position pos in a song of full 64-row patterns.
int32_t avs_row_of(int32_t pos);

// Rows at the recording's end whose frames are not compared (the sound was
// cut off there): 5 rows, over 200 ms at the test's speed.
inline constexpr size_t AVS_END_ROWS = 5;

// How the machine's hiccups are told apart.
struct avs_limits {
  int64_t row_us = 0;              // a row's length: rows 0.1 ms further apart or closer, the sound ran dry
  int64_t late_frame_us = 25'000;  // a frame presented this long after its step read the music: shown late
};

struct avs_result {
  std::vector<double> offs_ms;  // per frame compared: positive = picture ahead
  int32_t unknown = 0;          // frames in the recording whose row has no known span
  int32_t shown_late = 0;       // frames left out: presented late
  int32_t dry = 0;              // frames left out: from the sound's first running dry on
  int32_t late_rows = 0;        // rows heard more than 0.1 ms off a row after the one before them
  double median_ms = 0;         // of the absolute offsets
  double max_ms = 0;
};

// row_start_us[i]: when row i began to be heard (steady clock). Frames before
// the first row or from AVS_END_ROWS rows before the last row's start on are
// outside the recording and not counted. A row more than 0.1 ms off
// limits.row_us after the one before it shows the sound ran dry: frames from
// the start of the row before the first such row on are left out; so are
// frames presented limits.late_frame_us or more after their step read the
// music.
avs_result avs_compare(const std::vector<int64_t>& row_start_us, const std::vector<avs_frame>& frames,
                       const avs_limits& limits);

// Reads a frame log; false with a message in *error when it is not one.
bool avs_read_log(const std::string& path, std::vector<avs_frame>& frames, std::string* error);
