// Mosaic. Owns `lookup` and the copy runs derived from it; reads the source
// frame and writes the 64000 bytes of the destination frame, nothing else.
//
// `lookup` is the definition of the effect. Inside a tile row the source
// pixels of neighbouring destination pixels are neighbours too, so
// mosaic_init also cuts the table into runs where lookup[i + 1] = lookup[i]
// + 1 within one row, and mosaic copies each run as one block. When the
// table breaks into more runs than the run store holds, mosaic falls back to
// the per-pixel gather. Anything that rewrites `lookup` must rebuild the runs
// (mosaic_init does both).
#include "effects/mosaic.h"

#include <algorithm>
#include <cstring>

#include "gfx/view.h"

namespace {


// Tiles of 32 give 10 runs per row, 2000 in all; room for tiles down to
// about 4 pixels wide before the gather takes over.
constexpr int MAX_RUNS = 16384;

// The runs cover the destination in order, so each starts where the last
// one ended and only its source is stored.
struct copy_run {
  int32_t src;  // first source index
  int32_t len;  // bytes
};

copy_run runs[MAX_RUNS];
int nruns = -1;  // -1: use the per-pixel gather

// Source corner of a tile corner: moved toward the centre (160, 100) to 0.7
// of its distance, 70 * c - 11200 = 70 * (c - 160), the offset truncated
// toward zero.
int source_x(int x0) { return (70 * x0 - 11200) / 100 + 160; }
int source_y(int y0) { return (70 * y0 - 7000) / 100 + 100; }

void build_runs() {
  int n = 0;
  for (int y = 0; y < FRAME_H; y++) {
    int x = 0;
    while (x < FRAME_W) {
      const int i = y * FRAME_W + x;
      int len = 1;
      while (x + len < FRAME_W && lookup[i + len] == lookup[i] + len) len++;
      if (n == MAX_RUNS) {
        nruns = -1;
        return;
      }
      runs[n++] = {lookup[i], len};
      x += len;
    }
  }
  nruns = n;
}

}  // namespace

int32_t lookup[FRAME_BYTES];

void mosaic_init(int n) {
  if (n <= 0) n = 1;
  if (n > FRAME_W) n = FRAME_W;  // a larger tile covers the same pixels as this one
  for (int y0 = 0; y0 < FRAME_H; y0 += n) {
    const int sy = source_y(y0);
    for (int x0 = 0; x0 < FRAME_W; x0 += n) {
      const int sx = source_x(x0);
      for (int i = 0; i < n && y0 + i < FRAME_H; i++) {
        // Only tiles of other sizes than 32 can reach past the frame; the
        // clamp keeps their sources inside it and leaves size 32 untouched.
        const int srow = std::clamp(sy + i, 0, FRAME_H - 1);
        for (int j = 0; j < n && x0 + j < FRAME_W; j++) {
          const int scol = std::clamp(sx + j, 0, FRAME_W - 1);
          lookup[(y0 + i) * FRAME_W + x0 + j] = srow * FRAME_W + scol;
        }
      }
    }
  }
  build_runs();
}

void mosaic(const uint8_t* src, uint8_t* dst) {
  // Every destination pixel reads the source as it was before the call. When
  // the two frames overlap (the same frame passed twice), pixels written early
  // would be read again later, and the block copies would be copies between
  // overlapping bytes: the source is first copied aside.
  // (Addresses compared as integers: the frames may be unrelated arrays.)
  static uint8_t aside[FRAME_BYTES];
  const uintptr_t s0 = reinterpret_cast<uintptr_t>(src), d0 = reinterpret_cast<uintptr_t>(dst);
  if (s0 < d0 + FRAME_BYTES && d0 < s0 + FRAME_BYTES) {
    std::memcpy(aside, src, sizeof aside);
    src = aside;
  }
  if (nruns < 0) {
    for (int i = 0; i < FRAME_BYTES; i++) dst[i] = src[lookup[i]];
    return;
  }
  // Runs are short (a tile row, 32 bytes in the demo): 16-byte moves of
  // constant size compile to plain loads and stores, without a call.
  uint8_t* d = dst;
  for (int r = 0; r < nruns; r++) {
    const uint8_t* s = src + runs[r].src;
    const int32_t len = runs[r].len;
    if (len == 32) {  // the demo's tiles: every run
      std::memcpy(d, s, 16);
      std::memcpy(d + 16, s + 16, 16);
    } else if (len >= 16) {
      for (int32_t i = 0; i < len - 16; i += 16) std::memcpy(d + i, s + i, 16);
      std::memcpy(d + len - 16, s + len - 16, 16);  // the last 16, overlapping
    } else {
      for (int32_t i = 0; i < len; i++) d[i] = s[i];
    }
    d += len;
  }
}
