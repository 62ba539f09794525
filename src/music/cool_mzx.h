// Music front end: chooses and starts the sound output, hands the module to
// the player, runs the player's ticks from the audio callback in exact step
// with the mixed samples, and reports the music position.
// After every tick it steps the sync helpers (music/mzx_sync.h). The tick
// sources themselves, the audio callback and the timer, are mzx_ticks.h,
// brought in here so that a caller includes this header alone.
#pragma once

#include <atomic>
#include <cstdint>

#include "music/mzx_ticks.h"

// The main volume the front end starts the mixer at: one step above the
// mixer's default level 63.
inline constexpr int32_t MZX_START_VOLUME = 64;
// Player ticks per second that the demo runs its music at (mzx_start(47)), and
// the tools' default for the same.
inline constexpr int32_t MZX_DEMO_HZ = 47;
// The low output rate (laite 1: 8-bit unsigned mono).
inline constexpr int32_t MZX_RATE_LOW = 22050;
// Slowest and fastest tick clock mzx_start accepts. Below 1 the slice and the
// timer interval divide by zero; above 1000 jacaja becomes 0 and mzx_time
// divides by zero. The slice at the slowest rate (22050 samples) is longer
// than a buffer, which the callback handles by carrying.
inline constexpr int32_t MZX_MIN_HZ = 1;
inline constexpr int32_t MZX_MAX_HZ = 1000;

extern int32_t laite;     // output: 0 silent (timer ticks), 1 SDL 22050 8-bit, 2 SDL 44100 16-bit
extern int32_t screenHz;  // player ticks per second
extern int32_t jacaja;    // 1000 / screenHz: timer interval and unit of mzx_time
extern uint32_t tix;      // SDL ticks at mzx_start
// The front end's millisecond clock: mzx_ticks. Tests of the timer's
// catch-up put their own clock here.
extern uint32_t (*mzx_clock)();
// SDL's millisecond clock (SDL_GetTicks), the default mzx_clock.
uint32_t mzx_ticks();

// Writes an empty line, reads the output choice (one word, first character
// "0", "1" or "2") from standard input and installs and starts that device:
// 1 when a device was installed and started, 0 when the choice was none of
// the three or input ended first (nothing is installed then). When SDL audio
// cannot be opened it says so on standard error, installs the silent device
// (laite 0, timer ticks) and still returns 1.
int32_t mzx_init();
// mzx_init for rendering without SDL audio: laite 2 (44100) or 1 (22050), the
// mixer's operations installed and initialised at rate, main volume 64,
// screen_hz ticks per second, no carry. mix_newhand can then be called by hand.
// Returns 0 for any other rate.
int32_t mzx_init_offline(int32_t rate, int32_t screen_hz);
// Hands the module image (size valid bytes) to the player: 1 when accepted.
// Refuses (0) when no device is installed. Ticks run only after a success.
int32_t mzx_get(uint8_t* module, int32_t size);
// Starts the tick clock at screen_hz ticks per second (held to 1..1000).
void mzx_start(int32_t screen_hz);
// Stops the clock and the device. With the timer it returns only once no tick
// is running any more.
void mzx_close();
// Whole jacaja-millisecond periods since mzx_start.
uint32_t mzx_time();
// Order index * 100 + row, as a consistent pair.
int32_t mzx_position();
// The song's end, the one rule for everyone who plays a song to its end: true
// when position pos lies in an earlier order entry than highest, the highest
// order index seen since the song started (the player dropped back to its
// restart position, or a jump went back; the song repeats from there).
// Otherwise highest takes pos's order. A position before the first tick
// (negative) counts as order 0; start highest at 0.
bool mzx_song_went_back(int32_t pos, int32_t& highest);
// The order index of position pos; 0 for a position before the first tick.
int32_t mzx_order_of(int32_t pos);
// Main volume: 1.0 is the mixer's default level (63).
void mzx_set_mastervolume(double volume);
