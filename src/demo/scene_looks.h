// The scenes' looks: every scene's palette entries, texts, places, sizes and
// speeds, one table per scene, written once. The scenes (demo/scenes.cpp)
// draw with them, and the tools that make the data files and the preview
// sheets (picgen, fontgen sheet, picsheet) and the tests read them from here,
// so a colour or a text changes in one place.
//
// Plain constexpr data: this header needs nothing but the standard library,
// no SDL and nothing of the demo to link.
//
// Conventions of the tables: palette entries are (index, red, green, blue)
// and are set in the order given; a text is (x, y, text, centre, colour) as
// writeri takes them; places are quarter pixels (px, py) and skale the 2.14
// picture scale, as transu reads them; rows are the music row 0..63 and
// positions order x 100 + row; t is milliseconds since the scene's first frame.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace looks {

struct rgb {
  uint8_t r, g, b;
  // The colour as one word, red x 65536 + green x 256 + blue, as picture
  // colour tables and RGB sheets hold it.
  constexpr uint32_t word() const { return uint32_t{r} << 16 | uint32_t{g} << 8 | uint32_t{b}; }
};
struct entry {
  uint8_t index;
  rgb colour;
};
struct text {
  int x, y;
  const char* s;
  int centre;  // 1: centred on x; 0: starting at x
  int colour;
};
// Where a scene shows a picture: skale and the offsets px, py.
struct place {
  int32_t skale, px, py;
};

// The colour a palette table gives entry index; a table without it does not
// compile where the answer is needed at compile time.
template <size_t N>
constexpr rgb colour_of(const std::array<entry, N>& entries, int index) {
  for (const entry& e : entries)
    if (e.index == index) return e.colour;
  throw "no such entry";
}

// The palette entries the scenes share by convention (see demo/gfx.h).
inline constexpr int TEXT = 126;
inline constexpr int BACKGROUND = 127;

// ---- 1 Title (positions ..199) --------------------------------------------------
// The group's picture shrinking on pink, with the group's name and the motto.
struct title_look {
  rgb shades_towards;                // setkolor(ankels, ...): shades halfway to white
  std::array<entry, 4> palette;      // set after the picture's colours
  uint8_t fill;
  int32_t skale_start, ms_per_skale;  // skale = skale_start - t / ms_per_skale
  int32_t px, py;
  text group;                        // shown at positions group_from..group_to
  int32_t group_from, group_to;
  text motto;                        // shown from position motto_from
  int32_t motto_from;
};
inline constexpr title_look title = {
    .shades_towards = {255, 255, 255},
    .palette = {{{127, {255, 150, 150}}, {255, {255, 200, 200}}, {128, {100, 90, 90}}, {126, {255, 255, 255}}}},
    .fill = BACKGROUND,
    .skale_start = 1000,
    .ms_per_skale = 18,
    .px = 0,
    .py = 80,
    .group = {160, 80, "bongo squad", 1, TEXT},
    .group_from = 100,
    .group_to = 131,
    .motto = {160, 120, "on the floor", 1, TEXT},
    .motto_from = 132,
};

// ---- 2 Group rings (200..399) ------------------------------------------------
// Seven thick rings that reverse every 16 rows, under the demo's name.
struct rings_look {
  std::array<entry, 5> palette;
  uint8_t fill;
  int32_t width, mode, colour;  // rings(buf, T, width, mode, colour)
  int32_t speed;                // T = speed x tid forwards, 1000000 - speed x tid backwards
  int32_t forward_row_bit;      // rows with this bit set run forwards
  text name;
};
inline constexpr rings_look rings = {
    .palette = {{{3, {0, 0, 0}}, {1, {255, 180, 180}}, {129, {128, 90, 90}}, {2, {255, 60, 200}},
                 {130, {128, 30, 100}}}},
    .fill = 1,
    .width = 18,
    .mode = 1,
    .colour = 2,
    .speed = 2,
    .forward_row_bit = 16,
    .name = {160, 100, "zap cobbles", 1, 3},
};

// ---- 3 First drawing (400..699) ----------------------------------------------
// A line drawing that draws itself, with a blinking caption.
struct drawing_look {
  std::array<entry, 5> palette;
  uint8_t fill;
  int32_t ms_per_segment;
  int32_t line_colour;
  text caption;            // shown on rows with blink_row_bit set
  int32_t blink_row_bit;
};
inline constexpr drawing_look first_drawing = {
    .palette = {{{1, {110, 200, 150}}, {2, {30, 64, 50}}, {129, {200, 255, 220}}, {130, {130, 170, 120}},
                 {126, {255, 255, 255}}}},
    .fill = 1,
    .ms_per_segment = 5,
    .line_colour = 2,
    .caption = {160, 100, "foxy lady!", 1, TEXT},
    .blink_row_bit = 4,
};

