// zapcgm render: draws a picture as the demo's scenes do, through cgm_render
// and transu into a 320x200 frame, and writes the frame as a palette PNG
// (upscaled) or as the raw 64000 palette indices.
//
// PNG colours: index k is the picture's colour k (colr[k]; undefined words
// are 0, black). The background index, unless it is one of the picture's
// colours, shows the picture's backcolr when the file gives one and a
// neutral grey (0x808080) otherwise. Indices 200..255 are black.
#include <cstdint>
#include <vector>

#include "cgm/cgm_soft.h"
#include "common/outfile.h"
#include "common/pngfile.h"
#include "demo/gfx.h"
#include "zapcgm.h"

namespace {

constexpr uint32_t kGrey = 0x808080;

}  // namespace

int zapcgm_render(const zapcgm_args& a) {
  const int32_t back = a.background;
  cgm_picture* pic = zapcgm_load(a.in);
  if (!pic) return 1;
  const bool hasback = cgm_lastload.hasback != 0;

  // The demo's work frame: the renderer touches rows 0..FRAME_H - 1.
  std::vector<uint8_t> frame(FRAME_ALLOC, static_cast<uint8_t>(back));
  skale = a.skale;
  px = a.px;
  py = a.py;
  cgm_render(pic, frame.data(), transu);

  bool ok;
  if (a.png) {
    uint8_t rgb[3 * 256] = {};
    for (int k = 0; k < 256; k++) {
      uint32_t c = k >= 1 && k < 200 ? static_cast<uint32_t>(pic->colr[k]) : 0;
      if (k == back && (back == 0 || back > pic->ncolr)) c = hasback ? static_cast<uint32_t>(pic->backcolr) : kGrey;
      rgb[3 * k] = static_cast<uint8_t>(c >> 16);
      rgb[3 * k + 1] = static_cast<uint8_t>(c >> 8);
      rgb[3 * k + 2] = static_cast<uint8_t>(c);
    }
    ok = png_save(a.out,
                  {.pixels = frame.data(), .width = FRAME_W, .height = FRAME_H, .scale = a.scale, .palette = rgb});
  } else {
    ok = out_save(a.out, frame.data(), FRAME_BYTES);
  }
  cgm_free(pic);
  return ok ? 0 : 1;
}
