// Platform layer: OSS mixer, launcher and button mapping. Owns the mixer
// device path and the desktop volume stand-in; writes the main volume of the
// sound system only where there is no mixer device.
#include "demo/platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo/options.h"
#include "sound/sd_main.h"
#include "sys/sdlcall.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#endif

const char* platform_mixer_path = "/dev/sound/mixer";
bool platform_have_mixer = false;
int32_t platform_volume_writes = 0;
int32_t platform_last_volume = 0;
bool platform_fullscreen = false;

static const char k_launcher_dir[] = "/usr/gp2x";
static const char k_launcher[] = "/usr/gp2x/gp2xmenu";

void platform_volume_read(int32_t* left, int32_t* right) {
  const int fd = open(platform_mixer_path, O_RDONLY);
  int32_t v = 0;
  platform_have_mixer = fd >= 0 && ioctl(fd, MIXER_READ_PCM, &v) >= 0;
  if (fd >= 0) close(fd);
  if (!platform_have_mixer) v = DESKTOP_VOLUME + DESKTOP_VOLUME * 256;
  *left = v & 0xFF;
  *right = v >> 8;
}

int32_t platform_mainvolume_for(int32_t left, int32_t right) {
  // Mono output: the mean of the two levels, scaled so DESKTOP_VOLUME is 64
  // (rounded to nearest). 99/99 gives 79, a step of 10 is about 8.
  const int32_t level = (left + right) / 2;
  int32_t main = (level * 64 + DESKTOP_VOLUME / 2) / DESKTOP_VOLUME;
  if (main < 0) main = 0;
  if (main > 252) main = 252;
  return main;
}

void platform_volume_write(int32_t left, int32_t right) {
  int32_t word = left + right * 256;
  platform_volume_writes++;
  platform_last_volume = word;
  if (platform_have_mixer) {
    // Failures are ignored: a volume that cannot be written changes nothing.
    const int fd = open(platform_mixer_path, O_WRONLY);
    if (fd >= 0) {
      ioctl(fd, MIXER_WRITE_PCM, &word);
      close(fd);
    }
    return;
  }
  // No hardware mixer: the buttons act on the demo's own output instead.
  if (sd_setmainvolume) sd_setmainvolume(platform_mainvolume_for(left, right));
}

int platform_button(const SDL_Event& ev) {
  if (ev.type == SDL_JOYBUTTONDOWN) return ev.jbutton.button;
#ifndef ZAP_HANDHELD
  if (ev.type == SDL_QUIT) return BUTTON_STOP_B;
  if (ev.type == SDL_KEYDOWN) {
    switch (ev.key.keysym.sym) {
      case SDLK_ESCAPE:
        // A viewer in full screen expects Escape to leave it first.
        return platform_fullscreen ? BUTTON_FULLSCREEN : BUTTON_STOP_B;
      case SDLK_F11:
        return BUTTON_FULLSCREEN;
      case SDLK_RETURN:
      case SDLK_KP_ENTER:
        return (ev.key.keysym.mod & KMOD_ALT) != 0 ? BUTTON_FULLSCREEN : -1;
      case SDLK_q:
        return BUTTON_STOP_B;
      case SDLK_PLUS:
      case SDLK_EQUALS:
      case SDLK_KP_PLUS:
        return BUTTON_VOL_UP;
      case SDLK_MINUS:
      case SDLK_KP_MINUS:
        return BUTTON_VOL_DOWN;
      default:
        break;
    }
  }
#endif
  return -1;
}

void platform_window_setup() {
#ifdef __EMSCRIPTEN__
  // Emscripten's SDL 1.2 would read the canvas back into the surface on
  // every lock, which it cannot do for an 8-bit surface; the program draws
  // every byte it shows, so the canvas is only written (at each unlock, the
  // whole surface through the palette).
  EM_ASM({
    SDL.defaults.copyOnLock = false;
    SDL.defaults.discardOnLock = true;
    SDL.defaults.opaqueFrontBuffer = false;
  });
#elif !defined(ZAP_HANDHELD)
  // sdl12-compat sizes a plain window by this factor without changing the
  // surface the program draws on; 3 gives 960x720. Nearest-neighbour keeps
  // the pixels sharp. setenv's last argument 0 leaves a user's choice alone.
  // --scale N asks for another factor.
  const std::string factor = std::to_string(opt_scale > 0 ? opt_scale : 3);
  setenv("SDL12COMPAT_WINDOW_SCALING", factor.c_str(), 0);
  setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
  // A window that comes back from full screen (or was first opened there at
  // the picture's own size) is centred on the display.
  setenv("SDL_VIDEO_CENTERED", "1", 0);
#endif
}

