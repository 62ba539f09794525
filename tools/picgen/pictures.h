// The demo's pictures, one function each. Colour numbers are palette
// indices in the scene that shows the picture, so they follow the scenes'
// palette plans (see the comments at each picture).
#pragma once

#include "cgmwrite.h"

// Colours shared by the star pictures and the two pictures whose palettes
// they are drawn with (swing1 in the star scroll, strutter in the bounce):
// the first five colours of those three files are these, in this order.
inline constexpr uint32_t kGold = 0xffc400;
inline constexpr uint32_t kOrange = 0xff6e00;
inline constexpr uint32_t kPink = 0xe61e78;
inline constexpr uint32_t kBrown = 0x782800;
inline constexpr uint32_t kBlack = 0x000000;
enum StarColour { GOLD = 1, ORANGE, PINK, BROWN, BLACK };

Picture pic_swing1();
Picture pic_swing2();
Picture pic_strutter();
Picture pic_strutterblk();
Picture pic_zoomer();
Picture pic_hipcat();
Picture pic_ankels();
Picture pic_bottles();
Picture pic_stara();
Picture pic_stara2();
