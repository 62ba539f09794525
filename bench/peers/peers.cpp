// bench_peers: this project's module player and mixer beside two general
// module players (libxmp, libopenmpt), rendering the same modules in memory
// with the same output: mono, 44100 Hz, 16-bit, no interpolation (nearest
// sample for libxmp, interpolation filter length 1 and no dither for
// libopenmpt). Used by scripts/bench only.
//
//   bench_peers lengths CAP MODULE...
//     one line per module: MODULE TAB SECONDS, the whole seconds every player
//     can render before the song ends: min(CAP, each player's song length),
//     at least 1. This project's length is zapmod render's: until the song
//     first passes its last order entry.
//   bench_peers inproc ROUNDS [MODE] MODULE:SECONDS...
//     MODE (default mono): mono, stereo (separation 70 for all three) or
//     linear (mono with linear interpolation: a 2-point filter for
//     libopenmpt).
//     renders SECONDS of each module with each player, ROUNDS times, the
//     players' order turning each round; times are this thread's processor
//     time for the rendering alone (the module is loaded before the clock
//     starts). One line per module and player, then per player over all:
//       MODULE PLAYER CHANNELS SAMPLES CPU_US RATIO VOICE_SAMPLES_PER_S
//     CPU_US is the median over the rounds, RATIO the median over the rounds
//     of the player's time divided by this project's in the same round.
//     Voice-samples are output samples times the module's channels.
//
// This project renders as zapmod render does: the song driver
// (music/mzx_song.h) in the module's own timing at the headroom volume, in
// 64 KiB blocks; the other players are asked for 2048 frames at a time.
#include <libopenmpt/libopenmpt.hpp>
#include <xmp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "music/cool_mzx.h"
#include "music/mzx_song.h"
#include "player/pt.h"
#include "sound/sd_main.h"
#include "sound/sd_mix.h"

namespace {

constexpr int32_t k_rate = 44100;
constexpr int32_t k_buffer = 2048;
constexpr int32_t k_hz = 47;
constexpr int32_t k_image_bytes = 1000000 + MIX_SAMPLE_SLACK;  // the demo's module buffer
constexpr int32_t k_separation = 70;                           // zapmod's default; libxmp's own default too
constexpr int32_t k_block_values = 32768;                      // zapmod render's 64 KiB block

enum class mode { mono, stereo, linear };
mode g_mode = mode::mono;
int g_out_channels() { return g_mode == mode::stereo ? 2 : 1; }

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double thread_us() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// ---- This project -------------------------------------------------------------

std::vector<uint8_t> g_image(k_image_bytes);
std::vector<int16_t> g_out(k_block_values);

// Loads file into the module buffer as the demo does; false when refused.
bool zap_load(const std::vector<uint8_t>& file) {
  if (file.size() > 1000000) return false;
  std::fill(g_image.begin(), g_image.end(), 0);
  std::copy(file.begin(), file.end(), g_image.begin());
  mzx_init_offline(k_rate, k_hz);
  std::srand(1);
  return mzx_get(g_image.data(), static_cast<int32_t>(file.size())) == 1;
}

// The song driver as zapmod render sets it up, after zap_load.
void zap_start() {
  sd_setmainvolume(song_headroom_volume(pt_channels));
  song_start(k_rate, 0, g_mode == mode::stereo, k_separation, g_mode == mode::linear);
}

void zap_render(int64_t samples) {
  const int64_t block = k_block_values / g_out_channels();
  for (int64_t done = 0; done < samples; done += block) {
    const int64_t n = std::min<int64_t>(block, samples - done);
    song_mix(g_out.data(), static_cast<int32_t>(n), 1, false);
  }
}

// zapmod render's default length (up to the song's end), at most cap seconds.
double zap_length(double cap) {
  zap_start();
  const int64_t limit = static_cast<int64_t>(cap * k_rate);
  int64_t done = 0;
  while (done < limit) {
    const int32_t want = static_cast<int32_t>(std::min<int64_t>(k_block_values, limit - done));
    const int32_t got = song_mix(g_out.data(), want, 1, true);
    done += got;
    if (got < want) break;
  }
  return static_cast<double>(done) / k_rate;
}

// ---- libxmp ---------------------------------------------------------------------

struct xmp_player {
  xmp_context ctx = xmp_create_context();
  bool ok = false;
  explicit xmp_player(const std::vector<uint8_t>& file) {
    if (xmp_load_module_from_memory(ctx, file.data(), static_cast<long>(file.size())) != 0) return;
    if (xmp_start_player(ctx, k_rate, g_mode == mode::stereo ? 0 : XMP_FORMAT_MONO) != 0) return;
    xmp_set_player(ctx, XMP_PLAYER_INTERP, g_mode == mode::linear ? XMP_INTERP_LINEAR : XMP_INTERP_NEAREST);
    xmp_set_player(ctx, XMP_PLAYER_MIX, k_separation);
    ok = true;
  }
  ~xmp_player() {
    if (ok) xmp_end_player(ctx);
    xmp_free_context(ctx);
  }
  double length() {
    xmp_frame_info fi;
    xmp_get_frame_info(ctx, &fi);
    return fi.total_time / 1000.0;
  }
  void render(int64_t samples) {
    for (int64_t done = 0; done < samples; done += k_buffer) {
      const int64_t n = std::min<int64_t>(k_buffer, samples - done);
      xmp_play_buffer(ctx, g_out.data(), static_cast<int>(2 * n * g_out_channels()), 0);  // loop 0: never stop
    }
  }
};

// ---- libopenmpt -------------------------------------------------------------------

openmpt::module* openmpt_load(const std::vector<uint8_t>& file) {
  try {
    auto* m = new openmpt::module(file.data(), file.size());
    m->set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, g_mode == mode::linear ? 2 : 1);
    m->set_render_param(openmpt::module::RENDER_STEREOSEPARATION_PERCENT, k_separation);
    m->ctl_set_integer("dither", 0);
    m->set_repeat_count(-1);
    return m;
  } catch (...) {
    return nullptr;
  }
}

