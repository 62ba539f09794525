// The scenes. Each function reads its numbers from its table in
// demo/scene_looks.h (looks::title for scene_title, and so on) and runs in
// two steps: the first-frame set-up (palette, fills, counters) while its
// scene_start slot is -1, then the frame's drawing. No slot is ever reset, so
// a scene is set up once and a return into its window resumes it; the
// palette is never reset between scenes.
#include "demo/scenes.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "cgm/cgm_soft.h"
#include "demo/assets.h"
#include "demo/demo.h"
#include "demo/gfx.h"
#include "demo/scene_looks.h"
#include "effects/kaleido.h"
#include "effects/mosaic.h"
#include "effects/rings.h"
#include "effects/staraz.h"
#include "effects/writeri.h"
#include "gfx/view.h"

const cgm_picture* curpic = nullptr;
bool scene_gentle = false;

namespace {

// ---- Helpers ------------------------------------------------------------------

void fill(uint8_t n) { std::memset(buf.data(), n, FRAME_BYTES); }

void render(const cgm_picture* pic, uint8_t* frame) {
  if (pic) cgm_render_view(pic, frame);
}

// A picture's colours into entries 1..100, their shades halfway to `to`.
void colours(const cgm_picture* pic, looks::rgb to) {
  if (pic) setkolor(pic->colr, to.r, to.g, to.b, 100);
}

void set_entry(const looks::entry& e) { gfx_setcolor(e.index, e.colour.r, e.colour.g, e.colour.b); }

template <size_t N>
void set_entries(const std::array<looks::entry, N>& entries) {
  for (const looks::entry& e : entries) set_entry(e);
}

// A text of a table, or another text s at its place.
void write(uint8_t* frame, const looks::text& t, const char* s) {
  writeri(frame, t.x, t.y, s, t.centre, tid, t.colour);
}
void write(uint8_t* frame, const looks::text& t) { write(frame, t, t.s); }

// The first frame of the scene in slot: its set-up is still to run.
bool first_frame(int slot) { return scene_start[slot] == -1; }
void started(int slot) { scene_start[slot] = tid; }

// Milliseconds since the scene's first frame. The subtraction wraps, so any
// tid a caller drives the step with stays defined.
int32_t since(int slot) {
  return static_cast<int32_t>(static_cast<uint32_t>(tid) - static_cast<uint32_t>(scene_start[slot]));
}

// The low 32 bits of v, signed: the timed arguments below stay defined for any tid.
int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

// Remainder taken non-negative, for table indices from tid.
int32_t mod_pos(int32_t v, int32_t m) {
  const int32_t r = v % m;
  return r < 0 ? r + m : r;
}

// Three copies of a picture scrolling right and wrapping every 400 steps,
// one above the other.
void scroll_copies(const cgm_picture* pic, const looks::scroll_look& c) {
  for (int32_t k = 0; k < 3; k++) {
    px = (((tid / c.ms_per_step) + 160 * k) % 400) * 4 - 800;
    skale = c.skale;
    py = c.dy * k - c.dy;
    render(pic, buf.data());
  }
}

// 3 and 6: a line drawing that draws itself, one segment every ms_per_segment,
// into buf (never cleared), presented through puh.
void grow_drawing(const drawing_rec* d, int32_t t, int32_t ms_per_segment, int32_t colour) {
  const int32_t s = t / ms_per_segment;
  drawing(buf.data(), d, prevstep, s, colour);
  prevstep = s;
  std::memcpy(puh.data(), buf.data(), FRAME_BYTES);
}

}  // namespace

// ---- Scenes -------------------------------------------------------------------

// 1: the title picture shrinking, with the group's name and the motto.
void scene_title(int32_t pos) {
  constexpr const looks::title_look& L = looks::title;
  if (first_frame(SLOT_TITLE)) {
    colours(ankels, L.shades_towards);
    set_entries(L.palette);
    started(SLOT_TITLE);
  }
  const int32_t t = since(SLOT_TITLE);
  fill(L.fill);
  skale = L.skale_start - t / L.ms_per_skale;
  px = L.px;
  py = L.py;
  render(ankels, buf.data());
  if (pos >= L.group_from && pos <= L.group_to) write(buf.data(), L.group);
  if (pos >= L.motto_from) write(buf.data(), L.motto);
}

