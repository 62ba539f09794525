// Rings: seven thick rings (annuli) of one colour whose centres swing on
// circles about the middle of the screen and whose holes are pushed sideways.
// Span ends come from an integer square-root table built once at start-up.
#pragma once

#include <cstdint>

// Entries of the square-root table: every i up to 299 squared.
constexpr int SKURT_SIZE = 90000;

// skurt[i] = floor(sqrt(i)), i = 0..89999; filled by rings_init.
extern int16_t skurt[SKURT_SIZE];

// Fills skurt; call once before the first rings().
void rings_init();
// Draws the seven rings into the 320x200 frame at time t, w pixels thick,
// with centre motion mode 1 or 2 (other modes draw nothing), in colour.
void rings(uint8_t* frame, int t, int w, int mode, int colour);
// Centre (cx, cy) and hole shift s of ring k (0..6) at time t; false (and
// nothing written) for a mode other than 1 and 2. rings() draws with these.
bool rings_centre(int k, int t, int mode, int* cx, int* cy, int* s);
// Sets bytes x0..x1 (clipped to 0..319) of row y to colour; y is not checked.
void horline(int x0, int x1, int y, uint8_t* frame, int colour);