// ---- 4 Kaleidoscope (700..899) -------------------------------------------------
// The rings folded into four mirrored quadrants; a typewriter adds a letter
// every rows_per_letter rows, counted from the window's first order.
struct kaleido_look {
  std::array<entry, 5> palette;
  uint8_t fill;
  int32_t width, mode, colour;  // rings(buf, tid, width, mode, colour)
  text typed;
  int32_t rows_per_letter;
  int32_t second_order_from;  // from this position the rows count on from 64
};
inline constexpr kaleido_look kaleido = {
    .palette = {{{3, {0, 0, 0}}, {1, {255, 255, 255}}, {129, {128, 128, 128}}, {2, {120, 120, 255}},
                 {130, {60, 60, 125}}}},
    .fill = 1,
    .width = 28,
    .mode = 1,
    .colour = 2,
    .typed = {160, 170, "go'go dudes", 1, 3},
    .rows_per_letter = 8,
    .second_order_from = 800,
};

// Three copies of a picture scrolling right: copy k at px = ((tid / ms_per_step
// + 160k) mod 400) x 4 - 800 and py = dy x k - dy.
struct scroll_look {
  int32_t ms_per_step, dy, skale;
};

// ---- 5 Star scroll (900..1099) -------------------------------------------------
// The star pictures behind three scrolling copies of swing1.
struct stars_look {
  rgb shades_towards;  // setkolor(swing1, ...)
  std::array<entry, 1> palette;
  uint8_t fill;
  int32_t star_time_divisor;  // staraz(buf, tid / star_time_divisor)
  scroll_look copies;
};
inline constexpr stars_look stars = {
    .shades_towards = {0, 0, 0},
    .palette = {{{127, {255, 255, 255}}}},
    .fill = BACKGROUND,
    .star_time_divisor = 2,
    .copies = {.ms_per_step = 40, .dy = 320, .skale = 40},
};
// The gentle show's star scroll: the stars stream and turn at two thirds of the
// speed (a new layer every 0.6 s instead of 0.4 s).
inline constexpr stars_look stars_gentle = {
    .shades_towards = stars.shades_towards,
    .palette = stars.palette,
    .fill = stars.fill,
    .star_time_divisor = 3,
    .copies = stars.copies,
};

// ---- 6 Greetings (1100..1499) --------------------------------------------------
// The second line drawing, a blinking caption and the greetings typed out.
struct greetings_look {
  std::array<entry, 5> palette;
  uint8_t fill;
  int32_t ms_per_segment;
  int32_t line_colour;
  text caption;            // shown on rows with blink_row_bit set
  int32_t blink_row_bit;
  text greeting;           // where the greeting being typed stands; s unused
  int32_t ms_per_greeting;  // each entry of kriit (below) holds this long...
  int32_t ms_per_letter;    // ...a letter more every ms_per_letter, after a blank one
};
inline constexpr greetings_look greetings = {
    .palette = {{{1, {255, 160, 160}}, {2, {100, 0, 0}}, {129, {255, 200, 200}}, {130, {200, 100, 100}},
                 {126, {255, 255, 255}}}},
    .fill = 1,
    .ms_per_segment = 9,
    .line_colour = 2,
    .caption = {170, 160, "greetz", 0, TEXT},
    .blink_row_bit = 4,
    .greeting = {5, 5, "", 0, TEXT},
    .ms_per_greeting = 3600,
    .ms_per_letter = 300,
};
// ---- 7 Bounce (1500..1799) -----------------------------------------------------
// A dancer dropping in on a damped swing over the stars, a flash of text; the
// picture changes on the beat (strutter on rows with the bit set, else strutterblk).
struct bounce_look {
  rgb shades_towards;  // setkolor(strutter, ...)
  std::array<entry, 1> palette;
  uint8_t fill;
  int32_t forward_row_bit;  // the stars run forwards on rows with this bit set
  // staraz(buf, tid / star_time_divisor) forwards, 1000000 - tid / star_time_divisor backwards
  int32_t star_time_divisor;
  text flash;               // shown at positions flash_from..flash_to, under the picture
  int32_t flash_from, flash_to;
  int32_t px, skale;
  // py = swing_height / ((swing_damp x t)^2 + swing_rest) x cos(swing_turn x t)
  double swing_height, swing_damp, swing_rest, swing_turn;
  int32_t picture_row_bit;
};
inline constexpr bounce_look bounce = {
    .shades_towards = {0, 0, 0},
    .palette = {{{127, {255, 255, 255}}}},
    .fill = BACKGROUND,
    .forward_row_bit = 32,
    .star_time_divisor = 1,
    .flash = {5, 84, "d15c0!", 0, 0},
    .flash_from = 1600,
    .flash_to = 1615,
    .px = 320,
    .skale = 120,
    .swing_height = 100000.0,
    .swing_damp = 0.005,
    .swing_rest = 100.0,
    .swing_turn = 0.001,
    .picture_row_bit = 4,
};
// The gentle show's bounce: the stars stream and turn at a third of the speed (a
// new layer every 0.6 s instead of 0.2 s, as in the gentle star scroll).
inline constexpr bounce_look bounce_gentle = {
    .shades_towards = bounce.shades_towards,
    .palette = bounce.palette,
    .fill = bounce.fill,
    .forward_row_bit = bounce.forward_row_bit,
    .star_time_divisor = 3,
    .flash = bounce.flash,
    .flash_from = bounce.flash_from,
    .flash_to = bounce.flash_to,
    .px = bounce.px,
    .skale = bounce.skale,
    .swing_height = bounce.swing_height,
    .swing_damp = bounce.swing_damp,
    .swing_rest = bounce.swing_rest,
    .swing_turn = bounce.swing_turn,
    .picture_row_bit = bounce.picture_row_bit,
};

