// zapcgm render: draws a picture as the demo's scenes do, through cgm_render
// and transu into a 320x200 frame, and writes the frame as a palette PNG
// (upscaled) or as the raw 64000 palette indices.
//
// PNG colours: index k is the picture's colour k (colr[k]; undefined words
// are 0, black). The background index, unless it is one of the picture's
// colours, shows the picture's backcolr when the file gives one and a
// neutral grey (0x808080) otherwise. Indices 200..255 are black.
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cgm/cgm_soft.h"
#include "gfx/view.h"
#include "zapcgm.h"

namespace {

constexpr int kW = 320;
constexpr int kH = 200;
constexpr uint32_t kGrey = 0x808080;

bool write_raw(const char* path, const uint8_t* frame) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(frame, 1, kW * kH, f) == static_cast<size_t>(kW * kH);
  return std::fclose(f) == 0 && ok;
}

bool write_png(const char* path, const uint8_t* frame, const uint32_t* rgb, int scale) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(f);
    return false;
  }
  std::vector<uint8_t> row(static_cast<size_t>(kW * scale));
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, kW * scale, kH * scale, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color pal[256];
  for (int k = 0; k < 256; k++) {
    pal[k].red = static_cast<png_byte>(rgb[k] >> 16);
    pal[k].green = static_cast<png_byte>(rgb[k] >> 8);
    pal[k].blue = static_cast<png_byte>(rgb[k]);
  }
  png_set_PLTE(png, info, pal, 256);
  png_write_info(png, info);
  for (int y = 0; y < kH * scale; y++) {
    const uint8_t* src = frame + (y / scale) * kW;
    for (int x = 0; x < kW * scale; x++) row[static_cast<size_t>(x)] = src[x / scale];
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace

int zapcgm_render(const zapcgm_args& a) {
  const char* in = a.in;
  const char* out = a.out;
  const bool png = a.png;
  const int32_t sk = a.skale, ox = a.px, oy = a.py, back = a.background, scale = a.scale;

  cgm_picture* pic = zapcgm_load(in);
  if (!pic) return 1;
  const bool hasback = cgm_lastload.hasback != 0;

  // The demo's work frame is 320x256; the renderer touches rows 0..199.
  std::vector<uint8_t> frame(kW * 256, static_cast<uint8_t>(back));
  skale = sk;
  px = ox;
  py = oy;
  cgm_render_view(pic, frame.data());

  bool ok;
  if (png) {
    uint32_t rgb[256] = {};
    for (int k = 1; k < 200; k++) rgb[k] = static_cast<uint32_t>(pic->colr[k]) & 0xFFFFFF;
    if (back == 0 || back > pic->ncolr) rgb[back] = hasback ? static_cast<uint32_t>(pic->backcolr) & 0xFFFFFF : kGrey;
    ok = write_png(out, frame.data(), rgb, scale);
  } else {
    ok = write_raw(out, frame.data());
  }
  cgm_free(pic);
  if (!ok) {
    std::fprintf(stderr, "zapcgm: %s: cannot write: %s\n", out, std::strerror(errno));
    return 1;
  }
  return 0;
}
