// The module writer refuses what the format cannot hold, rather than writing
// a module whose 16-bit fields have wrapped or whose id lies about its
// channels.
#include <gtest/gtest.h>

#include "modwrite.h"

namespace {

struct modwrite_case {
  const char* what;
  size_t channels;
  size_t sample_bytes;
  int32_t loop_start;
  int32_t loop_length;
  const char* error;  // "" when the song is written
};

const modwrite_case k_cases[] = {
    {"four channels", 4, 64, 0, 0, ""},
    {"eight channels, the longest sample", 8, 131070, 131068, 2, ""},
    {"five channels", 5, 64, 0, 0, "5 channels: the module holds 4, 6 or 8"},
    {"nine channels", 9, 64, 0, 0, "9 channels: the module holds 4, 6 or 8"},
    {"a sample of 65536 words", 4, 131072, 0, 0, "the sample of 'x' has 65536 words, more than 65535"},
    {"a loop past the end", 4, 64, 32, 34, "the sample of 'x' has a loop outside its data"},
    {"an odd length", 4, 63, 0, 0, "the sample of 'x' has an odd number of bytes"},
};

TEST(ModWrite, RefusesWhatTheFormatCannotHold) {
  for (const modwrite_case& c : k_cases) {
    score_song song;
    song.title = "t";
    song.channels.assign(c.channels, "c");
    song.instruments.resize(1);
    song.instruments[0].name = std::string(1, 'x');
    song.patterns.assign(1, std::vector<score_cell>(static_cast<size_t>(SCORE_ROWS) * c.channels));
    song.order = {0};
    synth_sample s;
    s.data.assign(c.sample_bytes, 1);
    s.loop_start = c.loop_start;
    s.loop_length = c.loop_length;
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_EQ(modwrite(song, {s}, out, error), !*c.error) << c.what;
    EXPECT_EQ(error, c.error) << c.what;
    if (!*c.error) {
      EXPECT_EQ(out.size(), 1084 + SCORE_ROWS * c.channels * 4 + c.sample_bytes) << c.what;
    }
  }
}

}  // namespace
