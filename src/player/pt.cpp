// Module player: loader, sequencer and channel effects.
//
// Owns the module state (sample headers, order table, pattern pointers), the
// sequencer state, the per-channel effect state, the period table and the
// vibrato/tremolo waveforms. It touches the module buffer it is given
// (patterns are converted in place) and talks to the mixer only through the
// sound operation table (sd_main.h). Nothing here allocates; pt_play runs on
// the audio thread (or the silent device's timer thread), one call at a time.
#include "player/pt.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sound/sd_main.h"

// ---- Constants --------------------------------------------------------------

namespace {

constexpr int32_t HEADER_BYTES = 1084;   // title, 31 sample headers, song length, restart, orders, id
constexpr int32_t ROWS = 64;             // rows per pattern
constexpr int32_t CELL_BYTES = 4;        // bytes per cell, file and player layout alike
constexpr int32_t NOTE_NONE = PT_NO_NOTE;
constexpr int32_t TOP_COLUMN = 84;       // last period column: a repeat of the top note, 83
constexpr int32_t PERIOD_MIN = 27;       // slides and fine slides stop here...
constexpr int32_t PERIOD_MAX = 3628;     // ...and here (column 0 of finetune -8)
constexpr int32_t VOLUME_MAX = 64;

// Effect keys. The channel walk decodes each cell into one key: its effect
// number (0..15) times 256, except for the extended effect 14, whose key is
// 0xE00 plus the parameter's upper four bits; the lower four are then its
// value. Only effect 14 has more than one key, so a test of any other effect
// number is a test of its key.
enum class cmd : int32_t {
  arpeggio = 0x000,  // 0xy; 000 does nothing
  slide_up = 0x100,
  slide_down = 0x200,
  tone_porta = PT_EFFECT_TONE_PORTA * 256,
  vibrato = 0x400,
  porta_volslide = PT_EFFECT_PORTA_VOLSLIDE * 256,  // tone portamento and volume slide
  vibrato_volslide = 0x600,                         // vibrato and volume slide
  tremolo = 0x700,
  set_panning = 0x800,
  sample_offset = 0x900,
  volume_slide = 0xA00,
  position_jump = 0xB00,
  set_volume = 0xC00,
  pattern_break = 0xD00,
  fine_slide_up = 0xE10,  // E0x and EFx are not used
  fine_slide_down = 0xE20,
  glissando = 0xE30,
  vibrato_wave = 0xE40,
  set_finetune = 0xE50,
  pattern_loop = 0xE60,
  tremolo_wave = 0xE70,
  coarse_panning = 0xE80,
  retrigger = 0xE90,
  fine_volume_up = 0xEA0,
  fine_volume_down = 0xEB0,
  note_cut = 0xEC0,
  note_delay = 0xED0,
  pattern_delay = 0xEE0,
  set_speed = 0xF00,
};
constexpr int32_t EFFECT_EXTENDED = 14;

constexpr int32_t high_nibble(int32_t param) { return param >> 4; }
constexpr int32_t low_nibble(int32_t param) { return param & 15; }

constexpr cmd key_of(int32_t effect, int32_t param) {
  return static_cast<cmd>(effect == EFFECT_EXTENDED ? 0xE00 + (param & 0xF0) : effect * 256);
}
static_assert(static_cast<int32_t>(cmd::tone_porta) == 0x300 && static_cast<int32_t>(cmd::porta_volslide) == 0x500);
static_assert(key_of(12, 0x40) == cmd::set_volume && key_of(14, 0xD3) == cmd::note_delay);

// Period table.
//
// The middle three octaves (columns 24..59) of every finetune row are the
// classic Amiga tracker periods: C-1 is 856 at finetune 0 and each finetune step
// is an eighth of a semitone (rows 8..15 are -8..-1). These 16 x 36 values are
// the historical data, kept as they are (they are not an exact formula).
constexpr uint16_t k_core[16][36] = {
    {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 339, 320,
     302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113},
    {850, 802, 757, 715, 674, 637, 601, 567, 535, 505, 477, 450, 425, 401, 379, 357, 337, 318,
     300, 284, 268, 253, 239, 225, 213, 201, 189, 179, 169, 159, 150, 142, 134, 126, 119, 113},
    {844, 796, 752, 709, 670, 632, 597, 563, 532, 502, 474, 447, 422, 398, 376, 355, 335, 316,
     298, 282, 266, 251, 237, 224, 211, 199, 188, 177, 167, 158, 149, 141, 133, 125, 118, 112},
    {838, 791, 746, 704, 665, 628, 592, 559, 528, 498, 470, 444, 419, 395, 373, 352, 332, 314,
     296, 280, 264, 249, 235, 222, 209, 198, 187, 176, 166, 157, 148, 140, 132, 125, 118, 111},
    {832, 785, 741, 699, 660, 623, 588, 555, 524, 495, 467, 441, 416, 392, 370, 350, 330, 312,
     294, 278, 262, 247, 233, 220, 208, 196, 185, 175, 165, 156, 147, 139, 131, 124, 117, 110},
    {826, 779, 736, 694, 655, 619, 584, 551, 520, 491, 463, 437, 413, 390, 368, 347, 328, 309,
     292, 276, 260, 245, 232, 219, 206, 195, 184, 174, 164, 155, 146, 138, 130, 123, 116, 109},
    {820, 774, 730, 689, 651, 614, 580, 547, 516, 487, 460, 434, 410, 387, 365, 345, 325, 307,
     290, 274, 258, 244, 230, 217, 205, 193, 183, 172, 163, 154, 145, 137, 129, 122, 115, 109},
    {814, 768, 725, 684, 646, 610, 575, 543, 513, 484, 457, 431, 407, 384, 363, 342, 323, 305,
     288, 272, 256, 242, 228, 216, 204, 192, 181, 171, 161, 152, 144, 136, 128, 121, 114, 108},
    {907, 856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 339,
     320, 302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120},
    {900, 850, 802, 757, 715, 675, 636, 601, 567, 535, 505, 477, 450, 425, 401, 379, 357, 337,
     318, 300, 284, 268, 253, 238, 225, 212, 200, 189, 179, 169, 159, 150, 142, 134, 126, 119},
    {894, 844, 796, 752, 709, 670, 632, 597, 563, 532, 502, 474, 447, 422, 398, 376, 355, 335,
     316, 298, 282, 266, 251, 237, 223, 211, 199, 188, 177, 167, 158, 149, 141, 133, 125, 118},
    {887, 838, 791, 746, 704, 665, 628, 592, 559, 528, 498, 470, 444, 419, 395, 373, 352, 332,
     314, 296, 280, 264, 249, 235, 222, 209, 198, 187, 176, 166, 157, 148, 140, 132, 125, 118},
    {881, 832, 785, 741, 699, 660, 623, 588, 555, 524, 494, 467, 441, 416, 392, 370, 350, 330,
     312, 294, 278, 262, 247, 233, 220, 208, 196, 185, 175, 165, 156, 147, 139, 131, 123, 117},
    {875, 826, 779, 736, 694, 655, 619, 584, 551, 520, 491, 463, 437, 413, 390, 368, 347, 328,
     309, 292, 276, 260, 245, 232, 219, 206, 195, 184, 174, 164, 155, 146, 138, 130, 123, 116},
    {868, 820, 774, 730, 689, 651, 614, 580, 547, 516, 487, 460, 434, 410, 387, 365, 345, 325,
     307, 290, 274, 258, 244, 230, 217, 205, 193, 183, 172, 163, 154, 145, 137, 129, 122, 115},
    {862, 814, 768, 725, 684, 646, 610, 575, 543, 513, 484, 457, 431, 407, 384, 363, 342, 323,
     305, 288, 272, 256, 242, 228, 216, 203, 192, 181, 171, 161, 152, 144, 136, 128, 121, 114},
};

// The two outer octaves on each side are an octave rule: columns 12..23 and
// 0..11 double the value twelve columns to their right, columns 60..71 and
// 72..83 halve (rounding down) the value twelve columns to their left, and
// column 84 repeats column 83 so that arpeggio and the glissando search can
// index one past the top note. Two rows depart from the rule: the outer
// octaves of finetune -8 follow the ideal pitch (up to 2 off what the rule
// gives), and the top note of finetune -7 is 30 where the rule gives 29. Those
// entries are listed here and override the rule after it has run.
struct period_fix {
  uint8_t row, col;
  uint16_t period;
};
constexpr period_fix k_fixes[] = {
    {8, 3, 3050},  {8, 4, 2879},  {8, 5, 2717},  {8, 6, 2565},  {8, 7, 2421},  {8, 8, 2285},
    {8, 9, 2157},  {8, 10, 2036}, {8, 11, 1921}, {8, 15, 1525}, {8, 16, 1439}, {8, 17, 1358},
    {8, 18, 1282}, {8, 19, 1210}, {8, 20, 1142}, {8, 21, 1078}, {8, 22, 1018}, {8, 61, 106},
    {8, 62, 100},  {8, 76, 44},   {9, 83, 30},
};

struct period_table {
  uint16_t v[16][85];
};

constexpr period_table make_tuning() {
  period_table t{};
  for (int r = 0; r < 16; r++) {
    for (int c = 0; c < 36; c++) t.v[r][24 + c] = k_core[r][c];
    for (int c = 23; c >= 0; c--) t.v[r][c] = static_cast<uint16_t>(t.v[r][c + 12] * 2);
    for (int c = 60; c < 84; c++) t.v[r][c] = static_cast<uint16_t>(t.v[r][c - 12] / 2);
  }
  for (const period_fix& f : k_fixes) t.v[f.row][f.col] = f.period;
  for (int r = 0; r < 16; r++) t.v[r][84] = t.v[r][83];
  return t;
}

constexpr period_table k_tuning = make_tuning();

constexpr bool rows_strictly_fall() {
  for (int r = 0; r < 16; r++)
    for (int c = 1; c < 84; c++)
      if (k_tuning.v[r][c] >= k_tuning.v[r][c - 1]) return false;
  return true;
}

constexpr bool within_rule(int slack) {
  // Every outer-octave entry stays within slack of the octave rule.
  for (int r = 0; r < 16; r++) {
    for (int c = 0; c < 24; c++) {
      const int d = k_tuning.v[r][c] - 2 * k_tuning.v[r][c + 12];
      if (d > slack || d < -slack) return false;
    }
    for (int c = 60; c < 84; c++) {
      const int d = k_tuning.v[r][c] - k_tuning.v[r][c - 12] / 2;
      if (d > slack || d < -slack) return false;
    }
  }
  return true;
}

static_assert(rows_strictly_fall(), "every finetune row must fall strictly from column 0 to 83");
static_assert(within_rule(5), "outer octaves must stay within 5 of the octave rule");
static_assert(k_tuning.v[0][0] == 3424 && k_tuning.v[0][24] == 856 && k_tuning.v[0][59] == 113);
static_assert(k_tuning.v[0][83] == 28 && k_tuning.v[0][84] == 28);
static_assert(k_tuning.v[8][0] == 3628 && k_tuning.v[8][24] == 907 && k_tuning.v[8][84] == 30);
static_assert(k_tuning.v[7][24] == 814 && k_tuning.v[7][0] == 3256 && k_tuning.v[15][0] == 3448);
static_assert(k_tuning.v[9][83] == 30 && k_tuning.v[14][83] == 28 && k_tuning.v[3][83] == 27);

// The note index of every 12-bit file period: the first finetune-0 column whose
// period is at or below it (so an in-between period takes the higher pitch),
// NOTE_NONE if none. The row falls strictly, so the columns at or below a
// period are a tail of the row that grows as the period does: one walk fills
// the table. The loader looks up every cell of every pattern here.
constexpr std::array<uint8_t, 4096> make_note_of_period() {
  std::array<uint8_t, 4096> t{};
  int32_t j = NOTE_NONE;
  for (uint32_t p = 0; p < 4096; p++) {
    while (j > 0 && k_tuning.v[0][j - 1] <= p) j--;
    t[p] = static_cast<uint8_t>(j);
  }
  return t;
}

constexpr std::array<uint8_t, 4096> k_note_of_period = make_note_of_period();

static_assert(k_note_of_period[0] == NOTE_NONE && k_note_of_period[27] == NOTE_NONE && k_note_of_period[28] == 83);
static_assert(k_note_of_period[855] == 25 && k_note_of_period[856] == 24 && k_note_of_period[857] == 24);
static_assert(k_note_of_period[3424] == 0 && k_note_of_period[4095] == 0);

// Sine: the classic vibrato table's first half, then the same values negated.
constexpr int16_t k_sine_half[32] = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212,
                                     224, 235, 244, 250, 253, 255, 253, 250, 244, 235, 224,
                                     212, 197, 180, 161, 141, 120, 97,  74,  49,  24};

}  // namespace

