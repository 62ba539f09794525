// Scene timeline. Owns the scene pictures, the two point drawings, the module
// buffer, `curpic` and the greetings; composes every frame into buf/puh with
// the effects, by the music position (scene changes, blinking, typewriters)
// and by tid (motion within a scene).
//
// Scene windows, by position (order x 100 + row):
//   1 title ..199, 2 group rings ..399, 3 first drawing ..699, 4 kaleidoscope
//   ..899, 5 star scroll ..1099, 6 greetings ..1499, 7 bounce ..1799,
//   8 mosaic rings ..2099, 9 credits ..2299, 10 finale from 2300.
// Each scene sets its palette on its first frame (its scene_start slot is
// still -1) and stores tid in the slot; no slot is ever reset, so a scene is
// set up once and a return into its window resumes it. The palette is never
// reset between scenes: an entry keeps its value until a scene sets it again.
#include "demo/timeline.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "cgm/cgm_soft.h"
#include "demo/demo.h"
#include "demo/gfx.h"
#include "demo/options.h"
#include "effects/dots.h"
#include "effects/kaleido.h"
#include "effects/mosaic.h"
#include "effects/rings.h"
#include "effects/staraz.h"
#include "effects/writeri.h"
#include "music/cool_mzx.h"
#include "player/pt.h"
#include "sound/sd_mix.h"
#include "sound/sd_ns.h"
#include "sys/sdlcall.h"

const char* timeline_root = "";
const char* timeline_program = "zapcobbles";
cgm_picture *hipcat = nullptr, *zoomer = nullptr, *ankels = nullptr, *swing1 = nullptr, *swing2 = nullptr,
            *strutter = nullptr, *strutterblk = nullptr, *bottles = nullptr;
drawing_rec *grooveking = nullptr, *afrogirl = nullptr;
const cgm_picture* curpic = nullptr;

const char* const kriit[100] = {
    " ", "tumbleweb", "qvx", "morrowy", "quillfrond", "kzt", "plovik", "jostu", "brixo",
    "", "", "", "", "", "", "", "", "", "", "",  // 9..19 empty; 20..99 hold no text
};

namespace {

// A static block rather than a heap one: it lives for the whole run anyway,
// and the bytes past what the file fills stay zero.
uint8_t modbuf_store[MODBUF_LIMIT + MODBUF_SPARE];

}  // namespace

uint8_t* modbuf = modbuf_store;
int32_t modsize = 0;
int32_t timeline_tick_wait_ms = 2000;
int32_t timeline_scene = 0;
int32_t timeline_song_order = -1;

