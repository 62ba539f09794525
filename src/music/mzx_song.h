// The song as a tracker plays it, for the tools: the player's ticks at the
// module's own tempo (or at a fixed rate), mono or stereo mixing between
// them, and where the song ends.
//
// The demo does not use this module. Its ticks come from mix_newhand at 47 a
// second, and the tempo a module sets is only stored by the player
// (pt_bpmtempo); here that stored tempo times the ticks: a tick lasts
// rate * 5 / (2 * tempo) samples (882 at tempo 125 and 44100 Hz, 50 ticks a
// second), the fraction carried from tick to tick so that no time is lost.
// With a fixed rate a tick lasts rate / hz samples, as in mix_newhand, and
// the samples are the ones the demo's callback mixes.
//
// The song's end is the first row that the song plays a second time other
// than inside a pattern loop: the wrap after the last order entry, a jump
// back (Bxx), a pattern broken into one already played; a speed of 0, which
// holds the song on one row for ever, ends it too.
//
// Use: mzx_init_offline (or a device), mzx_get, then song_start; then
// song_mix for blocks of output (or song_tick alone to walk the song).
#pragma once

#include <atomic>
#include <cstdint>

// Ticks per second of the demo's clock, which --demo plays at.
inline constexpr int32_t SONG_DEMO_HZ = 47;
// The tempo after pt_init: 50 ticks a second.
inline constexpr int32_t SONG_START_TEMPO = 125;
// Stereo separation in percent: 0 centres every channel, 100 puts the left
// and right channels of the classic layout on their sides alone.
inline constexpr int32_t SONG_MAX_SEPARATION = 100;

extern int32_t song_rate;        // output samples (frames) per second
extern int32_t song_hz;          // fixed ticks per second; 0: the module's tempo
extern int32_t song_stereo;      // 1: interleaved left/right frames
extern int32_t song_separation;  // 0..100 (stereo)
extern int32_t song_left;        // frames of the latest tick still to mix
extern int64_t song_ticks;       // ticks run since song_start
extern int32_t song_ends;        // times the song has ended since song_start
extern int64_t song_end_frames;  // frames up to the latest end (counted by song_mix)
// The player's speed * 256 + tempo after the latest tick, for another thread
// (zapmod play's status line).
extern std::atomic<int32_t> song_speedtempo;

// The tick clock and the output, after the module was taken (mzx_get): rate
// and hz as above; stereo with separation (the player's default panning
// becomes the hard left, right, right, left of each group of four channels,
// and every panning the player sets is narrowed to separation percent);
// interpolate chooses the mixer's interpolating loops.
void song_start(int32_t rate, int32_t hz, int32_t stereo, int32_t separation, int32_t interpolate);
// Runs one tick (pt_play), notes whether it began the song again (*ended),
// and returns the frames it lasts.
int32_t song_tick(bool* ended);
// Frames the next tick would last at the tempo the player holds now.
int32_t song_ticklen();
// Mixes frames frames into out: signed 16-bit values when sixteen is
// nonzero, else unsigned bytes; two per frame in stereo. Ticks run as the
// output reaches them. With stop_at_end, returns early (the frames mixed so
// far) when a tick begins the song again: that tick has run, and its frames
// come first at the next call.
int32_t song_mix(void* out, int32_t frames, int32_t sixteen, bool stop_at_end);
// An SDL audio callback over song_mix (16-bit, song_stereo frames); the song
// goes on past its end.
void song_callback(void* userdata, uint8_t* stream, int len);

// The panning the player sets, narrowed to the separation (installed in the
// operation table by a stereo song_start).
void song_setpanning(int32_t panning);

// The highest main volume at which channels channels, each at full volume
// and full amplitude, stay within 16-bit output: 32767 / (channels * 128)
// of gain per channel, at most the demo's 64.
int32_t song_headroom_volume(int32_t channels);
