// picsheet: composes frames for the contact sheet of the demo's pictures.
// It reads a panel script on standard input and writes one palette PNG per
// panel. Pictures come in as raw frames that `zapcgm render` drew; picsheet
// stacks them and sets the palette as the scene does, through the demo's
// own palette functions (setkolor, gfx_setcolor) on an 8-bit surface, and
// draws the scene's texts, rings and line drawings with the demo's effects.
// scripts/contact-sheet writes the script and lays the panels out.
//
// Script lines (one command each, '#' starts a comment):
//   panel OUT.png SCALE       start a 320x200 frame (all 0, palette black)
//   setkolor FILE.cgm R G B   setkolor(colr of the picture, R, G, B, 100)
//   fade FILE.cgm E           the finale's fade of colours 1..99 at e = E
//   colour I R G B            gfx_setcolor(I, R, G, B)
//   scene N [FILE.cgm]        scene N's first-frame palette set-up, as the scene
//                             does it, with FILE's colours where it shows a picture
//   entry N I                 palette entry I as scene N sets it
//   say N NAME TIME [K]       scene N's text NAME at its place (writeri at TIME);
//                             K picks the word of a list (greeting, first, second)
//   fill I                    fill the frame with index I
//   layer FILE.raw KEY        copy a raw 320x200 frame, except bytes equal to KEY
//   rings T W MODE COLOUR     the rings effect
//   drawing FILE.txt COLOUR [TO]  a point drawing, complete or up to segment TO
//   font FILE                 read the font (texts are skipped until one is read)
//   text X Y CENTRE COLOUR TIME WORDS...   writeri
//   shade Y0 Y1               set bit 7 of rows Y0..Y1 (what a text outline does)
//   end                       write the panel
//   fontsheet FILE OUT.png SCALE   the font image's three drawings (body white,
//                             outline grey, transparent dark)
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "cgm/cgm.h"
#include "common/pngfile.h"
#include "common/tool.h"
#include "demo/gfx.h"
#include "demo/scene_looks.h"
#include "effects/drawing.h"
#include "effects/rings.h"
#include "effects/writeri.h"
#include "gfx/view.h"