namespace {

constexpr uint8_t BACKGROUND = 127;
constexpr int TEXT = 126;
constexpr int MOSAIC_TILE = 32;

// First position of scenes 2..10; scene 1 holds everything below 200.
constexpr int32_t kWindowStart[9] = {200, 400, 700, 900, 1100, 1500, 1800, 2100, 2300};

// ---- Loading ----------------------------------------------------------------

// root + "data/" + name, with a '/' after a root that lacks one.
std::string data_path(const char* name) {
  std::string p = timeline_root;
  if (!p.empty() && p.back() != '/') p += '/';
  return p + "data/" + name;
}

bool fail(const std::string& path, const char* why) {
  std::fprintf(stderr, "%s: %s: %s\n", timeline_program, path.c_str(), why);
  return false;
}

// A picture that loads but holds nothing to draw is refused as well: it would
// leave its scene empty without a word.
bool load_picture(cgm_picture*& pic, const char* name) {
  cgm_free(pic);
  const std::string path = data_path(name);
  pic = cgm_load(path.c_str());
  if (!pic) return fail(path, cgm_errorstr);
  if (!pic->prims) return fail(path, "the picture holds nothing to draw");
  // The loader takes what a file holds up to its end; one cut short (a copy
  // broken off) would show part of its picture without a word.
  if (!cgm_lastload.ended) return fail(path, "cut short (no ENDMF at its end)");
  return true;
}

// drawing_load reports a bad point count itself; it is silent when the file
// cannot be opened or read, and errno then still holds why.
bool load_drawing(drawing_rec*& d, const char* name) {
  drawing_free(d);
  const std::string path = data_path(name);
  errno = 0;
  d = drawing_load(path.c_str());
  if (d) {
    int64_t segments = 0;
    for (int i = 0; i < d->nstrokes; i++) segments += d->strokes[i].n > 1 ? d->strokes[i].n - 1 : 0;
    // An empty file, or one of no numbers, reads as a drawing of no strokes:
    // its scene would stay blank.
    if (segments == 0) return fail(path, "the drawing holds nothing to draw");
    if (drawing_cutstroke >= 0) {
      return fail(path, ("cut short by the end of the file in stroke " + std::to_string(drawing_cutstroke)).c_str());
    }
    return true;
  }
  const int err = errno;
  if (err == 0) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  const bool opens = f != nullptr;
  if (f) std::fclose(f);
  return fail(path, (std::string(opens ? "cannot read: " : "cannot open: ") + std::strerror(err)).c_str());
}

// The star pictures, loaded as staraz_load loads them, one by one so that
// each is checked like a scene picture.
bool load_stars() { return load_picture(c1, "stara.cgm") && load_picture(c2, "stara2.cgm"); }

// The font is the one file the demo can do without: its image stays all zero
// and every known character draws as a solid block in the text colour.
void load_font() {
  const std::string path = data_path("fontti.raw");
  std::memset(fnt, 0, sizeof fnt);
  if (writeri_init(path.c_str()) != 0) {
    std::fprintf(stderr, "%s: %s: %s; texts show as solid blocks\n", timeline_program, path.c_str(), std::strerror(errno));
    return;
  }
  // A shorter file leaves the rest of the image zero: the letters it does not
  // reach show as solid blocks.
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && st.st_size < FONT_BYTES) {
    std::fprintf(stderr, "%s: %s: %lld of %d bytes; the letters past them show as solid blocks\n", timeline_program,
                 path.c_str(), static_cast<long long>(st.st_size), FONT_BYTES);
  }
}

bool load_module() {
  const std::string path = data_path("da_plim.mod");
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return fail(path, (std::string("cannot open: ") + std::strerror(errno)).c_str());
  const size_t got = std::fread(modbuf, 1, MODBUF_LIMIT, f);
  const bool error = std::ferror(f) != 0;
  const int err = errno;
  const bool longer = !error && got == static_cast<size_t>(MODBUF_LIMIT) && std::fgetc(f) != EOF;
  std::fclose(f);
  if (error) return fail(path, (std::string("cannot read: ") + std::strerror(err)).c_str());
  // A reload must not leave bytes of an earlier, longer file behind the new one.
  std::memset(modbuf + got, 0, static_cast<size_t>(MODBUF_LIMIT + MODBUF_SPARE) - got);
  modsize = static_cast<int32_t>(got);
  if (longer) {
    std::fprintf(stderr, "%s: %s: longer than %d bytes; only those are read\n", timeline_program, path.c_str(),
                 static_cast<int>(MODBUF_LIMIT));
  }
  return true;
}

// ---- Frame helpers -------------------------------------------------------------

void fill(uint8_t n) { std::memset(buf.data(), n, FRAME_BYTES); }

void render(const cgm_picture* pic, uint8_t* frame) {
  if (pic) cgm_render(pic, frame, transu);
}

void colours(const cgm_picture* pic, int r, int g, int b) {
  if (pic) setkolor(pic->colr, r, g, b, 100);
}

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

// Three copies of a picture scrolling right and wrapping every 400 steps of
// step_ms, one above the other, dy quarter pixels apart.
void scroll_copies(const cgm_picture* pic, int32_t step_ms, int32_t dy) {
  for (int32_t k = 0; k < 3; k++) {
    px = (((tid / step_ms) + 160 * k) % 400) * 4 - 800;
    skale = 40;
    py = dy * k - dy;
    render(pic, buf.data());
  }
}

// ---- Scenes -------------------------------------------------------------------

