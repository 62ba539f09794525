// Builds small tracker modules in memory for tests: describe samples, orders
// and cells in code, get the file's bytes back.
//
//   mb_module m;                       // "M.K.", 4 channels, one order: pattern 0
//   m.sample(1, 1000);                 // sample 1: 1000 bytes of a ramp, volume 64
//   m.cell(0, 0, 0) = {1, 428, 0xC, 0x20};
//   std::vector<uint8_t> bytes = m.build();
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct mb_cell {
  int sample = 0;  // 0..255 (file holds 8 bits)
  int period = 0;  // 0 = no note, else an Amiga period (12 bits)
  int effect = 0;  // 0..15
  int param = 0;   // 0..255
};

struct mb_sample {
  std::string name;
  std::vector<int8_t> data;  // length is data.size(), rounded up to whole words
  int finetune = 0;          // low 4 bits are stored
  int volume = 64;           // byte as stored (values above 64 allowed, for tests)
  int loopstart_words = 0;
  int looplen_words = 1;     // 1 word = no loop
};

struct mb_module {
  std::string id = "M.K.";
  int channels = 4;
  std::vector<uint8_t> order{0};  // order table entries; the rest of the 128 are 0
  int songlen = -1;               // -1: order.size()
  int restart = 0;                // restart byte
  std::array<mb_sample, 32> samples;  // index 1..31 used
  std::vector<std::vector<mb_cell>> patterns;  // grown by cell()

  // Cell of channel ch in row of pattern (creates the pattern if needed).
  mb_cell& cell(int pattern, int row, int ch);
  // Sample n with len bytes of a ramp (i & 127) - 64, default volume 64.
  mb_sample& sample(int n, int len);
  // The file image. Patterns up to the highest order entry are written.
  std::vector<uint8_t> build() const;
};

// Period of note index n (0..83) at finetune 0, the loader's row.
int mb_period(int note);
