// The music's start: the sound output chosen and the module handed to the
// player, then the wait for the player's first tick, with the fall-back to
// the silent device's timer when the output gives no tick in time.
#pragma once

#include <cstdint>

#include "music/cool_mzx.h"  // MZX_DEMO_HZ, the tick rate the music starts at

extern int32_t music_start_tick_wait_ms;  // longest wait for the music's first tick

// Installs the sound output and hands the module to the player: the SDL device
// at 44100 Hz, chosen through standard input, or with offline true the mixer
// alone, for callers that run mix_newhand themselves. False (after one line on
// stderr) when the player refuses the module.
bool music_start_load(bool offline);
// Starts the music and returns once its first tick has run. An output that
// gives no tick within music_start_tick_wait_ms is replaced by the silent device.
// It is music_start_begin, then music_start_poll until true.
void music_start_wait();
// The same without waiting, for a caller that must not block (the browser's
// frame callback): starts the tick clock...
void music_start_begin();
// ...and, polled, says whether the first tick has run: false while waiting;
// after music_start_tick_wait_ms without a tick it switches to the silent device
// and waits again; true once a tick has run, or after that second wait (the
// demo then stays at its start, as the message on stderr says).
bool music_start_poll();
// The fall-back when a sound output gives no sound (none at start, or the
// browser's that stopped): says why on stderr ("PROGRAM: why; the music runs
// silently"), stops the output and runs the music on from the silent
// device's timer, from where it stands.
void music_start_silent(const char* why);