// ---- Module state -------------------------------------------------------------

int32_t pt_slen[32];
uint8_t pt_finetune[32];
int32_t pt_svol[32];
int32_t pt_loops[32];
int32_t pt_loope[32];
uint8_t pt_songlen;
int32_t pt_repstart;
uint8_t pt_order[128];
char pt_modid[5];
int32_t pt_channels;
uint8_t pt_lastpattern;
uint8_t* pt_patterns[128];
const char* pt_errorstr = "";
int32_t pt_cutsample;
const uint8_t* rb_src;
int32_t rb_ofs;

const char pt_modid_table[22][5] = {"2CHN", "4CHN", "M.K.", "M!K!", "FLT4", "FLT8", "OCTA", "6CHN",
                                    "8CHN", "10CH", "12CH", "14CH", "16CH", "18CH", "20CH", "22CH",
                                    "24CH", "26CH", "28CH", "30CH", "32CH", "STOP"};
const uint16_t pt_modid_channels_table[22] = {2,  4,  4,  4,  4,  8,  8,  6,  8,  10, 12,
                                              14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 0};

// The generated table, spelled out entry by entry (an array cannot be
// initialised from another array).
#define T1(r, c) k_tuning.v[r][c]
#define T5(r, c) T1(r, c), T1(r, c + 1), T1(r, c + 2), T1(r, c + 3), T1(r, c + 4)
#define T85(r)                                                                                   \
  {T5(r, 0),  T5(r, 5),  T5(r, 10), T5(r, 15), T5(r, 20), T5(r, 25), T5(r, 30), T5(r, 35), T5(r, 40), \
   T5(r, 45), T5(r, 50), T5(r, 55), T5(r, 60), T5(r, 65), T5(r, 70), T5(r, 75), T5(r, 80)}
