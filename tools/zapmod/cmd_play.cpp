// zapmod play: plays a module through SDL audio with the demo's own player
// and mixer at 44100 Hz and shows where the song is, its speed and tempo.
//
// By default the tools' song driver (music/mzx_song.h) is SDL's callback:
// the module's own timing (or --hz), stereo where the output has two
// channels, the volume that leaves its channels room. With --demo the
// device is set up with the same calls the demo's start-up makes after
// reading its choice "2" (mix_newhand, mono, 47 ticks a second, volume 64),
// without the prompt on standard input.
//
// The lines the sound library prints by itself while it looks for an output
// are kept back, as the demo keeps them. Without an audio output there is
// nothing to listen to, so the command says so and fails rather than playing
// silently. Ctrl-C stops playback cleanly.
#include "sys/sdlcall.h"
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/tool.h"
#include "music/cool_mzx.h"
#include "music/mzx_song.h"
#include "player/pt.h"
#include "sound/sd_dsp16.h"
#include "sound/sd_main.h"
#include "sys/platform_quiet.h"
#include "zapmod.h"

namespace {

constexpr uint32_t k_poll_ms = 50;          // display refresh and stop-flag latency
constexpr uint32_t k_plain_line_ms = 10000; // status line interval when not on a terminal

volatile std::sig_atomic_t g_stop = 0;

extern "C" void on_sigint(int) { g_stop = 1; }

// The status line. speedtempo is speed * 256 + tempo (mzx_song.h), or -1
// where the demo's callback plays (it publishes neither); with a fixed tick
// rate the tempo is stored only, and the line says the rate.
void show(FILE* out, bool tty, int32_t pos, int32_t speedtempo, int32_t hz, uint32_t ms) {
  const unsigned tenths = ms / 100;
  if (pos >= 0) {
    char clock[64];
    if (speedtempo < 0) {
      std::snprintf(clock, sizeof clock, "%d ticks a second", static_cast<int>(hz));
    } else if (hz > 0) {
      std::snprintf(clock, sizeof clock, "speed %2d  %d ticks a second", static_cast<int>(speedtempo >> 8),
                    static_cast<int>(hz));
    } else {
      std::snprintf(clock, sizeof clock, "speed %2d  tempo %3d", static_cast<int>(speedtempo >> 8),
                    static_cast<int>(speedtempo & 255));
    }
    std::fprintf(out, "%sorder %3d of %d  row %2d  %s  %3u:%02u.%u%s", tty ? "\r" : "", pos / 100,
                 static_cast<int>(pt_songlen), pos % 100, clock, tenths / 600, tenths / 10 % 60, tenths % 10,
                 tty ? "  " : "\n");
  } else {
    std::fprintf(out, "%sstarting%s", tty ? "\r" : "", tty ? "" : "\n");
  }
  std::fflush(out);
}

// The player's speed and tempo: the song driver publishes them after every
// tick; the demo's callback does not.
int32_t speedtempo(const zapmod_args& a) { return a.demo ? -1 : song_speedtempo.load(std::memory_order_relaxed); }

}  // namespace

int zapmod_play(const zapmod_args& given) {
  zapmod_args args = given;
  const char* path = args.in;
  const double seconds = args.seconds;  // 0: until Ctrl-C

  std::vector<uint8_t> module;
  int32_t size = 0;
  if (!zapmod_read(path, module, size)) return 1;

  // The one command that needs SDL loads it here; the others never do.
  if (!sdl_load()) {
    tool_error("no audio output: %s", sdl_loaderror);
    return 1;
  }
  platform_quiet_begin();
  if (sdl_init(SDL_INIT_AUDIO | SDL_INIT_TIMER) < 0) {
    platform_quiet_end();
    tool_error("cannot start SDL: %s", sdl_error());
    return 1;
  }
  laite = 2;
  const int32_t channels = args.demo ? (sd_dsp16_init(SD_OUTPUT_RATE, mix_newhand) ? 1 : 0)
                                     : sd_dsp16_init_channels(SD_OUTPUT_RATE, args.mono ? 1 : 2, song_callback);
  platform_quiet_end();
  if (channels == 0) {
    tool_error("no audio output (%s: %s)", sd_errorstr, sdl_error());
    sdl_quit();
    return 1;
  }
  sd_init();
  sd_start();
  if (!zapmod_take(path, module, size)) {
    mzx_close();
    sdl_quit();
    return 1;
  }
  if (args.volume == ZAPMOD_AUTO_VOLUME) {
    args.volume = args.demo ? ZAPMOD_DEMO_VOLUME : song_headroom_volume(pt_channels);
  }
  sd_setmainvolume(args.volume);
  if (!args.demo)
    song_start(SD_OUTPUT_RATE, args.hz, channels == 2 ? 1 : 0, args.separation, args.interp ? 1 : 0);
  else
    sd_mix_interpolation = args.interp ? 1 : 0;
  std::printf("%s: %d channels, %s, volume %d, %s%s\n", path, static_cast<int>(pt_channels),
              channels == 2 ? "stereo" : "mono", static_cast<int>(args.volume),
              args.hz > 0 ? "a fixed tick rate" : "the module's tempo", args.interp ? ", linear interpolation" : "");

  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = on_sigint;
  sa.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the process the ordinary way
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);

  const bool tty = isatty(STDOUT_FILENO);
  const uint32_t limit_ms = seconds > 0.0 ? static_cast<uint32_t>(seconds * 1000.0) : 0;
  // The song driver runs from SDL's callback alone; mzx_start un-pauses the
  // output (and, with --demo, sets the callback's tick rate).
  mzx_start(SONG_DEMO_HZ);
  uint32_t next_plain = 0;
  uint32_t elapsed = 0;
  while (!g_stop) {
    sdl_delay(k_poll_ms);
    elapsed = sdl_getticks() - tix;
    if (limit_ms && elapsed >= limit_ms) break;
    if (tty) {
      show(stdout, true, mzx_position(), speedtempo(args), args.hz, elapsed);
    } else if (elapsed >= next_plain) {
      show(stdout, false, mzx_position(), speedtempo(args), args.hz, elapsed);
      next_plain += k_plain_line_ms;
    }
  }
  sdl_pauseaudio(1);
  const int32_t pos = mzx_position();
  mzx_close();  // sd_stop, then sd_shutdown: SDL_CloseAudio
  sdl_quit();
  if (tty) std::fputc('\n', stdout);
  std::printf("%s: stopped", path);
  if (pos >= 0) std::printf(" at order %d row %d", pos / 100, pos % 100);
  std::printf(" after %u.%u s%s\n", elapsed / 1000, elapsed / 100 % 10, g_stop ? " (interrupted)" : "");
  return 0;
}