Uint32 platform_video_flags() {
#if defined(__EMSCRIPTEN__) || defined(ZAP_HANDHELD)
  return PLATFORM_VIDEO_FLAGS;
#else
  return PLATFORM_VIDEO_FLAGS | (platform_fullscreen ? SDL_FULLSCREEN : 0);
#endif
}

namespace {

volatile std::sig_atomic_t g_signalled = 0;

[[maybe_unused]] void on_signal(int) { g_signalled = 1; }

}  // namespace

void platform_catch_signals() {
#if !defined(__EMSCRIPTEN__)
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
#if defined(ZAP_HANDHELD)
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
#else
  // SDL turns SIGINT and SIGTERM into the close request; SIGHUP (the
  // terminal closed) it leaves alone, which would end the program with 129.
  sigaction(SIGHUP, &sa, nullptr);
#endif
#endif
}

bool platform_signalled() { return g_signalled != 0; }

void platform_launcher() {
  if (chdir(k_launcher_dir) != 0) {
    // Carry on: the exec below fails the same way on a machine without it.
  }
  char* const args[] = {const_cast<char*>(k_launcher), nullptr};
  execv(k_launcher, args);
}

bool platform_have_display() {
  char name[32];
  const char* env = std::getenv("SDL_VIDEODRIVER");
  if (env && *env) return true;
  return !(sdl_videodrivername(name, sizeof name) && std::strcmp(name, "offscreen") == 0);
}

void platform_pace() {
#ifndef ZAP_HANDHELD
  // Deadlines in microseconds, so the 16.667 ms period does not drift. A frame
  // that ran late (or a clock that wrapped) starts the count afresh rather than
  // rushing the next frames to catch up.
  static uint64_t next = 0;
  const uint64_t now = uint64_t{sdl_getticks()} * 1000;
  if (next > now && next - now <= PLATFORM_FRAME_US) {
    sdl_delay(static_cast<uint32_t>((next - now) / 1000));
  } else {
    next = now;
  }
  next += PLATFORM_FRAME_US;
#endif
}

#ifndef __EMSCRIPTEN__
namespace {

int g_quiet_saved = -1;        // standard error while it is diverted
std::FILE* g_quiet = nullptr;  // where it goes meanwhile

// Lines that libraries print by themselves, which say nothing the program
// does not say better.
bool chatter(const char* line) {
  return std::strncmp(line, "ALSA lib ", 9) == 0 || std::strstr(line, "XDG_RUNTIME_DIR") != nullptr;
}

}  // namespace
#endif

void platform_quiet_begin() {
#ifndef __EMSCRIPTEN__
  if (g_quiet != nullptr) return;
  std::fflush(stderr);
  g_quiet = std::tmpfile();
  g_quiet_saved = g_quiet ? dup(2) : -1;
  if (g_quiet_saved < 0 || dup2(fileno(g_quiet), 2) < 0) {
    // Without a temporary file everything goes where it went.
    if (g_quiet_saved >= 0) close(g_quiet_saved);
    if (g_quiet) std::fclose(g_quiet);
    g_quiet = nullptr;
    g_quiet_saved = -1;
  }
#endif
}

void platform_quiet_end() {
#ifndef __EMSCRIPTEN__
  if (g_quiet == nullptr) return;
  std::fflush(stderr);
  dup2(g_quiet_saved, 2);
  close(g_quiet_saved);
  g_quiet_saved = -1;
  std::rewind(g_quiet);
  char line[1024];
  while (std::fgets(line, sizeof line, g_quiet) != nullptr) {
    if (!chatter(line)) std::fputs(line, stderr);
  }
  std::fclose(g_quiet);
  g_quiet = nullptr;
#endif
}

bool platform_time_scale(int32_t* scale) {
  *scale = 0;
  const char* v = std::getenv("ZAP_TIME_SCALE");
  if (!v || !*v) return true;
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(v, &end, 10);
  if (errno != 0 || *end != 0 || n < 1 || n > PLATFORM_MAX_TIME_SCALE) {
    std::fprintf(stderr, "zapcobbles: ZAP_TIME_SCALE must be a whole number from 1 to %d, not '%s'\n",
                 static_cast<int>(PLATFORM_MAX_TIME_SCALE), v);
    return false;
  }
  *scale = static_cast<int32_t>(n);
  return true;
}