const uint16_t tuning[16][85] = {T85(0), T85(1), T85(2),  T85(3),  T85(4),  T85(5),  T85(6),  T85(7),
                                 T85(8), T85(9), T85(10), T85(11), T85(12), T85(13), T85(14), T85(15)};
#undef T85
#undef T5
#undef T1

// ---- Sequencer state ------------------------------------------------------------

int32_t pt_vbtempo = 6;
int32_t pt_bpmtempo = 125;
int32_t pt_vbcount = 5;
int32_t pt_rowcount = 63;
int32_t pt_songpos = -1;
int32_t pt_firstline;
int32_t pt_curpattern;
uint8_t* pt_lineptr;
std::atomic<int32_t> pt_position{-37};

int32_t pt_cursample[32], pt_curvol[32], pt_curperiod[32], pt_curnote[32];
int32_t pt_curfine[32], pt_curtarget[32], pt_pan[32], pt_tporta[32], pt_glissando[32];
int32_t pt_vibc[32], pt_vibd[32], pt_vibs[32];
int32_t pt_trmc[32], pt_trmd[32], pt_trms[32];
int32_t pt_pattloopstart[32], pt_pattloop[32], pt_pattdelay[32];
uint8_t pt_defaultpan[32] = {7, 9, 9, 7, 7, 9, 9, 7, 7, 9, 9, 7, 7, 9, 9, 7,
                             7, 9, 9, 7, 7, 9, 9, 7, 7, 9, 9, 7, 7, 9, 9, 7};