// 1: the title picture shrinking, with the group's name and the motto.
void scene_title(int32_t pos) {
  if (first_frame(SLOT_TITLE)) {
    colours(ankels, 255, 255, 255);
    gfx_setcolor(127, 255, 150, 150);
    gfx_setcolor(255, 255, 200, 200);
    gfx_setcolor(128, 100, 90, 90);
    gfx_setcolor(126, 255, 255, 255);
    started(SLOT_TITLE);
  }
  const int32_t t = since(SLOT_TITLE);
  fill(BACKGROUND);
  skale = 1000 - t / 18;
  px = 0;
  py = 80;
  render(ankels, buf.data());
  if (pos >= 100 && pos <= 131) writeri(buf.data(), 160, 80, "bongo squad", 1, tid, TEXT);
  if (pos >= 132) writeri(buf.data(), 160, 120, "on the floor", 1, tid, TEXT);
}

// 2: rings that reverse every 16 rows, under the demo's name.
void scene_rings(int32_t row) {
  if (first_frame(SLOT_RINGS)) {
    gfx_setcolor(3, 0, 0, 0);
    gfx_setcolor(1, 255, 180, 180);
    gfx_setcolor(129, 128, 90, 90);
    gfx_setcolor(2, 255, 60, 200);
    gfx_setcolor(130, 128, 30, 100);
    started(SLOT_RINGS);
  }
  fill(1);
  const int32_t T = (row & 16) ? wrap(2 * int64_t{tid}) : wrap(1000000 - 2 * int64_t{tid});
  rings(buf.data(), T, 18, 1, 2);
  writeri(buf.data(), 160, 100, "zap cobbles", 1, tid, 3);
}

// 3 and 6: a line drawing that draws itself, one segment every ms_per_segment,
// into buf (never cleared), presented through puh with a blinking caption.
void grow_drawing(const drawing_rec* d, int32_t t, int32_t ms_per_segment) {
  const int32_t s = t / ms_per_segment;
  drawing(buf.data(), d, prevstep, s, 2);
  prevstep = s;
  std::memcpy(puh.data(), buf.data(), FRAME_BYTES);
}

void scene_drawing(int32_t row) {
  if (first_frame(SLOT_DRAWING)) {
    gfx_setcolor(1, 110, 200, 150);
    gfx_setcolor(2, 30, 64, 50);
    gfx_setcolor(129, 200, 255, 220);
    gfx_setcolor(130, 130, 170, 120);
    gfx_setcolor(126, 255, 255, 255);
    fill(1);
    prevstep = 0;
    started(SLOT_DRAWING);
  }
  grow_drawing(afrogirl, since(SLOT_DRAWING), 5);
  if (row & 4) writeri(puh.data(), 160, 100, "foxy lady!", 1, tid, TEXT);
  dest = puh.data();
}

// 4: rings folded by the kaleidoscope, a typewriter adding a letter every 8 rows.
void scene_kaleido(int32_t pos, int32_t row) {
  if (first_frame(SLOT_KALEIDO)) {
    gfx_setcolor(3, 0, 0, 0);
    gfx_setcolor(1, 255, 255, 255);
    gfx_setcolor(129, 128, 128, 128);
    gfx_setcolor(2, 120, 120, 255);
    gfx_setcolor(130, 60, 60, 125);
    started(SLOT_KALEIDO);
  }
  fill(1);
  rings(buf.data(), tid, 28, 1, 2);
  kaleido(buf.data(), FRAME_W, FRAME_H);
  const int32_t n = row + (pos >= 800 ? 64 : 0);
  static constexpr char text[] = "go'go dudes";
  static_assert(sizeof text == 12);
  std::memcpy(tst, text, sizeof text);
  tst[n / 8] = 0;  // n is below 200 in this window, tst holds 200
  writeri(buf.data(), 160, 170, tst, 1, tid, 3);
}

