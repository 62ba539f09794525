// WAV output of the tools: mono or stereo PCM, 16-bit signed or 8-bit unsigned, the
// canonical 44-byte header (only the format and sizes, so the same sound
// gives the same bytes), written as the samples come and completed at the end.
#pragma once

#include <cstdint>

#include "outfile.h"

struct wav_file {
  out_file file;
  int32_t rate = 0;
  int32_t bytes_per_sample = 2;  // 2: 16-bit signed, 1: 8-bit unsigned
  int32_t channels = 1;          // 1 mono, 2 stereo (interleaved left, right)
  uint64_t data_bytes = 0;
};

// Opens path (outfile.h) and writes the header. False after the message.
bool wav_begin(wav_file& w, const char* path, int32_t rate, int32_t bytes_per_sample, int32_t channels = 1);
// 16-bit samples in the machine's order, written little-endian (as they
// stand on a little-endian machine, in one write).
bool wav_put16(wav_file& w, const int16_t* samples, size_t count);
// The same for a large block (tens of KiB): written straight to the file.
bool wav_put16_block(wav_file& w, const int16_t* samples, size_t count);
// 8-bit unsigned samples as they are.
bool wav_put8(wav_file& w, const uint8_t* samples, size_t count);
bool wav_put8_block(wav_file& w, const uint8_t* samples, size_t count);
// Completes the header and closes (out_close). False after the message; a
// file past the format's 4 GiB is refused.
bool wav_end(wav_file& w);
