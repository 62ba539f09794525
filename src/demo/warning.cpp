// The warning card: its texts, colours and countdown, the keys it takes, and
// its own little frame loop before the music starts. Owns the palette it
// keeps while the card is up.
#include "demo/warning.h"

#include <algorithm>
#include <cstring>

#include "demo/demo.h"
#include "demo/framelog.h"
#include "demo/gfx.h"
#include "demo/platform.h"
#include "demo/scenes.h"
#include "effects/writeri.h"
#include "gfx/view.h"
#include "sys/sdlcall.h"

int32_t warning_shown = 0;

namespace {

// One text of the card: where its first cell's top-left corner goes and its ink.
struct card_text {
  const char* text;
  int x, y;
  int ink;
};

// Width of an n-character text: 22 pixels a character, the last cell 28 wide.
constexpr int text_w(int n) { return 22 * n + 6; }
// x of a text of n characters centred on the frame.
constexpr int centred(int n) { return (FRAME_W - text_w(n)) / 2; }

// The two lines of the warning, then the keys: a key column and, 132 pixels
// (six characters) to its right, what the key does; the block of both
// columns ("enter" and "gentle", 132 + 138 = 270 pixels) centred.
constexpr int k_keys_x = (FRAME_W - (132 + text_w(6))) / 2;
constexpr int k_does_x = k_keys_x + 132;

#ifdef ZAP_HANDHELD
constexpr card_text k_texts[] = {
    {"flashing", centred(8), 8, WARNING_INK_ALERT},
    {"lights!", centred(7), 40, WARNING_INK_ALERT},
    {"any button", centred(10), 96, WARNING_INK_KEY},
    {"starts", centred(6), 128, WARNING_INK_TEXT},
};
#else
constexpr card_text k_texts[] = {
    {"flashing", centred(8), 8, WARNING_INK_ALERT}, {"lights!", centred(7), 40, WARNING_INK_ALERT},
    {"g", k_keys_x, 88, WARNING_INK_KEY},           {"gentle", k_does_x, 88, WARNING_INK_TEXT},
    {"enter", k_keys_x, 118, WARNING_INK_KEY},      {"show", k_does_x, 118, WARNING_INK_TEXT},
    {"esc", k_keys_x, 148, WARNING_INK_KEY},        {"stop", k_does_x, 148, WARNING_INK_TEXT},
};
#endif
// Every cell inside the frame's 320x256 bytes, every text inside the picture.
static_assert(centred(10) >= 0 && k_keys_x >= 0 && k_does_x + text_w(6) <= FRAME_W);
static_assert(WARNING_BAR_X + WARNING_BAR_W <= FRAME_W && WARNING_BAR_Y + WARNING_BAR_H <= FRAME_H);

// The card's colours: a calm dark ground, the alert in the credits' orange,
// the keys in the title's pink, white for the rest. Every outline (an ink's
// shade, bit 7 set) is near black, so the letters stand out from the ground.
struct ink {
  int index;
  uint8_t r, g, b;
};
constexpr ink k_inks[] = {
    {WARNING_PAPER, 24, 20, 44},       {WARNING_INK_ALERT, 255, 180, 0}, {WARNING_INK_KEY, 255, 150, 150},
    {WARNING_INK_TEXT, 240, 240, 240}, {WARNING_INK_BAR, 110, 96, 150},
};
constexpr ink k_outline = {0, 6, 4, 14};

uint8_t g_kept[768];  // the palette as it was when the card came up

// The first choice among the pending events; the events after it stay queued
// for the show. Events the card does not take go to the frame loop's own
// handling of volume and full screen.
warning_choice poll_choice() {
  SDL_Event ev;
  while (sdl_pollevent(&ev)) {
    const warning_choice c = warning_choice_of(ev);
    if (c != WARNING_WAIT) return c;
    const int button = platform_button(ev);
    if (button == BUTTON_FULLSCREEN) {
      demo_set_fullscreen(!platform_fullscreen);
    } else if (button == BUTTON_VOL_UP || button == BUTTON_VOL_DOWN) {
      demo_button(button);
    }
  }
  // The handheld's termination signal, as on the show.
  return platform_signalled() ? WARNING_STOP : WARNING_WAIT;
}

}  // namespace

