// Kaleidoscope. Rewrites the frame it is given in place, within w x h bytes
// (w and h held to the 320 x 256 work frame): the right half of the top rows
// and all of the bottom rows; an odd middle column or row keeps its own pixels.
#include "effects/kaleido.h"

#include <cstddef>
#include <cstring>

#include "gfx/view.h"

namespace {

// Byte j of the half row goes to byte w - 1 - j: eight bytes at a time, a
// byte-swapped 64-bit word (memcpy in and out, so alignment and the host's
// byte order do not matter), then single bytes for the rest.
void mirror_half(uint8_t* row, int w) {
  const int half = w / 2;
  int j = 0;
  for (; j + 8 <= half; j += 8) {
    uint64_t v;
    std::memcpy(&v, row + j, 8);
    v = __builtin_bswap64(v);
    std::memcpy(row + w - j - 8, &v, 8);
  }
  for (; j < half; j++) row[w - 1 - j] = row[j];
}

}  // namespace

void kaleido(uint8_t* frame, int w, int h) {
  if (w <= 0 || h <= 0) return;
  // A frame is at most the 320 x 256 work frame (81920 bytes, the picture and
  // its slack rows): a larger width or height would mirror past its end, so
  // both are held to it.
  if (w > FRAME_W) w = FRAME_W;
  if (h > FRAME_ROWS) h = FRAME_ROWS;
  const std::ptrdiff_t stride = w;
  for (int r = 0; r < h / 2; r++) {
    uint8_t* row = frame + r * stride;
    mirror_half(row, w);
    std::memcpy(frame + (h - 1 - r) * stride, row, static_cast<size_t>(w));
  }
}
