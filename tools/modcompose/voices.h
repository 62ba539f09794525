// Voice catalogue of modcompose: the names a score may give its instruments,
// the register each voice sounds in and the note it plays when a cell names
// none. Shared by the score reader (names and note ranges) and the synthesiser
// (which recipe renders which voice); it holds data only.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// MIDI-style note numbers: C4 (middle C, 261.63 Hz) is 60, A4 (440 Hz) is 69.
inline constexpr int32_t NOTE_C4 = 60;
// The module's notes: the 36 periods of finetune 0 from C-1 (856) to B-3 (113).
inline constexpr int32_t MODULE_NOTES = 36;
// Amiga clock of the player: period p plays 3546836 / p samples a second.
inline constexpr int32_t AMIGA_CLOCK = 3546836;

struct voice_info {
  std::string_view name;
  int32_t octave;  // default octave (C4 = 4) that the module's first octave, C-1..B-1, sounds in
  int32_t note;    // note number played in that octave when a cell names an instrument but no note
  bool chords;     // whether the score may give the voice a chord shape
};

// The voices, in the synthesiser's dispatch order (synth.cpp switches on the index).
enum voice_id : int32_t {
  VOICE_KICK, VOICE_SNARE, VOICE_CLAP, VOICE_HAT, VOICE_OPENHAT, VOICE_CRASH, VOICE_TAMBOURINE,
  VOICE_CONGA, VOICE_BONGO, VOICE_COWBELL, VOICE_BASS, VOICE_CLAV, VOICE_BRASS, VOICE_LEAD,
  VOICE_STRINGS, VOICE_EPIANO, VOICE_COUNT
};

extern const std::array<voice_info, VOICE_COUNT> voice_table;  // indexed by voice_id
// Periods of the module notes C-1..B-3 at finetune 0 (the player's table).
extern const std::array<int32_t, MODULE_NOTES> module_period;

// The index of the voice called name, or -1.
int32_t voice_find(std::string_view name);
// The module note (0 = C-1 .. 35 = B-3) that plays note number n when C-1
// sounds in the given octave, or -1 when n lies outside those three octaves.
int32_t module_note(int32_t octave, int32_t n);
