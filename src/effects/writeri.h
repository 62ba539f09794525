// Text writer: short lower-case texts in a 28x32 bitmap font with three
// drawings per glyph that ripple along the text over time. Body pixels take
// the text colour, outline pixels turn the frame pixel into its shade (bit 7
// set), transparent pixels leave it.
#pragma once

#include <cstdint>

constexpr int FONT_BYTES = 320 * 384;  // three 320x128 drawings of 10x4 cells of 32x32

// The font image; all zero until writeri_init reads the font file.
extern uint8_t fnt[FONT_BYTES];
// The character set: glyph g is chars[g]; no other character has a glyph.
extern const char chars[];

// Reads up to FONT_BYTES of the raw font image (the rest zeroed; the bytes of
// a longer file past the image are ignored); 0 on success, -1 when the file
// cannot be opened or read (fnt then stays as it was).
int writeri_init(const char* path);
// Draws character ch (as an unsigned byte) in drawing a (0..2; others draw
// nothing) with its cell's top-left corner at (x, y) of a 320x256 frame; the
// cell is clipped to the frame.
void writeri_char(uint8_t* frame, int x, int y, int ch, int a, int colour);
// Draws a zero-terminated text at (x, y), centred on that point when centre
// is not 0, advancing 22 pixels per character; time (ms) picks the drawings.
void writeri(uint8_t* frame, int x, int y, const char* text, int centre, int time, int colour);