namespace {
using wave = std::array<int16_t, 64>;
// Sine: the first half as listed, the second half the same values negated.
constexpr wave make_sine() {
  wave w{};
  for (int i = 0; i < 64; i++) w[i] = i < 32 ? k_sine_half[i] : static_cast<int16_t>(-k_sine_half[i - 32]);
  return w;
}
// Square: 0 for a quarter, 255 for a quarter, 0, then -256.
constexpr wave make_square() {
  wave w{};
  for (int i = 0; i < 64; i++) w[i] = static_cast<int16_t>(i < 16 ? 0 : i < 32 ? 255 : i < 48 ? 0 : -256);
  return w;
}
static_assert(make_sine()[16] == 255 && make_sine()[48] == -255 && make_sine()[33] == -24);
static_assert(make_square()[15] == 0 && make_square()[16] == 255 && make_square()[63] == -256);
}  // namespace

// The ramp and random tables are filled by pt_init; the other two are fixed.
std::array<int16_t, 64> pt_sinetable = make_sine();
std::array<int16_t, 64> pt_ramptable{};
std::array<int16_t, 64> pt_squaretable = make_square();
std::array<int16_t, 64> pt_randtable{};
int16_t* const pt_waveforms[4] = {pt_sinetable.data(), pt_ramptable.data(), pt_squaretable.data(),
                                  pt_randtable.data()};
const int16_t* pt_vibratotable = pt_sinetable.data();
const int16_t* pt_tremolotable = pt_sinetable.data();

// ---- Private helpers --------------------------------------------------------------

