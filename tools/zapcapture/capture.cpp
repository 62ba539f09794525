// The whole demo (or a span of it) on a simulated clock.
//
// Clock: frame k is taken at k / fps seconds, and its tid is that time in whole
// milliseconds, k * 1000 / fps. tid 0 is the time base, taken just after the
// music's first buffer has run its first tick, as the demo's start-up does.
//
// Sound: the demo's audio callback on 2048-sample buffers at 44100 Hz, one
// continuous stream from the first tick, exactly as SDL would ask for it. Before
// each frame step the music is rendered (demo_music_pump, the demo's own rule
// for running without a device) until the buffer holding the sample that plays
// at the frame's time has been rendered; the frame then reads the position that
// rendering left. That is what the demo's frame sees with a sound card: the
// audio thread fills a buffer before it plays, so the position it publishes is
// never behind the sound being heard and at most one buffer (46 ms) ahead.
// The sound written is the stream itself, cut at the span's first and last
// frames, so from 0 it equals an offline render of the module sample for sample.
//
// The run ends after the frame that sets the stop (position 2500 and on), as
// the demo does, or at --to, or at the cap when the music never gets there.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "demo/scene_looks.h"
#include "zapcapture.h"

namespace {

constexpr double k_default_cap_seconds = 600.0;  // a song that never reaches the stop position
constexpr int k_scenes = looks::SCENES;
constexpr int k_video_scale = 4;
constexpr int k_still_scale = 1;
constexpr int k_progress_frames = 15;  // frames between progress bar updates
constexpr int k_bar_width = 40;
constexpr int32_t k_stop_position = 2500;

// What each scene shows, for the summary.
constexpr const auto& k_scene_names = looks::scene_names;

// Sound rendered and not yet written or dropped: samples [g_taken, g_taken + size).
std::vector<int16_t> g_pending;
int64_t g_taken = 0;

void keep_block(const uint8_t* block, int32_t bytes) {
  const size_t n = static_cast<size_t>(bytes) / 2;
  const size_t at = g_pending.size();
  g_pending.resize(at + n);
  std::memcpy(g_pending.data() + at, block, n * 2);  // the mixer's samples, host order
}

// First sample of frame k: k / fps seconds, rounded down.
int64_t sample_of(int64_t k, int fps) { return k * CAP_RATE / fps; }

// Drops the sound before sample `from` and writes what lies before `upto`;
// false when a write failed.
bool pass_sound(int64_t from, int64_t upto, bool write) {
  const int64_t end = std::min<int64_t>(upto, g_taken + static_cast<int64_t>(g_pending.size()));
  if (end <= g_taken) return true;
  const int64_t skip = std::clamp<int64_t>(from - g_taken, 0, end - g_taken);
  bool ok = true;
  if (write && end - g_taken > skip) ok = wav_write(g_pending.data() + skip, end - g_taken - skip);
  g_pending.erase(g_pending.begin(), g_pending.begin() + (end - g_taken));
  g_taken = end;
  return ok;
}

// A progress line is on the terminal, with no newline after it yet.
bool g_bar_open = false;

// Ends the progress line, so that what follows starts a line of its own.
void bar_close() {
  if (g_bar_open) std::fputc('\n', stderr);
  g_bar_open = false;
}

// m:ss.mmm
std::string clock_text(int64_t ms) {
  char b[32];
  std::snprintf(b, sizeof b, "%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
  return b;
}

// Milliseconds of frame k, exact to the millisecond below.
int64_t ms_of(int64_t k, int fps) { return k * 1000 / fps; }

// The 320x240 screen in RGB: rows 20..219 the frame, the borders index 0, as
// the demo's screen shows them.
void screen_rgb(const uint8_t* frame, const uint8_t* pal, std::vector<uint8_t>& out) {
  out.resize(static_cast<size_t>(CAP_W * CAP_SCREEN_H * 3));
  uint8_t* p = out.data();
  for (int y = 0; y < CAP_SCREEN_H; y++) {
    const bool inside = y >= CAP_FRAME_TOP && y < CAP_FRAME_TOP + CAP_FRAME_H;
    const uint8_t* src = inside ? frame + (y - CAP_FRAME_TOP) * CAP_W : nullptr;
    for (int x = 0; x < CAP_W; x++, p += 3) std::memcpy(p, pal + 3 * (src ? src[x] : 0), 3);
  }
}

void progress(int64_t ms, int64_t end_ms, int32_t pos, int scene) {
  double f = std::max(static_cast<double>(pos) / k_stop_position, end_ms > 0 ? static_cast<double>(ms) / end_ms : 0);
  f = std::clamp(f, 0.0, 1.0);
  const int fill = static_cast<int>(f * k_bar_width);
  char bar[k_bar_width + 1];
  for (int i = 0; i < k_bar_width; i++) bar[i] = i < fill ? '#' : '.';
  bar[k_bar_width] = 0;
  std::fprintf(stderr, "\rzapcapture: [%s] %3d%%  %s  scene %2d ", bar, static_cast<int>(f * 100),
               clock_text(ms).c_str(), scene);
  g_bar_open = true;
}

}  // namespace

int capture_run(const cap_options& o) {
  const bool want_sound = o.video || o.wav;
  const int video_scale = o.scale ? o.scale : k_video_scale;
  const int still_scale = o.scale ? o.scale : k_still_scale;
  const double end_seconds = o.to > 0 ? o.to : k_default_cap_seconds;
  // Frames k0 .. (at most) k_end - 1 are written; a frame's time must lie in [from, to).
  const int64_t k0 = static_cast<int64_t>(std::ceil(o.from * o.fps - 1e-9));
  const int64_t k_end = static_cast<int64_t>(std::ceil(end_seconds * o.fps - 1e-9));
  std::set<int64_t> shots;  // --at: the frame on screen at that moment
  for (double s : o.at) shots.insert(static_cast<int64_t>(std::floor(s * o.fps + 1e-9)));
  const bool every_frame = o.every == 0 && o.at.empty();

  if (o.frames && !dir_make(o.frames)) {
    std::fprintf(stderr, "zapcapture: %s\n", media_error().c_str());
    return 1;
  }
  if (o.raw && !dir_make(o.raw)) {
    std::fprintf(stderr, "zapcapture: %s\n", media_error().c_str());
    return 1;
  }
  if (!session_open(o.data)) return 1;

  // The sound for the video goes to the WAV asked for, or else to one of its own.
  std::string wav_path = o.wav ? o.wav : "";
  if (o.video) {
    if (!encoder_open(o.video, CAP_W, CAP_SCREEN_H, video_scale, o.fps)) {
      session_close();
      return 1;
    }
    if (!o.wav) wav_path = encoder_sound_path();
  }
  if (want_sound && !wav_open(wav_path.c_str())) {
    std::fprintf(stderr, "zapcapture: %s\n", media_error().c_str());
    if (o.video) encoder_abort();
    session_close();
    return 1;
  }
  g_pending.clear();
  g_taken = 0;
  auto fail = [&](const std::string& why) {
    bar_close();
    if (!why.empty()) std::fprintf(stderr, "zapcapture: %s\n", why.c_str());
    if (want_sound) wav_discard();
    if (o.video) encoder_abort();
    session_close();
    return 1;
  };
  if (!session_music(keep_block)) return fail("");

  const bool bar = isatty(STDERR_FILENO);
  const int64_t bar_end_ms = o.to > 0 ? static_cast<int64_t>(o.to * 1000) : 0;
  int64_t first_seen[k_scenes + 1];
  std::fill(std::begin(first_seen), std::end(first_seen), -1);
  uint8_t pal[CAP_PALETTE_BYTES];
  std::vector<uint8_t> rgb;
  int64_t k = 0;
  int64_t written = 0;
  bool stopped = false;
  int32_t last_pos = 0;
  int last_scene = 1;
  for (; k < k_end; k++) {
    const int64_t ms = ms_of(k, o.fps);
    session_music_until(static_cast<int32_t>(ms));
    const int scene = session_step(static_cast<int32_t>(ms));
    last_scene = scene;
    if (first_seen[scene] < 0) first_seen[scene] = k;
    stopped = session_stop() != 0;
    last_pos = session_position();
    if (k >= k0) {
      const uint8_t* frame = session_frame();
      session_palette(pal);
      if (o.video) {
        screen_rgb(frame, pal, rgb);
        if (!encoder_frame(rgb.data(), rgb.size())) return fail(media_error());
      }
      const bool pick = every_frame || shots.count(k) || (o.every > 0 && (k - k0) % o.every == 0);
      if (pick && o.frames && !png_write(numbered(o.frames, k, ".png"), frame, pal, still_scale))
        return fail(media_error());
      if (pick && o.raw &&
          (!file_write(numbered(o.raw, k, ".frame"), frame, CAP_FRAME_BYTES) ||
           !file_write(numbered(o.raw, k, ".pal"), pal, CAP_PALETTE_BYTES)))
        return fail(media_error());
      shots.erase(k);
      written++;
    }
    // The sound up to the start of the next frame is final now.
    if (want_sound && !pass_sound(sample_of(k0, o.fps), sample_of(k + 1, o.fps), k >= k0))
      return fail(media_error());
    if (bar && k % k_progress_frames == 0) progress(ms, bar_end_ms, last_pos, scene);
    if (stopped) {
      k++;
      break;
    }
  }
  const int64_t k_last = k - 1;  // the last frame run

  // The sound of the last frame may lie past what its step rendered.
  if (want_sound) {
    const int64_t upto = sample_of(k_last + 1, o.fps);
    while (g_taken + static_cast<int64_t>(g_pending.size()) < upto) session_music_block();
    if (!pass_sound(sample_of(k0, o.fps), upto, true)) return fail(media_error());
    if (!wav_close()) return fail(media_error());
  }
  if (bar) {
    progress(ms_of(k_last + 1, o.fps), bar_end_ms, last_pos, last_scene);
    bar_close();
  }
  if (written == 0) {
    return fail("no frame to write: the demo stopped at " + clock_text(ms_of(k_last, o.fps)) + ", before --from");
  }
  if (o.video) {
    const bool ok = encoder_finish(wav_path.c_str());
    if (!ok) {
      session_close();
      return 1;
    }
  }
  session_close();

  for (int64_t s : shots) {
    std::fprintf(stderr, "zapcapture: no still at %s: the capture ran frames %lld..%lld only\n",
                 clock_text(ms_of(s, o.fps)).c_str(), static_cast<long long>(k0), static_cast<long long>(k_last));
  }
  const int64_t span_ms = written * 1000 / o.fps;
  std::printf("zapcapture: %lld frames at %d per second (frames %lld..%lld), %s (%.3f s); ",
              static_cast<long long>(written), o.fps, static_cast<long long>(k0), static_cast<long long>(k_last),
              clock_text(span_ms).c_str(), static_cast<double>(written) / o.fps);
  if (stopped) {
    std::printf("the demo stopped at position %d\n", static_cast<int>(last_pos));
  } else if (o.to > 0) {
    std::printf("cut at --to %g s\n", o.to);
  } else {
    std::printf("the music never reached position %d; cut after %g s\n", static_cast<int>(k_stop_position),
                k_default_cap_seconds);
  }
  for (int s = 1; s <= k_scenes; s++) {
    if (first_seen[s] < 0) {
      std::printf("scene %2d  %-14s not reached\n", s, k_scene_names[s - 1]);
    } else {
      std::printf("scene %2d  %-14s first at %s (frame %lld)\n", s, k_scene_names[s - 1],
                  clock_text(ms_of(first_seen[s], o.fps)).c_str(), static_cast<long long>(first_seen[s]));
    }
  }
  return 0;
}
