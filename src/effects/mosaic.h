// Mosaic: re-tiles a finished frame through a per-pixel lookup table, each
// n x n tile an unscaled piece of the source taken from a corner pulled
// toward the screen centre to 0.7 of its distance.
#pragma once

#include <cstdint>

// Source pixel index of every destination pixel y * 320 + x of a 320x200 frame.
extern int32_t lookup[64000];

// Builds lookup for tiles of n x n pixels; n <= 0 is taken as 1. Source rows
// and columns are clamped to the frame, so every index lies in 0..63999.
void mosaic_init(int n);
// dst[i] = src[lookup[i]] for the 64000 pixels, src read as it was before
// the call: src and dst may be the same frame (the source is then copied
// aside first, into a static frame: not for two threads at once).
void mosaic(const uint8_t* src, uint8_t* dst);
