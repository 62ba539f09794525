// Fuzz target for the point-file reader: the input is read as a point file
// through a memory stream, and whatever drawing comes back is drawn whole
// into a frame (every segment, width 2, plus a few other widths on the first
// segments), then freed. Refusal messages go to stderr; libFuzzer's
// -close_fd_mask=2 (drawing_load.options) silences them.
//   scripts/fuzz 60 drawing_load
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "effects/drawing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<uint8_t> frame(320 * 256);
  if (size == 0) return 0;  // fmemopen refuses an empty buffer
  std::vector<char> text(data, data + size);
  std::FILE* f = fmemopen(text.data(), text.size(), "rb");
  if (!f) return 0;
  drawing_rec* d = drawing_load_stream(f);
  std::fclose(f);
  if (!d) return 0;
  drawing(frame.data(), d, 0, 2147483647, 2);
  int done = 0;
  for (int i = 0; i < d->nstrokes && done < 8; i++) {
    const drawing_stroke& s = d->strokes[i];
    for (int k = 0; k + 1 < s.n && done < 8; k++, done++) {
      const int32_t seg[4] = {s.xy[2 * k], s.xy[2 * k + 1], s.xy[2 * k + 2], s.xy[2 * k + 3]};
      ceegm_line(frame.data(), seg, k % 5 - 1, 3);
    }
  }
  drawing_free(d);
  return 0;
}