// 2: rings that reverse every 16 rows, under the demo's name.
void scene_rings(int32_t row) {
  constexpr const looks::rings_look& L = looks::rings;
  if (first_frame(SLOT_RINGS)) {
    set_entries(L.palette);
    started(SLOT_RINGS);
  }
  fill(L.fill);
  const int64_t run = int64_t{L.speed} * tid;
  const int32_t T = (row & L.forward_row_bit) ? wrap(run) : wrap(1000000 - run);
  rings(buf.data(), T, L.width, L.mode, L.colour);
  write(buf.data(), L.name);
}

// 3: the first line drawing with a blinking caption.
void scene_drawing(int32_t row) {
  constexpr const looks::drawing_look& L = looks::first_drawing;
  if (first_frame(SLOT_DRAWING)) {
    set_entries(L.palette);
    fill(L.fill);
    prevstep = 0;
    started(SLOT_DRAWING);
  }
  grow_drawing(afrogirl, since(SLOT_DRAWING), L.ms_per_segment, L.line_colour);
  if (row & L.blink_row_bit) write(puh.data(), L.caption);
  dest = puh.data();
}

// 4: rings folded by the kaleidoscope, a typewriter adding a letter every 8 rows.
void scene_kaleido(int32_t pos, int32_t row) {
  constexpr const looks::kaleido_look& L = looks::kaleido;
  if (first_frame(SLOT_KALEIDO)) {
    set_entries(L.palette);
    started(SLOT_KALEIDO);
  }
  fill(L.fill);
  rings(buf.data(), tid, L.width, L.mode, L.colour);
  kaleido(buf.data(), FRAME_W, FRAME_H);
  const int32_t n = row + (pos >= L.second_order_from ? 64 : 0);
  static_assert(std::char_traits<char>::length(L.typed.s) < sizeof tst);
  std::memcpy(tst, L.typed.s, std::char_traits<char>::length(L.typed.s) + 1);
  tst[n / L.rows_per_letter] = 0;  // n is below 200 in this window, tst holds 200
  write(buf.data(), L.typed, tst);
}

// 5: the star pictures behind three scrolling copies of swing1.
void scene_stars() {
  const looks::stars_look& L = scene_gentle ? looks::stars_gentle : looks::stars;
  if (first_frame(SLOT_STARS)) {
    colours(swing1, L.shades_towards);
    set_entries(L.palette);
    started(SLOT_STARS);
  }
  fill(L.fill);
  staraz(buf.data(), tid / L.star_time_divisor);
  scroll_copies(swing1, L.copies);
}

// 6: the second line drawing, a blinking caption and the greetings typed out,
// one every 3.6 s, a letter every 300 ms after a blank 300 ms.
void scene_greetings(int32_t row) {
  constexpr const looks::greetings_look& L = looks::greetings;
  if (first_frame(SLOT_GREETINGS)) {
    set_entries(L.palette);
    fill(L.fill);
    prevstep = 0;
    started(SLOT_GREETINGS);
  }
  const int32_t t = since(SLOT_GREETINGS);
  grow_drawing(grooveking, t, L.ms_per_segment, L.line_colour);
  if (row & L.blink_row_bit) write(puh.data(), L.caption);
  // A time before the scene's start (only a caller driving tid backwards gets
  // one) shows the first entry; past the table's end nothing shows.
  const int32_t tg = t < 0 ? 0 : t;
  const int32_t k = tg / L.ms_per_greeting;
  const char* text = (k < static_cast<int32_t>(std::size(kriit)) && kriit[k]) ? kriit[k] : "";
  std::snprintf(tst, sizeof tst, "%s", text);
  tst[(tg % L.ms_per_greeting) / L.ms_per_letter] = 0;  // 0..11
  write(puh.data(), L.greeting, tst);
  dest = puh.data();
}