namespace {

constexpr int kW = 320;
constexpr int kH = 200;
constexpr int kRows = 256;  // the work frame's rows; texts may reach below 200

std::vector<uint8_t> frame(kW* kRows, 0);
std::string out;
int scale = 2;
bool have_font = false;
int line_no = 0;

constexpr const char* k_usage = "usage: picsheet < SCRIPT\n       picsheet --help | --version\n";

// A script that cannot be carried out ends the run (exit status 1).
[[noreturn]] void fail(const std::string& what) {
  tool_error("line %d: %s", line_no, what.c_str());
  std::exit(tool_finish(1));
}

// The panel (or the font image) as a palette PNG; false after the message.
bool write_png(const std::string& path, const uint8_t* px, int w, int h, const SDL_Color* pal, int sc) {
  uint8_t rgb[3 * 256];
  for (int k = 0; k < 256; k++) {
    rgb[3 * k] = pal[k].r;
    rgb[3 * k + 1] = pal[k].g;
    rgb[3 * k + 2] = pal[k].b;
  }
  return png_save(path.c_str(), {.pixels = px, .width = w, .height = h, .scale = sc, .palette = rgb});
}

cgm_picture* load_picture(const std::string& path) {
  cgm_picture* pic = cgm_load(path.c_str());
  if (!pic) fail(path + ": " + cgm_errorstr);
  return pic;
}

// The finale: colour k of the picture blended from the background at e.
void fade(const std::string& path, int e) {
  cgm_picture* pic = load_picture(path);
  const looks::rgb from = looks::finale.background.colour;
  for (int k = 1; k <= 99; k++) {
    const int w = pic->colr[k], R = (w >> 16) & 255, G = (w >> 8) & 255, B = w & 255;
    gfx_setcolor(k, (e * R + (255 - e) * from.r) / 256, (e * G + (255 - e) * from.g) / 256,
                 (e * B + (255 - e) * from.b) / 256);
  }
  cgm_free(pic);
}

// ---- The scenes' own palettes and texts (demo/scene_looks.h) ----------------

void set_entries(std::span<const looks::entry> es) {
  for (const looks::entry& e : es) gfx_setcolor(e.index, e.colour.r, e.colour.g, e.colour.b);
}

void shades(const std::string& path, looks::rgb to) {
  if (path.empty()) fail("this scene's set-up needs its picture");
  cgm_picture* pic = load_picture(path);
  setkolor(pic->colr, to.r, to.g, to.b, 100);
  cgm_free(pic);
}

// The palette entries scene n sets on its first frame (the finale: its background).
std::span<const looks::entry> scene_entries(int n) {
  switch (n) {
    case 1: return looks::title.palette;
    case 2: return looks::rings.palette;
    case 3: return looks::first_drawing.palette;
    case 4: return looks::kaleido.palette;
    case 5: return looks::stars.palette;
    case 6: return looks::greetings.palette;
    case 7: return looks::bounce.palette;
    case 8: return looks::mosaic.palette;
    case 9: return looks::credits.palette;
    case 10: return {&looks::finale.background, 1};
    default: fail("no scene " + std::to_string(n) + " (1..10)");
  }
}

// Scene n's set-up in the scene's own order: a picture's colours first, but
// for the credits, which set their two entries before.
void scene_setup(int n, const std::string& path) {
  switch (n) {
    case 1: shades(path, looks::title.shades_towards); break;
    case 5: shades(path, looks::stars.shades_towards); break;
    case 7: shades(path, looks::bounce.shades_towards); break;
    case 8: shades(path, looks::mosaic.shades_towards); break;
    default: break;
  }
  set_entries(scene_entries(n));
  if (n == 9) shades(path, looks::credits.shades_towards);
}

// The texts the scenes write, by scene and name; a list gives the word for K.
struct Said {
  int scene;
  const char* name;
  const looks::text& place;
  std::span<const char* const> words;
};
const Said kSaid[] = {
    {1, "group", looks::title.group, {}},
    {1, "motto", looks::title.motto, {}},
    {2, "name", looks::rings.name, {}},
    {3, "caption", looks::first_drawing.caption, {}},
    {4, "typed", looks::kaleido.typed, {}},
    {6, "caption", looks::greetings.caption, {}},
    {6, "greeting", looks::greetings.greeting, kriit},
    {7, "flash", looks::bounce.flash, {}},
    {9, "first", looks::credits.words, looks::credits.first_words},
    {9, "second", looks::credits.words, looks::credits.second_words},
};

void say(int n, const std::string& name, int time, int k) {
  for (const Said& s : kSaid) {
    if (s.scene != n || name != s.name) continue;
    const char* text = s.place.s;
    if (!s.words.empty()) {
      if (k < 0 || static_cast<size_t>(k) >= s.words.size() || !s.words[static_cast<size_t>(k)])
        fail("scene " + std::to_string(n) + " has no " + name + " " + std::to_string(k));
      text = s.words[static_cast<size_t>(k)];
    }
    if (have_font) writeri(frame.data(), s.place.x, s.place.y, text, s.place.centre, time, s.place.colour);
    return;
  }
  fail("scene " + std::to_string(n) + " writes no text '" + name + "'");
}

// The commands that read the scenes' tables; false for any other command.
bool look_command(std::istringstream& in, const std::string& cmd) {
  int n = 0;
  if (cmd != "scene" && cmd != "entry" && cmd != "say") return false;
  if (!(in >> n)) fail("'" + cmd + "' needs a scene number");
  if (cmd == "scene") {
    std::string path;
    in >> path;
    scene_setup(n, path);
  } else if (cmd == "entry") {
    int index = -1;
    if (!(in >> index)) fail("'entry' needs a palette index");
    for (const looks::entry& e : scene_entries(n))
      if (e.index == index) return set_entries({&e, 1}), true;
    fail("scene " + std::to_string(n) + " sets no entry " + std::to_string(index));
  } else {
    std::string name;
    int time = 0, k = -1;
    if (!(in >> name >> time)) fail("'say' needs a text name and a time");
    in >> k;
    say(n, name, time, k);
  }
  return true;
}

// The next number or file name of cmd's line; a line without one fails.
int num(std::istringstream& in, const std::string& cmd) {
  int v;
  if (!(in >> v)) fail("'" + cmd + "' needs a number");
  return v;
}

std::string word(std::istringstream& in, const std::string& cmd) {
  std::string s;
  if (!(in >> s)) fail("'" + cmd + "' needs a file name");
  return s;
}

// The palette's commands (panel, setkolor, fade, colour); false for another.
bool palette_command(std::istringstream& in, const std::string& cmd) {
  const auto num = [&]() { return ::num(in, cmd); };
  const auto word = [&]() { return ::word(in, cmd); };
  if (cmd == "panel") {
    out = word();
    scale = num();
    std::fill(frame.begin(), frame.end(), 0);
    SDL_Color black[256] = {};
    SDL_SetPalette(scr, SDL_LOGPAL, black, 0, 256);
  } else if (cmd == "setkolor") {
    cgm_picture* pic = load_picture(word());
    const int r = num(), g = num(), b = num();
    setkolor(pic->colr, r, g, b, 100);
    cgm_free(pic);
  } else if (cmd == "fade") {
    const std::string path = word();
    fade(path, num());
  } else if (cmd == "colour") {
    const int i = num(), r = num(), g = num(), b = num();
    gfx_setcolor(i, r, g, b);
  } else {
    return false;
  }
  return true;
}

void command(std::istringstream& in, const std::string& cmd) {
  const auto num = [&]() { return ::num(in, cmd); };
  const auto word = [&]() { return ::word(in, cmd); };
  if (look_command(in, cmd) || palette_command(in, cmd)) {
    return;
  } else if (cmd == "fill") {
    std::fill(frame.begin(), frame.begin() + kW * kH, static_cast<uint8_t>(num()));
  } else if (cmd == "layer") {
    const std::string path = word();
    const int key = num();
    std::vector<uint8_t> raw(kW * kH);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f || std::fread(raw.data(), 1, raw.size(), f) != raw.size()) fail(path + ": cannot read a raw frame");
    std::fclose(f);
    for (size_t i = 0; i < raw.size(); i++)
      if (raw[i] != key) frame[i] = raw[i];
  } else if (cmd == "rings") {
    const int t = num(), w = num(), mode = num(), colour = num();
    rings(frame.data(), t, w, mode, colour);
  } else if (cmd == "drawing") {
    const std::string path = word();
    drawing_rec* d = drawing_load(path.c_str());
    if (!d) fail(path + ": " + (drawing_message[0] ? drawing_message : "cannot read the drawing"));
    const int colour = num();
    int to;
    if (!(in >> to)) to = 1 << 30;
    drawing(frame.data(), d, 0, to, colour);
    drawing_free(d);
  } else if (cmd == "font") {
    have_font = writeri_init(word().c_str()) == 0;
  } else if (cmd == "text") {
    const int x = num(), y = num(), centre = num(), colour = num(), time = num();
    std::string text, w;
    while (in >> w) text += (text.empty() ? "" : " ") + w;
    if (have_font) writeri(frame.data(), x, y, text.c_str(), centre, time, colour);
  } else if (cmd == "shade") {
    const int y0 = num(), y1 = num();
    for (int y = y0; y <= y1; y++)
      for (int x = 0; x < kW; x++) frame[static_cast<size_t>(y * kW + x)] |= 0x80;
  } else if (cmd == "end") {
    if (!write_png(out, frame.data(), kW, kH, scr->format->palette->colors, scale)) std::exit(tool_finish(1));
  } else if (cmd == "fontsheet") {
    const std::string path = word();
    const std::string png = word();
    const int sc = num();
    if (writeri_init(path.c_str()) != 0) fail(path + ": cannot read the font");
    SDL_Color pal[256];
    for (int k = 0; k < 256; k++) pal[k] = {96, 96, 96, 0};
    pal[0] = {255, 255, 255, 0};
    pal[255] = {40, 20, 60, 0};
    if (!write_png(png, fnt, 320, 384, pal, sc)) std::exit(tool_finish(1));
  } else {
    fail("unknown command '" + cmd + "'");
  }
}

}  // namespace

int main(int argc, char** argv) {
  tool_begin("picsheet");
  switch (cli_wants(argc, argv, 1)) {
    case CLI_HELP:
      return tool_help(k_usage);
    case CLI_VERSION:
      return tool_version();
    case CLI_RUN:
      break;
  }
  if (argc != 1) {
    return tool_usage_exit(tool_usage_message("picsheet", "no arguments but --help and --version"));
  }
  // A terminal on standard input is no script: a usage error, instead of waiting.
  if (isatty(STDIN_FILENO)) {
    return tool_usage_exit(tool_usage_message("picsheet", "the script comes on standard input"));
  }
  // The demo's palette functions write to the display surface's palette; an
  // 8-bit surface of our own stands in for it.
  scr = SDL_CreateRGBSurface(SDL_SWSURFACE, kW, 240, 8, 0, 0, 0, 0);
  if (!scr || !scr->format->palette) {
    tool_error("cannot make an 8-bit surface: %s", SDL_GetError());
    return 1;
  }
  rings_init();
  std::string line;
  while (std::getline(std::cin, line)) {
    line_no++;
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::istringstream in(line);
    std::string cmd;
    if (in >> cmd) command(in, cmd);
  }
  return tool_finish(0);
}
