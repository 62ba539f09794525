// zapmod info FILE: what the player makes of a module: its id, channel count,
// song length, restart position, pattern count, the song's duration in the
// module's own timing and at the demo's 47 ticks a second, and a table of
// the samples.
//
// The module goes through the player's own loader (with the silent device), so
// what is shown is what the demo would play: clamped volumes and restart
// positions, lengths and loop points in bytes, finetune as a signed value.
#include <cstdio>
#include <vector>

#include "sound/sd_mix.h"

#include "common/tool.h"
#include "music/mzx_song.h"
#include "player/pt.h"
#include "player/pt_read.h"
#include "sound/sd_ns.h"
#include "zapmod.h"

namespace {

constexpr int32_t NAME_OFFSET = 20;    // first sample header
constexpr int32_t HEADER_STRIDE = 30;  // bytes per sample header
constexpr int32_t NAME_BYTES = 22;

// The sample's name as printable text: other bytes show as '.', and the name
// ends at its first zero byte.
void sample_name(const uint8_t* header, char* out) {
  int n = 0;
  for (; n < NAME_BYTES && header[n]; n++) {
    const uint8_t c = header[n];
    out[n] = c >= 32 && c < 127 ? static_cast<char>(c) : '.';
  }
  out[n] = 0;
}

// Ticks walked at most in search of the song's end: over an hour at 50 ticks
// a second.
constexpr int64_t k_max_ticks = 200000;

// "m:ss.s"
void print_duration(double seconds) {
  const int64_t tenths = static_cast<int64_t>(seconds * 10.0 + 0.5);
  std::printf("%lld:%02lld.%lld", static_cast<long long>(tenths / 600), static_cast<long long>(tenths / 10 % 60),
              static_cast<long long>(tenths % 10));
}

// Walks the song tick by tick up to its end (the tools' song driver, as
// render plays it): the ticks are the same in both timings, only their
// length differs. Prints the durations, or that no end was found.
void print_length() {
  pt_init();
  song_start(SD_OUTPUT_RATE, 0, 0, SONG_MAX_SEPARATION, 0);
  int64_t frames = 0;
  int64_t ticks = 0;
  bool ended = false;
  while (ticks < k_max_ticks) {
    const int32_t len = song_tick(&ended);
    if (ended && ticks > 0) break;
    frames += len;
    ticks++;
  }
  if (!ended) {
    std::printf("duration: no end within %lld ticks (the song never plays a row again)\n",
                static_cast<long long>(k_max_ticks));
    return;
  }
  std::printf("duration: ");
  print_duration(static_cast<double>(frames) / SD_OUTPUT_RATE);
  std::printf(" in the module's timing, ");
  print_duration(static_cast<double>(ticks * (SD_OUTPUT_RATE / SONG_DEMO_HZ)) / SD_OUTPUT_RATE);
  std::printf(" at the demo's %d ticks a second (%lld ticks)\n", SONG_DEMO_HZ, static_cast<long long>(ticks));
}

}  // namespace

int zapmod_info(const zapmod_args& args) {
  const char* path = args.in;
  std::vector<uint8_t> buf;
  int32_t size = 0;
  if (!zapmod_read(path, buf, size)) return 1;

  // Names first: the loader reads past them, and converts the patterns in place.
  char names[32][NAME_BYTES + 1] = {};
  if (size >= 1084)
    for (int s = 1; s <= 31; s++) sample_name(buf.data() + NAME_OFFSET + HEADER_STRIDE * (s - 1), names[s]);

  sd_ns_init();
  if (!pt_takemod(buf.data(), size)) {
    tool_error("%s: %s", path, pt_read_refusal().c_str());
    return 1;
  }

  std::printf("id: %s\n", pt_modid);
  std::printf("channels: %d\n", static_cast<int>(pt_channels));
  std::printf("song length: %d\n", static_cast<int>(pt_songlen));
  std::printf("restart: %d\n", static_cast<int>(pt_repstart));
  std::printf("patterns: %d\n", static_cast<int>(pt_lastpattern) + 1);
  print_length();
  std::printf("samples:\n");
  std::printf("%3s  %-22s  %6s  %9s  %8s  %6s  %8s\n", "#", "name", "length", "loopstart", "looplen", "volume",
              "finetune");
  for (int s = 1; s <= 31; s++) {
    const int fine = pt_finetune[s] > 7 ? pt_finetune[s] - 16 : pt_finetune[s];
    std::printf("%3d  %-22s  %6d  %9d  %8d  %6d  %8d\n", s, names[s], static_cast<int>(pt_slen[s]),
                static_cast<int>(pt_loops[s]), static_cast<int>(pt_loope[s]), static_cast<int>(pt_svol[s]), fine);
  }
  if (pt_cutsample != 0) {
    std::fflush(stdout);  // the warning after the table it is about
    zapmod_warn_cut(path);
  }
  return 0;
}
