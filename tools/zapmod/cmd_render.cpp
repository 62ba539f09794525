// zapmod render: plays a module offline through the demo's own audio callback
// and writes the samples to a WAV file.
//
// The set-up is the demo's (mixer operations installed, mixer initialised at
// the rate, main volume 64, 47 ticks per second; --volume and --hz change the
// last two) without opening SDL audio;
// mix_newhand is then called by hand with the buffers SDL would hand it, 2048
// samples each, so the file holds exactly what the demo would play.
//
// Length: --seconds S, or else until the song's end as the demo judges it
// (mzx_song_went_back), capped at ten minutes. It is judged after every
// buffer: the render ends with the first buffer after which the order index
// reads lower than the highest one seen (the song wrapped, or jumped back and
// repeats from there). A song that never goes back runs into the cap.
//
// It ends with the peak level and the share of clipped samples, so that a
// user can pick a --volume that leaves a loud module unclipped, and says so
// when the song's end was not found and the cap cut it.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/tool.h"
#include "common/wavfile.h"
#include "music/cool_mzx.h"
#include "player/pt.h"
#include "sound/sd_dsp16.h"
#include "sound/sd_main.h"
#include "zapmod.h"

namespace {

constexpr int32_t k_buffer_samples = SD_DSP16_BUFFER_SAMPLES;  // SDL's buffer, as the demo's device asks for it
constexpr double k_default_cap_seconds = 600.0;
constexpr int k_progress_every = 20;        // buffers between progress lines (about 0.9 s at 44100)

// What the written samples tell about the level: the largest distance from
// silence and how many samples sit at full scale, where the mixer's clamp
// holds whatever went past it (a sample that lands exactly on full scale
// without going past is counted too; that is rare in music).
struct level_stats {
  int32_t peak = 0;
  uint64_t clipped = 0;
};

// Highest and lowest sample and the full-scale count of one block (at most
// k_buffer_samples, so 16-bit counters hold it), in loops over 16-bit or
// 8-bit lanes alone, which the compiler turns into vector code: they run over
// every sample written.
void measure(const uint8_t* block, uint64_t samples, int bytes_per_sample, level_stats& st) {
  static_assert(k_buffer_samples <= 65535);
  int32_t hi = 0;
  int32_t lo = 0;
  uint16_t full = 0;
  if (bytes_per_sample == 2) {
    int16_t h = 0;
    int16_t l = 0;
    for (uint64_t i = 0; i < samples; i++) {
      int16_t v;
      std::memcpy(&v, block + 2 * i, sizeof v);  // the block holds the machine's own 16-bit values
      h = std::max(h, v);
      l = std::min(l, v);
      full = static_cast<uint16_t>(full + (v == 32767) + (v == -32768));
    }
    hi = h;
    lo = l;
  } else {
    uint8_t h = 128;
    uint8_t l = 128;
    for (uint64_t i = 0; i < samples; i++) {
      const uint8_t v = block[i];
      h = std::max(h, v);
      l = std::min(l, v);
      full = static_cast<uint16_t>(full + (v == 255) + (v == 0));
    }
    hi = h - 128;
    lo = l - 128;
  }
  st.peak = std::max({st.peak, hi, -lo});
  st.clipped += full;
}

int32_t order_of(int32_t pos) { return pos >= 0 ? pos / 100 : -1; }

// What the render loop leaves: the samples written, their level, and
// whether the song's end ended it.
struct render_result {
  uint64_t done = 0;
  level_stats level;
  bool end_found = false;
};

void progress_line(const zapmod_args& a, uint64_t done, int32_t order, int32_t last_order) {
  std::fprintf(stderr, "\r%s: rendering %s: %6.1f s, order %3d/%d", tool_name(), a.out,
               static_cast<double>(done) / a.rate, order, last_order + 1);
}

// Runs the callback buffer by buffer into w until the length asked for, or
// the song's end; false when a write failed (wav_end reports it).
bool render_loop(const zapmod_args& a, wav_file& w, render_result& r) {
  const int bytes_per_sample = w.bytes_per_sample;
  const double limit_seconds = a.seconds > 0.0 ? a.seconds : k_default_cap_seconds;
  const uint64_t total = static_cast<uint64_t>(std::llround(limit_seconds * a.rate));
  const bool until_end = a.seconds <= 0.0;
  const int32_t last_order = static_cast<int32_t>(pt_songlen) - 1;  // for the progress line
  const bool progress = isatty(STDERR_FILENO);
  std::vector<uint8_t> block(static_cast<size_t>(k_buffer_samples) * bytes_per_sample);
  std::vector<int16_t> words(k_buffer_samples);
  int32_t highest = 0;
  bool ok = true;
  for (int64_t buffers = 0; ok && r.done < total; buffers++) {
    mix_newhand(nullptr, block.data(), static_cast<int>(block.size()));
    const uint64_t take = std::min<uint64_t>(k_buffer_samples, total - r.done);
    if (bytes_per_sample == 2) {
      std::memcpy(words.data(), block.data(), take * 2);  // the mixer's samples, host order
      ok = wav_put16(w, words.data(), take);
    } else {
      ok = wav_put8(w, block.data(), take);
    }
    measure(block.data(), take, bytes_per_sample, r.level);
    r.done += take;
    const int32_t pos = mzx_position();
    const int32_t order = order_of(pos);
    if (until_end && mzx_song_went_back(pos, highest)) {
      r.end_found = true;
      break;
    }
    if (progress && buffers % k_progress_every == 0) progress_line(a, r.done, order, last_order);
  }
  if (progress) std::fputc('\n', stderr);
  return ok;
}

void report(const zapmod_args& a, int bytes_per_sample, const render_result& r) {
  const uint64_t done = r.done;
  std::printf("%s: %.2f s at %d Hz, %d-bit mono, volume %d, %d ticks per second\n", a.out,
              static_cast<double>(done) / a.rate, a.rate, 8 * bytes_per_sample, static_cast<int>(a.volume),
              static_cast<int>(a.hz));
  // Full scale is 32768 (16-bit) or 128 (8-bit) steps from silence.
  const double full_scale = bytes_per_sample == 2 ? 32768.0 : 128.0;
  const double db = r.level.peak > 0 ? 20.0 * std::log10(r.level.peak / full_scale) : -HUGE_VAL;
  std::printf("peak %d of %d (%.1f dBFS), clipped %llu of %llu samples (%.3f%%)\n", static_cast<int>(r.level.peak),
              static_cast<int>(full_scale), db, static_cast<unsigned long long>(r.level.clipped),
              static_cast<unsigned long long>(done), done ? 100.0 * static_cast<double>(r.level.clipped) / done : 0.0);
  if (a.seconds <= 0.0 && !r.end_found) {
    std::printf("the song's end was not found (it never went back to an earlier order); cut at %g s\n",
                k_default_cap_seconds);
  }
}

}  // namespace

int zapmod_render(const zapmod_args& a) {
  std::vector<uint8_t> module;
  int32_t size = 0;
  if (!zapmod_read(a.in, module, size)) return 1;
  mzx_init_offline(a.rate, a.hz);
  sd_setmainvolume(a.volume);
  if (!zapmod_take(a.in, module, size)) return 1;

  const int bytes_per_sample = a.rate == SD_OUTPUT_RATE ? 2 : 1;
  wav_file w;
  if (!wav_begin(w, a.out, a.rate, bytes_per_sample)) return 1;
  render_result r;
  render_loop(a, w, r);
  if (!wav_end(w)) return 1;
  report(a, bytes_per_sample, r);
  return 0;
}