namespace {

// One-line messages need a home that outlives the call.
char errbuf[96];

void set_error(const char* fmt, int32_t value) {
  std::snprintf(errbuf, sizeof errbuf, fmt, static_cast<int>(value));
  pt_errorstr = errbuf;
}

// The note index of a file period (12 bits): see k_note_of_period.
uint8_t note_of_period(uint32_t period) { return k_note_of_period[period & 0xFFF]; }

int32_t clamp_volume(int32_t v) { return v < 0 ? 0 : v > VOLUME_MAX ? VOLUME_MAX : v; }

void volume_slide(int ch, int32_t xy) {
  if (xy > 15)
    pt_curvol[ch] += high_nibble(xy);
  else
    pt_curvol[ch] -= low_nibble(xy);
  pt_curvol[ch] = clamp_volume(pt_curvol[ch]);
  sd_setvolume(pt_curvol[ch]);
}

void porta_step(int ch) {
  const int32_t target = pt_curtarget[ch];
  int32_t p = pt_curperiod[ch];
  if (p < target) {
    p += pt_tporta[ch];
    if (p > target) p = target;
  } else if (p > target) {
    p -= pt_tporta[ch];
    if (p < target) p = target;
  }
  pt_curperiod[ch] = p;
}

// The table period at or just above the sliding period (the note at or just
// below its pitch), or column 0 when the period lies above the whole row.
int32_t glissando_period(int ch) {
  const uint16_t* row = tuning[pt_curfine[ch]];
  int n = TOP_COLUMN;
  while (n > 0 && row[n] < pt_curperiod[ch]) n--;
  return row[n];
}

void vibrato_step(int ch) {
  const int32_t w = pt_vibratotable[pt_vibc[ch]];
  sd_setamigaperiod(pt_curperiod[ch] + w * pt_vibd[ch] / 127);
  pt_vibc[ch] = (pt_vibc[ch] + pt_vibs[ch]) & 63;
}

void tremolo_step(int ch) {
  const int32_t w = pt_tremolotable[pt_trmc[ch]];
  const int32_t v = pt_curvol[ch] + w * pt_trmd[ch] / 127;
  pt_trmc[ch] = (pt_trmc[ch] + pt_trms[ch]) & 63;
  sd_setvolume(clamp_volume(v));
}

// A tick-count effect (note cut, note delay) fires on tick x, or on the row's
// last tick when x lies beyond the row. It is asked only on a row's running
// ticks (1 .. speed - 1), never on tick 0: so EC0 and ED0 never act (ED0's
// note is never started), and at speed 1 (or 0) a row has no running tick,
// so no cut or delay acts at all. That is the effects' rule, kept on purpose.
bool on_tick(int32_t x) {
  return pt_vbcount == x || (pt_vbcount == pt_vbtempo - 1 && x >= pt_vbtempo);
}

// Starts note on channel ch from the beginning at the channel's current
// volume, as retrigger and note delay do.
void restart_note(int ch, int32_t note) {
  pt_curperiod[ch] = tuning[pt_curfine[ch]][note];
  sd_setvolume(pt_curvol[ch]);
  sd_setamigaperiod(pt_curperiod[ch]);
  sd_setoffset(0);
}

// Tick 0 of a row on one channel, first part: the note trigger. A sample
// number sets the channel's sample, volume and panning; a note sets the
// period from the sample's finetune and starts the sample from its
// beginning, unless the key defers it (tone portamento only sets the target,
// a note delay starts it later) or gives the offset itself (9xx).
void note_trigger(int ch, int32_t sample, int32_t note, cmd key) {
  if (sample != 0) {
    pt_cursample[ch] = sample;
    pt_pan[ch] = pt_defaultpan[ch] * 16;
    pt_curvol[ch] = pt_svol[sample];
    if (key != cmd::set_volume) sd_setvolume(pt_svol[sample]);
    if (key != cmd::set_panning) sd_setpanning(pt_pan[ch]);
    sd_setsample(sample);
  }
  if (note >= NOTE_NONE) return;
  const int32_t fine = pt_finetune[pt_cursample[ch]];
  const int32_t period = tuning[fine][note];
  pt_curfine[ch] = fine;
  pt_curtarget[ch] = period;
  if (key == cmd::tone_porta || key == cmd::porta_volslide || key == cmd::note_delay) return;
  pt_curperiod[ch] = period;
  sd_setamigaperiod(period);
  if (key != cmd::sample_offset) sd_setoffset(0);
  pt_curnote[ch] = note;
}

// Tick 0, second part: the row-start action of a channel effect.
void start_effect(int ch, cmd key, int32_t param) {
  const int32_t x = low_nibble(param);
  switch (key) {
    case cmd::arpeggio:
      if (param != 0) sd_setamigaperiod(tuning[pt_curfine[ch]][pt_curnote[ch]]);
      break;
    case cmd::set_panning:
      pt_pan[ch] = param;
      sd_setpanning(param);
      break;
    case cmd::sample_offset:
      sd_setoffset(static_cast<uint32_t>(param) * 256u);
      break;
    case cmd::set_volume:
      pt_curvol[ch] = param;
      sd_setvolume(param);
      break;
    case cmd::fine_slide_up:
      if (pt_curperiod[ch] > PERIOD_MIN) sd_setamigaperiod(--pt_curperiod[ch]);
      break;
    case cmd::fine_slide_down:
      if (pt_curperiod[ch] < PERIOD_MAX) sd_setamigaperiod(++pt_curperiod[ch]);
      break;
    case cmd::glissando:
      pt_glissando[ch] = x;
      break;
    case cmd::vibrato_wave:
      if (x <= 3) pt_vibc[ch] = 0;
      pt_vibratotable = pt_waveforms[x & 3];
      break;
    case cmd::set_finetune:
      pt_curfine[ch] = x;
      break;
    case cmd::tremolo_wave:
      if (x <= 3) pt_trmc[ch] = 0;
      pt_tremolotable = pt_waveforms[x & 3];
      break;
    case cmd::coarse_panning:
      pt_defaultpan[ch] = static_cast<uint8_t>(x);
      sd_setpanning(x * 16);
      break;
    case cmd::fine_volume_up:
      if (pt_curvol[ch] < VOLUME_MAX) sd_setvolume(++pt_curvol[ch]);
      break;
    case cmd::fine_volume_down:
      if (pt_curvol[ch] > 0) sd_setvolume(--pt_curvol[ch]);
      break;
    default:
      break;
  }
}

// Tick 0, third part: the sequencing effects, which set the row and order
// the next row boundary moves to (or hold it). Channels run in order, so a
// higher channel's command of the same kind wins.
void sequence_effect(int ch, cmd key, int32_t param) {
  const int32_t x = low_nibble(param);
  switch (key) {
    case cmd::position_jump:
      pt_songpos = param - 1;
      pt_rowcount = ROWS - 1;
      break;
    case cmd::pattern_break: {
      // The nibbles are read as decimal digits. A break past the last row
      // (D64..DF9) starts the next entry at row 0 rather than addressing
      // beyond the pattern.
      const int32_t row = high_nibble(param) * 10 + x;
      pt_firstline = row < ROWS ? row : 0;
      pt_rowcount = ROWS - 1;
      break;
    }
    case cmd::pattern_loop:
      // E60 marks the row; E6y jumps back to the mark y times. The jump sets
      // the row before the mark, which the next row boundary steps onto.
      if (x == 0) {
        pt_pattloopstart[ch] = pt_rowcount;
      } else if (pt_pattloop[ch] == 0) {
        pt_pattloop[ch] = x;
        pt_rowcount = pt_pattloopstart[ch] - 1;
      } else if (--pt_pattloop[ch] > 0) {
        pt_rowcount = pt_pattloopstart[ch] - 1;
      }
      break;
    case cmd::pattern_delay:
      pt_pattdelay[ch] = x;
      break;
    case cmd::set_speed:
      // Up to 31 ticks per row; above, a tempo that the fixed tick clock ignores.
      if (param <= 31)
        pt_vbtempo = param;
      else
        pt_bpmtempo = param;
      break;
    default:
      break;
  }
}

// Tick 0 of a row on one channel: the note trigger, then the key's action.
void row_start(int ch, const uint8_t* cell, cmd key) {
  note_trigger(ch, cell[0], cell[1], key);
  start_effect(ch, key, cell[3]);
  sequence_effect(ch, key, cell[3]);
}

// The other ticks of a row on one channel: the key's running action.
void row_running(int ch, const uint8_t* cell, cmd key) {
  const int32_t note = cell[1], param = cell[3];
  const int32_t x = low_nibble(param);
  switch (key) {
    case cmd::arpeggio:
      if (param != 0) {
        // Offsets that carry the column past the top note stay on it.
        int32_t col = pt_curnote[ch];
        const int32_t phase = pt_vbcount % 3;
        if (phase == 1) col += high_nibble(param);
        if (phase == 2) col += x;
        if (col > TOP_COLUMN) col = TOP_COLUMN;
        sd_setamigaperiod(tuning[pt_curfine[ch]][col]);
      }
      break;
    case cmd::slide_up: {
      int32_t p = pt_curperiod[ch] - param;
      if (p <= PERIOD_MIN - 1) p = PERIOD_MIN;
      pt_curperiod[ch] = p;
      sd_setamigaperiod(p);
      break;
    }
    case cmd::slide_down: {
      int32_t p = pt_curperiod[ch] + param;
      if (p > PERIOD_MAX) p = PERIOD_MAX;
      pt_curperiod[ch] = p;
      sd_setamigaperiod(p);
      break;
    }
    case cmd::tone_porta:
      if (param != 0) pt_tporta[ch] = param;
      porta_step(ch);
      sd_setamigaperiod(pt_glissando[ch] ? glissando_period(ch) : pt_curperiod[ch]);
      break;
    case cmd::vibrato:
      if (x > 0) pt_vibd[ch] = x;
      if (high_nibble(param) > 0) pt_vibs[ch] = high_nibble(param);
      vibrato_step(ch);
      break;
    case cmd::porta_volslide:
      porta_step(ch);
      sd_setamigaperiod(pt_curperiod[ch]);
      volume_slide(ch, param);
      break;
    case cmd::vibrato_volslide:
      vibrato_step(ch);
      volume_slide(ch, param);
      break;
    case cmd::tremolo:
      if (x > 0) pt_trmd[ch] = 2 * x;
      if (high_nibble(param) > 0) pt_trms[ch] = high_nibble(param);
      tremolo_step(ch);
      break;
    case cmd::volume_slide:
      volume_slide(ch, param);
      break;
    case cmd::retrigger:
      if (x > 0 && note < NOTE_NONE && pt_vbcount % x == 0) restart_note(ch, note);
      break;
    case cmd::note_cut:
      if (on_tick(x)) sd_setvolume(0);
      break;
    case cmd::note_delay:
      if (note < NOTE_NONE && on_tick(x)) {
        pt_curnote[ch] = note;
        restart_note(ch, note);
      }
      break;
    default:
      break;
  }
}

// The counters as they stand, with one exception: a pattern loop back to an
// order entry's first row leaves the row counter at -1, so that the next row
// boundary steps onto row 0. Published as it is, that would read as the last
// row of the entry before, a step back that the song-end rules (the demo's,
// zapmod render's, zapcapture's) take for the song's wrap; the loop stays
// inside its entry, so the position reads as that entry's row 0.
int32_t publish_position() {
  const int32_t row = pt_rowcount < 0 ? 0 : pt_rowcount;
  pt_position.store(pt_songpos * 100 + row, std::memory_order_release);
  return 0;
}

}  // namespace

