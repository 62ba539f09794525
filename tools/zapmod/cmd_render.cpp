// zapmod render: plays a module offline through the demo's own audio callback
// and writes the samples to a WAV file.
//
// The set-up is the demo's (mixer operations installed, mixer initialised at
// the rate, main volume 64, 47 ticks per second; --volume and --hz change the
// last two) without opening SDL audio;
// mix_newhand is then called by hand with the buffers SDL would hand it, 2048
// samples each, so the file holds exactly what the demo would play.
//
// Length: --seconds S, or else until the song first passes its last order
// entry, capped at ten minutes. "Passes" is judged after every buffer: once
// the order index has been seen at the last entry, the render ends with the
// first buffer after which it reads lower (the song wrapped, or jumped back
// from its last entry). A song that never reaches its last entry, or stops
// advancing, runs into the cap.
//
// It ends with the peak level and the share of clipped samples, so that a
// user can pick a --volume that leaves a loud module unclipped.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "music/cool_mzx.h"
#include "player/pt.h"
#include "sound/sd_main.h"
#include "zapmod.h"

namespace {

constexpr int32_t k_buffer_samples = 2048;  // SDL's buffer, as the demo's device asks for it
constexpr double k_default_cap_seconds = 600.0;
constexpr int k_header_bytes = 44;
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

void put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
  put16(p, v & 0xFFFF);
  put16(p + 2, v >> 16);
}

// Canonical 44-byte header of a mono PCM file.
void wav_header(uint8_t* h, int32_t rate, int bytes_per_sample, uint32_t data_bytes) {
  std::memcpy(h, "RIFF", 4);
  put32(h + 4, 36 + data_bytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put32(h + 16, 16);  // fmt chunk size
  put16(h + 20, 1);   // PCM
  put16(h + 22, 1);   // mono
  put32(h + 24, static_cast<uint32_t>(rate));
  put32(h + 28, static_cast<uint32_t>(rate * bytes_per_sample));
  put16(h + 32, static_cast<uint32_t>(bytes_per_sample));
  put16(h + 34, static_cast<uint32_t>(8 * bytes_per_sample));
  std::memcpy(h + 36, "data", 4);
  put32(h + 40, data_bytes);
}

// Removes what was written of out, but never anything that is not a plain file
// (a device such as /dev/null or /dev/full given as OUT).
void remove_partial(const char* out) {
  struct stat st;
  if (stat(out, &st) == 0 && S_ISREG(st.st_mode)) std::remove(out);
}

// errno after a failed stream call; never 0, so a failure is never taken for success.
int failure_errno() { return errno ? errno : EIO; }

int32_t order_of(int32_t pos) { return pos >= 0 ? pos / 100 : -1; }

}  // namespace

int zapmod_render(const zapmod_args& a) {

  std::vector<uint8_t> module;
  int32_t size = 0;
  if (!zapmod_read(a.in, module, size)) return 1;

  mzx_init_offline(a.rate, a.hz);
  sd_setmainvolume(a.volume);
  if (!mzx_get(module.data(), size)) {
    std::fprintf(stderr, "zapmod: %s: %s\n", a.in,
                 (pt_errorstr && *pt_errorstr) ? pt_errorstr : "not a module the player takes");
    return 1;
  }
  if (pt_cutsample != 0) {
    std::fprintf(stderr, "zapmod: %s: warning: the file ends inside sample %d, which is cut short\n", a.in,
                 static_cast<int>(pt_cutsample));
  }

  const int bytes_per_sample = a.rate == 44100 ? 2 : 1;
  const double limit_seconds = a.seconds > 0.0 ? a.seconds : k_default_cap_seconds;
  const uint64_t total = static_cast<uint64_t>(std::llround(limit_seconds * a.rate));
  const bool until_end = a.seconds <= 0.0;
  const int32_t last_order = static_cast<int32_t>(pt_songlen) - 1;

  FILE* f = std::fopen(a.out, "wb");
  if (!f) {
    std::fprintf(stderr, "zapmod: %s: %s\n", a.out, std::strerror(errno));
    return 1;
  }
  // Large writes: a minute of 16-bit audio is 5 MB, which stdio's default
  // buffer would hand to the kernel in some 1300 writes.
  static char file_buffer[1 << 16];
  std::setvbuf(f, file_buffer, _IOFBF, sizeof file_buffer);
  const bool progress = isatty(STDERR_FILENO);
  errno = 0;  // isatty leaves ENOTTY behind; only the stream calls below should set it

  uint8_t header[k_header_bytes];
  wav_header(header, a.rate, bytes_per_sample, 0);
  bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;

  std::vector<uint8_t> block(static_cast<size_t>(k_buffer_samples) * bytes_per_sample);
  uint64_t done = 0;
  bool seen_last = false;
  level_stats level;
  for (int64_t buffers = 0; ok && done < total; buffers++) {
    mix_newhand(nullptr, block.data(), static_cast<int>(block.size()));
    const uint64_t take = std::min<uint64_t>(k_buffer_samples, total - done);
    ok = std::fwrite(block.data(), bytes_per_sample, take, f) == take;
    measure(block.data(), take, bytes_per_sample, level);
    done += take;

    const int32_t order = order_of(mzx_position());
    if (until_end) {
      if (order == last_order) {
        seen_last = true;
      } else if (seen_last && order < last_order) {
        break;
      }
    }
    if (progress && buffers % k_progress_every == 0) {
      std::fprintf(stderr, "\rzapmod: rendering %s: %6.1f s, order %3d/%d", a.out,
                   static_cast<double>(done) / a.rate, order, last_order + 1);
    }
  }
  if (progress) std::fputc('\n', stderr);

  // The first failure's errno names the reason; later steps are skipped.
  int err = ok ? 0 : failure_errno();
  const uint32_t data_bytes = static_cast<uint32_t>(done * bytes_per_sample);
  if (!err) {
    wav_header(header, a.rate, bytes_per_sample, data_bytes);
    if (std::fseek(f, 0, SEEK_SET) != 0 || std::fwrite(header, 1, sizeof header, f) != sizeof header ||
        std::fflush(f) != 0) {
      err = failure_errno();
    }
  }
  if (std::fclose(f) != 0 && !err) err = failure_errno();
  if (err) {
    std::fprintf(stderr, "zapmod: %s: write error: %s\n", a.out, std::strerror(err));
    remove_partial(a.out);
    return 1;
  }
  std::printf("%s: %.2f s at %d Hz, %d-bit mono, volume %d, %d ticks per second\n", a.out,
              static_cast<double>(done) / a.rate, a.rate, 8 * bytes_per_sample, static_cast<int>(a.volume),
              static_cast<int>(a.hz));
  // Full scale is 32768 (16-bit) or 128 (8-bit) steps from silence.
  const double full_scale = bytes_per_sample == 2 ? 32768.0 : 128.0;
  const double db = level.peak > 0 ? 20.0 * std::log10(level.peak / full_scale) : -HUGE_VAL;
  std::printf("peak %d of %d (%.1f dBFS), clipped %llu of %llu samples (%.3f%%)\n", static_cast<int>(level.peak),
              static_cast<int>(full_scale), db, static_cast<unsigned long long>(level.clipped),
              static_cast<unsigned long long>(done), done ? 100.0 * static_cast<double>(level.clipped) / done : 0.0);
  return 0;
}
