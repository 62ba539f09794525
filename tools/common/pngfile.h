// PNG output of the tools: an image of palette indices (with its 256
// colours) or of RGB triples, each pixel repeated scale times across and
// down, written through outfile.h. No time stamp; the same image and
// settings give the same bytes.
#pragma once

#include <cstdint>

struct png_spec {
  const uint8_t* pixels = nullptr;  // rows of width indices, or of width RGB triples
  int32_t width = 0;
  int32_t height = 0;
  int32_t scale = 1;
  const uint8_t* palette = nullptr;  // 256 entries of red, green, blue; null: the pixels are RGB
  // libpng's default compression and filters, or (fixed) level 9 and no
  // filter, the stills of zapcapture.
  bool fixed = false;
};

// Writes image to path. False after the message ("PATH: reason").
bool png_save(const char* path, const png_spec& image);
