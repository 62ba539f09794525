// The flash check: how much a show flashes, measured on its frames by the
// general and red flash thresholds that broadcasters and the web's
// accessibility guidelines use, through frame differences.
//
// The method, so that a figure means the same wherever it is quoted:
//   - each palette colour has a relative luminance L (R, G, B as c/255,
//     linearised, then 0.2126 R + 0.7152 G + 0.0722 B) and a red measure,
//     max(0, R - G - B) x 320 on the linearised values where R / (R + G + B)
//     is at least 0.8, else 0;
//   - fields: every window of one 10-degree field of view (76x57 pixels of the
//     320x200 picture shown 1440 pixels wide, as the guidelines' 341x256 of a
//     1024x768 screen) at steps of half a window in each direction, plus a
//     window flush with the right and bottom edges where the steps miss them,
//     and the whole picture as one more field; per field and frame the mean
//     L and the mean red measure;
//   - per field, a frame's change of a mean counts only when at least 25 % of
//     the field's pixels changed colour since the frame before (else it counts
//     as 0); counted changes of the same sign add up, one of the other sign
//     starts a new sum (a frame that counts 0 leaves the sum as it is); a
//     transition is a sum reaching 0.1 (red: 20) where the darker of the two
//     frames it lies between (the one before the sum's first change and the
//     current one) has a mean L below 0.8 (luminance only); a sum counts
//     once, at the frame where it gets there;
//   - a frame fails when, in some field, the one second of frames ending with
//     it (fps frames) holds more than six transitions (more than three
//     flashes); a second of the show fails when one of its frames does.
//
// Pure functions and one state record: frames and palettes go in, counts come
// out; nothing here knows the demo.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The field of view, in pixels of the 320x200 picture.
inline constexpr int FLASH_FIELD_W = 76;
inline constexpr int FLASH_FIELD_H = 57;
// A change counts when at least this share of a field's pixels changed colour.
inline constexpr double FLASH_AREA = 0.25;
// A transition: the mean L moves this far, the darker of its two ends below FLASH_DARK...
inline constexpr double FLASH_STEP = 0.1;
inline constexpr double FLASH_DARK = 0.8;
// ...or the mean red measure moves this far.
inline constexpr double FLASH_RED_STEP = 20.0;
// The most transitions one second may hold (three flashes).
inline constexpr int FLASH_LIMIT = 6;

// The two measures: the general flash (luminance) and the red flash.
enum flash_measure : int { FLASH_GENERAL = 0, FLASH_RED = 1, FLASH_MEASURES = 2 };

struct flash_field {
  int x, y, w, h;
};

// The fields of a w x h picture for a field of fw x fh: the windows at steps
// of half a window (fw / 2, fh / 2, rounded down), with one more flush with
// the far edge in each direction when the steps do not end there, row by row;
// the whole picture last. A field larger than the picture is cut to it.
std::vector<flash_field> flash_fields(int w, int h, int fw, int fh);

// The relative luminance (0..1) and the red measure (0..320) of a colour.
double flash_luminance(uint8_t r, uint8_t g, uint8_t b);
double flash_red(uint8_t r, uint8_t g, uint8_t b);

// The worst of a frame for one measure: the most transitions that one field
// holds in the second of frames ending with it, and that field (an index into
// the fields; -1 while no field holds any).
struct flash_worst {
  int transitions = 0;
  int field = -1;
};
using flash_result = std::array<flash_worst, FLASH_MEASURES>;

// The analysis of one show: the picture's size, the rate, the fields and what
// each field has seen so far. Set up by flash_begin; read .fields for where a
// field lies.
struct flash_state {
  int w = 0, h = 0, fps = 0;
  std::vector<flash_field> fields;
  int64_t frames = 0;  // frames fed so far
  // The frame before: its indices and its colours, red << 16 | green << 8 | blue.
  std::vector<uint8_t> prev;
  std::array<uint32_t, 256> prev_rgb{};
  // The palette's measures in fixed point, kept while the palette stays.
  std::array<int64_t, 256> lum{}, red{};
  // Summed-area tables of the frame, (w + 1) x (h + 1): luminance and red
  // measure in fixed point (FLASH_L_ONE, FLASH_RED_ONE per unit) and the
  // count of pixels that changed colour.
  std::vector<int64_t> sum_l, sum_red, sum_changed;
  struct run {
    int sign = 0;       // of the changes being added up; 0 before the first
    int64_t sum = 0;    // their sum, fixed point
    int64_t start = 0;  // the field's sum before the first of them
    bool counted = false;
  };
  struct field_state {
    std::array<int64_t, FLASH_MEASURES> sums{};  // the field's sums in the frame before
    std::array<run, FLASH_MEASURES> runs{};
    // The frames of the transitions of the last second, oldest first, in a ring.
    std::array<std::array<int64_t, 256>, FLASH_MEASURES> recent{};
    std::array<int, FLASH_MEASURES> first{}, count{};
  };
  std::vector<field_state> state;
};

// Fixed point of the sums: luminance in units of 2^-24, the red measure in 2^-16.
inline constexpr int64_t FLASH_L_ONE = int64_t{1} << 24;
inline constexpr int64_t FLASH_RED_ONE = int64_t{1} << 16;

// Starts the analysis of a w x h show at fps frames a second (1..255) with
// fields of fw x fh. False for a size or rate out of range.
bool flash_begin(flash_state& s, int w, int h, int fps, int fw = FLASH_FIELD_W, int fh = FLASH_FIELD_H);

// Feeds the next frame: w x h palette indices, row by row, and the 256
// palette entries (red, green, blue) it is shown with. The first frame is the
// reference and holds no transition.
flash_result flash_frame(flash_state& s, const uint8_t* frame, const uint8_t* rgb);

// ---- Seconds ----------------------------------------------------------------------

// One second of the show: per measure the worst of its frames and when that
// frame was (its number from the start).
struct flash_second {
  flash_result worst{};
  std::array<int64_t, FLASH_MEASURES> frame{};
};

// Folds frame k's result into the seconds (second k / fps), growing the table.
void flash_tally(std::vector<flash_second>& seconds, int64_t k, int fps, const flash_result& r);

// Whether a second fails by a measure.
inline bool flash_fails(const flash_second& s, int measure) { return s.worst[measure].transitions > FLASH_LIMIT; }
