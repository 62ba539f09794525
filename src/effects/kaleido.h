// Kaleidoscope: mirrors the top-left quadrant of a frame into the other three.
#pragma once

#include <cstdint>

// In-place mirror of a frame w bytes wide and h rows high: each of the top
// h/2 rows gets its left half mirrored onto its right half and is then copied
// onto row h - 1 - r. Nothing happens when w or h is not positive.
void kaleido(uint8_t* frame, int w, int h);