// 5: the star pictures behind three scrolling copies of swing1.
void scene_stars() {
  if (first_frame(SLOT_STARS)) {
    colours(swing1, 0, 0, 0);
    gfx_setcolor(127, 255, 255, 255);
    started(SLOT_STARS);
  }
  fill(BACKGROUND);
  staraz(buf.data(), tid / 2);
  scroll_copies(swing1, 40, 320);
}

// 6: the second line drawing, a blinking caption and the greetings typed out,
// one every 3.6 s, a letter every 300 ms after a blank 300 ms.
void scene_greetings(int32_t row) {
  if (first_frame(SLOT_GREETINGS)) {
    gfx_setcolor(1, 255, 160, 160);
    gfx_setcolor(2, 100, 0, 0);
    gfx_setcolor(129, 255, 200, 200);
    gfx_setcolor(130, 200, 100, 100);
    gfx_setcolor(126, 255, 255, 255);
    fill(1);
    prevstep = 0;
    started(SLOT_GREETINGS);
  }
  const int32_t t = since(SLOT_GREETINGS);
  grow_drawing(grooveking, t, 9);
  if (row & 4) writeri(puh.data(), 170, 160, "greetz", 0, tid, TEXT);
  // A time before the scene's start (only a caller driving tid backwards gets
  // one) shows the first entry; past the table's end nothing shows.
  const int32_t tg = t < 0 ? 0 : t;
  const int32_t k = tg / 3600;
  const char* text = (k < 100 && kriit[k]) ? kriit[k] : "";
  std::snprintf(tst, sizeof tst, "%s", text);
  tst[(tg % 3600) / 300] = 0;  // 0..11
  writeri(puh.data(), 5, 5, tst, 0, tid, TEXT);
  dest = puh.data();
}

// 7: strutter bouncing in on a damped swing over the star pictures.
void scene_bounce(int32_t pos, int32_t row) {
  if (first_frame(SLOT_BOUNCE)) {
    colours(strutter, 0, 0, 0);
    gfx_setcolor(127, 255, 255, 255);
    started(SLOT_BOUNCE);
  }
  const int32_t t = since(SLOT_BOUNCE);
  fill(BACKGROUND);
  staraz(buf.data(), (row & 32) ? tid : wrap(1000000 - int64_t{tid}));
  // Drawn before the picture, which may cover it.
  if (pos >= 1600 && pos <= 1615) writeri(buf.data(), 5, 84, "d15c0!", 0, tid, 0);
  px = 320;
  skale = 120;
  const double u = 0.005 * t;
  py = static_cast<int32_t>(100000.0 / (u * u + 100.0) * std::cos(0.001 * t));  // |py| <= 1000
  render((row & 4) ? strutter : strutterblk, buf.data());
}

// 8: rings behind scrolling swing2 copies; the second half of each order is
// re-tiled by the mosaic.
void scene_mosaic(int32_t row) {
  if (first_frame(SLOT_MOSAIC)) {
    colours(swing2, 0, 0, 0);
    gfx_setcolor(3, 0, 0, 0);
    gfx_setcolor(1, 180, 255, 180);
    gfx_setcolor(2, 150, 255, 20);
    started(SLOT_MOSAIC);
  }
  fill(1);
  rings(buf.data(), wrap(1000000 - int64_t{tid}), 23, 2, 2);
  scroll_copies(swing2, 20, 240);
  if (row >= 32) {
    gfx_setcolor(2, 120, 210, 20);
    mosaic(buf.data(), puh.data());
    dest = puh.data();
  } else {
    gfx_setcolor(2, 150, 255, 20);
  }
}

