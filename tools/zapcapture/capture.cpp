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
// With --warning the warning card comes first, as the demo shows it before
// the show: WARNING_TIMEOUT_MS of its frames with silence under them, then the
// show as above, its clock and sound starting where the card ends. Frame
// numbers and the span's times count from the card's start. The card lasts
// whole seconds, so at any frame rate it is whole frames and whole samples.
//
// The run ends after the frame that sets the stop (STOP_POSITION and on), as
// the demo does, or at --to, or at the cap when the music never gets there.
//
// A run has four parts: the set-up (directories, the demo, ffmpeg, the WAV),
// the frame steps with what each writes, the sound's tail, and the summary,
// which counts the files written. A still asked for with --at that the run
// never reached fails it (exit status 1).
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/tool.h"
#include "common/wavfile.h"
#include "demo/demo.h"
#include "demo/scene_looks.h"
#include "demo/timeline.h"
#include "demo/warning.h"
#include "zapcapture.h"

namespace {

constexpr double k_default_cap_seconds = 600.0;  // a song that never reaches the stop position
constexpr int k_scenes = looks::SCENES;
constexpr int k_video_scale = 4;
constexpr int k_still_scale = 1;
constexpr int k_progress_frames = 15;  // frames between progress bar updates
constexpr int k_bar_width = 40;
constexpr int k_frame_top = SCREEN_OFFSET / FRAME_W;  // the frame's first row on the screen

// What each scene shows, for the summary.
constexpr const auto& k_scene_names = looks::scene_names;

// One run: what it was asked for, where it has got to, and what it wrote.
struct capture {
  const cap_options* o = nullptr;
  bool want_sound = false;
  int video_scale = k_video_scale;
  int still_scale = k_still_scale;
  int64_t k0 = 0;     // the first frame written
  int64_t k_end = 0;  // frames before this one at most
  int64_t card_frames = 0;  // --warning: the card's frames, before the show's first
  std::set<int64_t> shots;  // --at: the frames on screen then, until written
  bool every_frame = true;
  std::string wav_path;
  wav_file wav;
  bool bar = false;
  int64_t bar_end_ms = 0;
  int64_t first_seen[k_scenes + 1] = {};
  int64_t k_last = -1;  // the last frame run
  int64_t stepped = 0;  // frames run inside the span
  int64_t stills = 0;   // PNG files written
  int64_t raws = 0;     // raw frames written (each with its palette)
  bool stopped = false;
  int32_t last_pos = 0;
  int last_scene = 1;
  bool made_frames = false;  // --frames and --raw: this run made the directory
  bool made_raw = false;
};

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
int64_t sample_of(int64_t k, int fps) { return k * SD_OUTPUT_RATE / fps; }

// Drops the sound before sample `from` and writes what lies before `upto`;
// false when a write failed.
bool pass_sound(wav_file& w, int64_t from, int64_t upto, bool write) {
  const int64_t end = std::min<int64_t>(upto, g_taken + static_cast<int64_t>(g_pending.size()));
  if (end <= g_taken) return true;
  const int64_t skip = std::clamp<int64_t>(from - g_taken, 0, end - g_taken);
  bool ok = true;
  if (write && end - g_taken > skip) {
    ok = wav_put16(w, g_pending.data() + skip, static_cast<size_t>(end - g_taken - skip));
  }
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

// The 320x240 screen in RGB: the frame in its rows, the borders index 0, as
// the demo's screen shows them.
void screen_rgb(const uint8_t* frame, const uint8_t* pal, std::vector<uint8_t>& out) {
  out.resize(static_cast<size_t>(FRAME_W * SCREEN_H * 3));
  uint8_t* p = out.data();
  for (int y = 0; y < SCREEN_H; y++) {
    const bool inside = y >= k_frame_top && y < k_frame_top + FRAME_H;
    const uint8_t* src = inside ? frame + (y - k_frame_top) * FRAME_W : nullptr;
    for (int x = 0; x < FRAME_W; x++, p += 3) std::memcpy(p, pal + 3 * (src ? src[x] : 0), 3);
  }
}

void progress(int64_t ms, int64_t end_ms, int32_t pos, int scene) {
  double f = std::max(static_cast<double>(pos) / STOP_POSITION, end_ms > 0 ? static_cast<double>(ms) / end_ms : 0);
  f = std::clamp(f, 0.0, 1.0);
  const int fill = static_cast<int>(f * k_bar_width);
  char bar[k_bar_width + 1];
  for (int i = 0; i < k_bar_width; i++) bar[i] = i < fill ? '#' : '.';
  bar[k_bar_width] = 0;
  std::fprintf(stderr, "\r%s: [%s] %3d%%  %s  scene %2d ", tool_name(), bar, static_cast<int>(f * 100),
               clock_text(ms).c_str(), scene);
  g_bar_open = true;
}

// Lets go of everything after a failure; exit status 1. The message is out,
// but for a failed write of the WAV, which closing it reports.
int give_up(capture& c) {
  bar_close();
  if (c.want_sound && c.wav.file.error) wav_end(c.wav);
  if (c.want_sound) out_abandon(c.wav.file);
  if (c.o->video) encoder_abort();
  session_close();
  dir_unmake(c.o->frames, c.made_frames);
  dir_unmake(c.o->raw, c.made_raw);
  return 1;
}

// The span, the stills picked, the directories, the demo, ffmpeg and the WAV.
bool set_up(const cap_options& o, capture& c) {
  c.o = &o;
  c.want_sound = o.video || o.wav;
  c.video_scale = o.scale ? o.scale : k_video_scale;
  c.still_scale = o.scale ? o.scale : k_still_scale;
  const double end_seconds = o.to > 0 ? o.to : k_default_cap_seconds;
  // Frames k0 .. (at most) k_end - 1 are written; a frame's time must lie in [from, to).
  c.k0 = static_cast<int64_t>(std::ceil(o.from * o.fps - 1e-9));
  c.k_end = static_cast<int64_t>(std::ceil(end_seconds * o.fps - 1e-9));
  for (double s : o.at) c.shots.insert(static_cast<int64_t>(std::floor(s * o.fps + 1e-9)));
  c.every_frame = o.every == 0 && o.at.empty();
  std::fill(std::begin(c.first_seen), std::end(c.first_seen), -1);
  c.bar = isatty(STDERR_FILENO);
  c.bar_end_ms = o.to > 0 ? static_cast<int64_t>(o.to * 1000) : 0;

  // The directories once everything else has been checked: a run that
  // cannot start leaves none behind (and give_up takes away empty ones).
  if (!session_open(o.data)) return false;
  session_gentle(o.gentle);
  // The sound for the video goes to the WAV asked for, or else to one of its own.
  c.wav_path = o.wav ? o.wav : "";
  if (o.video) {
    if (!encoder_open(o.video, FRAME_W, SCREEN_H, c.video_scale, o.fps)) {
      session_close();
      return false;
    }
    if (!o.wav) c.wav_path = encoder_sound_path();
  }
  g_pending.clear();
  g_taken = 0;
  if (o.warning) {
    // The card's frames and its silence, before the music's first sample.
    static_assert(WARNING_TIMEOUT_MS % 1000 == 0);
    c.card_frames = int64_t{WARNING_TIMEOUT_MS} / 1000 * o.fps;
    g_pending.assign(static_cast<size_t>(sample_of(c.card_frames, o.fps)), 0);
    session_card_begin();
  }
  if ((c.want_sound && !wav_begin(c.wav, c.wav_path.c_str(), SD_OUTPUT_RATE, 2)) || !session_music(keep_block) ||
      (o.frames && !dir_make(o.frames, &c.made_frames)) || (o.raw && !dir_make(o.raw, &c.made_raw))) {
    give_up(c);
    return false;
  }
  return true;
}

// What frame k writes: the video's frame, the still and the raw frame when
// picked. False after the message.
bool write_frame(capture& c, int64_t k) {
  const cap_options& o = *c.o;
  const uint8_t* frame = session_frame();
  uint8_t pal[CAP_PALETTE_BYTES];
  session_palette(pal);
  if (o.video) {
    static std::vector<uint8_t> rgb;
    screen_rgb(frame, pal, rgb);
    if (!encoder_frame(rgb.data(), rgb.size())) return false;
  }
  const bool pick = c.every_frame || c.shots.count(k) || (o.every > 0 && (k - c.k0) % o.every == 0);
  if (pick && o.frames) {
    if (!still_write(numbered(o.frames, k, ".png"), frame, pal, c.still_scale)) return false;
    c.stills++;
  }
  if (pick && o.raw) {
    if (!raw_write(o.raw, k, frame, pal)) return false;
    c.raws++;
  }
  c.shots.erase(k);
  c.stepped++;
  return true;
}

// One frame step as the frame loop runs it, what it writes, and the sound up
// to the next frame. False after the message.
bool step(capture& c, int64_t k) {
  const cap_options& o = *c.o;
  const int64_t ms = ms_of(k, o.fps);
  if (k < c.card_frames) {
    session_card_step(static_cast<int32_t>(ms));
  } else {
    if (k == c.card_frames && c.card_frames > 0) session_card_end();
    // The show's clock starts where the card ends.
    const int64_t show_ms = ms_of(k - c.card_frames, o.fps);
    session_music_until(static_cast<int32_t>(show_ms));
    const int scene = session_step(static_cast<int32_t>(show_ms));
    c.last_scene = scene;
    if (c.first_seen[scene] < 0) c.first_seen[scene] = k;
    c.stopped = session_stop() != 0;
    c.last_pos = session_position();
  }
  c.k_last = k;
  if (k >= c.k0 && !write_frame(c, k)) return false;
  // The sound up to the start of the next frame is final now.
  if (c.want_sound && !pass_sound(c.wav, sample_of(c.k0, o.fps), sample_of(k + 1, o.fps), k >= c.k0)) return false;
  if (c.bar && k % k_progress_frames == 0) progress(ms, c.bar_end_ms, c.last_pos, c.last_scene);
  return true;
}

// The sound of the last frame, which may lie past what its step rendered,
// and the WAV's header. False after the message.
bool sound_tail(capture& c) {
  if (!c.want_sound) return true;
  const int64_t upto = sample_of(c.k_last + 1, c.o->fps);
  while (g_taken + static_cast<int64_t>(g_pending.size()) < upto) session_music_block();
  pass_sound(c.wav, sample_of(c.k0, c.o->fps), upto, true);
  return wav_end(c.wav);
}

// "12 stills, 24 raw frames and palettes, the sound, the video": what the run wrote.
std::string files_text(const capture& c) {
  std::string t;
  const auto add = [&t](const std::string& what) { t += (t.empty() ? "" : ", ") + what; };
  if (c.o->frames) add(std::to_string(c.stills) + (c.stills == 1 ? " still" : " stills"));
  if (c.o->raw) add(std::to_string(c.raws) + " raw " + (c.raws == 1 ? "frame" : "frames") + " with palettes");
  if (c.o->wav) add("the sound");
  if (c.o->video) add("the video");
  return t;
}

// The summary on standard output; the stills --at asked for that the run
// never reached, on standard error. False when there were some.
bool summary(const capture& c) {
  const cap_options& o = *c.o;
  const int64_t span_ms = c.stepped * 1000 / o.fps;
  std::printf("zapcapture: wrote %s; frames %lld..%lld at %d per second, %s (%.3f s); ", files_text(c).c_str(),
              static_cast<long long>(c.k0), static_cast<long long>(c.k_last), o.fps, clock_text(span_ms).c_str(),
              static_cast<double>(c.stepped) / o.fps);
  if (c.stopped) {
    std::printf("the demo stopped at position %d\n", static_cast<int>(c.last_pos));
  } else if (o.to > 0) {
    std::printf("cut at --to %g s\n", o.to);
  } else {
    std::printf("the music never reached position %d; cut after %g s\n", static_cast<int>(STOP_POSITION),
                k_default_cap_seconds);
  }
  if (c.card_frames > 0) {
    std::printf("warning card      frames 0..%lld, %s\n", static_cast<long long>(c.card_frames - 1),
                clock_text(ms_of(c.card_frames, o.fps)).c_str());
  }
  for (int s = 1; s <= k_scenes; s++) {
    if (c.first_seen[s] < 0) {
      std::printf("scene %2d  %-14s not reached\n", s, k_scene_names[s - 1]);
    } else {
      std::printf("scene %2d  %-14s first at %s (frame %lld)\n", s, k_scene_names[s - 1],
                  clock_text(ms_of(c.first_seen[s], o.fps)).c_str(), static_cast<long long>(c.first_seen[s]));
    }
  }
  for (int64_t s : c.shots) {
    tool_error("no still at %s: the capture ran frames %lld..%lld only", clock_text(ms_of(s, o.fps)).c_str(),
               static_cast<long long>(c.k0), static_cast<long long>(c.k_last));
  }
  return c.shots.empty();
}

}  // namespace

int capture_run(const cap_options& o) {
  capture c;
  if (!set_up(o, c)) return 1;
  for (int64_t k = 0; k < c.k_end; k++) {
    if (!step(c, k)) return give_up(c);
    if (c.stopped) break;
  }
  if (c.bar) {
    progress(ms_of(c.k_last + 1, o.fps), c.bar_end_ms, c.last_pos, c.last_scene);
    bar_close();
  }
  // Before the sound is completed: a run with nothing to write leaves no
  // WAV (an older one stays as it was), as every other failure does.
  if (c.stepped == 0) {
    tool_error("no frame to write: the demo stopped at %s, before --from", clock_text(ms_of(c.k_last, o.fps)).c_str());
    return give_up(c);
  }
  if (!sound_tail(c)) return give_up(c);
  if (o.video && !encoder_finish(c.wav_path.c_str())) {
    session_close();
    return 1;
  }
  session_close();
  return summary(c) ? 0 : 1;
}
