// The flash check's arithmetic (flash.h): the measures of a colour, the
// fields, and the per-field sums of changes that make transitions.
//
// A field's mean is its sum over the pixels divided by its area. The sums are
// integers (fixed point), taken from summed-area tables of the frame, so a
// field whose pixels did not change has exactly the same sum as before and
// its change is exactly zero; comparisons with the thresholds are made on the
// means in double precision.
#include "flash.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

double linear(uint8_t c) {
  const double v = c / 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

uint32_t packed(const uint8_t* rgb, int i) {
  return uint32_t{rgb[3 * i]} << 16 | uint32_t{rgb[3 * i + 1]} << 8 | uint32_t{rgb[3 * i + 2]};
}

// Sum over a field from a summed-area table of stride w + 1.
int64_t area_sum(const std::vector<int64_t>& t, int stride, const flash_field& f) {
  const size_t x0 = static_cast<size_t>(f.x), x1 = static_cast<size_t>(f.x + f.w);
  const size_t y0 = static_cast<size_t>(f.y), y1 = static_cast<size_t>(f.y + f.h);
  const size_t s = static_cast<size_t>(stride);
  return t[y1 * s + x1] - t[y0 * s + x1] - t[y1 * s + x0] + t[y0 * s + x0];
}

// The starts of the windows along one side: steps of half a window, and one
// flush with the far edge when the steps miss it.
std::vector<int> starts(int side, int window) {
  std::vector<int> v;
  const int step = std::max(1, window / 2);
  for (int p = 0; p + window <= side; p += step) v.push_back(p);
  if (v.empty() || v.back() + window < side) v.push_back(side - window);
  return v;
}

// A frame's change of one field's sum by one measure, from before to now;
// counts says whether the area gate lets it count. Adds it to the run of
// changes of its sign (or starts one) and returns true when that run becomes
// a transition: its sum reaches the step (one_step of a mean, in fixed point
// `one` per unit over `area` pixels), for luminance with the darker end below
// FLASH_DARK. A run becomes a transition once.
bool add_change(flash_state::run& r, int64_t before, int64_t now, bool counts, double one_step, double area,
                bool luminance, double one) {
  const int64_t d = counts ? now - before : 0;
  if (d == 0) return false;
  const int sign = d > 0 ? 1 : -1;
  if (sign != r.sign) {
    r.sign = sign;
    r.sum = 0;
    r.start = before;
    r.counted = false;
  }
  r.sum += d;
  if (r.counted || static_cast<double>(std::llabs(r.sum)) < one_step * area * one) return false;
  if (luminance && static_cast<double>(std::min(r.start, now)) >= FLASH_DARK * area * one) return false;
  r.counted = true;
  return true;
}

}  // namespace

double flash_luminance(uint8_t r, uint8_t g, uint8_t b) {
  return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}

double flash_red(uint8_t r, uint8_t g, uint8_t b) {
  const double R = linear(r), G = linear(g), B = linear(b);
  const double all = R + G + B;
  if (all <= 0.0 || R / all < 0.8) return 0.0;
  return std::max(0.0, R - G - B) * 320.0;
}

std::vector<flash_field> flash_fields(int w, int h, int fw, int fh) {
  fw = std::min(fw, w);
  fh = std::min(fh, h);
  std::vector<flash_field> f;
  for (int y : starts(h, fh))
    for (int x : starts(w, fw)) f.push_back({x, y, fw, fh});
  f.push_back({0, 0, w, h});
  return f;
}

bool flash_begin(flash_state& s, int w, int h, int fps, int fw, int fh) {
  if (w < 1 || h < 1 || w > 4096 || h > 4096 || fps < 1 || fps > 255 || fw < 1 || fh < 1) return false;
  s = flash_state{};
  s.w = w;
  s.h = h;
  s.fps = fps;
  s.fields = flash_fields(w, h, fw, fh);
  const size_t cells = static_cast<size_t>(w + 1) * static_cast<size_t>(h + 1);
  s.sum_l.assign(cells, 0);
  s.sum_red.assign(cells, 0);
  s.sum_changed.assign(cells, 0);
  s.prev.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  s.state.assign(s.fields.size(), flash_state::field_state{});
  return true;
}

