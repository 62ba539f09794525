// zap_avsync: the helper of the desktop picture-against-sound test
// (tests/avsync/run.sh).
//
//   zap_avsync module OUT.mod          writes the song of clicks the test plays
//   zap_avsync record SOURCE SECONDS OUT.raw
//       records SOURCE (a sink's monitor) of the running PulseAudio server as
//       mono 16-bit samples at 44100 Hz, and prints "t0_us T" on standard
//       output: the steady-clock time at which the recording's first sample
//       was being played by the sink (from the stream's own clock, which for
//       a monitor counts the sink's latency), with how it was found
//   zap_avsync compare OUT.raw T0_US FRAMELOG
//       prints "desktop picture vs sound: median X ms, max Y ms over N frames"
//       and exits 1 when a frame was further than 45 ms from the sound, when
//       the sample the program took as being output was more than 20 ms from
//       the sink's at the median, or when too little could be compared; 3
//       when the machine kept the program from running so often that fewer
//       than 240 frames were left to compare (see avsync.h)
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "avsync.h"
#include "support/modbuild.h"

namespace {

constexpr uint32_t k_rate = 44100;
// The most a frame may be off, in ms.
constexpr double k_bound_ms = 45.0;
// Frames the figures need at least: 4 s of the demo's 60 a second.
constexpr size_t k_min_frames = 240;
// The most the program's output sample may be from the sink's at the median, in ms.
constexpr double k_estimate_ms = 20.0;
// Ticks a row of the song of clicks lasts (2 x 938 samples: 42.5 ms).
constexpr int k_speed = 2;
constexpr int k_orders = 8;

int64_t now_us() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// ---- module -------------------------------------------------------------------

int write_module(const char* path) {
  mb_module m;
  m.order.assign(k_orders, 0);
  // A click: 8 bytes high, 8 low, then silence. A sample without a loop
  // would go on repeating its first word, so it loops over its silent part.
  mb_sample& s = m.sample(1, 64);
  for (size_t i = 0; i < s.data.size(); i++) s.data[i] = static_cast<int8_t>(i < 8 ? 120 : i < 16 ? -120 : 0);
  s.loopstart_words = 8;
  s.looplen_words = 24;
  for (int row = 0; row < 64; row++) m.cell(0, row, 0) = {1, 428, 0, 0};
  m.cell(0, 0, 1) = {0, 0, 0xF, k_speed};
  const std::vector<uint8_t> bytes = m.build();
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "zap_avsync: cannot write %s\n", path);
    return 1;
  }
  return 0;
}

// ---- record -------------------------------------------------------------------

struct recording {
  pa_threaded_mainloop* loop = nullptr;
  std::vector<int16_t> pcm;
  size_t want = 0;
  bool done = false, failed = false;
  // At each read: the steady clock, the stream's clock (the time of the
  // sample at the sink now, from the recording's start), the samples read.
  std::vector<std::array<int64_t, 3>> clocks;
  std::vector<double> latency_ms;  // the stream's latency at each read (negative: not yet played)
};

void on_context(pa_context*, void* u) { pa_threaded_mainloop_signal(static_cast<recording*>(u)->loop, 0); }
void on_stream(pa_stream*, void* u) { pa_threaded_mainloop_signal(static_cast<recording*>(u)->loop, 0); }

