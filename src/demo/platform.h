// Platform layer: the handheld's OSS mixer, its launcher and its button pad,
// with desktop stand-ins where they are absent. Nothing else in the program
// touches a device node, ioctl or exec.
#pragma once

#include <SDL.h>

#include <cstdint>

// OSS mixer requests for the PCM level (left in bits 0..7, right in 8..15).
inline constexpr unsigned long MIXER_READ_PCM = 0x80044D04UL;
inline constexpr unsigned long MIXER_WRITE_PCM = 0xC0044D04UL;

// Pad buttons that the frame loop acts on.
inline constexpr int BUTTON_STOP_A = 13;
inline constexpr int BUTTON_STOP_B = 14;
inline constexpr int BUTTON_VOL_UP = 16;
inline constexpr int BUTTON_VOL_DOWN = 17;
// Not a pad button: the desktop's switch between window and full screen
// (F11, Alt+Enter, and Escape while in full screen).
inline constexpr int BUTTON_FULLSCREEN = 100;

// The level a desktop starts at when there is no mixer device to read, and the
// level at which the demo's own output plays at its normal main volume (64).
inline constexpr int32_t DESKTOP_VOLUME = 80;

// Flags of the screen's SDL_SetVideoMode: a software surface. Emscripten's
// SDL 1.2 makes an 8-bit surface only when asked for a hardware palette (any
// other surface is 32-bit there, whatever depth is asked for).
#ifdef __EMSCRIPTEN__
inline constexpr Uint32 PLATFORM_VIDEO_FLAGS = SDL_HWPALETTE;
#else
inline constexpr Uint32 PLATFORM_VIDEO_FLAGS = 0;
#endif

// Desktop frame period in microseconds (about 60 frames a second).
inline constexpr uint32_t PLATFORM_FRAME_US = 16667;
// Fastest ZAP_TIME_SCALE: tid stays within 32 bits for days of demo time.
inline constexpr int32_t PLATFORM_MAX_TIME_SCALE = 1000;

extern const char* platform_mixer_path;  // "/dev/sound/mixer"
extern bool platform_have_mixer;         // the mixer device answered at start
extern int32_t platform_volume_writes;   // volume writes since start (for tests)
extern int32_t platform_last_volume;     // the last level word written
extern bool platform_fullscreen;         // the screen fills the display (desktop; --fullscreen at start)

// Reads the PCM level word into left/right. Without a mixer device the levels
// start at DESKTOP_VOLUME.
void platform_volume_read(int32_t* left, int32_t* right);
// Writes the level word left + right * 256: to the mixer device where there is
// one, else to the main volume of the demo's own mixer.
void platform_volume_write(int32_t left, int32_t right);
// Main volume (0..252) that a desktop level 0..99 maps to: level 80 is 64.
int32_t platform_mainvolume_for(int32_t left, int32_t right);
// The pad button an event stands for, or -1. Joystick presses are buttons; in
// the desktop build Escape, Q and the window's close request stand for 14,
// + and = for 16, - for 17, and F11 and Alt+Enter for BUTTON_FULLSCREEN; in
// full screen Escape first returns to the window (BUTTON_FULLSCREEN).
int platform_button(const SDL_Event& ev);
// The flags of the screen's SDL_SetVideoMode: PLATFORM_VIDEO_FLAGS, with
// SDL_FULLSCREEN while platform_fullscreen (desktop). sdl12-compat then fills
// the display with the 320x240 picture in its 4:3 shape, black bars beside
// it, scaled as SDL12COMPAT_SCALE_METHOD says (nearest: sharp pixels).
Uint32 platform_video_flags();
// Termination signals (SIGTERM, SIGINT, SIGHUP) stop the show with status 0.
// On a desktop SDL turns SIGTERM and SIGINT into the window's close request,
// a stop, and this catches SIGHUP, which SDL leaves alone. The handheld build
// discards that request, so there it catches all three itself. Call after
// SDL_Init, which sets SDL's own handlers; platform_signalled answers whether
// a caught one came.
void platform_catch_signals();
bool platform_signalled();
// Desktop window scaling, set before SDL_Init (sdl12-compat reads its scale
// method there; the drawing surface stays 320x240 at 8 bits). The user's own
// SDL12COMPAT_* settings win. In a browser it sets how the screen reaches the
// page's canvas instead.
void platform_window_setup();
// False when SDL, not asked for a driver (SDL_VIDEODRIVER unset), fell back
// to its offscreen one: there is no display to show the demo on. Call after
// SDL_Init.
bool platform_have_display();
// Replaces the program with the launcher; returns only if that fails.
void platform_launcher();
// Gives the processor back between frames on a desktop: sleeps until about
// 1/60 s after the previous frame's deadline (none if the frame ran late). The
// handheld build draws as fast as it can and returns at once.
void platform_pace();
// Library chatter: what libraries print by themselves on standard error while
// SDL looks for its drivers (ALSA's lines on a machine without a sound card,
// the display library's complaint about XDG_RUNTIME_DIR) must not reach the
// user. Between platform_quiet_begin and platform_quiet_end standard error
// goes to a temporary file; at the end every line of it but that chatter is
// written to standard error after all, in its order, so the program's own
// lines and anything unexpected still show. Not nested; nothing in a browser.
void platform_quiet_begin();
void platform_quiet_end();
// Reads ZAP_TIME_SCALE into *scale: unset gives 0 (real time, with sound); a
// whole number 1..PLATFORM_MAX_TIME_SCALE runs the demo silently that many
// times faster. False, after a message on stderr, for any other value.
bool platform_time_scale(int32_t* scale);
