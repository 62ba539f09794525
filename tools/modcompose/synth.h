// Instrument synthesis of modcompose: renders the 8-bit sample of each
// instrument of a score from its voice recipe (oscillators, envelopes,
// filters, seeded noise), tuned so that the notes the score names are the
// pitches heard.
//
// Only additions, subtractions, multiplications, divisions and square roots
// of doubles are used (with contraction into fused multiply-adds switched off
// for this tool), and integers elsewhere: the same score gives the same bytes
// on every IEEE machine. Sines and exponentials come from the small series of
// this module, not from the C library, whose last bits may differ.
#pragma once

#include <cstdint>
#include <vector>

#include "score.h"

inline constexpr int32_t SYNTH_MAX_BYTES = 131070;  // the longest sample a module holds

struct synth_sample {
  std::vector<int8_t> data;  // even length
  int32_t loop_start = 0;    // bytes, even
  int32_t loop_length = 0;   // bytes, even; 0 for a sample played once
};

// Renders the instrument's sample.
synth_sample synth_render(const score_instrument& ins);

// Sine of 2 pi x (x in turns), from a series: deterministic everywhere.
double synth_sin(double turns);
// e to the power x for |x| <= 700, from a series: deterministic everywhere.
double synth_exp(double x);