void on_read(pa_stream* s, size_t, void* u) {
  recording& r = *static_cast<recording*>(u);
  while (pa_stream_readable_size(s) > 0) {
    const void* data = nullptr;
    size_t n = 0;
    if (pa_stream_peek(s, &data, &n) < 0) {
      r.failed = true;
      break;
    }
    if (n == 0) break;
    const size_t samples = n / 2;
    if (data != nullptr) {
      const int16_t* p = static_cast<const int16_t*>(data);
      r.pcm.insert(r.pcm.end(), p, p + samples);
    } else {
      r.pcm.insert(r.pcm.end(), samples, int16_t{0});  // a hole: silence
    }
    pa_stream_drop(s);
  }
  pa_usec_t t = 0;
  const int64_t now = now_us();
  if (pa_stream_get_time(s, &t) == 0)
    r.clocks.push_back({now, static_cast<int64_t>(t), static_cast<int64_t>(r.pcm.size())});
  pa_usec_t lat = 0;
  int negative = 0;
  if (pa_stream_get_latency(s, &lat, &negative) == 0) r.latency_ms.push_back((negative ? -1.0 : 1.0) * lat / 1000.0);
  if (r.pcm.size() >= r.want || r.failed) {
    r.done = true;
    pa_threaded_mainloop_signal(r.loop, 0);
  }
}

int record(const char* source, double seconds, const char* path) {
  recording r;
  r.want = static_cast<size_t>(seconds * k_rate);
  r.pcm.reserve(r.want + k_rate);
  r.loop = pa_threaded_mainloop_new();
  pa_context* ctx = pa_context_new(pa_threaded_mainloop_get_api(r.loop), "zap_avsync");
  pa_context_set_state_callback(ctx, on_context, &r);
  if (pa_context_connect(ctx, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) {
    std::fprintf(stderr, "zap_avsync: no PulseAudio server: %s\n", pa_strerror(pa_context_errno(ctx)));
    return 1;
  }
  pa_threaded_mainloop_lock(r.loop);
  pa_threaded_mainloop_start(r.loop);
  for (;;) {
    const pa_context_state_t st = pa_context_get_state(ctx);
    if (st == PA_CONTEXT_READY) break;
    if (!PA_CONTEXT_IS_GOOD(st)) {
      std::fprintf(stderr, "zap_avsync: cannot connect to the PulseAudio server: %s\n",
                   pa_strerror(pa_context_errno(ctx)));
      pa_threaded_mainloop_unlock(r.loop);
      return 1;
    }
    pa_threaded_mainloop_wait(r.loop);
  }
  const pa_sample_spec format{PA_SAMPLE_S16LE, k_rate, 1};
  pa_stream* stream = pa_stream_new(ctx, "picture vs sound", &format, nullptr);
  pa_stream_set_state_callback(stream, on_stream, &r);
  pa_stream_set_read_callback(stream, on_read, &r);
  // Fragments of 50 ms. A recording asks its source for a latency of one
  // fragment, and a monitor passes that on to its sink: longer than the 11.6 ms
  // the demo's stream asks for, it leaves the sink's latency to the demo, as
  // on a machine where nobody records. (With 5 ms the sink ran at 5 ms and ran
  // dry under load.) The stream's clock is interpolated between fragments.
  pa_buffer_attr attr;
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(-1);
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(-1);
  attr.fragsize = k_rate / 20 * 2;
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                    PA_STREAM_ADJUST_LATENCY);
  if (pa_stream_connect_record(stream, source, &attr, flags) < 0) {
    std::fprintf(stderr, "zap_avsync: cannot record %s: %s\n", source, pa_strerror(pa_context_errno(ctx)));
    pa_threaded_mainloop_unlock(r.loop);
    return 1;
  }
  const int64_t started = now_us();
  std::printf("ready\n");
  std::fflush(stdout);
  while (!r.done) {
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
      r.failed = true;
      break;
    }
    pa_threaded_mainloop_wait(r.loop);
  }
  const std::string failure = r.failed ? pa_strerror(pa_context_errno(ctx)) : "";
  pa_stream_disconnect(stream);
  pa_stream_unref(stream);
  pa_context_disconnect(ctx);
  pa_context_unref(ctx);
  pa_threaded_mainloop_unlock(r.loop);
  pa_threaded_mainloop_stop(r.loop);
  pa_threaded_mainloop_free(r.loop);
  if (r.failed) {
    std::fprintf(stderr, "zap_avsync: recording %s failed: %s\n", source, failure.c_str());
    return 1;
  }
  // The recording's first sample was at the sink at t0 = now - the stream's
  // clock, read at every fragment; the median of those readings. A second
  // view for comparison: data cannot reach us before the sink takes it, so
  // the earliest arrival less the samples before it bounds when the sink took
  // the first sample.
  std::vector<double> t0s;
  double arrival = 1e300;
  for (const auto& c : r.clocks) {
    t0s.push_back(static_cast<double>(c[0] - c[1]));
    arrival = std::min(arrival, static_cast<double>(c[0]) - 1e6 * static_cast<double>(c[2]) / k_rate);
  }
  if (t0s.size() < 10) {
    std::fprintf(stderr, "zap_avsync: the stream's clock was read %zu times\n", t0s.size());
    return 1;
  }
  std::sort(t0s.begin(), t0s.end());
  const double t0 = t0s[t0s.size() / 2];
  std::printf("t0_us %.0f\n", t0);
  std::printf(
      "clock readings %zu, spread %.2f..%.2f ms about the median; the monitor's data came up to %.1f ms before "
      "the sink played it; stream latency median %.1f ms; first read %.1f ms after the connect\n",
      t0s.size(), (t0s.front() - t0) / 1000, (t0s.back() - t0) / 1000, (t0 - arrival) / 1000.0, median(r.latency_ms),
      (t0 - static_cast<double>(started)) / 1000);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(r.pcm.data()), static_cast<std::streamsize>(r.pcm.size() * 2));
  if (!out) {
    std::fprintf(stderr, "zap_avsync: cannot write %s\n", path);
    return 1;
  }
  return 0;
}

