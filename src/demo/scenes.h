// The ten scenes, one function each, run by the frame step (demo/timeline.h)
// for the scene whose window holds the music position. Each draws into
// buf/puh with the effects, may set dest, and sets its palette on its first
// frame (its scene_start slot still -1), storing tid in the slot. Their
// colours, texts, places and speeds are the tables of demo/scene_looks.h.
#pragma once

#include <cstdint>

#include "cgm/cgm.h"
#include "demo/scene_looks.h"  // the scenes' tables and the greetings, kriit

// scene_start slots: one per scene, two for the credits (9a and 9b).
enum : int {
  SLOT_TITLE = 0,
  SLOT_RINGS = 1,
  SLOT_DRAWING = 2,
  SLOT_KALEIDO = 3,
  SLOT_STARS = 4,
  SLOT_GREETINGS = 5,
  SLOT_BOUNCE = 6,
  SLOT_MOSAIC = 7,
  SLOT_CREDITS_A = 8,
  SLOT_CREDITS_B = 9,
  SLOT_FINALE = 10,
};

extern const cgm_picture* curpic;  // the credits' picture: hipcat, then zoomer
// The gentle show: the same scenes with what flashes tamed (false: the show
// as it always was). Set before the show starts; the scenes only read it.
extern bool scene_gentle;

// pos is the music position, row its row (pos mod 100).
void scene_title(int32_t pos);
void scene_rings(int32_t row);
void scene_drawing(int32_t row);
void scene_kaleido(int32_t pos, int32_t row);
void scene_stars();
void scene_greetings(int32_t row);
void scene_bounce(int32_t pos, int32_t row);
void scene_mosaic(int32_t row);
void scene_credits(int32_t pos);
void scene_finale();