// ---- 8 Mosaic rings (1800..2099) -----------------------------------------------
// Rings behind three scrolling copies of swing2, re-tiled by the mosaic from
// row mosaic_row of every order on, where entry 2 turns darker.
struct mosaic_look {
  rgb shades_towards;  // setkolor(swing2, ...), then the palette over it
  std::array<entry, 3> palette;
  uint8_t fill;
  int32_t width, mode, colour;  // rings(buf, 1000000 - tid, width, mode, colour)
  scroll_look copies;
  int32_t mosaic_row;
  entry plain_ring, mosaic_ring;  // entry 2, written every frame
  int32_t tile;                   // mosaic_init(tile)
};
inline constexpr mosaic_look mosaic = {
    .shades_towards = {0, 0, 0},
    .palette = {{{3, {0, 0, 0}}, {1, {180, 255, 180}}, {2, {150, 255, 20}}}},
    .fill = 1,
    .width = 23,
    .mode = 2,
    .colour = 2,
    .copies = {.ms_per_step = 20, .dy = 240, .skale = 40},
    .mosaic_row = 32,
    .plain_ring = {2, {150, 255, 20}},
    .mosaic_ring = {2, {120, 210, 20}},
    .tile = 32,
};

// ---- 9 Credits (2100..2299) ----------------------------------------------------
// A pulsing picture beside the credit words: hipcat with the first words, then
// from position second_from zoomer with the second. The words take turns
// every ms_per_word.
struct credits_look {
  std::array<entry, 2> palette;  // set before the picture's colours
  rgb shades_towards;            // setkolor(hipcat / zoomer, ...)
  uint8_t fill;
  int32_t px, py;
  // skale = sin(tid x pulse_rate) x pulse_depth + pulse_middle, truncated
  double pulse_rate, pulse_depth, pulse_middle;
  int32_t second_from;
  std::array<const char*, 3> first_words;
  std::array<const char*, 2> second_words;
  int32_t ms_per_word;
  text words;  // where the words stand; s unused
};
inline constexpr credits_look credits = {
    .palette = {{{255, {128, 90, 0}}, {127, {255, 180, 0}}}},
    .shades_towards = {0, 0, 0},
    .fill = BACKGROUND,
    .px = -240,
    .py = 0,
    .pulse_rate = 1.0 / 150,
    .pulse_depth = 30,
    .pulse_middle = 100,
    .second_from = 2200,
    .first_words = {"vemp", "code", "grafix"},
    .second_words = {"tib", "funk"},
    .ms_per_word = 200,
    .words = {240, 100, "", 1, 0},
};

// ---- 10 Finale (2300..) ----------------------------------------------------------
// A growing picture whose colours 1..99 fade in from the background colour
// over fade_ms: (e x colour + (255 - e) x background) / 256, e = t x 255 / fade_ms.
struct finale_look {
  entry background;
  uint8_t fill;
  int32_t fade_ms;
  int32_t ms_per_skale, skale_start;  // skale = t / ms_per_skale + skale_start
  int32_t px, py;
};
inline constexpr finale_look finale = {
    .background = {127, {255, 220, 80}},
    .fill = BACKGROUND,
    .fade_ms = 5000,
    .ms_per_skale = 78,
    .skale_start = 10,
    .px = -40,
    .py = -120,
};

// ---- The schedule -------------------------------------------------------------
inline constexpr int SCENES = 10;
// What each scene shows, in its words for summaries and charts.
inline constexpr std::array<const char*, SCENES> scene_names = {
    "title", "group rings", "first drawing", "kaleidoscope", "star scroll",
    "greetings", "bounce", "mosaic rings", "credits", "finale"};
// First position of scenes 2..10; scene 1 holds everything below 200.
inline constexpr std::array<int32_t, SCENES - 1> window_starts = {200, 400, 700, 900, 1100, 1500, 1800, 2100, 2300};

}  // namespace looks

// The greetings of scene 6, one entry per looks::greetings.ms_per_greeting;
// null = no text. 9..19 are empty.
inline constexpr const char* kriit[100] = {
    " ", "tumbleweb", "qvx", "morrowy", "quillfrond", "kzt", "plovik", "jostu", "brixo",
    "", "", "", "", "", "", "", "", "", "", "",  // 9..19 empty; 20..99 hold no text
};
