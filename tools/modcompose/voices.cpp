// Voice catalogue of modcompose (see voices.h).
#include "voices.h"

// Registers: the drums and the lead put the module's middle octave (C-2,
// period 428) on C4; the chord voices sound an octave lower (C-2 on C3), so
// that their samples play at twice the rate and keep more treble; the bass
// sounds in C1..B3, so that a bass line written A1 A2 plays the periods of
// A score may move an instrument's octave. The default
// notes are the pitches each drum was synthesised for: the higher a sample's
// playing rate, the more treble it can hold (the hats play at B-3, 31388
// samples a second).
const std::array<voice_info, VOICE_COUNT> voice_table = {{
    {"kick", 3, 72, false},        // C5: C-3, 16574 Hz
    {"snare", 3, 72, false},
    {"clap", 3, 72, false},
    {"hat", 3, 83, false},         // B5: B-3, 31388 Hz
    {"openhat", 3, 83, false},
    {"crash", 3, 83, false},
    {"tambourine", 3, 83, false},
    {"conga", 3, 64, false},       // E4
    {"bongo", 3, 69, false},       // A4
    {"cowbell", 3, 76, false},     // E5, its second plate near B5
    {"bass", 1, 33, false},        // A1
    {"clav", 2, 57, true},         // A3: A-2, 13964 Hz
    {"brass", 2, 57, true},
    {"lead", 3, 69, false},        // A4: A-2
    {"strings", 2, 57, true},
    {"epiano", 2, 57, true},
}};

// The classic tracker periods, C-1 = 856 down to B-3 = 113 (rounded from the
// equal-tempered ratios of 428 * 2^(-k/12) by the original tables).
const std::array<int32_t, MODULE_NOTES> module_period = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 339, 320,
    302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

int32_t voice_find(std::string_view name) {
  for (int32_t v = 0; v < VOICE_COUNT; v++)
    if (voice_table[static_cast<size_t>(v)].name == name) return v;
  return -1;
}

int32_t module_note(int32_t octave, int32_t n) {
  const int32_t m = n - 12 * (octave + 1);
  return m >= 0 && m < MODULE_NOTES ? m : -1;
}
