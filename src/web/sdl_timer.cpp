// SDL 1.2's single timer, SDL_SetTimer, for the browser build: emscripten's
// SDL 1.2 has SDL_AddTimer but not this older call, which the music front end
// uses to tick the player when there is no sound output. The browser runs it
// on the main thread from its timeout queue, like every other callback there.
//
// Calls are due at fixed steps from the start, so the music keeps wall-clock
// time although browser timeouts fire late by a few milliseconds; a wake-up
// that finds several calls due makes them (up to kMaxCatchUp), and one further
// behind (a tab in the background) starts the count afresh.
#include <SDL.h>
#include <emscripten/emscripten.h>
#include <emscripten/eventloop.h>

namespace {

constexpr int kMaxCatchUp = 8;

SDL_OldTimerCallback g_callback = nullptr;
Uint32 g_interval = 0;
double g_due = 0;    // emscripten_get_now() ms at which the next call is due
long g_pending = 0;  // the armed timeout, 0 when none

void fire(void*) {
  g_pending = 0;
  const double now = emscripten_get_now();
  for (int n = 0; g_callback && now >= g_due && n < kMaxCatchUp; n++) {
    g_interval = g_callback(g_interval);
    if (g_interval == 0) {
      g_callback = nullptr;  // SDL's rule: an interval of 0 ends the timer
      return;
    }
    g_due += g_interval;
  }
  if (!g_callback) return;
  if (now >= g_due) g_due = now + g_interval;
  g_pending = emscripten_set_timeout(fire, g_due - now, nullptr);
}

}  // namespace

int SDL_SetTimer(Uint32 interval, SDL_OldTimerCallback callback) {
  if (g_pending != 0) emscripten_clear_timeout(g_pending);
  g_pending = 0;
  g_callback = interval != 0 ? callback : nullptr;
  g_interval = interval;
  if (g_callback) {
    g_due = emscripten_get_now() + interval;
    g_pending = emscripten_set_timeout(fire, interval, nullptr);
  }
  return 0;
}
