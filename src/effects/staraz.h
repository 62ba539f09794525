// Star pictures: copies of two alternating metafile pictures, rotating
// together, streamed through a repeating depth range (five layers) plus one
// small copy at a fixed depth on top.
#pragma once

#include <cstdint>

#include "cgm/cgm.h"

extern cgm_picture* c1;  // "data/stara.cgm", drawn on the odd layers
extern cgm_picture* c2;  // "data/stara2.cgm", drawn on the even layers
extern float angel;      // rotation angle of the current frame, radians
extern int32_t a, b, c, d;  // rotation in 2.14: a = d = cos, b = -sin, c = sin
extern int32_t z;       // depth of the layer being drawn, 0..999
extern int32_t stupid;  // index 0..5 of the layer being drawn; 5 has a fixed depth

// Loads the two pictures into c1 and c2; returns c1 (null if it is missing).
cgm_picture* staraz_init();
// The same from other paths, for assets kept elsewhere. Loads the second only
// when the first loaded; true when both did (cgm_errorstr says why not).
bool staraz_load(const char* stara, const char* stara2);
// Draws the six layers into the 320x200 frame at time t. A missing (null)
// picture draws nothing in its layers.
void staraz(uint8_t* frame, int t);
// Renderer callback: rotates (x, y) by a..d, divides by the layer's depth and
// places the result about the frame centre, in quarter pixels.
void transform(int32_t x, int32_t y, int32_t* outx, int32_t* outy);