// ---- Loader ---------------------------------------------------------------------

uint16_t read68kword() {
  const uint16_t v = static_cast<uint16_t>((rb_src[rb_ofs] << 8) | rb_src[rb_ofs + 1]);
  rb_ofs += 2;
  return v;
}

uint8_t readbyte() { return rb_src[rb_ofs++]; }

void skipbytes(int32_t n) { rb_ofs += n; }

void pt_convertpattern(uint8_t* pattern) {
  const int32_t cells = pt_channels * ROWS;
  for (int32_t i = 0; i < cells; i++) {
    uint8_t* c = pattern + i * CELL_BYTES;
    const uint8_t b0 = c[0], b1 = c[1], b2 = c[2];
    const uint32_t period = static_cast<uint32_t>(b0 & 15) * 256u + b1;
    // The file has room for sample numbers up to 255 but only 1..31 exist;
    // a larger one is read as no sample rather than indexing past the tables.
    const uint8_t sample = static_cast<uint8_t>((b0 & 0xF0) | (b2 >> 4));
    c[0] = sample <= 31 ? sample : 0;
    c[1] = note_of_period(period);
    c[2] = static_cast<uint8_t>(b2 & 15);
  }
}

namespace {

// The loader's steps, in file order. Each reads on from rb_ofs.

// Sample headers, song length, restart position, order table and id.
void read_header() {
  skipbytes(20);  // song title
  for (int s = 1; s <= 31; s++) {
    skipbytes(22);  // sample name
    pt_slen[s] = read68kword() * 2;
    pt_finetune[s] = static_cast<uint8_t>(readbyte() & 15);
    const uint8_t v = readbyte();
    pt_svol[s] = v > VOLUME_MAX ? VOLUME_MAX : v;
    pt_loops[s] = read68kword() * 2;
    pt_loope[s] = read68kword() * 2;
  }
  pt_songlen = readbyte();
  const uint8_t r = readbyte();
  pt_repstart = r > 126 ? 0 : r;
  for (int i = 0; i < 128; i++) pt_order[i] = readbyte();
  for (int i = 0; i < 4; i++) pt_modid[i] = static_cast<char>(readbyte());
  pt_modid[4] = 0;
}

// pt_channels from the id: the table is walked up to "STOP", whose 0
// channels mean an unknown id (so "STOP" itself is refused too).
bool find_channels() {
  int idx = 0;
  while (std::memcmp(pt_modid_table[idx], "STOP", 4) != 0 && std::memcmp(pt_modid, pt_modid_table[idx], 4) != 0)
    idx++;
  pt_channels = pt_modid_channels_table[idx];
  if (pt_channels == 0) {
    pt_errorstr = "pt_takemod error: unknown module type!";
    return false;
  }
  return true;
}

// Holds the song length inside the order table, refuses pattern numbers that
// have no slot in pt_patterns, and finds the highest pattern, which every
// entry counts for (used or not).
bool check_orders() {
  // The order table has room for 128 entries: a song length of 0 plays the
  // first entry, one above 128 is held at 128.
  if (pt_songlen == 0) pt_songlen = 1;
  if (pt_songlen > 128) pt_songlen = 128;
  uint8_t last = 0;
  for (int i = 0; i < 128; i++) {
    if (pt_order[i] >= 128) {
      pt_channels = 0;
      set_error("pt_takemod error: order entry %d names a pattern above 127", i);
      return false;
    }
    if (pt_order[i] > last) last = pt_order[i];
  }
  pt_lastpattern = last;
  return true;
}

// Patterns 0..pt_lastpattern, converted in place. Every one is checked to be
// there before any is converted, so that a refused module leaves the buffer
// as it was.
bool convert_patterns(uint8_t* data, int32_t size) {
  const int32_t patbytes = pt_channels * ROWS * CELL_BYTES;
  for (int32_t k = 0; k <= pt_lastpattern; k++) {
    if (size - rb_ofs - k * patbytes < patbytes) {
      pt_channels = 0;
      set_error("pt_takemod error: module cut short in pattern %d", k);
      return false;
    }
  }
  for (int32_t k = 0; k <= pt_lastpattern; k++) {
    pt_patterns[k] = data + rb_ofs;
    pt_convertpattern(pt_patterns[k]);
    skipbytes(patbytes);
  }
  return true;
}

// Hands each sample's data, where it lies, to the sound device. Sample data
// cut short by the end of the file is clamped to what is there; later samples
// get length 0 and are not registered.
void register_samples(uint8_t* data, int32_t size) {
  for (int s = 1; s <= 31; s++) {
    if (pt_slen[s] == 0) continue;
    uint32_t loopstart = static_cast<uint32_t>(pt_loops[s]);
    uint32_t loopend = static_cast<uint32_t>(pt_loops[s] + pt_loope[s]);
    int32_t looping = pt_loope[s] > 2 ? 1 : 0;  // a loop of one word is no loop
    const int32_t avail = size - rb_ofs;
    if (pt_slen[s] > avail) {
      if (pt_cutsample == 0) pt_cutsample = s;
      pt_slen[s] = avail > 0 ? avail : 0;
      if (pt_slen[s] == 0) continue;
      const uint32_t len = static_cast<uint32_t>(pt_slen[s]);
      if (loopend > len) loopend = len;
      if (loopstart > len) loopstart = len;
      if (loopend - loopstart <= 2) looping = 0;
    }
    sd_getsample(s, reinterpret_cast<const int8_t*>(data + rb_ofs), static_cast<uint32_t>(pt_slen[s]), loopstart,
                 loopend, looping);
    skipbytes(pt_slen[s]);
  }
}

}  // namespace

