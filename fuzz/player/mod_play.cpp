// libFuzzer target for the module player: the input is a module file. It is
// loaded as the demo loads its module (a zeroed buffer with the mixer's slack
// behind the file) and then played through the audio callback, mix_newhand,
// twice, each time from a fresh copy (the loader converts patterns in place):
//
//   1. 44100 Hz 16-bit at 47 ticks per second in 2048-sample buffers, the
//      demo's own path: kDemoTicks ticks, so slices carry across buffers;
//   2. 22050 Hz 8-bit at 1000 ticks per second (22-sample slices) in odd
//      331-byte buffers: kFastTicks ticks, enough for dozens of rows and
//      orders (effects, jumps, breaks, loops, delays, song wraps) for little
//      mixing. Then a few stereo blocks from the state the song left.
//
// The work per input is bounded by the tick counts (at most 32 channels), not
// by the module. Byte 0 of the song title, which the loader skips, selects
// the interpolating mixing loops when its low bit is set.
//   scripts/fuzz 60 mod_play
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "music/cool_mzx.h"
#include "player/pt.h"
#include "sound/sd_mix.h"

namespace {

constexpr int32_t kDemoTicks = 100;   // about 2 s of music, 94000 samples
constexpr int32_t kFastTicks = 4000;  // 88000 samples
constexpr int32_t kMaxModule = 1 << 20;

// Plays ticks ticks at rate (screen_hz ticks a second) in buffers of
// buffer_bytes, from a fresh copy of the module. Returns the copy, which must
// outlive any further mixing of its samples.
std::vector<uint8_t> play(const uint8_t* data, size_t size, int32_t rate, int32_t screen_hz, int32_t ticks,
                          size_t buffer_bytes) {
  // Exactly the file and the slack: a read past them is a heap overflow.
  std::vector<uint8_t> image(size + MIX_SAMPLE_SLACK, 0);
  std::copy(data, data + size, image.begin());
  mzx_init_offline(rate, screen_hz);
  std::srand(1);  // the random vibrato waveform is drawn by the player's reset
  if (!mzx_get(image.data(), static_cast<int32_t>(size))) return image;
  const int32_t bytes = rate == 44100 ? 2 : 1;
  const int64_t samples = static_cast<int64_t>(ticks) * (rate / screen_hz);
  std::vector<uint8_t> out(buffer_bytes);
  for (int64_t done = 0; done < samples; done += static_cast<int64_t>(buffer_bytes) / bytes)
    mix_newhand(nullptr, out.data(), static_cast<int>(out.size()));
  return image;
}

// Leaves no module behind: the next input must not tick the old one's cells.
void forget() {
  static uint8_t none[1084] = {};
  mzx_get(none, sizeof none);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > kMaxModule) return 0;
  sd_mix_interpolation = data[0] & 1;
  play(data, size, 44100, 47, kDemoTicks, 2048 * 2);
  {
    const std::vector<uint8_t> image = play(data, size, 22050, 1000, kFastTicks, 331);
    std::vector<int16_t> stereo(2 * 1024);
    for (int k = 0; k < 4; k++) sd_mix_stereo(stereo.data(), 1024, k & 1);
  }
  forget();
  sd_mix_init(44100);  // no channel keeps a pointer into the freed copy
  sd_mix_interpolation = 0;
  return 0;
}
