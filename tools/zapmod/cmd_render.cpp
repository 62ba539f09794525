// zapmod render: plays a module offline with the demo's player and mixer and
// writes the samples to a WAV file.
//
// The set-up is the demo's (mixer operations installed, mixer initialised at
// the rate) without opening SDL audio; the song is then ticked and mixed by
// the tools' song driver (music/mzx_song.h): in the module's own timing by
// default, at a fixed rate with --hz, at the demo's 47 ticks a second and
// main volume 64 with --demo. A fixed rate mixes the same samples as the
// demo's audio callback: each tick's slice of rate / hz samples, the player
// run before it.
//
// Length: --seconds S, or else up to the song's end (mzx_song.h), played
// --loop N more times; capped at ten minutes a pass when the song has no end.
//
// The samples are mixed straight into a 64 KiB block, which is measured
// (peak and samples at full scale) and written as it stands: the mixer's
// 16-bit values are the file's on a little-endian machine. The report ends
// with the peak level and the share of clipped samples, and says so when the
// song's end was not found and the cap cut it.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "common/tool.h"
#include "common/wavfile.h"
#include "music/cool_mzx.h"
#include "music/mzx_song.h"
#include "player/pt.h"
#include "sound/sd_main.h"
#include "zapmod.h"

namespace {

constexpr int32_t k_block_bytes = 1 << 16;  // one write
constexpr double k_cap_seconds = 600.0;     // a pass of a song without an end
constexpr int k_progress_every = 16;        // blocks between progress lines

// What the written samples tell about the level: the largest distance from
// silence and how many samples sit at full scale, where the mixer's clamp
// holds whatever went past it (a sample that lands exactly on full scale
// without going past is counted too; that is rare in music).
struct level_stats {
  int32_t peak = 0;
  uint64_t clipped = 0;
};

// Highest and lowest value and the full-scale count of one block, in loops
// over 16-bit or 8-bit lanes alone that the compiler turns into vector code.
// The full-scale values are counted only in a block that reaches full
// scale, which at the default volume none does; the counts of a 64 KiB
// block fit 16 bits.
template <typename T>
void measure_values(const T* v, size_t values, T silence, T top, T bottom, level_stats& st) {
  T h = silence;
  T l = silence;
  for (size_t i = 0; i < values; i++) {
    h = std::max(h, v[i]);
    l = std::min(l, v[i]);
  }
  uint16_t full = 0;
  if (h == top || l == bottom) {
    for (size_t i = 0; i < values; i++) full = static_cast<uint16_t>(full + (v[i] == top) + (v[i] == bottom));
  }
  st.peak = std::max({st.peak, static_cast<int32_t>(h) - silence, silence - static_cast<int32_t>(l)});
  st.clipped += full;
}

void measure(const void* block, size_t values, bool sixteen, level_stats& st) {
  static_assert(k_block_bytes / 2 <= 65535);
  if (sixteen) {
    measure_values<int16_t>(static_cast<const int16_t*>(block), values, 0, 32767, -32768, st);
  } else {
    measure_values<uint8_t>(static_cast<const uint8_t*>(block), values, 128, 255, 0, st);
  }
}

// What the render loop leaves: the frames written, their level, and
// whether the song's end ended it.
struct render_result {
  uint64_t frames = 0;
  level_stats level;
  bool end_found = false;
};

void progress_line(const zapmod_args& a, uint64_t frames) {
  const int32_t pos = mzx_position();
  std::fprintf(stderr, "\r%s: rendering %s: %6.1f s, order %3d/%d", tool_name(), a.out,
               static_cast<double>(frames) / a.rate, pos >= 0 ? pos / 100 : 0, static_cast<int>(pt_songlen));
}

// Mixes and writes block by block until the length asked for or the song's
// last end; false when a write failed (wav_end reports it).
bool render_loop(const zapmod_args& a, wav_file& w, render_result& r) {
  const bool sixteen = w.bytes_per_sample == 2;
  const int32_t frame_bytes = w.bytes_per_sample * w.channels;
  const int32_t block_frames = k_block_bytes / frame_bytes;
  const bool until_end = a.seconds <= 0.0;
  const double seconds = until_end ? k_cap_seconds * (a.loops + 1) : a.seconds;
  const uint64_t total = static_cast<uint64_t>(std::llround(std::min(seconds, ZAPMOD_MAX_SECONDS) * a.rate));
  const bool progress = isatty(STDERR_FILENO);
  // Not zeroed: the mixer writes every value before it is read.
  const std::unique_ptr<uint8_t[]> block(new uint8_t[k_block_bytes]);
  bool ok = true;
  for (int64_t blocks = 0; ok && r.frames < total; blocks++) {
    const int32_t want = static_cast<int32_t>(std::min<uint64_t>(block_frames, total - r.frames));
    int32_t got = 0;
    bool last = false;
    while (got < want) {
      got += song_mix(block.get() + static_cast<size_t>(got) * frame_bytes, want - got, sixteen, until_end);
      if (got < want && song_ends > a.loops) {
        last = true;
        break;
      }
    }
    const size_t values = static_cast<size_t>(got) * w.channels;
    ok = sixteen ? wav_put16_block(w, reinterpret_cast<const int16_t*>(block.get()), values)
                 : wav_put8_block(w, block.get(), values);
    measure(block.get(), values, sixteen, r.level);
    r.frames += static_cast<uint64_t>(got);
    if (last) {
      r.end_found = true;
      break;
    }
    if (progress && blocks % k_progress_every == 0) progress_line(a, r.frames);
  }
  if (progress) std::fputc('\n', stderr);
  return ok;
}

void report(const zapmod_args& a, const wav_file& w, const render_result& r) {
  char timing[64];
  if (a.hz > 0) {
    std::snprintf(timing, sizeof timing, "%d ticks per second", static_cast<int>(a.hz));
  } else {
    std::snprintf(timing, sizeof timing, "the module's tempo");
  }
  std::printf("%s: %.2f s at %d Hz, %d-bit %s, volume %d, %s%s\n", a.out, static_cast<double>(r.frames) / a.rate,
              a.rate, 8 * w.bytes_per_sample, w.channels == 2 ? "stereo" : "mono", static_cast<int>(a.volume), timing,
              a.interp ? ", linear interpolation" : "");
  // Full scale is 32768 (16-bit) or 128 (8-bit) steps from silence.
  const uint64_t values = r.frames * static_cast<uint64_t>(w.channels);
  const double full_scale = w.bytes_per_sample == 2 ? 32768.0 : 128.0;
  const double db = r.level.peak > 0 ? 20.0 * std::log10(r.level.peak / full_scale) : -HUGE_VAL;
  std::printf("peak %d of %d (%.1f dBFS), clipped %llu of %llu samples (%.3f%%)\n", static_cast<int>(r.level.peak),
              static_cast<int>(full_scale), db, static_cast<unsigned long long>(r.level.clipped),
              static_cast<unsigned long long>(values),
              values ? 100.0 * static_cast<double>(r.level.clipped) / static_cast<double>(values) : 0.0);
  if (a.seconds <= 0.0 && !r.end_found) {
    std::printf("the song's end was not found (it never plays a row again); cut at %g s\n",
                static_cast<double>(r.frames) / a.rate);
  }
}

}  // namespace

int zapmod_render(const zapmod_args& args) {
  zapmod_args a = args;
  std::vector<uint8_t> module;
  int32_t size = 0;
  if (!zapmod_read(a.in, module, size)) return 1;
  mzx_init_offline(a.rate, a.hz > 0 ? a.hz : SONG_DEMO_HZ);
  if (!zapmod_take(a.in, module, size)) return 1;
  if (a.volume == ZAPMOD_AUTO_VOLUME) a.volume = a.demo ? ZAPMOD_DEMO_VOLUME : song_headroom_volume(pt_channels);
  sd_setmainvolume(a.volume);
  song_start(a.rate, a.hz, a.stereo ? 1 : 0, a.separation, a.interp ? 1 : 0);

  wav_file w;
  if (!wav_begin(w, a.out, a.rate, a.rate == SD_OUTPUT_RATE ? 2 : 1, a.stereo ? 2 : 1)) return 1;
  render_result r;
  render_loop(a, w, r);
  if (!wav_end(w)) return 1;
  report(a, w, r);
  return 0;
}
