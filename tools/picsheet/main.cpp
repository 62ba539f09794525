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
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cgm/cgm.h"
#include "demo/gfx.h"
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

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "picsheet: line %d: %s\n", line_no, what.c_str());
  std::exit(1);
}

bool write_png(const std::string& path, const uint8_t* px, int w, int h, const SDL_Color* pal, int sc) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, w * sc, h * sc, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color p[256];
  for (int k = 0; k < 256; k++) p[k] = {pal[k].r, pal[k].g, pal[k].b};
  png_set_PLTE(png, info, p, 256);
  png_write_info(png, info);
  std::vector<uint8_t> row(static_cast<size_t>(w * sc));
  for (int y = 0; y < h * sc; y++) {
    for (int x = 0; x < w * sc; x++) row[static_cast<size_t>(x)] = px[(y / sc) * w + x / sc];
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

cgm_picture* load_picture(const std::string& path) {
  cgm_picture* pic = cgm_load(path.c_str());
  if (!pic) fail(path + ": " + cgm_errorstr);
  return pic;
}

void command(std::istringstream& in, const std::string& cmd) {
  auto num = [&]() {
    int v;
    if (!(in >> v)) fail("'" + cmd + "' needs a number");
    return v;
  };
  auto word = [&]() {
    std::string s;
    if (!(in >> s)) fail("'" + cmd + "' needs a file name");
    return s;
  };
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
    // The finale: colour k of the picture blended from the background (255, 220, 80).
    cgm_picture* pic = load_picture(word());
    const int e = num();
    for (int k = 1; k <= 99; k++) {
      const int w = pic->colr[k], R = (w >> 16) & 255, G = (w >> 8) & 255, B = w & 255;
      gfx_setcolor(k, (e * R + (255 - e) * 255) / 256, (e * G + (255 - e) * 220) / 256, (e * B + (255 - e) * 80) / 256);
    }
    cgm_free(pic);
  } else if (cmd == "colour") {
    const int i = num(), r = num(), g = num(), b = num();
    gfx_setcolor(i, r, g, b);
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
    if (!d) fail(path + ": cannot read the drawing");
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
    if (!write_png(out, frame.data(), kW, kH, scr->format->palette->colors, scale))
      fail(out + ": cannot write: " + std::strerror(errno));
  } else if (cmd == "fontsheet") {
    const std::string path = word();
    const std::string png = word();
    const int sc = num();
    if (writeri_init(path.c_str()) != 0) fail(path + ": cannot read the font");
    SDL_Color pal[256];
    for (int k = 0; k < 256; k++) pal[k] = {96, 96, 96, 0};
    pal[0] = {255, 255, 255, 0};
    pal[255] = {40, 20, 60, 0};
    if (!write_png(png, fnt, 320, 384, pal, sc)) fail(png + ": cannot write: " + std::strerror(errno));
  } else {
    fail("unknown command '" + cmd + "'");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 1) {
    std::fputs("usage: picsheet < SCRIPT\n", argc == 2 && !std::strcmp(argv[1], "--help") ? stdout : stderr);
    return argc == 2 && !std::strcmp(argv[1], "--help") ? 0 : 2;
  }
  // The demo's palette functions write to the display surface's palette; an
  // 8-bit surface of our own stands in for it.
  scr = SDL_CreateRGBSurface(SDL_SWSURFACE, kW, 240, 8, 0, 0, 0, 0);
  if (!scr || !scr->format->palette) {
    std::fprintf(stderr, "picsheet: cannot make an 8-bit surface: %s\n", SDL_GetError());
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
  return 0;
}
