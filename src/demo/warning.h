// The warning card before the show: a silent card in the demo's font that
// says the show has flashing lights and lets the viewer choose. G starts the
// gentle show, Enter or Space the show itself, Escape (or Q, or closing the
// window) stops; a pad button starts the show. Without a choice the show
// starts by itself after WARNING_TIMEOUT_MS. The card draws into a frame and
// sets its own palette entries; warning_end gives the palette back as it was,
// so the show after it starts exactly as it would without the card.
#pragma once

#include <SDL.h>

#include <cstdint>

// What the viewer chose on the card.
enum warning_choice : int {
  WARNING_WAIT = 0,    // nothing yet
  WARNING_SHOW = 1,    // the show as it is
  WARNING_GENTLE = 2,  // the gentle show
  WARNING_STOP = 3,    // no show: the program ends (status 0)
};

// How long the card stays up without a choice, in milliseconds of demo time
// (ZAP_TIME_SCALE shortens it as it does the show). A whole number of
// seconds, so that a capture at any frame rate gives it whole frames and
// whole samples of silence.
inline constexpr int32_t WARNING_TIMEOUT_MS = 6000;

// The countdown bar under the texts: its place, and its length at t = 0.
inline constexpr int WARNING_BAR_X = 40;
inline constexpr int WARNING_BAR_Y = 186;
inline constexpr int WARNING_BAR_W = 240;
inline constexpr int WARNING_BAR_H = 3;

// Palette entries the card draws with (set by warning_begin).
inline constexpr int WARNING_INK_ALERT = 1;   // "flashing lights!"
inline constexpr int WARNING_INK_KEY = 2;     // the key names
inline constexpr int WARNING_INK_BAR = 3;     // the countdown bar
inline constexpr int WARNING_INK_TEXT = 126;  // what the keys do
inline constexpr int WARNING_PAPER = 127;     // the background

// Times the card has come up since the program started.
extern int32_t warning_shown;

// The choice an event on the card stands for, or WARNING_WAIT for an event
// the card leaves to the frame loop's own handling (volume, full screen) or
// ignores. On the handheld only pad buttons count, and any but the volume
// buttons starts the show.
warning_choice warning_choice_of(const SDL_Event& ev);
// Keeps the palette as it is and sets the card's entries.
void warning_begin();
// Draws the card as it looks t ms after it came up into frame (a 320-wide
// frame of at least 200 rows): background, texts, and the countdown bar,
// which shrinks to nothing at WARNING_TIMEOUT_MS. Allocates nothing.
void warning_draw(uint8_t* frame, int32_t t);
// Gives back the palette warning_begin kept.
void warning_end();
// The card on the screen until a choice or the timeout (real time through
// the frame loop's clock and pacing, or faster with ZAP_TIME_SCALE). Events
// the card does not take go to the frame loop's handling (volume, full
// screen). Afterwards the palette is as it was, the frames and scene state
// as demo_reset leaves them, scene_gentle is set for WARNING_GENTLE, and
// WARNING_STOP counts as a user's stop (demo_user_stop). Returns the choice
// (WARNING_SHOW after the timeout).
warning_choice warning_run();