int32_t pt_takemod(uint8_t* data, int32_t size) {
  rb_src = data;
  rb_ofs = 0;
  pt_cutsample = 0;
  if (size < HEADER_BYTES) {
    // Nothing past the valid bytes is read, so the variables keep what they held.
    pt_channels = 0;
    set_error("pt_takemod error: module cut short in header (%d of 1084 bytes)", size < 0 ? 0 : size);
    return 0;
  }
  read_header();
  if (!find_channels() || !check_orders() || !convert_patterns(data, size)) return 0;
  register_samples(data, size);
  sd_setactivechannels(pt_channels);
  return 1;
}

// ---- Sequencer --------------------------------------------------------------------

void pt_init() {
  for (int ch = 0; ch < 32; ch++) {
    pt_curtarget[ch] = pt_cursample[ch] = pt_tporta[ch] = pt_curvol[ch] = pt_curfine[ch] = 0;
    pt_curnote[ch] = pt_trmc[ch] = pt_curperiod[ch] = pt_trmd[ch] = pt_trms[ch] = 0;
    pt_vibc[ch] = pt_vibd[ch] = pt_vibs[ch] = 0;
    pt_pattloopstart[ch] = pt_pattloop[ch] = pt_pattdelay[ch] = 0;
  }
  pt_vbtempo = 6;
  pt_bpmtempo = 125;
  pt_vbcount = 5;
  pt_rowcount = 63;
  pt_songpos = -1;
  pt_firstline = 0;
  pt_curpattern = 0;
  pt_vibratotable = pt_sinetable.data();
  pt_tremolotable = pt_sinetable.data();
  for (int i = 0; i < 64; i++) {
    pt_ramptable[i] = static_cast<int16_t>(255 - 8 * i);
    pt_randtable[i] = static_cast<int16_t>(std::rand() % 511 - 256);
  }
  publish_position();
}