flash_result flash_frame(flash_state& s, const uint8_t* frame, const uint8_t* rgb) {
  // The palette's colours, and their measures in fixed point where they changed.
  const bool first = s.frames == 0;
  std::array<uint32_t, 256> now_rgb{};
  for (int i = 0; i < 256; i++) {
    const size_t e = static_cast<size_t>(i);
    now_rgb[e] = packed(rgb, i);
    if (!first && now_rgb[e] == s.prev_rgb[e]) continue;
    const uint8_t r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
    s.lum[e] = std::llround(flash_luminance(r, g, b) * FLASH_L_ONE);
    s.red[e] = std::llround(flash_red(r, g, b) * FLASH_RED_ONE);
  }
  // Plain pointers in the loop over the pixels: an unoptimised build (the
  // sanitizers') would call a function for every element otherwise.
  const int64_t* lum = s.lum.data();
  const int64_t* red = s.red.data();
  const uint32_t* was = s.prev_rgb.data();
  const uint32_t* is = now_rgb.data();
  // The summed-area tables: row y + 1 holds the sums over rows 0..y.
  const size_t stride = static_cast<size_t>(s.w) + 1;
  for (size_t y = 0; y < static_cast<size_t>(s.h); y++) {
    int64_t rl = 0, rr = 0, rc = 0;
    const uint8_t* p = frame + y * static_cast<size_t>(s.w);
    uint8_t* q = s.prev.data() + y * static_cast<size_t>(s.w);
    int64_t* tl = s.sum_l.data() + (y + 1) * stride;
    int64_t* tr = s.sum_red.data() + (y + 1) * stride;
    int64_t* tc = s.sum_changed.data() + (y + 1) * stride;
    for (size_t x = 0; x < static_cast<size_t>(s.w); x++) {
      rl += lum[p[x]];
      rr += red[p[x]];
      rc += !first && is[p[x]] != was[q[x]];
      tl[x + 1] = tl[x + 1 - stride] + rl;
      tr[x + 1] = tr[x + 1 - stride] + rr;
      tc[x + 1] = tc[x + 1 - stride] + rc;
      q[x] = p[x];
    }
  }
  s.prev_rgb = now_rgb;

  flash_result worst{};
  const int64_t k = s.frames++;
  for (size_t i = 0; i < s.fields.size(); i++) {
    const flash_field& f = s.fields[i];
    flash_state::field_state& fs = s.state[i];
    const double area = static_cast<double>(f.w) * f.h;
    const std::array<int64_t, FLASH_MEASURES> sums = {area_sum(s.sum_l, static_cast<int>(stride), f),
                                                      area_sum(s.sum_red, static_cast<int>(stride), f)};
    const bool counts =
        !first && static_cast<double>(area_sum(s.sum_changed, static_cast<int>(stride), f)) >= FLASH_AREA * area;
    for (int m = 0; m < FLASH_MEASURES; m++) {
      const bool luminance = m == FLASH_GENERAL;
      auto& ring = fs.recent[static_cast<size_t>(m)];
      int& head = fs.first[static_cast<size_t>(m)];
      int& n = fs.count[static_cast<size_t>(m)];
      if (add_change(fs.runs[static_cast<size_t>(m)], fs.sums[static_cast<size_t>(m)], sums[static_cast<size_t>(m)],
                     counts, luminance ? FLASH_STEP : FLASH_RED_STEP, area, luminance,
                     static_cast<double>(luminance ? FLASH_L_ONE : FLASH_RED_ONE))) {
        ring[static_cast<size_t>((head + n) % 256)] = k;  // at most fps (<= 255) before it: 256 hold one more
        n++;
      }
      // Only the transitions of the second of frames ending with this one.
      while (n > 0 && ring[static_cast<size_t>(head)] <= k - s.fps) {
        head = (head + 1) % 256;
        n--;
      }
      flash_worst& w = worst[static_cast<size_t>(m)];
      if (n > w.transitions) w = {n, static_cast<int>(i)};
    }
    fs.sums = sums;
  }
  return worst;
}

void flash_tally(std::vector<flash_second>& seconds, int64_t k, int fps, const flash_result& r) {
  const size_t n = static_cast<size_t>(k / fps);
  if (seconds.size() <= n) seconds.resize(n + 1, flash_second{{}, {-1, -1}});
  flash_second& s = seconds[n];
  for (size_t m = 0; m < FLASH_MEASURES; m++) {
    if (s.frame[m] < 0 || r[m].transitions > s.worst[m].transitions) {
      s.worst[m] = r[m];
      s.frame[m] = k;
    }
  }
}