// 9: the credits: a pulsing picture on the left and the credit words beside it,
// hipcat with three words, then from position 2200 zoomer with two.
void scene_credits(int32_t pos) {
  if (first_frame(SLOT_CREDITS_A)) {
    gfx_setcolor(255, 128, 90, 0);
    gfx_setcolor(127, 255, 180, 0);
    colours(hipcat, 0, 0, 0);
    curpic = hipcat;
    started(SLOT_CREDITS_A);
  }
  if (pos >= 2200 && first_frame(SLOT_CREDITS_B)) {
    colours(zoomer, 0, 0, 0);
    curpic = zoomer;
    started(SLOT_CREDITS_B);
  }
  fill(BACKGROUND);
  px = -240;
  py = 0;
  skale = static_cast<int32_t>(std::sin(tid * (1.0 / 150)) * 30 + 100);  // 70..130
  render(curpic, buf.data());
  static constexpr const char* first_words[3] = {"vemp", "code", "grafix"};
  static constexpr const char* second_words[2] = {"tib", "funk"};
  const int32_t k = mod_pos(tid / 200, 6);
  const char* word = first_frame(SLOT_CREDITS_B) ? first_words[k % 3] : second_words[k % 2];
  std::snprintf(tst, sizeof tst, "%s", word);
  writeri(buf.data(), 240, 100, tst, 1, tid, 0);
}

// 10: bottles growing while their colours fade in from the background over 5 s.
void scene_finale() {
  if (first_frame(SLOT_FINALE)) {
    gfx_setcolor(127, 255, 220, 80);
    started(SLOT_FINALE);
  }
  const int32_t t = since(SLOT_FINALE);
  int64_t e = int64_t{t} * 255 / 5000;
  if (e > 255) e = 255;
  if (e < 0) e = 0;  // only a tid driven backwards gives this
  for (int k = 1; k <= 99; k++) {
    const int32_t w = bottles ? bottles->colr[k] : 0;
    const int64_t rgb[3] = {(w >> 16) & 0xFF, (w >> 8) & 0xFF, w & 0xFF};
    const int64_t from[3] = {255, 220, 80};
    for (int c = 0; c < 3; c++) palli[3 * k + c] = static_cast<uint8_t>((e * rgb[c] + (255 - e) * from[c]) / 256);
  }
  gfx_setpalette(1, 99, palli + 3);
  fill(BACKGROUND);
  skale = t / 78 + 10;
  py = -120;
  px = -40;
  render(bottles, buf.data());
}

// The position when the music start began: -37 before the song's first tick,
// or where a seek (--start) left it.
int32_t g_music_from = -37;

// From the song's start, the first tick sets the position to 0; from a seek's
// position, the next tick that moves it on.
bool first_tick_seen() {
  const int32_t pos = mzx_position();
  return g_music_from < 0 ? static_cast<uint32_t>(pos) <= 100u : pos != g_music_from;
}

// The music start's progress: waiting for the first tick from the chosen
// output, then (if that gave none in time) from the silent device's timer.
enum class music_wait { done, output, silent };
music_wait g_music_wait = music_wait::done;
uint32_t g_music_wait_t0 = 0;  // SDL ticks when the current wait began

}  // namespace

int timeline_scene_of(int32_t pos) {
  int s = 1;
  while (s < 10 && pos >= kWindowStart[s - 1]) s++;
  return s;
}

bool timeline_load() {
  struct stat st;
  const std::string dir = data_path("");
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    char cwd[4096];
    const bool here = timeline_root[0] == 0 && getcwd(cwd, sizeof cwd) != nullptr;
    std::fprintf(stderr,
                 "%s: no data directory in %s; run the demo from the project root (or from where its data "
                 "is installed)\n", timeline_program,
                 here ? cwd : (timeline_root[0] ? timeline_root : "the working directory"));
    return false;
  }
  if (!load_drawing(grooveking, "grooveking.txt") || !load_drawing(afrogirl, "afrogirl.txt")) return false;
  static constexpr struct {
    cgm_picture** pic;
    const char* name;
  } pictures[] = {{&hipcat, "hipcat.cgm"},     {&zoomer, "zoomer.cgm"},     {&ankels, "ankels.cgm"},
                  {&swing1, "swing1.cgm"},     {&swing2, "swing2.cgm"},     {&strutter, "strutter.cgm"},
                  {&strutterblk, "strutterblk.cgm"}, {&bottles, "bottles.cgm"}};
  for (const auto& p : pictures)
    if (!load_picture(*p.pic, p.name)) return false;
  if (!load_stars()) return false;
  dots_init();
  load_font();
  rings_init();
  mosaic_init(MOSAIC_TILE);
  return load_module();
}

