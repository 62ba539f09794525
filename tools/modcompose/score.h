// Score reader of modcompose: turns the text of a score (instruments, tracks
// of rows, patterns built from tracks, an order list) into a song ready to be
// written as a module, or into one error naming the file, line and column.
//
// It only reads text and fills the song; it opens no file and synthesises
// nothing, so it can be linked on its own (a fuzz target, the tests). The
// format itself is described at the top of data/music/da_plim.score.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int32_t SCORE_ROWS = 64;         // rows per pattern
inline constexpr int32_t SCORE_INSTRUMENTS = 31;  // sample slots of the module
inline constexpr int32_t SCORE_ORDERS = 128;      // order table entries
inline constexpr int32_t SCORE_PATTERNS = 64;     // distinct patterns a song may use

// One channel of one row, as the module stores it.
struct score_cell {
  uint8_t instrument;  // 0: none, else 1..31
  uint8_t note;        // 0: none, else 1 + module note (1 = C-1 .. 36 = B-3)
  uint8_t effect;      // 0..15
  uint8_t param;       // 0..255
};

struct score_instrument {
  std::string name;            // the score's name, also the sample's name in the module
  int32_t voice = 0;           // voice_id (voices.h)
  int32_t volume = 64;         // default volume 0..64
  int32_t octave = 0;          // octave (C4 = 4) in which the module's C-1..B-1 sound
  std::vector<int32_t> chord;  // semitones above the played note; empty for a single note
};

struct score_song {
  std::string title;                             // at most 20 characters
  std::vector<std::string> channels;             // channel names; 4, 6 or 8 of them
  std::vector<score_instrument> instruments;     // sample 1 first
  std::vector<std::vector<score_cell>> patterns; // module patterns, each SCORE_ROWS x channels cells
  std::vector<std::string> pattern_names;        // the score's name of each module pattern
  std::vector<uint8_t> order;                    // module pattern number per order entry
};

// The note a cell plays when it names the instrument without a note: the
// voice's own note, moved by as many octaves as the instrument's register.
int32_t instrument_default_note(const score_instrument& ins);

// Reads the score text; file is the name its errors start with. True with song
// filled, or false with error = "file:line:column: what was expected".
bool score_read(std::string_view text, std::string_view file, score_song& song, std::string& error);
