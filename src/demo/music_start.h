// The music's start: the sound output chosen and the module handed to the
// player, then the wait for the player's first tick, with the fall-back to
// the silent device's timer when the output gives no tick in time.
#pragma once

#include <cstdint>

// Player ticks per second that the demo runs the music at.
inline constexpr int32_t TIMELINE_HZ = 47;

extern int32_t timeline_tick_wait_ms;  // longest wait for the music's first tick

// Installs the sound output and hands the module to the player: the SDL device
// at 44100 Hz, chosen through standard input, or with offline true the mixer
// alone, for callers that run mix_newhand themselves. False (after one line on
// stderr) when the player refuses the module.
bool timeline_music_load(bool offline);
// Starts the music and returns once its first tick has run. An output that
// gives no tick within timeline_tick_wait_ms is replaced by the silent device.
// It is timeline_music_begin, then timeline_music_started until true.
void timeline_music_start();
// The same without waiting, for a caller that must not block (the browser's
// frame callback): starts the tick clock...
void timeline_music_begin();
// ...and, polled, says whether the first tick has run: false while waiting;
// after timeline_tick_wait_ms without a tick it switches to the silent device
// and waits again; true once a tick has run, or after that second wait (the
// demo then stays at its start, as the message on stderr says).
bool timeline_music_started();
