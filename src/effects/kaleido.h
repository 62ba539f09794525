// Kaleidoscope: mirrors the top-left quadrant of a frame into the other three.
#pragma once

#include <cstdint>

// In-place mirror of a frame w bytes wide and h rows high: each of the top
// h/2 rows gets its left half mirrored onto its right half and is then copied
// onto row h - 1 - r. Nothing happens when w or h is not positive; a w above
// 320 or an h above 256 is held to the work frame's width or rows, so the
// mirror never leaves an 81920-byte frame.
void kaleido(uint8_t* frame, int w, int h);
