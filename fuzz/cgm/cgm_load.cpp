// libFuzzer target for the picture loader and rasteriser: any input is read
// as a picture file through a memory stream; a picture that loads is drawn
// through transu at a small, a large and an extreme scale, then freed.
//   scripts/fuzz 60 cgm_load
#include <cstdint>
#include <cstdio>
#include <vector>

#include "cgm/cgm.h"
#include "cgm/cgm_soft.h"
#include "gfx/view.h"

namespace {
// The demo's work frame: 320 x 256, the rasteriser draws rows 0..199.
uint8_t frame[320 * 256];
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<char> copy(data, data + size);
  FILE* f = fmemopen(copy.data(), copy.size(), "r");
  if (!f) return 0;
  cgm_picture* pic = cgm_load_stream(f);
  std::fclose(f);
  if (!pic) return 0;
  const int32_t skales[] = {100, 3000, 2000000000};
  const int32_t offsets[] = {0, -700, 2147483000};
  for (int k = 0; k < 3; k++) {
    skale = skales[k];
    px = offsets[k];
    py = -offsets[k] / 3;
    cgm_render_view(pic, frame);
  }
  cgm_free(pic);
  return 0;
}
