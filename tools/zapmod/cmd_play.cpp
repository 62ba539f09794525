// zapmod play: plays a module through SDL audio with the demo's own engine
// (SDL device at 44100 Hz, mix_newhand as the callback, main volume 64, 47
// ticks per second; --volume and --hz change the last two) and shows where
// the song is.
//
// The device is set up with the same calls the demo's start-up makes after
// reading its choice "2", without the prompt on standard input. Without an
// audio output there is nothing to listen to, so the command says so and
// fails rather than playing silently. Ctrl-C stops playback cleanly.
#include "sys/sdlcall.h"
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "music/cool_mzx.h"
#include "player/pt.h"
#include "sound/sd_dsp16.h"
#include "sound/sd_main.h"
#include "common/tool.h"
#include "zapmod.h"

namespace {

constexpr uint32_t k_poll_ms = 50;          // display refresh and stop-flag latency
constexpr uint32_t k_plain_line_ms = 10000; // status line interval when not on a terminal

volatile std::sig_atomic_t g_stop = 0;

extern "C" void on_sigint(int) { g_stop = 1; }

void show(FILE* out, bool tty, int32_t pos, uint32_t ms) {
  const unsigned tenths = ms / 100;
  if (pos >= 0) {
    std::fprintf(out, "%sorder %3d of %d  row %2d  %3u:%02u.%u%s", tty ? "\r" : "", pos / 100,
                 static_cast<int>(pt_songlen), pos % 100, tenths / 600, tenths / 10 % 60, tenths % 10,
                 tty ? "  " : "\n");
  } else {
    std::fprintf(out, "%sstarting%s", tty ? "\r" : "", tty ? "" : "\n");
  }
  std::fflush(out);
}

}  // namespace

int zapmod_play(const zapmod_args& args) {
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
  if (sdl_init(SDL_INIT_AUDIO | SDL_INIT_TIMER) < 0) {
    tool_error("cannot start SDL: %s", sdl_error());
    return 1;
  }
  laite = 2;
  if (!sd_dsp16_init(SD_OUTPUT_RATE)) {
    tool_error("no audio output (%s: %s)", sd_errorstr, sdl_error());
    sdl_quit();
    return 1;
  }
  sd_init();
  sd_setmainvolume(args.volume);
  sd_start();
  if (!zapmod_take(path, module, size)) {
    mzx_close();
    sdl_quit();
    return 1;
  }

  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = on_sigint;
  sa.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the process the ordinary way
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);

  const bool tty = isatty(STDOUT_FILENO);
  const uint32_t limit_ms = seconds > 0.0 ? static_cast<uint32_t>(seconds * 1000.0) : 0;
  mzx_start(args.hz);
  uint32_t next_plain = 0;
  uint32_t elapsed = 0;
  while (!g_stop) {
    sdl_delay(k_poll_ms);
    elapsed = sdl_getticks() - tix;
    if (limit_ms && elapsed >= limit_ms) break;
    if (tty) {
      show(stdout, true, mzx_position(), elapsed);
    } else if (elapsed >= next_plain) {
      show(stdout, false, mzx_position(), elapsed);
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
