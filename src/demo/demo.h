// Demo driver: start-up, frame loop and shutdown, and the state every scene
// shares (the two frames, text and palette scratch, per-scene start times).
// Its other jobs have files of their own, brought in here so that a caller
// includes this header alone: the music without a device and the way to a
// scene (demo_music.h), the screen (demo_screen.h), the buttons (demo_input.h).
//
// The frame loop drains the input events, takes the time, lets the timeline
// draw, and presents one 320x200 frame in rows 20..219 of the 320x240 screen.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>

#include "demo/demo_input.h"
#include "demo/demo_music.h"
#include "demo/demo_screen.h"
#include "gfx/view.h"  // the frame geometry: FRAME_W, FRAME_H, FRAME_BYTES, FRAME_ALLOC

inline constexpr int SCREEN_OFFSET = 20 * FRAME_W;     // the frame starts at row 20

// SDL_Init flags: timer, audio, video and joystick.
inline constexpr Uint32 DEMO_SDL_FLAGS = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK;
static_assert(DEMO_SDL_FLAGS == 0x231);

extern std::array<uint8_t, FRAME_ALLOC> buf;  // work frame
extern std::array<uint8_t, FRAME_ALLOC> puh;  // second frame
extern uint8_t* dest;                         // frame to present: buf or puh
extern char tst[200];                         // text scratch
extern uint8_t palli[300];                    // palette scratch: 100 RGB triples
extern int32_t tid;                           // ms since ticks0, set once per frame
extern uint32_t ticks0;                       // SDL ticks when the loop starts
extern int32_t scene_start[11];               // per-scene start tid, -1 until the scene's first frame
extern int32_t prevstep;                      // last segment drawn by the progressive line drawing
extern int32_t stopcount;                     // the loop ends after a frame that ends with it nonzero
extern int32_t vol_left, vol_right;           // volume levels 0..99
extern int32_t frames_presented;              // frames presented since start
extern int32_t demo_time_scale;               // 0: real time with sound; N: silent, N times faster
extern bool demo_user_stop;                   // a stop button, key or close request ended the show
extern int32_t demo_shows;                    // shows started (music started from the top) since start

// The frame loop's millisecond clock: demo_ticks. Tests that drive the loop
// at chosen times put their own clock here.
extern Uint32 (*demo_clock)();
// SDL's millisecond clock (SDL_GetTicks through the SDL call table).
Uint32 demo_ticks();

// Start-up steps 1..7: assets, SDL, screen, caption, volume, music, time base.
// Returns false, after one line on stderr, when a data file is missing or
// bad, the player refuses the module, or there is no display.
bool demo_startup();
// Start-up up to the music: assets, SDL, the module handed to the player,
// screen, caption, volume and the scene state (demo_reset). Same failures.
bool demo_open();
// Starts the show again as at start-up: the data read again, a fresh device
// and player, both frames and the palette as they were, the music from its
// start (a --start scene applies to the first show only). False, after one
// line on stderr, when the data can no longer be read.
bool demo_restart();
// The part of a show played again that the desktop and the browser share:
// the data read again, the module handed to a fresh device and player, no
// carry from the last callback, puh cleared, the palette the screen opened
// with (demo_start_palette) and the scene state (demo_reset). The caller
// stops the music first and starts it again after. False, after one line on
// stderr, when the data can no longer be read.
bool demo_reload();
// Start-up steps 6 and 7 without the music: every scene slot -1, stopcount
// and prevstep 0, dest = buf, and buf filled with the background 127.
void demo_reset();
// The frame's own work, between the events and the hand-off to SDL: dest,
// tid, the music without a device (demo_music_pump) and the timeline's frame
// step. It neither allocates nor locks.
void demo_draw();
// The timeline's frame step at time t, as the frame loop runs it: dest =
// buf, tid = t, timeline_frame. For callers that keep their own clock (the
// unseen run to a scene, offline tools).
void demo_frame_step(int32_t t);
// One frame without pacing: events, demo_draw, present. Returns
// true when the loop must end (the frame that set the stop has been
// presented). The browser build runs it from the browser's frame callback.
bool demo_step();
// One pass of the desktop loop: demo_step, then the pause until the next
// frame is due (platform_pace) unless the loop ends.
bool demo_frame();
// Runs frames until a stop; returns the number of frames presented.
int32_t demo_loop();
// Quits SDL and replaces the program with the launcher; returns 0 if that fails.
int demo_exit();
// The program's whole run once the command line is read and the data found:
// start-up, the warning card (none with --gentle, which starts the gentle
// show, or --no-warning), the show, again and again with --loop (the card
// only before the first) until a stop or the end, and the exit. Returns the
// exit status: 1 after a start-up failure (its line on stderr) or when the
// frame log (framelog_open before it) cannot be written, else what demo_exit
// returns (0; a stop on the card too).
int demo_run();
