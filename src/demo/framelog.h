// Frame log: when the environment variable ZAP_FRAME_LOG names a file, the
// program notes for every frame presented when it was presented and what it
// showed, and writes the notes there when it ends. Tests compare it with what
// was heard; without the variable it costs two tests of a flag per frame.
//
// The file holds a line "# zapcobbles frame log: ..." naming the columns and a
// line "frames N dropped D", then one line per frame:
//   T_US READ_US SHOWN MIXER SAMPLE HANDED
// T_US: the steady clock (CLOCK_MONOTONIC) in microseconds just after the
// flip; READ_US: the same clock when the frame step began, just before it read
// the music position; SHOWN: the music position the frame showed; MIXER: the
// player's own position after the flip; SAMPLE: the sample the program took
// as being output then (-1 when not known); HANDED: the samples handed to the
// output by then.
#pragma once

#include <cstdint>

// Frames the log keeps (18 minutes at 60 frames a second); later ones are
// counted as dropped.
inline constexpr int32_t FRAMELOG_MAX = 1 << 16;

extern bool framelog_on;  // ZAP_FRAME_LOG was set and its file opened

// Reads ZAP_FRAME_LOG. Unset or empty: nothing, true. Set: opens the file for
// writing and takes the memory for FRAMELOG_MAX frames; false, after one line
// on stderr naming the file, when the file cannot be opened.
bool framelog_open();
// Before the frame step: the time it reads the music position.
void framelog_step();
// After a frame has been presented: its time and positions. Neither allocates
// nor writes.
void framelog_note();
// Writes every frame noted and closes the file; false, after one line on
// stderr, when writing fails.
bool framelog_close();
