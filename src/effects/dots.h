// Dots: a grid of 32x32 cells, each holding one filled disc (or, in the
// inverse form, the cell with the disc cut out), the disc sizes following one
// of five patterns shifted by a level.
#pragma once

#include <cstdint>

constexpr int DOT_SIZES = 256;
constexpr int DOT_CELL = 32;

// Per size and cell row: {span width, span start column}; filled by dots_init.
extern int8_t circle[DOT_SIZES][DOT_CELL][2];

// Fills circle; call once before dots().
void dots_init();
// Draws the grid into the 320x200 frame: pattern t mod 128, inverse form when
// bit 7 of t is set, colour's low 8 bits, level added into every size.
void dots(uint8_t* frame, int t, int colour, int level);