int32_t pt_play() {
  // 1. Count the tick; a speed of 0 repeats tick 0 of the same row for ever.
  if (pt_vbtempo != 0) {
    if (static_cast<uint32_t>(pt_vbcount + 1) < static_cast<uint32_t>(pt_vbtempo)) {
      pt_vbcount++;
    } else {
      pt_vbcount = 0;
      // 2. Pattern delay: a held row boundary does nothing at all.
      bool held = false;
      for (int ch = 0; ch < pt_channels; ch++) {
        if (pt_pattdelay[ch] > 0) {
          pt_pattdelay[ch]--;
          held = true;
        }
      }
      if (held) return publish_position();
      // 3. Advance the row, and the order entry after row 63 (or a break).
      if (static_cast<uint32_t>(pt_rowcount + 1) <= 63u) {
        pt_rowcount++;
        if (static_cast<uint32_t>(pt_songpos) > 127u) {
          // A position jump (B00 leaves -1, B81..BFF leave 128..254) whose row
          // also took a pattern-loop jump stays inside the pattern, so no order
          // change completes it; complete it here rather than read the pattern
          // number from outside the order table.
          pt_songpos = static_cast<uint32_t>(pt_songpos + 1) < pt_songlen ? pt_songpos + 1 : pt_repstart;
        }
      } else {
        pt_rowcount = pt_firstline;
        pt_firstline = 0;
        pt_songpos++;
        if (static_cast<uint32_t>(pt_songpos) >= pt_songlen) pt_songpos = pt_repstart;
      }
      pt_curpattern = pt_order[pt_songpos];
      pt_lineptr = pt_patterns[pt_curpattern] + pt_channels * pt_rowcount * CELL_BYTES;
    }
  }
  // 4. Walk the channels of the current row.
  for (int ch = 0; ch < pt_channels; ch++) {
    const uint8_t* cell = pt_lineptr + ch * CELL_BYTES;
    sd_selectchannel(ch);
    const cmd key = key_of(cell[2], cell[3]);
    if (pt_vbcount == 0)
      row_start(ch, cell, key);
    else
      row_running(ch, cell, key);
  }
  return publish_position();
}
