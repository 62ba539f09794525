// The sound being heard: which music position reaches the listener now.
//
// The audio callback mixes ahead of the output by what the audio path holds
// (SDL's buffer and what the system adds on a desktop, the buffers queued in
// Web Audio in a browser), so the position the mixer has reached runs ahead of
// the sound. The callback records where each recent tick began, counted in
// samples handed to the output since the device opened, with the position
// that tick set; at each frame the program estimates which sample is being
// output now and shows the position of the latest tick that began at or
// before it.
//
// Sample counts are unsigned 32-bit and wrap on purpose (27 hours at 44100 Hz);
// they are compared through their signed difference, so a record spanning a
// wrap still orders correctly.
#pragma once

#include <cstdint>

// Ticks the record keeps: 1.4 s of music at 47 ticks a second, more than the
// longest queue plus the largest offset.
inline constexpr int32_t HEARD_TICKS = 64;
// The user's correction is held to -HEARD_OFFSET_MAX_MS..HEARD_OFFSET_MAX_MS.
inline constexpr int32_t HEARD_OFFSET_MAX_MS = 500;

// Samples the audio path holds beyond the buffer the callback fills, where
// the program can know them from the driver SDL uses (heard_path_for): the
// estimate takes the sample being output as that much earlier. 0 by default.
extern int32_t heard_path_samples;
// The user's correction for a device, in milliseconds: positive when the sound
// reaches the listener later than the estimate (a wireless headset), which
// holds the picture back by as much; negative brings it forward.
extern int32_t heard_offset_ms;
// Monotonic clock in microseconds (wraps); the steady clock by default. Tests
// put their own clock here.
extern uint32_t (*heard_clock_us)();
// The sample being output now (in the count heard_handed keeps): true with it
// in *sample, false when it is not known. The desktop estimate
// (heard_output_desktop) by default; the browser build installs Web Audio's.
extern bool (*heard_output)(uint32_t* sample);

// Forgets the record and says whether a device sounds now (live != 0: the
// SDL output was opened) or not (the silent timer, offline rendering, a
// closed output). Call it while no audio callback runs.
void heard_start(int32_t live);
// Audio callback: a buffer of n samples at rate begins.
void heard_buffer(int32_t rate, int32_t n);
// Audio callback: a tick began at sample at of the running buffer and set the
// music position that mzx_position() now reads.
void heard_tick(int32_t at);
// What the audio path holds beyond the callback's buffer, in samples, for
// SDL's audio driver named driver (null: none) with buffers of buffer samples.
// SDL's "pulseaudio" driver asks the sound server to hold a target length of
// one buffer of its stream, and hands the server each buffer the callback
// fills before it calls the callback again: while a buffer is being filled,
// the server still holds the one before it, so the sound heard is one buffer
// behind what the callback's timing alone says. Other drivers hand a buffer
// over as it starts playing, as far as the program can know: 0.
int32_t heard_path_for(const char* driver, int32_t buffer);
// Samples handed to the output since heard_start (wraps).
uint32_t heard_handed();
// Samples per second of the last buffer handed (0 before the first).
int32_t heard_rate();
// The desktop estimate: the samples handed minus what is still queued, taken
// as the last buffer less what has played since its callback began, and
// heard_path_samples before that.
bool heard_output_desktop(uint32_t* sample);
// The position of the latest recorded tick that began at or before sample;
// when the record starts later, its earliest position; with nothing recorded,
// mzx_position().
int32_t heard_position_at(uint32_t sample);
// The position to show now: heard_position_at the sample being output, less
// heard_offset_ms; mzx_position() when no device sounds or the output sample
// is not known. Remembered in heard_shown.
int32_t heard_position();
// The value heard_position last returned.
extern int32_t heard_shown;
// The newest ticks of the record, oldest first, at most max: their first
// samples and positions. Returns how many were written.
int32_t heard_recent(uint32_t* samples, int32_t* positions, int32_t max);
