// Demo driver: start-up, frame loop and shutdown, and the state every scene
// shares (the two frames, text and palette scratch, per-scene start times).
//
// The frame loop drains the input events, takes the time, lets the timeline
// draw, and presents one 320x200 frame in rows 20..219 of the 320x240 screen.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>

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

// The callback buffer the demo's music is rendered in when it runs without an
// audio device (the size SDL is asked for: 2048 16-bit samples at 44100 Hz).
inline constexpr int32_t DEMO_PUMP_SAMPLES = 2048;

// The frame loop's millisecond clock: demo_ticks. Tests that drive the loop
// at chosen times put their own clock here.
extern Uint32 (*demo_clock)();
// SDL's millisecond clock (SDL_GetTicks through the SDL call table).
Uint32 demo_ticks();
// Samples of music demo_music_pump has rendered since the music started (the
// start-up sets it to 0 before its first pump).
extern int64_t demo_pumped;
// Called with every block demo_music_pump renders (DEMO_PUMP_SAMPLES 16-bit
// samples in host order), so an offline tool can keep the sound; null: none.
extern void (*demo_pump_sink)(const uint8_t* block, int32_t bytes);

// Start-up steps 1..7: assets, SDL, screen, caption, volume, music, time base.
// Returns false, after one line on stderr, when a data file is missing or
// bad, the player refuses the module, or there is no display.
bool demo_startup();
// Start-up up to the music: assets, SDL, the module handed to the player,
// screen, caption, volume and the scene state (demo_reset). Same failures.
bool demo_open();
// Start-up steps 6 and 7 after demo_open: starts the music, returns once its
// first tick has run, and takes the time base.
void demo_start_music();
// Runs the show from its start, silently and unseen, until the music reaches
// position to (or the song ends): the music rendered (or ticked, with the
// silent device) as the frame loop would, and a frame step every
// DEMO_SEEK_STEP_MS of music, so each scene on the way is set up and its
// drawings drawn. Call before the music starts. Returns the milliseconds of
// music run, the tid the next frame continues from.
int32_t demo_seek(int32_t to);
// Milliseconds of music between two frame steps of demo_seek.
inline constexpr int32_t DEMO_SEEK_STEP_MS = 100;
// demo_seek gives up after this much music (a song that never gets there).
inline constexpr int32_t DEMO_SEEK_LIMIT_MS = 3600 * 1000;
// The first music position of scene 1..10.
int32_t demo_scene_position(int scene);
// Starts the show again as at start-up: the data read again, a fresh device
// and player, both frames and the palette as they were, the music from its
// start (a --start scene applies to the first show only). False, after one
// line on stderr, when the data can no longer be read.
bool demo_restart();
// Start-up steps 6 and 7 without the music: every scene slot -1, stopcount
// and prevstep 0, dest = buf, and buf filled with the background 127.
void demo_reset();
// Without an audio device: runs the audio callback on 2048-sample buffers
// until the music rendered goes past ms milliseconds (nothing when it already
// does), or until the position reaches the end position.
void demo_music_pump(int32_t ms);
// Acts on one pad button: stop, volume up or down; then writes the volume.
void demo_button(int button);
// Switches between window and full screen (desktop): the screen opened
// anew, its palette and picture kept; the window comes back at its size.
void demo_set_fullscreen(bool on);
// Handles every pending event (and, on the handheld, a termination signal).
void demo_poll_events();
// The frame's own work, between the events and the hand-off to SDL: dest,
// tid, the music without a device (demo_music_pump) and the timeline's frame
// step. It neither allocates nor locks.
void demo_draw();
// One frame without pacing: events, demo_draw, present. Returns
// true when the loop must end (the frame that set the stop has been
// presented). The browser build runs it from the browser's frame callback.
bool demo_step();
// One pass of the desktop loop: demo_step, then the pause until the next
// frame is due (platform_pace) unless the loop ends.
bool demo_frame();
// Copies the 64000 bytes of dest to rows 20..219 of the screen.
void demo_blit();
// demo_blit, then the palette's changes and the flip (SDL's own calls).
void demo_present();
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