void openmpt_render(openmpt::module& m, int64_t samples) {
  for (int64_t done = 0; done < samples; done += k_buffer) {
    const int64_t n = std::min<int64_t>(k_buffer, samples - done);
    if (g_mode == mode::stereo) {
      m.read_interleaved_stereo(k_rate, static_cast<size_t>(n), g_out.data());
    } else {
      m.read(k_rate, static_cast<size_t>(n), g_out.data());
    }
  }
}

// ---- Commands ------------------------------------------------------------------------

int lengths(double cap, int n, char** paths) {
  for (int i = 0; i < n; i++) {
    const std::vector<uint8_t> file = read_file(paths[i]);
    if (!zap_load(file)) {
      std::fprintf(stderr, "bench_peers: %s: not a module this project's player takes\n", paths[i]);
      return 1;
    }
    double len = zap_length(cap);
    xmp_player x(file);
    std::unique_ptr<openmpt::module> o(openmpt_load(file));
    if (!x.ok || !o) {
      std::fprintf(stderr, "bench_peers: %s: %s refuses it\n", paths[i], x.ok ? "libopenmpt" : "libxmp");
      return 1;
    }
    len = std::min({len, x.length(), o->get_duration_seconds()});
    std::printf("%s\t%d\n", paths[i], std::max(1, static_cast<int>(std::floor(len))));
  }
  return 0;
}

enum { k_zap, k_xmp, k_openmpt, k_players };
const char* const k_names[k_players] = {"zapmod", "libxmp", "libopenmpt"};

