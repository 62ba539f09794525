// The song as a tracker plays it (see mzx_song.h). Reads the state the
// player keeps (its counters, stored tempo and pattern-loop counts) between
// ticks and drives the mixer's block calls; it changes nothing in the
// player or the mixer that the demo uses.
#include "music/mzx_song.h"

#include <array>

#include "player/pt.h"
#include "sound/sd_main.h"
#include "sound/sd_mix.h"

// ---- Constants -----------------------------------------------------------------

namespace {

constexpr int32_t k_rows = 64;
constexpr int32_t k_orders = 128;
constexpr int32_t k_cell_bytes = 4;
// Tempos the player stores: set by Fxx with xx from 32 up.
constexpr int32_t k_min_tempo = 32;
constexpr int32_t k_max_tempo = 255;
// The player's default positions (0..15) when no stereo layout is asked for,
// and the hard layout of a stereo render: channels 1 and 4 of every four
// left, 2 and 3 right.
constexpr uint8_t k_demo_pan[4] = {7, 9, 9, 7};
constexpr uint8_t k_hard_pan[4] = {0, 15, 15, 0};
// The player's positions are sixteenths (its defaults and E8x send x * 16):
// the last, 240, is the right edge.
constexpr int32_t k_pan_right_edge = 240;
constexpr int32_t k_pan_centre = 128;
// Gain of a channel at full volume: main volume * 64 * 255 / 8064 (the
// mixer's formula); full amplitude is 128 steps of signed 8-bit data.
constexpr uint32_t k_full_volume = 64;
constexpr uint32_t k_gain_divisor = 128 * 63;
constexpr int32_t k_demo_volume = 64;
constexpr int32_t k_full_scale = 32767;

}  // namespace

// ---- State ----------------------------------------------------------------------

int32_t song_rate = SD_OUTPUT_RATE;
int32_t song_hz = 0;
int32_t song_stereo = 0;
int32_t song_separation = SONG_MAX_SEPARATION;
int32_t song_left = 0;
int64_t song_ticks = 0;
int32_t song_ends = 0;
int64_t song_end_frames = 0;
std::atomic<int32_t> song_speedtempo{6 * 256 + SONG_START_TEMPO};

