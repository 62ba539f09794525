// Browser entry: the demo in a web page. The browser owns the main thread, so
// nothing here may block. The frame loop is the browser's animation callback
// running the desktop's own frame step (demo_step); the wait for the music's
// first tick is a state that callback checks; the music starts only when the
// page reports a click, since browsers let sound start only after a user
// gesture. The page calls the functions below (exported to JavaScript) and
// learns of every change of state through Module.zapState(state).
#pragma once

#include <emscripten/emscripten.h>

#include <cstdint>

// What the page is showing.
enum : int32_t {
  WEB_LOADING = 0,   // start-up has not finished
  WEB_READY = 1,     // the first frame is shown; waiting for the click
  WEB_STARTING = 2,  // the music is started; waiting for its first tick
  WEB_RUNNING = 3,   // the demo runs
  WEB_ENDED = 4,     // the last frame is shown and the music stopped
  WEB_FAILED = 5,    // start-up failed (the reason went to the console)
};

// Frames the log holds (pairs of position and tid): about 18 minutes at 60 a
// second, far longer than the song; later frames are not logged.
inline constexpr int32_t WEB_LOG_FRAMES = 65536;

extern int32_t web_state;  // one of WEB_*

extern "C" {
// The click: starts the music when the first frame is waiting for it (1), or
// does nothing (0). Runs inside the page's event handler, so the browser's
// audio output may be resumed from here.
EMSCRIPTEN_KEEPALIVE int32_t web_start();
// Plays the demo again from its start once it has ended: 1, or 0 when it has
// not ended. Everything is set up as at program start, in place.
EMSCRIPTEN_KEEPALIVE int32_t web_again();
// Holds the picture (on != 0): no frame step runs, so the canvas and the
// frame log stay as they are while the music goes on; 0 lets frames run again.
EMSCRIPTEN_KEEPALIVE void web_hold(int32_t on);
// The gentle show (on != 0) or the show as it is, for the next start: taken
// (1) while the demo waits for its click or has ended, else ignored (0).
// The page's switch sets it before each start; ?gentle=1 gives --gentle.
EMSCRIPTEN_KEEPALIVE int32_t web_gentle(int32_t on);
// 1 while the gentle show is chosen (scene_gentle), else 0.
EMSCRIPTEN_KEEPALIVE int32_t web_is_gentle();
// The state, one of WEB_*.
EMSCRIPTEN_KEEPALIVE int32_t web_status();
// The music position now: order * 100 + row (-37 before the first tick).
EMSCRIPTEN_KEEPALIVE int32_t web_position();
// The sound output: 2 = the browser's audio at 44100 Hz, 0 = silent (timer).
EMSCRIPTEN_KEEPALIVE int32_t web_output();
// Frames logged since the demo last started; the log holds, for frame i,
// the position its frame step read at [2i] and its tid at [2i + 1].
EMSCRIPTEN_KEEPALIVE int32_t web_log_count();
EMSCRIPTEN_KEEPALIVE const int32_t* web_log();
// Samples handed to the browser's audio since the output opened (heard_handed).
EMSCRIPTEN_KEEPALIVE uint32_t web_heard_handed();
// Copies the newest ticks of the music's tick record (heard_recent), oldest
// first, and returns how many: the sample each began at is in
// web_heard_tick_samples()[i], the position it set in web_heard_tick_positions()[i].
EMSCRIPTEN_KEEPALIVE int32_t web_heard_ticks();
EMSCRIPTEN_KEEPALIVE const uint32_t* web_heard_tick_samples();
EMSCRIPTEN_KEEPALIVE const int32_t* web_heard_tick_positions();
}
