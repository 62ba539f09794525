// zapmod info FILE: what the player makes of a module: its id, channel count,
// song length, restart position, pattern count and a table of the samples.
//
// The module goes through the player's own loader (with the silent device), so
// what is shown is what the demo would play: clamped volumes and restart
// positions, lengths and loop points in bytes, finetune as a signed value.
#include <cstdio>
#include <vector>

#include "player/pt.h"
#include "sound/sd_ns.h"
#include "common/tool.h"
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
    tool_error("%s: %s", path, pt_errorstr);
    return 1;
  }

  std::printf("id: %s\n", pt_modid);
  std::printf("channels: %d\n", static_cast<int>(pt_channels));
  std::printf("song length: %d\n", static_cast<int>(pt_songlen));
  std::printf("restart: %d\n", static_cast<int>(pt_repstart));
  std::printf("patterns: %d\n", static_cast<int>(pt_lastpattern) + 1);
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