warning_choice warning_choice_of(const SDL_Event& ev) {
  if (ev.type == SDL_JOYBUTTONDOWN) {
    const int b = ev.jbutton.button;
    return b == BUTTON_VOL_UP || b == BUTTON_VOL_DOWN ? WARNING_WAIT : WARNING_SHOW;
  }
#ifndef ZAP_HANDHELD
  if (ev.type == SDL_KEYDOWN) {
    switch (ev.key.keysym.sym) {
      case SDLK_g:
        return WARNING_GENTLE;
      case SDLK_SPACE:
        return WARNING_SHOW;
      case SDLK_RETURN:
      case SDLK_KP_ENTER:
        // Alt+Enter switches full screen, on the card as in the show.
        return (ev.key.keysym.mod & KMOD_ALT) != 0 ? WARNING_WAIT : WARNING_SHOW;
      default:
        break;
    }
  }
  // Escape (in a window), Q and the window's close request: the show's stops.
  const int button = platform_button(ev);
  if (button == BUTTON_STOP_A || button == BUTTON_STOP_B) return WARNING_STOP;
#endif
  return WARNING_WAIT;
}

void warning_begin() {
  gfx_getpalette(g_kept);
  for (const ink& k : k_inks) {
    gfx_setcolor(k.index, k.r, k.g, k.b);
    gfx_setcolor(k.index | 0x80, k_outline.r, k_outline.g, k_outline.b);
  }
}

void warning_draw(uint8_t* frame, int32_t t) {
  std::memset(frame, WARNING_PAPER, FRAME_BYTES);
  // The letters ripple as in the show (their three drawings in turn), no faster.
  for (const card_text& c : k_texts) writeri(frame, c.x, c.y, c.text, 0, t, c.ink);
  // The countdown: the bar shrinks from both ends to nothing at the timeout.
  const int32_t left = t < 0 ? WARNING_TIMEOUT_MS : t > WARNING_TIMEOUT_MS ? 0 : WARNING_TIMEOUT_MS - t;
  const int w = static_cast<int>(int64_t{WARNING_BAR_W} * left / WARNING_TIMEOUT_MS);
  const int x = WARNING_BAR_X + (WARNING_BAR_W - w) / 2;
  for (int y = WARNING_BAR_Y; y < WARNING_BAR_Y + WARNING_BAR_H; y++) {
    std::memset(frame + y * FRAME_W + x, WARNING_INK_BAR, static_cast<size_t>(w));
  }
}

void warning_end() { gfx_setpalette(0, PALETTE_SIZE, g_kept); }

warning_choice warning_run() {
  warning_shown++;
  // The frame log is of the show: the card's frames are not noted.
  const bool log = framelog_on;
  framelog_on = false;
  warning_begin();
  const Uint32 start = demo_clock();
  const uint32_t scale = demo_time_scale != 0 ? static_cast<uint32_t>(demo_time_scale) : 1;
  warning_choice choice = WARNING_WAIT;
  while (choice == WARNING_WAIT) {
    // Held at the timeout before the product (at most 6000 x 1000), which
    // therefore cannot wrap.
    const uint32_t limit = WARNING_TIMEOUT_MS;
    const uint32_t real = std::min(demo_clock() - start, limit);
    const int32_t t = static_cast<int32_t>(std::min(real * scale, limit));
    dest = buf.data();
    warning_draw(buf.data(), t);
    demo_present();
    choice = poll_choice();
    if (choice == WARNING_WAIT && t >= WARNING_TIMEOUT_MS) choice = WARNING_SHOW;
    if (choice == WARNING_WAIT) platform_pace();
  }
  warning_end();
  framelog_on = log;
  demo_reset();
  if (choice == WARNING_GENTLE) scene_gentle = true;
  if (choice == WARNING_STOP) demo_user_stop = true;
  return choice;
}