// ---- compare ------------------------------------------------------------------

int compare(const char* raw, double t0_us, const char* log) {
  std::ifstream in(raw, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> pcm(bytes.size() / 2);
  std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
  std::vector<avs_frame> frames;
  std::string error;
  if (!avs_read_log(log, frames, &error)) {
    std::fprintf(stderr, "zap_avsync: %s\n", error.c_str());
    return 1;
  }
  int32_t peak = 0;
  for (const int16_t v : pcm) peak = std::max(peak, std::abs(int32_t{v}));
  if (peak < 1000) {
    std::fprintf(stderr, "zap_avsync: the recording is silent (peak %d)\n", peak);
    return 1;
  }
  // A click sounds for under 4 ms; rows are 42.5 ms apart.
  const std::vector<int64_t> onsets = avs_onsets(pcm, peak / 4, k_rate / 100);
  const int64_t row_samples = int64_t{k_speed} * (k_rate / 47);
  std::vector<int64_t> starts;
  int32_t irregular = 0;
  size_t first_gap = onsets.size();
  std::string gaps;
  for (size_t i = 0; i < onsets.size(); i++) {
    starts.push_back(static_cast<int64_t>(std::llround(t0_us + 1e6 * static_cast<double>(onsets[i]) / k_rate)));
    if (i > 0 && std::llabs(onsets[i] - onsets[i - 1] - row_samples) > 2) {
      irregular++;
      first_gap = std::min(first_gap, i);
      if (irregular <= 5) gaps += " row " + std::to_string(i) + " after " + std::to_string(onsets[i] - onsets[i - 1]);
    }
  }
  avs_limits limits;
  limits.row_us = row_samples * 1'000'000 / k_rate;
  const avs_result r = avs_compare(starts, frames, limits);
  // Where the program took the output to be, against where the sound was:
  // the first row's first sample is the program's sample 0.
  // Only up to the first row that came late (the output ran dry and the
  // sound slipped): from there on sample counts and the sound's time differ.
  // The counts wrap, so the difference is taken in 32 bits.
  std::vector<double> est;
  const int64_t slip = first_gap < onsets.size() ? starts[first_gap] : (starts.empty() ? 0 : starts.back());
  for (const avs_frame& f : frames) {
    if (f.sample < 0 || starts.empty() || f.t_us < starts.front() || f.t_us >= slip) continue;
    const auto heard = static_cast<uint32_t>(std::llround(static_cast<double>(f.t_us - starts.front()) * k_rate / 1e6));
    const auto d = static_cast<int32_t>(static_cast<uint32_t>(f.sample) - heard);
    est.push_back(d * 1000.0 / k_rate);
  }
  std::sort(est.begin(), est.end());
  std::printf("desktop picture vs sound: median %.1f ms, max %.1f ms over %zu frames\n", r.median_ms, r.max_ms,
              r.offs_ms.size());
  if (r.shown_late + r.dry > 0) {
    std::printf(
        "     left out: %d frames presented %lld ms or more after their frame step read the music, %d frames "
        "from the sound's first running dry on (%d rows came off time)\n",
        r.shown_late, static_cast<long long>(limits.late_frame_us / 1000), r.dry, r.late_rows);
  }
  const auto ahead = std::count_if(r.offs_ms.begin(), r.offs_ms.end(), [](double d) { return d > 0; });
  const auto behind = std::count_if(r.offs_ms.begin(), r.offs_ms.end(), [](double d) { return d < 0; });
  std::printf(
      "     picture ahead of the sound in %ld frames, behind in %ld; %zu rows heard (%d not %lld samples "
      "apart%s)\n",
      static_cast<long>(ahead), static_cast<long>(behind), onsets.size(), irregular,
      static_cast<long long>(row_samples), gaps.empty() ? "" : (":" + gaps).c_str());
  if (!est.empty()) {
    std::printf(
        "     the program's output sample against the sound's: median %+.1f ms, %+.1f..%+.1f ms over %zu "
        "frames%s\n",
        est[est.size() / 2], est.front(), est.back(), est.size(),
        first_gap < onsets.size() ? " (up to the first late row)" : "");
  }
  if (r.offs_ms.size() < k_min_frames && r.shown_late + r.dry > 0) {
    std::fprintf(stderr,
                 "zap_avsync: the machine was too busy to measure: %d frames shown late, %d after the sound "
                 "ran dry, %zu left\n",
                 r.shown_late, r.dry, r.offs_ms.size());
    return 3;
  }
  if (onsets.empty() || r.offs_ms.size() < k_min_frames || r.unknown != 0) {
    std::fprintf(stderr, "zap_avsync: too little to compare: %zu rows heard, %zu frames, %d frames of unknown rows\n",
                 onsets.size(), r.offs_ms.size(), r.unknown);
    return 1;
  }
  // The program's own bookkeeping, where the recording allows it: the sample
  // it takes as being output is the one the sink plays, give or take the
  // callback's jitter (a queue it does not count shows here first).
  if (est.size() >= 100 && std::fabs(est[est.size() / 2]) > k_estimate_ms) {
    std::fprintf(
        stderr, "zap_avsync: the program took the output to be %+.1f ms from the sound at the median (bound %.0f ms)\n",
        est[est.size() / 2], k_estimate_ms);
    return 1;
  }
  if (r.max_ms > k_bound_ms) {
    std::fprintf(stderr, "zap_avsync: a frame was %.1f ms away from the sound (bound %.0f ms)\n", r.max_ms, k_bound_ms);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string cmd = argc > 1 ? argv[1] : "";
  if (cmd == "module" && argc == 3) return write_module(argv[2]);
  if (cmd == "record" && argc == 5) return record(argv[2], std::atof(argv[3]), argv[4]);
  if (cmd == "compare" && argc == 5) return compare(argv[2], std::atof(argv[3]), argv[4]);
  std::fprintf(stderr,
               "usage: zap_avsync module OUT.mod | record SOURCE SECONDS OUT.raw | compare OUT.raw T0_US FRAMELOG\n");
  return 2;
}