// 7: strutter bouncing in on a damped swing over the star pictures.
void scene_bounce(int32_t pos, int32_t row) {
  const looks::bounce_look& L = scene_gentle ? looks::bounce_gentle : looks::bounce;
  if (first_frame(SLOT_BOUNCE)) {
    colours(strutter, L.shades_towards);
    set_entries(L.palette);
    started(SLOT_BOUNCE);
  }
  const int32_t t = since(SLOT_BOUNCE);
  fill(L.fill);
  const int32_t ts = tid / L.star_time_divisor;
  staraz(buf.data(), (row & L.forward_row_bit) ? ts : wrap(1000000 - int64_t{ts}));
  // Drawn before the picture, which may cover it.
  if (pos >= L.flash_from && pos <= L.flash_to) write(buf.data(), L.flash);
  px = L.px;
  skale = L.skale;
  const double u = L.swing_damp * t;
  py = static_cast<int32_t>(L.swing_height / (u * u + L.swing_rest) * std::cos(L.swing_turn * t));  // |py| <= 1000
  render((row & L.picture_row_bit) ? strutter : strutterblk, buf.data());
}

// 8: rings behind scrolling swing2 copies; the second half of each order is
// re-tiled by the mosaic.
void scene_mosaic(int32_t row) {
  constexpr const looks::mosaic_look& L = looks::mosaic;
  if (first_frame(SLOT_MOSAIC)) {
    colours(swing2, L.shades_towards);
    set_entries(L.palette);
    started(SLOT_MOSAIC);
  }
  fill(L.fill);
  rings(buf.data(), wrap(1000000 - int64_t{tid}), L.width, L.mode, L.colour);
  scroll_copies(swing2, L.copies);
  if (row >= L.mosaic_row) {
    set_entry(L.mosaic_ring);
    mosaic(buf.data(), puh.data());
    dest = puh.data();
  } else {
    set_entry(L.plain_ring);
  }
}

// 9: the credits: a pulsing picture on the left and the credit words beside it,
// hipcat with three words, then from position 2200 zoomer with two.
void scene_credits(int32_t pos) {
  constexpr const looks::credits_look& L = looks::credits;
  if (first_frame(SLOT_CREDITS_A)) {
    set_entries(L.palette);
    colours(hipcat, L.shades_towards);
    curpic = hipcat;
    started(SLOT_CREDITS_A);
  }
  if (pos >= L.second_from && first_frame(SLOT_CREDITS_B)) {
    colours(zoomer, L.shades_towards);
    curpic = zoomer;
    started(SLOT_CREDITS_B);
  }
  fill(L.fill);
  px = L.px;
  py = L.py;
  skale = static_cast<int32_t>(std::sin(tid * L.pulse_rate) * L.pulse_depth + L.pulse_middle);  // 70..130
  render(curpic, buf.data());
  // Both word lists take turns within one cycle of their sizes' product.
  constexpr int32_t cycle = static_cast<int32_t>(L.first_words.size() * L.second_words.size());
  const int32_t k = mod_pos(tid / L.ms_per_word, cycle);
  const char* word = first_frame(SLOT_CREDITS_B) ? L.first_words[static_cast<size_t>(k) % L.first_words.size()]
                                                 : L.second_words[static_cast<size_t>(k) % L.second_words.size()];
  std::snprintf(tst, sizeof tst, "%s", word);
  write(buf.data(), L.words, tst);
}

// 10: bottles growing while their colours fade in from the background over 5 s.
void scene_finale() {
  constexpr const looks::finale_look& L = looks::finale;
  if (first_frame(SLOT_FINALE)) {
    set_entry(L.background);
    started(SLOT_FINALE);
  }
  const int32_t t = since(SLOT_FINALE);
  int64_t e = int64_t{t} * 255 / L.fade_ms;
  if (e > 255) e = 255;
  if (e < 0) e = 0;  // only a tid driven backwards gives this
  const int64_t from[3] = {L.background.colour.r, L.background.colour.g, L.background.colour.b};
  for (int k = 1; k <= 99; k++) {
    const int32_t w = bottles ? bottles->colr[k] : 0;
    const int64_t rgb[3] = {(w >> 16) & 0xFF, (w >> 8) & 0xFF, w & 0xFF};
    for (int c = 0; c < 3; c++) palli[3 * k + c] = static_cast<uint8_t>((e * rgb[c] + (255 - e) * from[c]) / 256);
  }
  gfx_setpalette(1, 99, palli + 3);
  fill(L.fill);
  skale = t / L.ms_per_skale + L.skale_start;
  py = L.py;
  px = L.px;
  render(bottles, buf.data());
}
