// Scene timeline: the script of the presentation. The frame loop enters it at
// asset loading (start-up step 1), the music's loading (after SDL starts and
// before the display opens, so that a module the player refuses stops the
// program first), the music start (step 6) and the frame step (once per frame).
//
// The frame step reads the music position only through mzx_position() and
// the time only through tid, so tests and offline tools can drive it with any
// position and time.
#pragma once

#include <cstdint>

#include "cgm/cgm.h"
#include "effects/drawing.h"
#include "player/pt.h"  // MODBUF_LIMIT, MODBUF_SPARE

// From this position on the frame step requests the stop.
inline constexpr int32_t STOP_POSITION = 2500;
// Player ticks per second that the demo runs the music at.
inline constexpr int32_t TIMELINE_HZ = 47;

// scene_start slots: one per scene, two for the credits (9a and 9b).
enum : int {
  SLOT_TITLE = 0,
  SLOT_RINGS = 1,
  SLOT_DRAWING = 2,
  SLOT_KALEIDO = 3,
  SLOT_STARS = 4,
  SLOT_GREETINGS = 5,
  SLOT_BOUNCE = 6,
  SLOT_MOSAIC = 7,
  SLOT_CREDITS_A = 8,
  SLOT_CREDITS_B = 9,
  SLOT_FINALE = 10,
};

extern const char* timeline_program;  // name that begins every message ("zapcobbles")
extern const char* timeline_root;  // directory holding data/ ("" = working directory; a '/' is added)
extern cgm_picture *hipcat, *zoomer, *ankels, *swing1, *swing2, *strutter, *strutterblk, *bottles;
extern drawing_rec *grooveking, *afrogirl;  // the two self-drawing line drawings
extern const cgm_picture* curpic;           // the credits' picture: hipcat, then zoomer
extern const char* const kriit[100];        // greetings; null = no text
extern uint8_t* modbuf;                     // module image: MODBUF_LIMIT + MODBUF_SPARE bytes
extern int32_t modsize;                     // bytes of the module file in modbuf
extern int32_t timeline_tick_wait_ms;       // longest wait for the music's first tick
extern int32_t timeline_scene;              // scene 1..10 that the last frame step ran
// The highest order index the frame steps have read since the music started,
// for the song's end; -1 while it is not watched (frame steps driven by hand;
// demo_reset sets it), and the music's start sets it to 0.
extern int32_t timeline_song_order;

// The scene (1..10) whose window holds music position pos.
int timeline_scene_of(int32_t pos);
// Loads every data file in the stated order, before the display opens. On a
// missing, unreadable or empty file it writes one line naming the file and
// the reason on stderr and returns false; a missing font only warns. Loading
// again frees the earlier assets first (call it while no music plays).
bool timeline_load();
// Installs the sound output and hands the module to the player: the SDL device
// at 44100 Hz, chosen through standard input, or with offline true the mixer
// alone, for callers that run mix_newhand themselves. False (after one line on
// stderr) when the player refuses the module.
bool timeline_music_load(bool offline);
// Starts the music and returns once its first tick has run. An output that
// gives no tick within timeline_tick_wait_ms is replaced by the silent device.
// It is timeline_music_begin, then timeline_music_started until true.
void timeline_music_start();
// The same without waiting, for a caller that must not block (the browser's
// frame callback): starts the tick clock...
void timeline_music_begin();
// ...and, polled, says whether the first tick has run: false while waiting;
// after timeline_tick_wait_ms without a tick it switches to the silent device
// and waits again; true once a tick has run, or after that second wait (the
// demo then stays at its start, as the message on stderr says).
bool timeline_music_started();
// True when position pos lies in an earlier order entry than the frame steps
// have read since the music started: the song has ended and the player has
// dropped back to its restart position. Otherwise it notes pos's order.
bool timeline_song_ended(int32_t pos);
// Draws one frame by the music position into buf/puh, may set dest, sets the
// palette on a scene's first frame and sets stopcount where the show ends: at
// the end position, or where the song ends before it (timeline_song_ended;
// that frame shows the last one drawn again).
void timeline_frame();
