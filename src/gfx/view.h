// Frame geometry and view transform: the size of the work frame, the wrapping
// arithmetic of the transforms, and the point transform that places a vector
// picture in the frame. The renderer, the effects and the driver share these,
// defined here once; nothing here knows of SDL or the palette (the palette
// and the screen are the driver's, demo/gfx.h).
#pragma once

#include <cstdint>

// The work frame: palette indices, row-major with a stride of FRAME_W bytes.
// Rows 0..199 are the picture; the driver's frames have slack rows below it,
// so a text cell may reach row 255.
inline constexpr int FRAME_W = 320;
inline constexpr int FRAME_H = 200;                       // picture rows
inline constexpr int FRAME_BYTES = FRAME_W * FRAME_H;     // 64000
inline constexpr int FRAME_ROWS = 256;                    // with the slack
inline constexpr int FRAME_ALLOC = FRAME_W * FRAME_ROWS;  // 81920
inline constexpr int SCREEN_H = 240;                      // the screen: FRAME_W x SCREEN_H

// 32-bit product and sum that wrap on purpose, as the transforms' 2.14 and
// 16.16 arithmetic does; through unsigned, so the wrap is defined. >> of a
// negative result is an arithmetic shift (floor), as C++20 guarantees.
constexpr int32_t mul_wrap(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
constexpr int32_t add_wrap(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// View globals read by transu. Inline variables, like transu itself, so the
// renderer, which applies transu in place (cgm_render_view), needs nothing
// but this header.
inline int32_t px = 0;         // horizontal offset, quarter pixels
inline int32_t py = 0;         // vertical offset, quarter pixels (down is positive)
inline int32_t skale = 16384;  // 2.14 scale from picture units to quarter pixels

// Picture point to quarter pixels: px + (x * skale >> 14) + 640, py - (y * skale >> 14) + 400.
// Inline, so the renderer can apply it in place of calling it per vertex;
// products and sums wrap in 32 bits on purpose (mul_wrap above).
inline void transu(int32_t x, int32_t y, int32_t* outx, int32_t* outy) {
  *outx = static_cast<int32_t>(static_cast<uint32_t>(px) + static_cast<uint32_t>(mul_wrap(x, skale) >> 14) + 640u);
  *outy = static_cast<int32_t>(static_cast<uint32_t>(py) - static_cast<uint32_t>(mul_wrap(y, skale) >> 14) + 400u);
}