namespace {

// The rows played in this pass of the song: one bit per row of each order entry.
std::array<uint64_t, k_orders> g_seen{};
int32_t g_last_order = -1;  // the row the latest row start played
int32_t g_last_row = -1;
bool g_in_loop = false;  // between a pattern-loop jump and the next order change
int64_t g_carry = 0;     // the module's timing: rate * 5 left over, in units of 1 / (2 * tempo) frame
int64_t g_frames = 0;    // frames mixed since song_start
// Set (release) by song_start once everything above is in place, read
// (acquire) by song_callback on SDL's audio thread before anything else.
std::atomic<bool> g_live{false};

void forget_rows() { g_seen.fill(0); }

// Whether some channel still has pattern-loop repeats to do.
bool looping() {
  for (int32_t ch = 0; ch < pt_channels && ch < 32; ch++) {
    if (pt_pattloop[ch] > 0) return true;
  }
  return false;
}

// The order entry and row that a row boundary steps onto from the counters
// before the tick (sp, rc, fl), as the sequencer steps them. The row itself
// is read back from the row pointer the tick set, which a jump of the new
// row's own effects leaves alone.
void row_stepped_onto(int32_t sp, int32_t rc, int32_t fl, int32_t& order, int32_t& row) {
  const uint32_t len = pt_songlen;
  if (static_cast<uint32_t>(rc + 1) <= static_cast<uint32_t>(k_rows - 1)) {
    order = static_cast<uint32_t>(sp) < static_cast<uint32_t>(k_orders)
                ? sp
                : (static_cast<uint32_t>(sp + 1) < len ? sp + 1 : pt_repstart);
    row = rc + 1;
  } else {
    order = static_cast<uint32_t>(sp + 1) >= len ? pt_repstart : sp + 1;
    row = fl;
  }
  const int32_t stride = pt_channels * k_cell_bytes;
  if (pt_lineptr != nullptr && stride > 0 && pt_curpattern >= 0 && pt_curpattern < k_orders &&
      pt_patterns[pt_curpattern] != nullptr) {
    const int64_t at = pt_lineptr - pt_patterns[pt_curpattern];
    if (at >= 0 && at % stride == 0 && at / stride < k_rows) row = static_cast<int32_t>(at / stride);
  }
}

// A row start at order, row: true when it plays that row a second time in
// this pass, other than inside a pattern loop (the song's end). pending:
// whether repeats were pending before the tick (the loop's last pass counts
// them down to none on its last row, which it still plays inside the loop).
bool row_again(int32_t order, int32_t row, bool pending) {
  if (order < 0 || order >= k_orders || row < 0 || row >= k_rows) return false;
  // A step back within the order entry while repeats are pending is a
  // pattern-loop jump; the rows it plays again are the loop's, as long as
  // the order entry stays and repeats are pending.
  if (order != g_last_order || !pending) g_in_loop = false;
  if (order == g_last_order && row <= g_last_row && pending) g_in_loop = true;
  const uint64_t bit = uint64_t{1} << row;
  const bool again = (g_seen[static_cast<size_t>(order)] & bit) != 0 && !g_in_loop;
  if (again) {
    forget_rows();
    g_in_loop = false;
  }
  g_seen[static_cast<size_t>(order)] |= bit;
  g_last_order = order;
  g_last_row = row;
  return again;
}

int32_t clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

// ---- Timing ---------------------------------------------------------------------

void song_start(int32_t rate, int32_t hz, int32_t stereo, int32_t separation, int32_t interpolate) {
  g_live.store(false, std::memory_order_relaxed);
  song_rate = rate > 0 ? rate : SD_OUTPUT_RATE;
  song_hz = hz > 0 ? hz : 0;
  song_stereo = stereo ? 1 : 0;
  song_separation = clamp(separation, 0, SONG_MAX_SEPARATION);
  sd_mix_interpolation = interpolate ? 1 : 0;
  song_left = 0;
  song_ticks = 0;
  song_ends = 0;
  song_end_frames = 0;
  g_carry = 0;
  g_frames = 0;
  g_last_order = -1;
  g_last_row = -1;
  g_in_loop = false;
  forget_rows();
  const uint8_t* pan = song_stereo ? k_hard_pan : k_demo_pan;
  for (int32_t ch = 0; ch < 32; ch++) pt_defaultpan[ch] = pan[ch % 4];
  if (sd_setpanning == mix_setpanning || sd_setpanning == song_setpanning) {
    sd_setpanning = song_stereo ? song_setpanning : mix_setpanning;
  }
  song_speedtempo.store(pt_vbtempo * 256 + pt_bpmtempo, std::memory_order_relaxed);
  g_live.store(true, std::memory_order_release);
}

int32_t song_ticklen() {
  if (song_hz > 0) return song_rate / song_hz;
  const int64_t unit = 2 * clamp(pt_bpmtempo, k_min_tempo, k_max_tempo);
  return static_cast<int32_t>((g_carry + int64_t{song_rate} * 5) / unit);
}

int32_t song_tick(bool* ended) {
  const int32_t sp = pt_songpos;
  const int32_t rc = pt_rowcount;
  const int32_t fl = pt_firstline;
  const bool stalled = pt_vbtempo == 0;
  const bool boundary = !stalled && static_cast<uint32_t>(pt_vbcount + 1) >= static_cast<uint32_t>(pt_vbtempo);
  bool held = false;
  for (int32_t ch = 0; ch < pt_channels && ch < 32; ch++) held = held || pt_pattdelay[ch] > 0;
  const bool pending = looping();
  pt_play();
  song_ticks++;
  bool again = false;
  if (stalled) {
    // Speed 0 holds one row for ever: the song goes no further.
    again = true;
  } else if (boundary && !held) {
    int32_t order = 0;
    int32_t row = 0;
    row_stepped_onto(sp, rc, fl, order, row);
    again = row_again(order, row, pending);
  }
  if (ended) *ended = again;
  song_speedtempo.store(pt_vbtempo * 256 + pt_bpmtempo, std::memory_order_relaxed);
  if (song_hz > 0) return song_rate / song_hz;
  // The tempo the tick has just set times the tick itself.
  const int64_t unit = 2 * clamp(pt_bpmtempo, k_min_tempo, k_max_tempo);
  g_carry += int64_t{song_rate} * 5;
  const int64_t frames = g_carry / unit;
  g_carry -= frames * unit;
  return static_cast<int32_t>(frames);
}

// ---- Mixing ---------------------------------------------------------------------

namespace {

void mix_block(void* out, int32_t at, int32_t n, int32_t sixteen) {
  const size_t values = static_cast<size_t>(at) * (song_stereo ? 2 : 1);
  if (sixteen) {
    int16_t* o = static_cast<int16_t*>(out) + values;
    if (song_stereo)
      sd_mix_stereo(o, n, 1);
    else
      sd_mix_mono(o, n, 1);
  } else {
    uint8_t* o = static_cast<uint8_t*>(out) + values;
    if (song_stereo)
      sd_mix_stereo(o, n, 0);
    else
      sd_mix_mono(o, n, 0);
  }
}

}  // namespace

int32_t song_mix(void* out, int32_t frames, int32_t sixteen, bool stop_at_end) {
  int32_t done = 0;
  while (done < frames) {
    if (song_left <= 0) {
      bool ended = false;
      song_left = song_tick(&ended);
      if (ended) {
        song_ends++;
        song_end_frames = g_frames + done;
        if (stop_at_end) break;
      }
      if (song_left <= 0) continue;  // a tick of no frames (a rate below the tick clock)
    }
    const int32_t n = song_left < frames - done ? song_left : frames - done;
    mix_block(out, done, n, sixteen);
    done += n;
    song_left -= n;
  }
  g_frames += done;
  return done;
}

void song_callback(void* userdata, uint8_t* stream, int len) {
  (void)userdata;
  if (len <= 0) return;
  if (!g_live.load(std::memory_order_acquire)) {
    for (int i = 0; i < len; i++) stream[i] = 0;  // 16-bit silence
    return;
  }
  const int32_t frame_bytes = 2 * (song_stereo ? 2 : 1);
  song_mix(stream, len / frame_bytes, 1, false);
}

// ---- Panning and level -------------------------------------------------------------

void song_setpanning(int32_t panning) {
  const int32_t p = panning >= k_pan_right_edge ? 255 : clamp(panning, 0, 255);
  mix_setpanning(clamp(k_pan_centre + (p - k_pan_centre) * song_separation / SONG_MAX_SEPARATION, 0, 255));
}

int32_t song_headroom_volume(int32_t channels) {
  const uint32_t n = static_cast<uint32_t>(clamp(channels, 1, 32));
  int32_t v = k_demo_volume;
  while (v > 0 && n * 128u * (static_cast<uint32_t>(v) * k_full_volume * 255u / k_gain_divisor) >
                      static_cast<uint32_t>(k_full_scale)) {
    v--;
  }
  return v;
}