// One timed render of one player.
double time_one(int player, const std::vector<uint8_t>& file, int64_t samples) {
  double t0 = 0;
  double t1 = 0;
  if (player == k_zap) {
    zap_load(file);
    zap_start();
    t0 = thread_us();
    zap_render(samples);
    t1 = thread_us();
  } else if (player == k_xmp) {
    xmp_player x(file);
    t0 = thread_us();
    x.render(samples);
    t1 = thread_us();
  } else {
    std::unique_ptr<openmpt::module> o(openmpt_load(file));
    t0 = thread_us();
    openmpt_render(*o, samples);
    t1 = thread_us();
  }
  return t1 - t0;
}

int inproc(int rounds, int n, char** args) {
  struct item {
    std::string path;
    std::vector<uint8_t> file;
    int64_t samples;
    int32_t channels;
    std::vector<double> us[k_players];
  };
  std::vector<item> items;
  for (int i = 0; i < n; i++) {
    const std::string arg = args[i];
    const size_t colon = arg.rfind(':');
    if (colon == std::string::npos) {
      std::fprintf(stderr, "bench_peers: %s: want MODULE:SECONDS\n", args[i]);
      return 2;
    }
    item it;
    it.path = arg.substr(0, colon);
    it.file = read_file(it.path);
    it.samples = static_cast<int64_t>(std::atoi(arg.c_str() + colon + 1)) * k_rate;
    if (!zap_load(it.file)) {
      std::fprintf(stderr, "bench_peers: %s: not a module this project's player takes\n", it.path.c_str());
      return 1;
    }
    it.channels = pt_channels;
    items.push_back(std::move(it));
  }
  for (int r = -1; r < rounds; r++) {  // round -1 warms up
    for (item& it : items) {
      for (int k = 0; k < k_players; k++) {
        const int p = (k + r + 1) % k_players;
        const double us = time_one(p, it.file, it.samples);
        if (r >= 0) it.us[p].push_back(us);
      }
    }
  }
  std::vector<double> total[k_players];
  for (auto& t : total) t.assign(static_cast<size_t>(rounds), 0.0);
  double voice_samples = 0;
  int64_t samples = 0;
  for (const item& it : items) {
    const double vs = static_cast<double>(it.samples) * it.channels;
    voice_samples += vs;
    samples += it.samples;
    for (int p = 0; p < k_players; p++) {
      std::vector<double> ratio;
      for (int r = 0; r < rounds; r++) {
        ratio.push_back(it.us[p][static_cast<size_t>(r)] / it.us[k_zap][static_cast<size_t>(r)]);
        total[p][static_cast<size_t>(r)] += it.us[p][static_cast<size_t>(r)];
      }
      const double us = median(it.us[p]);
      std::printf("%s\t%s\t%d\t%lld\t%.0f\t%.4f\t%.4g\n", it.path.c_str(), k_names[p], static_cast<int>(it.channels),
                  static_cast<long long>(it.samples), us, median(ratio), vs / us * 1e6);
    }
  }
  for (int p = 0; p < k_players; p++) {
    std::vector<double> ratio;
    for (int r = 0; r < rounds; r++)
      ratio.push_back(total[p][static_cast<size_t>(r)] / total[k_zap][static_cast<size_t>(r)]);
    const double us = median(total[p]);
    std::printf("all\t%s\t-\t%lld\t%.0f\t%.4f\t%.4g\n", k_names[p], static_cast<long long>(samples), us,
                median(ratio), voice_samples / us * 1e6);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && !std::strcmp(argv[1], "lengths")) return lengths(std::atof(argv[2]), argc - 3, argv + 3);
  if (argc >= 4 && !std::strcmp(argv[1], "inproc") && std::atoi(argv[2]) > 0) {
    int first = 3;
    const std::string m = argv[3];
    if (m == "mono" || m == "stereo" || m == "linear") {
      g_mode = m == "stereo" ? mode::stereo : m == "linear" ? mode::linear : mode::mono;
      first = 4;
    }
    return inproc(std::atoi(argv[2]), argc - first, argv + first);
  }
  std::fprintf(stderr,
               "usage: bench_peers lengths CAP MODULE...\n"
               "       bench_peers inproc ROUNDS [mono|stereo|linear] MODULE:SECONDS...\n");
  return 2;
}