bool timeline_music_load(bool offline) {
  if (offline) {
    mzx_init_offline(SD_OUTPUT_RATE, TIMELINE_HZ);
  } else {
    // The front end asks which output to use; the demo answers "2" (the SDL
    // device at 44100 Hz) itself, pushed back in reverse order.
    // With --mute it answers "0": no sound device, the silent timer.
    std::ungetc('\n', stdin);
    std::ungetc(opt_mute ? '0' : '2', stdin);
    if (!mzx_init()) {
      std::fprintf(stderr, "%s: the music output cannot be chosen (standard input refused it)\n", timeline_program);
      return false;
    }
  }
  const std::string path = data_path("da_plim.mod");
  if (!mzx_get(modbuf, modsize)) {
    std::fprintf(stderr, "%s: %s: the player refuses it (%s)\n", timeline_program, path.c_str(), pt_errorstr);
    return false;
  }
  if (pt_cutsample != 0) {
    std::fprintf(stderr, "%s: %s: sample %d is cut short by the end of the file\n", timeline_program, path.c_str(),
                 static_cast<int>(pt_cutsample));
  }
  return true;
}

void timeline_music_begin() {
  g_music_from = mzx_position();
  timeline_song_order = 0;
  mzx_start(TIMELINE_HZ);
  g_music_wait = music_wait::output;
  g_music_wait_t0 = sdl_getticks();
}

bool timeline_music_started() {
  if (g_music_wait == music_wait::done) return true;
  if (first_tick_seen()) {
    g_music_wait = music_wait::done;
    return true;
  }
  if (static_cast<int32_t>(sdl_getticks() - g_music_wait_t0) < timeline_tick_wait_ms) return false;
  if (g_music_wait == music_wait::output) {
    // An output that opened but never asks for sound would hold the position
    // at -37 for ever: run the music from the silent device's timer instead.
    std::fprintf(stderr, "%s: the sound output gives no sound within %d ms; the music runs silently\n", timeline_program,
                 static_cast<int>(timeline_tick_wait_ms));
    mzx_close();
    sd_ns_init();
    laite = 0;
    mzx_start(TIMELINE_HZ);
    g_music_wait = music_wait::silent;
    g_music_wait_t0 = sdl_getticks();
    return false;
  }
  std::fprintf(stderr, "%s: the music's clock does not run; the demo stays at its start\n", timeline_program);
  g_music_wait = music_wait::done;
  return true;
}

void timeline_music_start() {
  timeline_music_begin();
  while (!timeline_music_started()) sdl_delay(1);
}

// ---- The show's end ------------------------------------------------------------

namespace {

uint8_t* g_last_dest = nullptr;  // the frame the last frame step presented

}  // namespace

bool timeline_song_ended(int32_t pos) {
  if (timeline_song_order < 0) return false;
  const int32_t order = pos < 0 ? 0 : pos / 100;
  if (order < timeline_song_order) return true;
  timeline_song_order = order;
  return false;
}

void timeline_frame() {
  const int32_t pos = mzx_position();
  if (timeline_song_ended(pos)) {
    // The song has ended and started again: the show stops, and the last
    // frame stays on screen rather than one of the title.
    stopcount = 1;
    if (g_last_dest != nullptr) {
      dest = g_last_dest;
      return;
    }
  }
  const int32_t row = pos % 100;
  timeline_scene = timeline_scene_of(pos);
  switch (timeline_scene) {
    case 1: scene_title(pos); break;
    case 2: scene_rings(row); break;
    case 3: scene_drawing(row); break;
    case 4: scene_kaleido(pos, row); break;
    case 5: scene_stars(); break;
    case 6: scene_greetings(row); break;
    case 7: scene_bounce(pos, row); break;
    case 8: scene_mosaic(row); break;
    case 9: scene_credits(pos); break;
    default: scene_finale(); break;
  }
  if (pos >= STOP_POSITION) stopcount = 1;
  g_last_dest = dest;
}
