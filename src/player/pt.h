// Module player: loader, sequencer and channel effects for four-character-id
// tracker modules (31 samples, 2 to 32 channels).
//
// The loader converts the patterns in place inside the caller's buffer and
// registers the sample data with the sound device by address, so the buffer
// must outlive playback. The player talks to the mixer only through the
// operation table of sound/sd_main.h. One module at a time; all state is global.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "sound/sd_mix.h"  // MIX_SAMPLE_SLACK

// ---- Loader ---------------------------------------------------------------

// A module file is read up to this many bytes (the demo, its tools, and the
// largest module the composer writes)...
inline constexpr int32_t MODBUF_LIMIT = 1000000;
// ...into a buffer this much longer, zeroed: the mixer reads up to two bytes
// past a sample's data, and the last sample may end at the read limit.
inline constexpr int32_t MODBUF_SPARE = MIX_SAMPLE_SLACK;

// A player cell after loading: note index PT_NO_NOTE stands for no note.
inline constexpr int32_t PT_NO_NOTE = 84;
// Effect numbers (a cell's third byte) that slide to the cell's note instead
// of starting its sample again: tone portamento, and tone portamento with a
// volume slide.
inline constexpr int32_t PT_EFFECT_TONE_PORTA = 3;
inline constexpr int32_t PT_EFFECT_PORTA_VOLSLIDE = 5;

extern int32_t pt_slen[32];      // sample length in bytes
extern uint8_t pt_finetune[32];  // 0..15 (8..15 mean -8..-1): row of `tuning`
extern int32_t pt_svol[32];      // default volume 0..64
extern int32_t pt_loops[32];     // loop start in bytes
extern int32_t pt_loope[32];     // loop length in bytes
extern uint8_t pt_songlen;       // used entries of the order table
extern int32_t pt_repstart;      // order index to continue at after the last entry
extern uint8_t pt_order[128];    // pattern number per order index
extern char pt_modid[5];         // four id characters and a zero byte
extern int32_t pt_channels;      // 2..32; 0 after an unknown id
extern uint8_t pt_lastpattern;   // highest pattern number in pt_order
extern uint8_t* pt_patterns[128];  // first cell of each pattern, inside the caller's buffer
extern const char* pt_errorstr;  // last error message; empty until an error
extern int32_t pt_cutsample;     // first sample whose data the file cut short (clamped), 0 if none
extern const uint8_t* rb_src;    // base of the module being read
extern int32_t rb_ofs;           // read offset from rb_src

extern const char pt_modid_table[22][5];            // known ids, "STOP" terminates
extern const uint16_t pt_modid_channels_table[22];  // channel count per id
extern const uint16_t tuning[16][85];               // Amiga periods: [finetune][note 0..84]

// Loads the module image at data, of which size bytes are valid. The buffer
// must hold MIX_SAMPLE_SLACK (sd_mix.h) readable bytes after them, since the
// mixer reads two bytes past a sample and the last sample may end the file:
// a buffer for files of up to N bytes is N + MIX_SAMPLE_SLACK bytes, zeroed.
// Returns 1 when taken, 0 when refused, with pt_errorstr set.
int32_t pt_takemod(uint8_t* data, int32_t size);
uint16_t read68kword();
uint8_t readbyte();
void skipbytes(int32_t n);
// Converts pt_channels x 64 cells in place from the file layout to the player's:
// sample number, note index (0..83, 84 = none), effect 0..15, parameter.
void pt_convertpattern(uint8_t* pattern);

// ---- Sequencer ------------------------------------------------------------

extern int32_t pt_vbtempo;     // ticks per row; 0 freezes the song
extern int32_t pt_bpmtempo;    // stored only
extern int32_t pt_vbcount;     // tick within the row
extern int32_t pt_rowcount;    // row 0..63
extern int32_t pt_songpos;     // order index
extern int32_t pt_firstline;   // row at which the next order entry starts
extern int32_t pt_curpattern;  // pattern of the current order entry
extern uint8_t* pt_lineptr;    // first cell of the current row

// The position pt_songpos * 100 + pt_rowcount, published as one word at the
// end of every pt_play and by pt_init, so that another thread never sees an
// order index from one tick with a row from another. A row counter below 0
// (a pattern loop back to row 0, until the next row) is published as row 0:
// the loop stays inside its order entry and must not read as a step back.
extern std::atomic<int32_t> pt_position;

extern int32_t pt_cursample[32], pt_curvol[32], pt_curperiod[32], pt_curnote[32];
extern int32_t pt_curfine[32], pt_curtarget[32], pt_pan[32], pt_tporta[32], pt_glissando[32];
extern int32_t pt_vibc[32], pt_vibd[32], pt_vibs[32];
extern int32_t pt_trmc[32], pt_trmd[32], pt_trms[32];
extern int32_t pt_pattloopstart[32], pt_pattloop[32], pt_pattdelay[32];
extern uint8_t pt_defaultpan[32];  // 0..15 per channel; 7,9,9,7 repeated at start

// Waveforms for vibrato and tremolo, 64 entries each.
extern std::array<int16_t, 64> pt_sinetable, pt_ramptable, pt_squaretable, pt_randtable;
extern int16_t* const pt_waveforms[4];
extern const int16_t* pt_vibratotable;  // shared by all channels
extern const int16_t* pt_tremolotable;  // shared by all channels

// Resets the player to play from the start (position -37 until the first tick).
void pt_init();
// One tick. The result carries no meaning.
int32_t pt_play();
