// Star pictures. Owns c1, c2 and the per-layer globals that `transform`
// reads; draws only through cgm_render into the frame it is given.
//
// The renderer's callback takes no context, so the rotation, the depth and
// the layer index are module globals set before each layer's render.
#include "effects/staraz.h"

#include <cmath>

#include "cgm/cgm_soft.h"
#include "gfx/view.h"

namespace {

constexpr int LAYERS = 6;
constexpr int FIXED_LAYER = 5;      // drawn at FIXED_DIVISOR instead of its depth
constexpr int FIXED_DIVISOR = 1080;  // depth 990 + 90: small, always on top
constexpr int DEPTH_RANGE = 1000;
constexpr int DEPTH_STEP = 200;
constexpr int DEPTH_BIAS = 90;  // z + 90: depth 0 draws the half-extent 444 pixels long
constexpr int ONE_214 = 16384;  // 1.0 in 2.14

}  // namespace

cgm_picture* c1 = nullptr;
cgm_picture* c2 = nullptr;
float angel = 0.0f;
int32_t a = ONE_214, b = 0, c = 0, d = ONE_214;
int32_t z = 0;
int32_t stupid = 0;

cgm_picture* staraz_init() {
  c1 = cgm_load("data/stara.cgm");
  c2 = cgm_load("data/stara2.cgm");
  return c1;
}

bool staraz_load(const char* stara, const char* stara2) {
  c1 = cgm_load(stara);
  c2 = c1 ? cgm_load(stara2) : nullptr;
  return c2 != nullptr;
}

void staraz(uint8_t* frame, int t) {
  angel = static_cast<float>(t * 0.001);
  const double ca = std::cos(static_cast<double>(angel));
  const double sa = std::sin(static_cast<double>(angel));
  stupid = 0;
  for (int k = 0; k < LAYERS; k++) {
    // The depth wraps every 1000 units of t. The remainder is taken
    // non-negative: for t above -100000 that is the plain remainder, and
    // below it a negative depth could make the divisor z + 90 zero.
    const int64_t phase = static_cast<int64_t>(t) + 100000 + DEPTH_STEP * k;
    int64_t zz = phase % DEPTH_RANGE;
    if (zz < 0) zz += DEPTH_RANGE;
    z = static_cast<int32_t>(zz);
    a = d = static_cast<int32_t>(ca * ONE_214);
    b = static_cast<int32_t>(-ONE_214 * sa);
    c = static_cast<int32_t>(ONE_214 * sa);
    const cgm_picture* pic = (k % 2 == 0) ? c2 : c1;
    // transform reads only globals set above for the whole layer.
    if (pic) cgm_render_pure(pic, frame, transform);
    stupid += 1;
  }
}

void transform(int32_t x, int32_t y, int32_t* outx, int32_t* outy) {
  int32_t X = add_wrap(mul_wrap(x, a) >> 14, mul_wrap(y, b) >> 14);
  int32_t Y = add_wrap(mul_wrap(x, c) >> 14, mul_wrap(y, d) >> 14);
  const int32_t div = (stupid == FIXED_LAYER) ? FIXED_DIVISOR : z + DEPTH_BIAS;
  X = mul_wrap(X, 400) / div;
  Y = mul_wrap(Y, 400) / div;
  *outx = add_wrap(mul_wrap(X, 100) >> 14, 640);
  *outy = static_cast<int32_t>(400u - static_cast<uint32_t>(mul_wrap(Y, 100) >> 14));
}
