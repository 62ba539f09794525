// Byte-span fill: one row's run of columns set to one palette index, the
// inner loop of the picture rasteriser's triangles and of the rings. Defined
// here once, inline, so each caller's loop compiles it in place.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "gfx/view.h"

// The colour in every byte of a word (the low 8 bits of colour).
constexpr uint64_t span_pattern(int32_t colour) { return UINT64_C(0x0101010101010101) * static_cast<uint8_t>(colour); }

// Fills columns xl..xr (xl <= xr) of row with the pattern pat (span_pattern)
// by overlapping stores (memcpy of a constant size compiles to one move):
// single bytes up to 3 columns, two 4-, 8-, 16- or 32-byte stores up to 64,
// 64 bytes at a time beyond, the last 64 overlapping. Spans of small
// triangles and of rings are mostly a few bytes, where a library call or a
// string store costs more than the bytes.
[[gnu::always_inline]] inline void span_fill(uint8_t* row, int64_t xl, int64_t xr, uint64_t pat) {
  const int64_t d = xr - xl;
  if (d < 3) {
    const uint8_t c = static_cast<uint8_t>(pat);
    row[xl] = c;
    row[xr] = c;
    row[(xl + xr) >> 1] = c;
  } else if (d < 7) {
    std::memcpy(row + xl, &pat, 4);
    std::memcpy(row + xr - 3, &pat, 4);
  } else if (d < 15) {
    std::memcpy(row + xl, &pat, 8);
    std::memcpy(row + xr - 7, &pat, 8);
  } else {
    const uint64_t pat4[4] = {pat, pat, pat, pat};
    if (d < 31) {
      std::memcpy(row + xl, pat4, 16);
      std::memcpy(row + xr - 15, pat4, 16);
    } else if (d < 63) {
      std::memcpy(row + xl, pat4, 32);
      std::memcpy(row + xr - 31, pat4, 32);
    } else {
      uint8_t* p = row + xl;
      uint8_t* last = row + xr - 63;
      for (; p < last; p += 64) std::memcpy(p, pat4, 32), std::memcpy(p + 32, pat4, 32);
      std::memcpy(last, pat4, 32);
      std::memcpy(last + 32, pat4, 32);
    }
  }
}

// span_fill cut to the frame's columns 0..FRAME_W - 1, or nothing when the
// span lies wholly outside them (or is empty, xl > xr).
[[gnu::always_inline]] inline void span_fill_clipped(uint8_t* row, int64_t xl, int64_t xr, uint64_t pat) {
  xl = std::max<int64_t>(xl, 0);
  xr = std::min<int64_t>(xr, FRAME_W - 1);
  if (xl <= xr) span_fill(row, xl, xr, pat);
}
